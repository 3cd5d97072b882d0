#!/usr/bin/env python3
"""Many projectors at once: `orva-control --metrics --all` against N = 1, 10, 100 simulated
projectors of one `orva-projector-sim --listen --count N`, start to exit and peak memory (the
process's maximum resident set), beside a shell loop of N single `--send status` runs in the
same run. Prints result rows as CSV (the columns run.sh names); asserts nothing.

usage: fleet.py ORVA_CONTROL ORVA_PROJECTOR_SIM [SAMPLES]"""
import os, statistics, subprocess, sys, tempfile, time

control, sim = sys.argv[1], sys.argv[2]
samples = int(sys.argv[3]) if len(sys.argv) > 3 else 3


def run(argv, env):
    """Wall time in ms and peak resident memory in MiB of one run of argv."""
    start = time.monotonic()
    pid = os.posix_spawn(argv[0], argv, env, file_actions=[
        (os.POSIX_SPAWN_OPEN, 1, os.devnull, os.O_WRONLY, 0),
        (os.POSIX_SPAWN_OPEN, 2, os.devnull, os.O_WRONLY, 0)])
    _, _, usage = os.wait4(pid, 0)
    return (time.monotonic() - start) * 1000, usage.ru_maxrss / 1024


def figures(values):
    values = sorted(values)
    return [len(values), statistics.median(values),
            values[min(len(values) - 1, int(len(values) * 0.99))], values[-1]]


def row(figure, unit, measured, baseline="-", base=None, goal="-", limit=None):
    cells = [figure, "-", unit] + figures(measured)
    if base:
        ratio = statistics.median(measured) / statistics.median(base)
        cells += [baseline] + figures(base) + [ratio]
    else:
        cells += ["-"] * 6
    met = "-" if limit is None else ("yes" if ratio <= limit else "no")
    shown = [f"{c:.4g}" if isinstance(c, float) else str(c) for c in cells]
    print(",".join(shown + [goal, met]), flush=True)


with tempfile.TemporaryDirectory() as work:
    env = dict(os.environ, XDG_CONFIG_HOME=work, XDG_RUNTIME_DIR=work)
    env.pop("DISPLAY", None)
    os.makedirs(f"{work}/orva-control")
    polls = {}
    for count in (1, 10, 100):
        server = subprocess.Popen([sim, "--listen", "127.0.0.1:0", "--count", str(count)],
                                  stdout=subprocess.PIPE, text=True)
        addresses = [server.stdout.readline().strip() for _ in range(count)]
        with open(f"{work}/orva-control/orva-control.conf", "w") as settings:
            settings.write("[projectors]\n" + "".join(
                f"p{i:03}={address}\n" for i, address in enumerate(addresses)))
        # Taken in turns, so that the load of the moment falls on both alike.
        poll, loop = [], []
        for _ in range(samples):
            poll.append(run([control, "--metrics", "--all"], env))
            loop.append(run(["/bin/sh", "-c", 'for a; do "$0" --send status --com1 "$a"; done',
                             control] + addresses, env))
        server.terminate()
        server.wait()
        polls[count] = poll
        times = [t for t, _ in poll]
        memory = [m for _, m in poll]
        one = polls[1]
        goal = count > 1
        row(f"--metrics --all of {count} simulated projectors: start to exit", "ms", times,
            "--metrics --all of 1", [t for t, _ in one], "median <= 1.5x baseline" if goal else "-",
            1.5 if goal else None)
        row(f"--metrics --all of {count} simulated projectors: peak memory", "MiB", memory,
            "--metrics --all of 1", [m for _, m in one], "< 2x baseline" if goal else "-",
            2 if goal else None)
        row(f"{count} single --send status runs in a shell loop: start to exit", "ms",
            [t for t, _ in loop], f"--metrics --all of {count}", times)
