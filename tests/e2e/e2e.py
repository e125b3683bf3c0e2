#!/usr/bin/env python3
"""Plays every end-to-end case through scripts/e2e, four at a time, and
judges what each left behind. A case is a Row: its name, the scenario, the
steps, the expected outcome (data read by harness/check.py) and the
program's architecture.
    python3 tests/e2e/e2e.py [--repeat N] [NAME...]
--repeat plays each chosen row N times, to show that it never flakes.
Prints one line per case and a closing "N passed, N failed" line."""

import collections
import concurrent.futures
import json
import os
import re
import subprocess
import sys
import tempfile
import time
import traceback

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
BUILD = os.environ.get("TBO_BUILD", os.path.join(ROOT, "build"))
sys.path.insert(0, HERE)
from harness import apps  # noqa: E402
from harness.check import APP_BUTTONS, CHECKS, Outcome, control, judge  # noqa: E402,F401  (the tables use them)
from harness.scenario import unknown_keys  # noqa: E402
from harness.tally import Tally  # noqa: E402

Row = collections.namedtuple("Row", "name scenario steps expect arch", defaults=("x64",))


def arg(vt, value):
    return {"vt": vt, "value": value}


def bstr(value):
    return arg("BSTR", value)


def f(path, *attributes, content="old", **more):
    """A file the scenario lays out."""
    return dict({"path": path, "attributes": list(attributes), "content": content}, **more)


TRUE, FALSE = arg("BOOL", -1), arg("BOOL", 0)


def documented_keys():
    """The keys of the expected outcome that README.md's table lists."""
    with open(os.path.join(HERE, "README.md"), encoding="utf-8") as fh:
        text = fh.read()
    table = text[text.index("| key | checks |"):].split("\n\n")[0]
    return {key for line in table.splitlines()[2:] for key in re.findall(r"`(\w+)`", line.split("|")[1])}


def play(row, workdir):
    folder = os.path.join(workdir, row.name)
    os.makedirs(folder, exist_ok=True)
    path = os.path.join(folder, "scenario.json")
    with open(path, "w", encoding="utf-8") as fh:
        json.dump(row.scenario, fh, ensure_ascii=False)
    out = os.path.join(folder, "out")
    problems = ["unknown scenario key: " + key for key in unknown_keys(row.scenario)]
    started = time.monotonic()
    if not problems:
        env = dict(os.environ, TBO_E2E_NO_BUILD="1")
        env.pop("DISPLAY", None)
        args = row.scenario.get("args", [])
        command = ["bash", os.path.join(ROOT, "scripts", "e2e"), path, "--press", ",".join(row.steps), "--out", out,
                   "--arch", row.arch] + [a for line in ([args] if isinstance(args, str) else args)
                                          for a in ("--args", line)]
        with open(os.path.join(folder, "play.log"), "w") as log:
            status = subprocess.run(command, env=env, stdin=subprocess.DEVNULL, stdout=log, stderr=log).returncode
        problems = [] if status == 0 else ["the play failed with exit status %d: %s" % (
            status, " | ".join(open(os.path.join(folder, "play.log")).read().strip().splitlines()[-3:]))]
        try:
            problems += judge(Outcome(out), row.expect)
        except Exception:  # a broken output is a failed case, not a crashed run
            problems.append(traceback.format_exc())
    return row.name, out, problems, time.monotonic() - started


def rows():
    import check  # noqa: E402  (the tables import this module)
    import faults  # noqa: E402
    import installers  # noqa: E402
    import logon  # noqa: E402
    import unattended  # noqa: E402
    import window  # noqa: E402
    # Each application's full press, and the window's rows.
    played_as_x86 = [a.name + "_full" for a in apps.APPS] + ["window_start_state_and_keyboard",
                                                             "window_held_run_and_second_press"]
    # The same rows played with the 32-bit program, where scripts/test says
    # this machine runs it.
    x86 = [r._replace(name=r.name + "_x86", arch="x86") for r in installers.ROWS + window.ROWS
           if r.name in played_as_x86] \
        if os.environ.get("TBO_E2E_X86") == "1" else []
    # The longest first, so that the workers finish together.
    return faults.SLOW + logon.ROWS + check.ROWS + unattended.ROWS + installers.ROWS + window.ROWS + x86 + faults.ROWS


def main():
    undocumented = set(CHECKS) ^ documented_keys()
    if undocumented:
        print("tests/e2e/README.md and the checker differ on: " + ", ".join(sorted(undocumented)))
        return 1
    args = sys.argv[1:]
    repeat = int(args.pop(args.index("--repeat") + 1)) if "--repeat" in args else 1
    if "--repeat" in args:
        args.remove("--repeat")
    only = set(args)
    chosen = [r._replace(name=r.name + ("_%02d" % i if repeat > 1 else "")) for r in rows()
              if not only or r.name in only for i in range(repeat)]
    workdir = tempfile.mkdtemp(prefix="e2e-", dir=BUILD)
    print("== end to end: %d cases, outputs under %s" % (len(chosen), workdir), flush=True)
    tally = Tally()
    with concurrent.futures.ThreadPoolExecutor(max_workers=int(os.environ.get("TBO_E2E_WORKERS", "4"))) as pool:
        for name, out, problems, seconds in pool.map(lambda r: play(r, workdir), chosen):
            tally.case(name, problems, seconds, out)
    return tally.close()


if __name__ == "__main__":
    sys.exit(main())
