#!/usr/bin/env bash
# Benchmark: reading an update file as 'vanto-flash info' reads it, against
# objcopy and srec_cat on the same files in the same run. Reports the best
# wall time of five runs, throughput (MB of record text per second of wall
# time and per CPU second, user + system) and peak resident memory.
#
# S-records: a 48 MB file (a 16 MiB image, 16 bytes per line), the largest
# kind of update file: 'vanto-flash info --file' against objcopy and srec_cat.
#
# Intel HEX: the device takes 16-bit addresses and a non-zero extended
# address is refused, so an Intel HEX update file carries at most 64 KiB of
# data (about 180 KB of text); a 46 MB one cannot be an update file. Measured
# instead, on the largest valid one:
#  - info on it, 100 times in a row with start-up and all, against objcopy
#    and srec_cat on it (all three are mostly start-up at that size);
#  - the reader's throughput: image_bench checks it 256 times in one process
#    (47 MB of record text, read from the file each time), against objcopy and
#    srec_cat on a 46 MB Intel HEX file of a 16 MiB image with extended linear
#    addresses, which they accept. The same bytes of record text per second,
#    but the small file stays in the processor's caches.
#
# Goal: at least twice objcopy's throughput, peak memory under 8 MB whatever
# the file size (the reader streams; it never holds the image).
#
# Usage: bench/image/run.sh [BUILD_DIR]   (default: build; vanto-flash and
# image_bench are built there when missing). VANTO_FLASH and IMAGE_BENCH name
# other programs to measure. VANTO_BENCH_MIB sets the image of the big files
# (default 16 MiB; the reader's Intel HEX figure reads the small file 16 times
# per MiB). With VANTO_BENCH_RATIOS=FILE every ratio is also appended to FILE
# as one line, "KEY WALL_RATIO CPU_RATIO", and each file's size as "KEY BYTES"
# (bench/run.sh reads them).
set -euo pipefail
cd "$(dirname "$0")/../.."
dir=${1:-build}
flash=${VANTO_FLASH:-$dir/bin/vanto-flash}
bench=${IMAGE_BENCH:-$dir/bin/image_bench}
if [ ! -x "$flash" ] || [ ! -x "$bench" ]; then
    cmake -S . -B "$dir" -DVANTO_BUILD_WIZARD=OFF -DVANTO_BUILD_BENCH=ON >/dev/null
    cmake --build "$dir" --target vanto-flash image_bench -j2 >/dev/null
fi
for tool in objcopy srec_cat /usr/bin/time python3; do
    command -v "$tool" >/dev/null || { echo "bench: $tool is missing" >&2; exit 1; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mib=${VANTO_BENCH_MIB:-16}
ratios=${VANTO_BENCH_RATIOS:-/dev/null}
head -c $((mib * 1024 * 1024)) /dev/urandom >"$work/image.bin"
objcopy -I binary -O srec "$work/image.bin" "$work/big.s28"
objcopy -I binary -O ihex "$work/image.bin" "$work/big.hex"
# The largest Intel HEX update file: 64 KiB from address 0, 16 bytes a line.
head -c 65536 "$work/image.bin" >"$work/small.bin"
objcopy -I binary -O ihex "$work/small.bin" "$work/small.hex"
repeat=$((16 * mib))

# measure NAME BYTES COMMAND...: five runs under /usr/bin/time; prints the
# best wall time, the CPU time of that run, throughput and the largest peak RSS.
measure() {
    local name=$1 bytes=$2
    shift 2
    local best="" cpu="" rss=0
    for _ in 1 2 3 4 5; do
        /usr/bin/time -f "%e %U %S %M" -o "$work/time" "$@" >"$work/out" 2>&1 || {
            echo "bench: $name failed:" >&2
            cat "$work/out" >&2
            exit 1
        }
        read -r secs user sys kb <"$work/time"
        if [ -z "$best" ] || awk "BEGIN{exit !($secs < $best)}"; then
            best=$secs
            cpu=$(awk "BEGIN{print $user + $sys}")
        fi
        if [ "$kb" -gt "$rss" ]; then rss=$kb; fi
    done
    awk -v n="$name" -v s="$best" -v c="$cpu" -v b="$bytes" -v r="$rss" 'BEGIN {
        printf "  %-34s %6.3f s %8.1f MB/s %6.3f CPU s %8.1f MB/CPU s %6.1f MB\n", n, s,
            (s > 0 ? b / s / 1e6 : 0), c, (c > 0 ? b / c / 1e6 : 0), r / 1024 }'
    echo "$best $cpu" >"$work/$name.secs"
}

# ratio KEY A B: how many times A's throughput B's is, by wall time and by CPU
# time; also appended to the ratios file under KEY.
ratio() {
    read -r a_wall a_cpu <"$work/$2.secs"
    read -r b_wall b_cpu <"$work/$3.secs"
    awk -v a="$a_wall" -v b="$b_wall" -v ac="$a_cpu" -v bc="$b_cpu" -v n="$2 vs $3" -v k="$1" \
        -v f="$ratios" 'BEGIN {
        w = (a > 0 ? b / a : 0); c = (ac > 0 ? bc / ac : 0)
        printf "  %s: %.1fx the throughput (wall), %.1fx (CPU)\n", n, w, c
        printf "%s %.2f %.2f\n", k, w, c >>f }'
}

big=$(stat -c %s "$work/big.s28")
echo "srec_bytes $big" >>"$ratios"
echo "S-records: $((big / 1000000)) MB ($(wc -l <"$work/big.s28") lines), a $mib MiB image"
measure "info" "$big" "$flash" info --file "$work/big.s28"
sed 's/^/    /' "$work/out"
measure "objcopy" "$big" objcopy -I srec -O binary "$work/big.s28" "$work/objcopy.bin"
measure "srec_cat" "$big" srec_cat "$work/big.s28" -Motorola -o "$work/srec_cat.bin" -Binary
ratio srec_info_objcopy info objcopy
ratio srec_info_srec_cat info srec_cat
echo

small=$(stat -c %s "$work/small.hex")
runs=100
# "${times[@]}" CMD...: the command $runs times in a row, start-up and all.
times=(sh -c 'n=$1; shift; for _ in $(seq "$n"); do "$@" >/dev/null || exit 1; done' _ "$runs")
echo "Intel HEX: the largest update file, $((small / 1000)) KB (a 64 KiB image), $runs runs of each"
measure "info" "$((small * runs))" "${times[@]}" "$flash" info --file "$work/small.hex"
measure "objcopy" "$((small * runs))" "${times[@]}" objcopy -I ihex -O binary "$work/small.hex" \
    "$work/objcopy.bin"
measure "srec_cat" "$((small * runs))" "${times[@]}" srec_cat "$work/small.hex" -Intel \
    -o "$work/srec_cat.bin" -Binary
ratio hex_info_objcopy info objcopy
ratio hex_info_srec_cat info srec_cat
echo

hex=$(stat -c %s "$work/big.hex")
echo "hex_bytes $hex" >>"$ratios"
echo "reader_bytes $((small * repeat))" >>"$ratios"
echo "Intel HEX throughput: the reader on $((small * repeat / 1000000)) MB (that file $repeat times)," \
    "the others on $((hex / 1000000)) MB (a $mib MiB image)"
measure "image_bench x$repeat" "$((small * repeat))" "$bench" "$work/small.hex" hex "$repeat"
measure "objcopy" "$hex" objcopy -I ihex -O binary "$work/big.hex" "$work/objcopy.bin"
measure "srec_cat" "$hex" srec_cat "$work/big.hex" -Intel -o "$work/srec_cat.bin" -Binary
awk -v s="$(cut -d' ' -f1 "$work/image_bench x$repeat.secs")" \
    -v c="$(cut -d' ' -f2 "$work/image_bench x$repeat.secs")" -v n=$((small * repeat)) \
    -v os="$(cut -d' ' -f1 "$work/objcopy.secs")" -v oc="$(cut -d' ' -f2 "$work/objcopy.secs")" \
    -v h="$hex" -v f="$ratios" 'BEGIN {
        w = (s > 0 && os > 0 ? (n / s) / (h / os) : 0)
        r = (c > 0 && oc > 0 ? (n / c) / (h / oc) : 0)
        printf "  reader vs objcopy: %.1fx the throughput (wall), %.1fx (CPU)\n", w, r
        printf "hex_reader_objcopy %.2f %.2f\n", w, r >>f }'
