#!/usr/bin/env bash
# Fuzzes the update-file readers and the block source with libFuzzer.
# Usage: scripts/fuzz-image.sh [SECONDS]   (default 60)
# Builds with clang, AddressSanitizer and UndefinedBehaviorSanitizer in
# build-fuzz-image, runs on a copy of fuzz/corpus and fails on any finding
# (the crashing input is left in build-fuzz-image/findings).
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
dir=build-fuzz-image

mkdir -p "$dir"
cmake -S . -B "$dir" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DVANTO_BUILD_FUZZ=ON -DVANTO_SANITIZE=address,undefined -DVANTO_WERROR=ON \
    -DVANTO_BUILD_WIZARD=OFF -DVANTO_BUILD_TESTS=OFF -DVANTO_BUILD_BENCH=OFF \
    >"$dir/configure.log" 2>&1 || { cat "$dir/configure.log" >&2; exit 1; }
cmake --build "$dir" --target fuzz_image_reader -j2

corpus=$(mktemp -d)
trap 'rm -rf "$corpus"' EXIT
cp fuzz/corpus/* "$corpus/"
mkdir -p "$dir/findings"
# -timeout: no single input may take long; -rss_limit_mb: the reader streams.
"$dir/bin/fuzz_image_reader" "$corpus" -dict=fuzz/image.dict \
    -max_total_time="$seconds" -timeout=10 -rss_limit_mb=512 -max_len=4096 \
    -artifact_prefix="$dir/findings/" -print_final_stats=1
