#!/usr/bin/env python3
"""The table of bench/run.sh: the ratios of one run, as Markdown.

Usage: table.py RATIOS PROGRAMMING_JSON MANY_JSON IMAGE_MIB PROGRAMMING_KIB
RATIOS holds bench/image/run.sh's lines "KEY WALL_RATIO CPU_RATIO" and
"KEY BYTES"; the JSON
files are Google Benchmark's output of programming_bench and
many_devices_bench. A figure from several runs is their median, with the
smallest and the largest beside it.
"""
import json
import re
import statistics
import sys


def read_ratios(path):
    ratios = {}
    with open(path) as lines:
        for line in lines:
            key, *values = line.split()
            ratios[key] = [float(value) for value in values]
    return ratios


def runs(path, prefix):
    """The single runs (not the aggregates) of benchmarks named prefix...,
    grouped by name; a run that failed is None."""
    with open(path) as f:
        report = json.load(f)
    grouped = {}
    for run in report["benchmarks"]:
        if not run["name"].startswith(prefix) or run.get("run_type") == "aggregate":
            continue
        name = run.get("run_name", run["name"])
        grouped.setdefault(name, []).append(None if run.get("error_occurred") else run)
    return grouped


def figure(values, fmt):
    if not values:
        return "failed"
    text = fmt.format(statistics.median(values))
    if len(values) > 1:
        text += " (" + fmt.format(min(values)) + " to " + fmt.format(max(values)) + ")"
    return text


def counter(group, key):
    return [run[key] for run in group if run is not None]


def main():
    ratios_path, programming_path, many_path, mib, kib = sys.argv[1:6]
    mib, kib = int(mib), int(kib)
    ratios = read_ratios(ratios_path)
    rows = []

    def ratio_row(label, key, goal=""):
        if key not in ratios:
            rows.append((label, "failed", goal))
            return
        # 0: a time too short for /usr/bin/time's hundredths (the small sizes)
        wall, cpu = (f"{value:.1f}x" if value > 0 else "(too short to time)"
                     for value in ratios[key])
        rows.append((label, f"{wall} wall, {cpu} CPU", goal))

    def megabytes(key):
        return round(ratios.get(key, [0])[0] / 1e6)

    ratio_row(f"`info` on a {megabytes('srec_bytes')} MB S-record file ({mib} MiB image), "
              "throughput against objcopy", "srec_info_objcopy", "at least 2x")
    ratio_row("the same against srec_cat", "srec_info_srec_cat")
    ratio_row(f"Intel HEX reader ({megabytes('reader_bytes')} MB: the largest update file read "
              f"{16 * mib} times in one process) against objcopy on a "
              f"{megabytes('hex_bytes')} MB Intel HEX file, throughput",
              "hex_reader_objcopy", "at least 2x")
    ratio_row("`info` on the largest Intel HEX update file (64 KiB), 100 runs with start-up, "
              "against objcopy", "hex_info_objcopy")
    ratio_row("the same against srec_cat", "hex_info_srec_cat")

    paced = [run for group in runs(programming_path, "BM_PacedProgramming").values()
             for run in group]
    rows.append((f"The wire: a {kib} KiB image at 38400 baud, 5 ms per reply, the run's time "
                 "over the protocol's ideal",
                 figure(counter(paced, "overhead_pct"), "{:+.2f} %"), "under 1 %"))
    rows.append(("Host CPU per block, the sending thread",
                 figure(counter(paced, "cpu_us_per_block"), "{:.0f} us"), ""))

    many = runs(many_path, "BM_DevicesAgainstOne/")
    by_count = {}
    for name, group in many.items():
        by_count[int(re.match(r"BM_DevicesAgainstOne/(\d+)", name).group(1))] = group
    one_cpu = [value for group in by_count.values()
               for value in counter(group, "cpu_us_per_block_one")]
    rows.append(("Host CPU per block, one paced device, the whole `vanto-flash` process",
                 figure(one_cpu, "{:.0f} us"), "at most 250 us"))
    for count in sorted(by_count):
        group = by_count[count]
        label = ("1 device, run twice: the second run's wall time over the first's" if count == 1
                 else f"{count} devices at once against one, wall time")
        goal = "at most 1.03 (on 2 cores)" if count == 100 else ""
        rows.append((label, figure(counter(group, "wall_ratio"), "{:.3f}"), goal))
    largest = max(by_count) if by_count else None
    if largest and largest > 1:
        rows.append((f"Host CPU per device and block, {largest} devices at once, the whole process",
                     figure(counter(by_count[largest], "cpu_us_per_block_many"), "{:.0f} us"), ""))

    print("| Measure | Figure | Goal |")
    print("|---|---|---|")
    for label, value, goal in rows:
        print(f"| {label} | {value} | {goal} |")


if __name__ == "__main__":
    main()
