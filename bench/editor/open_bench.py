"""How long programs take to show a file: each is started on the file, fresh, and timed until its
window is up and it has used no processor time for a while (the text is loaded and the program is
idle); its resident memory is read then. Programs take turns within each round and the first of
each round changes, so that a disturbance of the machine falls on all of them alike; the figures
are medians. Run under X with a window manager (see run-bench.sh).

Usage: open_bench.py --rounds N --program NAME=COMMAND [--program ...] FILE [FILE ...]
"""
import argparse
import os
import shlex
import statistics
import subprocess
import time

QUIET = 0.6      # seconds without processor time that count as idle
LIMIT = 300.0    # give up after this long


def cpu_ticks(pid):
    with open(f"/proc/{pid}/stat") as stat:
        fields = stat.read().rsplit(")", 1)[1].split()
    return int(fields[11]) + int(fields[12])


def resident_mb(pid):
    with open(f"/proc/{pid}/status") as status:
        for line in status:
            if line.startswith("VmRSS:"):
                return int(line.split()[1]) / 1024
    return float("nan")


def has_window(pid):
    found = subprocess.run(["xdotool", "search", "--onlyvisible", "--pid", str(pid)],
                           capture_output=True, text=True)
    return bool(found.stdout.strip())


def open_once(command, path):
    start = time.monotonic()
    process = subprocess.Popen(shlex.split(command) + [path], stdout=subprocess.DEVNULL,
                               stderr=subprocess.DEVNULL)
    try:
        last, changed = cpu_ticks(process.pid), start
        while True:
            time.sleep(0.01)
            now = time.monotonic()
            ticks = cpu_ticks(process.pid)
            if ticks != last:
                last, changed = ticks, now
            elif now - changed >= QUIET and has_window(process.pid):
                break
            if now - start > LIMIT:
                break
        return changed - start, resident_mb(process.pid)
    finally:
        process.kill()
        process.wait()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--rounds", type=int, default=5)
    parser.add_argument("--program", action="append", required=True)
    parser.add_argument("files", nargs="+")
    args = parser.parse_args()
    programs = [p.split("=", 1) for p in args.program]
    for path in args.files:
        size_mb = os.path.getsize(path) / 1e6
        times = {name: [] for name, _ in programs}
        memory = {name: [] for name, _ in programs}
        for round_ in range(args.rounds):
            order = programs[round_ % len(programs):] + programs[:round_ % len(programs)]
            for name, command in order:
                seconds, rss = open_once(command, path)
                times[name].append(seconds)
                memory[name].append(rss)
        print(f"{os.path.basename(path)} ({size_mb:.1f} MB), median of {args.rounds} rounds:")
        reference = statistics.median(times[programs[-1][0]])
        for name, _ in programs:
            t = statistics.median(times[name])
            m = statistics.median(memory[name])
            print(f"  {name:14} open {t:6.2f} s  ({t / reference:4.2f} x {programs[-1][0]})"
                  f"   resident {m:7.1f} MB  ({m / size_mb:4.2f} x the file)")


if __name__ == "__main__":
    main()
