#!/usr/bin/env bash
# Every benchmark in one run, and their ratios as one table (Markdown):
#  - reading update files: 'vanto-flash info' against objcopy and srec_cat on
#    the same files (bench/image/run.sh: a 48 MB S-record file; the largest
#    Intel HEX update file run 100 times, and read 256 times in one process
#    against a 46 MB Intel HEX file for the others);
#  - the wire: a 64 KiB image against vanto-devsim paced at 38400 baud with
#    5 ms per reply, the run's time against the protocol's ideal (the wire
#    time of every byte both ways plus the device's reply delays), and the
#    sending thread's CPU time per block (programming_bench);
#  - vanto-flash as a whole process (all threads, start-up included): its CPU
#    time per block for one paced device, and N devices at once (1, 8, 32,
#    64, 100) against one alone, wall time (many_devices_bench);
#  - a station soak: vanto-flash --watch on 8 ports, 200 simulated devices
#    plugged in and pulled with random faults; wrong outcomes, hangs and the
#    station's descriptors (bench/station_soak.py; about two minutes).
# The programming figures are medians of 3 runs (min and max beside them).
# The simulated devices run on the same machine: on a machine with few cores
# their pacing competes with the program for the processors. Run it on a
# quiet machine; it takes about a quarter of an hour.
#
# Usage: bench/run.sh [--small] [BUILD_DIR]   (default: build; what is
# missing is built there). --small: a 1 MiB image for the file readers, a
# 4 KiB one and 1 and 8 devices for the programming runs, each once: the
# benchmarks run through (CI), the figures mean little.
set -euo pipefail
cd "$(dirname "$0")/.."
small=0
if [ "${1:-}" = --small ]; then
    small=1
    shift
fi
dir=${1:-build}
if [ "$small" = 1 ]; then
    export VANTO_BENCH_MIB=1 VANTO_BENCH_KIB=4
    devices="1|8"
    repetitions=1
    arrivals=16
else
    export VANTO_BENCH_MIB=16 VANTO_BENCH_KIB=64
    devices="1|8|32|64|100"
    repetitions=3
    arrivals=200
fi
programs=(vanto-flash vanto-devsim image_bench programming_bench many_devices_bench)
for program in "${programs[@]}"; do
    if [ ! -x "$dir/bin/$program" ]; then
        cmake -S . -B "$dir" -DVANTO_BUILD_BENCH=ON >/dev/null
        cmake --build "$dir" --target "${programs[@]}" -j"$(nproc)" >/dev/null
        break
    fi
done
command -v python3 >/dev/null || { echo "bench: python3 is missing" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
started=$(date +%s)

echo "== Reading update files (bench/image/run.sh)"
VANTO_BENCH_RATIOS="$work/ratios" bash bench/image/run.sh "$dir"

echo
echo "== The wire against the protocol's ideal (programming_bench)"
"$dir/bin/programming_bench" --benchmark_filter='BM_PacedProgramming' \
    --benchmark_repetitions="$repetitions" --benchmark_out="$work/programming.json" \
    --benchmark_out_format=json

echo
echo "== N devices at once against one (many_devices_bench)"
"$dir/bin/many_devices_bench" --benchmark_filter="BM_DevicesAgainstOne/($devices)/" \
    --benchmark_repetitions="$repetitions" --benchmark_out="$work/many.json" \
    --benchmark_out_format=json

echo
echo "== A station: devices plugged in and pulled (bench/station_soak.py)"
python3 bench/station_soak.py --arrivals "$arrivals" --ports 8 "$dir"

echo
echo "== The table ($(nproc) cores, $(($(date +%s) - started)) s)"
python3 bench/table.py "$work/ratios" "$work/programming.json" "$work/many.json" \
    "$VANTO_BENCH_MIB" "$VANTO_BENCH_KIB"
