#!/usr/bin/env python3
"""Soak of vanto-flash --watch: ARRIVALS simulated devices plugged in and
pulled on PORTS ports, each with a random fault from vanto-devsim's options
or none, and every outcome checked.

Each arrival is a vanto-devsim started on the port's link (the port appears)
and stopped once the station logged its attempt (the port vanishes); the next
device on that port comes once the station saw the port go. Checked: every
arrival has exactly one log line, whose exit status is the one its fault
must give; an updated device committed exactly the image, a failed one
committed nothing; no arrival waits more than HANG seconds for its line (a
hang); the station's open descriptors are as many at the end as after the
first round; after SIGTERM it ends with the status of the first failure.

Usage: bench/station_soak.py [--arrivals N] [--ports N] [--seed N] [BUILD_DIR]
Prints one result line; exit status 0 when nothing was wrong.
"""
import argparse
import json
import os
import random
import signal
import subprocess
import sys
import tempfile
import threading
import time

BLOCKS = 12
HANG = 60
# (vanto-devsim options, the exit statuses the attempt may end with)
FAULTS = [
    ("", {0}),
    ("", {0}),
    ("--bad-checksum 4", {0}),          # one bad reply: the retry mends it
    ("--answer-identify-from 3", {0}),  # a slow start in Update Mode
    ("--drop-block 5", {0}),            # one lost reply: the retry mends it
    ("--block-status 3:4", {4}),
    ("--block-status 2:3 --block-status 3:3", {3}),
    ("--drop-block 4 --drop-block 5", {6}),
    ("--finish-status 3", {3}),
    ("--hangup-after 6", {5, 6, 7}),    # pulled in the middle of the transfer
]


def hex_file(data):
    lines = []
    for a in range(0, len(data), 16):
        rec = bytes([len(data[a:a + 16]), a >> 8 & 255, a & 255, 0]) + data[a:a + 16]
        lines.append(":%s%02X" % (rec.hex().upper(), -sum(rec) & 255))
    return "\n".join(lines + [":00000001FF"]) + "\n"


class Station:
    def __init__(self, bindir, work, ports):
        links = [os.path.join(work, "p%d" % n) for n in range(1, ports + 1)]
        env = dict(os.environ, VANTO_COM_PORTS=":".join(links), VANTO_JOURNAL_SOCKET="")
        self.proc = subprocess.Popen(
            [os.path.join(bindir, "vanto-flash"), "--watch", "--ports", "1-%d" % ports,
             "--log", "log.jsonl"], cwd=work, env=env, stdout=subprocess.PIPE,
            stderr=subprocess.STDOUT, text=True)
        self.gone = {}
        self.lock = threading.Lock()
        threading.Thread(target=self.read, daemon=True).start()

    def read(self):
        for line in self.proc.stdout:
            if line.rstrip().endswith(": gone"):
                port = line.split()[0]
                with self.lock:
                    self.gone[port] = self.gone.get(port, 0) + 1

    def gone_count(self, port):
        with self.lock:
            return self.gone.get(port, 0)

    def descriptors(self):
        return len(os.listdir("/proc/%d/fd" % self.proc.pid))


def log_lines(work):
    try:
        with open(os.path.join(work, "log.jsonl"), "rb") as f:
            return [json.loads(line) for line in f.read().decode("utf-8").splitlines()]
    except FileNotFoundError:
        return []


def wait_for(predicate, seconds):
    end = time.monotonic() + seconds
    while not predicate():
        if time.monotonic() > end:
            return False
        time.sleep(0.02)
    return True


def run_port(n, arrivals, ctx):
    """The devices of COMn, one after another."""
    port = "COM%d" % n
    link = os.path.join(ctx["work"], "p%d" % n)
    for k, (options, allowed) in enumerate(arrivals):
        flash = os.path.join(ctx["work"], "flash-%d-%d" % (n, k))
        devsim = subprocess.Popen(
            [os.path.join(ctx["bindir"], "vanto-devsim"), "--link", link, "--quiet",
             "--flash-out", flash] + options.split(), stdout=subprocess.DEVNULL)
        started = time.monotonic()
        logged = wait_for(lambda: sum(1 for r in log_lines(ctx["work"]) if r["port"] == port)
                          > k, HANG)
        ctx["seconds"].append(time.monotonic() - started)
        devsim.terminate()
        devsim.wait()
        if not logged:
            ctx["hangs"].append("%s device %d (%s)" % (port, k, options))
            ctx["round"].abort()
            return
        record = [r for r in log_lines(ctx["work"]) if r["port"] == port][k]
        committed = open(flash, "rb").read() if os.path.exists(flash) else b""
        good = record["exit_status"] in allowed and (
            committed == ctx["image"] if record["exit_status"] == 0 else committed == b"")
        if not good:
            ctx["wrong"].append("%s device %d (%s): exit %s, %d bytes committed" % (
                port, k, options, record["exit_status"], len(committed)))
        if not wait_for(lambda: ctx["station"].gone_count(port) > k, HANG):
            ctx["hangs"].append("%s device %d never seen to go" % (port, k))
            ctx["round"].abort()
            return
        if k == 0:
            ctx["round"].wait()  # every port idle: the descriptors are counted
            ctx["round"].wait()
    if not arrivals:
        ctx["round"].wait()
        ctx["round"].wait()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--arrivals", type=int, default=200)
    parser.add_argument("--ports", type=int, default=8)
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("build", nargs="?", default="build")
    args = parser.parse_args()
    args.build = os.path.abspath(args.build)
    rng = random.Random(args.seed)
    image = bytes(rng.randrange(256) for _ in range(BLOCKS * 256 - 100))
    work = tempfile.mkdtemp(prefix="vanto-soak-")
    with open(os.path.join(work, "kst.hex"), "w") as f:
        f.write(hex_file(image))
    plan = [[] for _ in range(args.ports)]
    for _ in range(args.arrivals):
        plan[rng.randrange(args.ports)].append(rng.choice(FAULTS))
    ctx = dict(work=work, bindir=os.path.join(args.build, "bin"), ports=args.ports,
               image=image + b"\xff" * 100, seconds=[], hangs=[], wrong=[],
               round=threading.Barrier(args.ports + 1, timeout=4 * HANG), fd_first=None)
    started = time.monotonic()
    ctx["station"] = Station(ctx["bindir"], work, args.ports)
    threads = [threading.Thread(target=run_port, args=(n + 1, plan[n], ctx))
               for n in range(args.ports)]
    for t in threads:
        t.start()
    ctx["round"].wait()
    ctx["fd_first"] = ctx["station"].descriptors()
    ctx["round"].wait()
    for t in threads:
        t.join()
    fd_last = ctx["station"].descriptors()
    ctx["station"].proc.send_signal(signal.SIGTERM)
    try:
        status = ctx["station"].proc.wait(timeout=HANG)
    except subprocess.TimeoutExpired:
        ctx["hangs"].append("the station did not end on SIGTERM")
        ctx["station"].proc.kill()
        status = ctx["station"].proc.wait()
    records = log_lines(work)
    first = next((r["exit_status"] for r in records if r["exit_status"] != 0), 0)
    if status != first:
        ctx["wrong"].append("exit status %d, first failure %d" % (status, first))
    if len(records) != args.arrivals:
        ctx["wrong"].append("%d log lines for %d arrivals" % (len(records), args.arrivals))
    seconds = sorted(ctx["seconds"]) or [0]
    print("station soak: %d arrivals on %d ports in %.0f s: %d updated, %d failed as their fault "
          "says; %d wrong outcomes, %d hangs; descriptors %s -> %d; arrival to log line median "
          "%.2f s, max %.2f s" % (
              args.arrivals, args.ports, time.monotonic() - started,
              sum(1 for r in records if r["exit_status"] == 0),
              sum(1 for r in records if r["exit_status"] != 0), len(ctx["wrong"]),
              len(ctx["hangs"]), ctx["fd_first"], fd_last, seconds[len(seconds) // 2],
              seconds[-1]))
    for problem in ctx["wrong"] + ctx["hangs"]:
        print("  " + problem)
    flat = ctx["fd_first"] is None or fd_last <= ctx["fd_first"]
    if flat:
        subprocess.run(["rm", "-rf", work])
    return 0 if not ctx["wrong"] and not ctx["hangs"] and flat else 1


if __name__ == "__main__":
    sys.exit(main())
