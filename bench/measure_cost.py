#!/usr/bin/python3
"""Measures Voltarik against the bare window, interleaved, on the X display of the environment.

For each program and round: time from exec to the window mapped (and how much of it the process
ran and waited for a processor), CPU time and context switches over a stretch of measuring
(Voltarik with Start pressed), peak resident memory, and the time from asking the window to close
to the process ending.

Start-up is noisy, so it also gets many short rounds of its own. Each start-up round also counts
the program's threads a second after its window appeared: with the news fetch over, Voltarik
should have as many as the bare window.

The two programs may also be two builds of Voltarik, or one with two environments
(--voltarik-env and --bare-env add NAME=VALUE settings to one side's environment); --names
changes the labels.

Usage: measure_cost.py VOLTARIK BARE_WINDOW [--rounds N] [--seconds S] [--startup-rounds N]
                       [--startup-target R] [--rss-target R] [--cpu-target R]
                       [--voltarik-env NAME=VALUE]...
                       [--bare-env NAME=VALUE]... [--names A B]
"""
import argparse
import os
import statistics
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tools"))
from x11_window import ask_to_close, open_display, wait_for_map  # noqa: E402

def scheduled_seconds(pid):
    """Time every thread ran and waited for a processor, in nanosecond resolution (the first two
    fields of schedstat)."""
    run = wait = 0
    for task in os.listdir(f"/proc/{pid}/task"):
        with open(f"/proc/{pid}/task/{task}/schedstat") as schedstat:
            fields = schedstat.read().split()
            run += int(fields[0])
            wait += int(fields[1])
    return run / 1e9, wait / 1e9


def cpu_seconds(pid):
    return scheduled_seconds(pid)[0]


def context_switches(pid):
    total = 0
    for task in os.listdir(f"/proc/{pid}/task"):
        with open(f"/proc/{pid}/task/{task}/status") as status:
            for line in status:
                if line.startswith(("voluntary_ctxt_switches", "nonvoluntary_ctxt_switches")):
                    total += int(line.split()[1])
    return total


def peak_rss_kib(pid):
    with open(f"/proc/{pid}/status") as status:
        for line in status:
            if line.startswith("VmHWM:"):
                return int(line.split()[1])
    return 0


def run_once(binary, press_start, seconds, extra_env):
    x = open_display()
    env = dict(os.environ, **dict(setting.split("=", 1) for setting in extra_env))
    started = time.monotonic()
    process = subprocess.Popen([binary], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                               env=env)
    window = wait_for_map(x, started + 30)
    startup = time.monotonic() - started
    # Where the start-up went: the process's own work, and waiting for a processor while
    # something else ran.
    startup_cpu, startup_wait = scheduled_seconds(process.pid)
    time.sleep(1)  # let start-up work settle before the measured stretch
    threads = len(os.listdir(f"/proc/{process.pid}/task"))
    if press_start:
        # Start sits 2880 twips from the left and 2760 from the top: (192, 184) pixels.
        subprocess.run(["xdotool", "mousemove", "--window", str(window.id), "300", "195",
                        "click", "1"], check=True)
    cpu_before, switches_before = cpu_seconds(process.pid), context_switches(process.pid)
    time.sleep(seconds)
    cpu = cpu_seconds(process.pid) - cpu_before
    switches = context_switches(process.pid) - switches_before

    rss = peak_rss_kib(process.pid)
    closing = time.monotonic()
    ask_to_close(x, window)
    code = process.wait(timeout=10)
    close = time.monotonic() - closing
    x.close()
    return {"startup_ms": startup * 1000, "startup_cpu_ms": startup_cpu * 1000,
            "startup_wait_ms": startup_wait * 1000, "threads": threads,
            "cpu_ms_per_s": cpu * 1000 / seconds, "switches_per_s": switches / seconds,
            "peak_rss_mib": rss / 1024, "close_ms": close * 1000, "exit": code}


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("voltarik")
    parser.add_argument("bare")
    parser.add_argument("--rounds", type=int, default=3)
    parser.add_argument("--seconds", type=float, default=60)
    parser.add_argument("--startup-rounds", type=int, default=15)
    parser.add_argument("--startup-target", type=float, default=1.2)
    parser.add_argument("--rss-target", type=float, default=1.2)
    parser.add_argument("--cpu-target", type=float, default=1.3)
    parser.add_argument("--voltarik-env", action="append", default=[])
    parser.add_argument("--bare-env", action="append", default=[])
    parser.add_argument("--names", nargs=2, default=["voltarik", "bare"])
    args = parser.parse_args()
    envs = {"voltarik": args.voltarik_env, "bare": args.bare_env}
    labels = dict(zip(("voltarik", "bare"), args.names))

    def interleave(rounds, seconds, label):
        runs = {"voltarik": [], "bare": []}
        for round_number in range(rounds):
            order = [("voltarik", args.voltarik, True), ("bare", args.bare, False)]
            if round_number % 2:
                order.reverse()
            for name, binary, press_start in order:
                result = run_once(binary, press_start, seconds, envs[name])
                runs[name].append(result)
                print(f"{label} {round_number + 1} {labels[name]:8} " +
                      " ".join(f"{key}={value:.2f}" if isinstance(value, float)
                               else f"{key}={value}" for key, value in result.items()),
                      flush=True)
        return runs

    startup_runs = interleave(args.startup_rounds, 0.2, "start-up")
    runs = interleave(args.rounds, args.seconds, "measuring")

    targets = {"startup_ms": args.startup_target, "peak_rss_mib": args.rss_target}
    if args.rounds:
        targets.update({"cpu_ms_per_s": args.cpu_target, "switches_per_s": args.cpu_target})
    print(f"\nmedians: start-up and peak memory over {args.startup_rounds} rounds; CPU and "
          f"wake-ups over {args.rounds} rounds of {args.seconds:g} s of measuring")
    print(f"{'figure':16} {labels['voltarik']:>10} {labels['bare']:>10} {'ratio':>7} {'target':>7}")
    missed = False
    for key, target in targets.items():
        source = startup_runs if key in ("startup_ms", "peak_rss_mib") else runs
        ours = statistics.median(run[key] for run in source["voltarik"])
        bare = statistics.median(run[key] for run in source["bare"])
        ratio = ours / bare if bare else float("inf")
        missed |= ratio > target
        print(f"{key:16} {ours:10.2f} {bare:10.2f} {ratio:7.2f} {target:7.2f}"
              f"{'  MISSED' if ratio > target else ''}")
    for key in ("startup_cpu_ms", "startup_wait_ms"):
        ours = statistics.median(run[key] for run in startup_runs["voltarik"])
        bare = statistics.median(run[key] for run in startup_runs["bare"])
        print(f"{key:16} {ours:10.2f} {bare:10.2f} {ours / bare if bare else float('inf'):7.2f}")
    closes = startup_runs["voltarik"] + runs["voltarik"]
    close = max(run["close_ms"] for run in closes)
    exits = {run["exit"] for run in closes}
    print(f"{'close_ms (max)':16} {close:10.2f} {'':>10} {'':>7} {'50 ms':>7}"
          f"{'  MISSED' if close > 50 else ''}")
    print(f"exit codes after closing: {sorted(exits)}")
    threads = {name: sorted({run["threads"] for run in startup_runs[name]}) for name in startup_runs}
    extra_threads = max(threads["voltarik"]) > max(threads["bare"])
    print(f"threads a second after start-up: {labels['voltarik']} {threads['voltarik']}, "
          f"{labels['bare']} {threads['bare']}{'  MISSED' if extra_threads else ''}")
    return 1 if missed or extra_threads or close > 50 or exits != {0} else 0


if __name__ == "__main__":
    sys.exit(main())
