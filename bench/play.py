"""Plays a scenario through scripts/e2e for a benchmark, sampling the CPU
time of named processes meanwhile. Shared by the benchmarks in bench/."""

import json
import os
import subprocess
import tempfile
import threading
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
TICK = os.sysconf("SC_CLK_TCK")


def cpu_seconds(names):
    """CPU time so far of the processes whose command name is in names."""
    total = 0
    for pid in filter(str.isdigit, os.listdir("/proc")):
        try:
            with open("/proc/%s/comm" % pid) as f:
                if f.read().strip() not in names:
                    continue
            with open("/proc/%s/stat" % pid) as f:
                fields = f.read().rsplit(")", 1)[1].split()
            total += int(fields[11]) + int(fields[12])
        except OSError:
            continue
    return total / TICK


def play(scenario, steps=(), args=None, watch=()):
    """Plays the scenario; returns the output folder and, for each name in
    watch, the most CPU seconds a process of that name was seen to use."""
    work = tempfile.mkdtemp(prefix="bench-", dir=os.path.join(ROOT, "build"))
    path = os.path.join(work, "scenario.json")
    with open(path, "w", encoding="utf-8") as f:
        json.dump(scenario, f)
    out = os.path.join(work, "out")
    command = ["bash", os.path.join(ROOT, "scripts", "e2e"), path, "--press", ",".join(steps), "--out", out]
    if args is not None:
        command += ["--args", args]
    used = {name: 0.0 for name in watch}
    done = threading.Event()

    def sample():
        while not done.wait(0.2):
            for name in watch:
                used[name] = max(used[name], cpu_seconds({name}))
    sampler = threading.Thread(target=sample)
    sampler.start()
    try:
        subprocess.run(command, check=True, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL)
    finally:
        done.set()
        sampler.join()
    return out, used


def log_lines(out, path):
    with open(os.path.join(out, "files.json"), encoding="utf-8") as f:
        entry = next((e for e in json.load(f) if e["path"].lower() == path.lower()), {})
    return entry.get("content", "").splitlines()
