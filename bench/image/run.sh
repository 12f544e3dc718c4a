#!/usr/bin/env bash
# Benchmark: 'vanto-flash info --file' on a 48 MB S-record file (a 16 MiB
# image, 16 bytes per line) against objcopy and srec_cat on the same file in
# the same run. S-records, because an Intel HEX file that large needs extended
# addresses, which the device's 16-bit Intel HEX files never carry. Reports
# throughput (MB of record text per second of wall time) and peak resident
# memory of each.
#
# Goal: info at least twice objcopy's throughput, with peak memory under 8 MB
# whatever the file size (the reader streams; it never holds the image).
# Note that info reads the file twice, as a run does: once to count the
# blocks and once to read them.
#
# Usage: bench/image/run.sh [BUILD_DIR]   (default: build; vanto-flash is
# built there when missing)
set -euo pipefail
cd "$(dirname "$0")/../.."
dir=${1:-build}
flash=${VANTO_FLASH:-$dir/bin/vanto-flash}
if [ ! -x "$flash" ]; then
    cmake -S . -B "$dir" -DVANTO_BUILD_WIZARD=OFF >/dev/null
    cmake --build "$dir" --target vanto-flash -j2 >/dev/null
fi
for tool in objcopy srec_cat /usr/bin/time; do
    command -v "$tool" >/dev/null || { echo "bench: $tool is missing" >&2; exit 1; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
head -c $((16 * 1024 * 1024)) /dev/urandom >"$work/image.bin"
objcopy -I binary -O srec "$work/image.bin" "$work/big.s28"
bytes=$(stat -c %s "$work/big.s28")
echo "input: $((bytes / 1000000)) MB S-records ($(wc -l <"$work/big.s28") lines), a 16 MiB image"
echo

# Runs a command three times under /usr/bin/time; prints the best wall time
# and the largest peak RSS.
measure() {
    local name=$1
    shift
    local best="" rss=0
    for _ in 1 2 3; do
        /usr/bin/time -f "%e %M" -o "$work/time" "$@" >"$work/out" 2>&1 || {
            echo "bench: $name failed:" >&2
            cat "$work/out" >&2
            exit 1
        }
        read -r secs kb <"$work/time"
        if [ -z "$best" ] || awk "BEGIN{exit !($secs < $best)}"; then best=$secs; fi
        if [ "$kb" -gt "$rss" ]; then rss=$kb; fi
    done
    awk -v n="$name" -v s="$best" -v b="$bytes" -v r="$rss" 'BEGIN {
        t = (s > 0 ? b / s / 1e6 : 0);
        printf "%-28s %7.2f s %9.1f MB/s   peak RSS %7.1f MB\n", n, s, t, r / 1024 }'
    echo "$best" >"$work/$name.secs"
}

measure "vanto-flash info --file" "$flash" info --file "$work/big.s28"
cat "$work/out"
echo
measure "objcopy -O binary" objcopy -I srec -O binary "$work/big.s28" "$work/objcopy.bin"
measure "srec_cat -Binary" srec_cat "$work/big.s28" -Motorola -o "$work/srec_cat.bin" -Binary
echo
awk -v i="$(cat "$work/vanto-flash info --file.secs")" -v o="$(cat "$work/objcopy -O binary.secs")" \
    'BEGIN { if (i > 0) printf "info vs objcopy: %.1fx the throughput\n", o / i }'
