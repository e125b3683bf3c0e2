#!/usr/bin/env python3
"""Plays a scenario inside the prefix that scripts/e2e prepared (WINEPREFIX,
DISPLAY, TBO_BUILD set) and writes the outputs tests/e2e/README.md lists."""

import argparse
import json
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
from harness import collect, scenario as scenarios  # noqa: E402
from harness.play import Play, driver_command  # noqa: E402
from harness.scenario import PROGRAM_TREES, Prefix  # noqa: E402

OUTPUTS = ("journal.jsonl", "state.json", "files.json", "window.json", "held.json", "window.png", "held.png",
           "final.json", "harness.json", "exit-code.txt")


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("scenario")
    parser.add_argument("--press", default="", help="comma-separated steps: word, excel, powerpoint, key:KEY, "
                        "click:CONTROL")
    parser.add_argument("--out", required=True)
    parser.add_argument("--args", action="append", help="the program's command line; a program that ends by "
                        "itself ends the play. Again for a further run in the same prefix, played in order")
    parser.add_argument("--arch", choices=sorted(PROGRAM_TREES), default="x64")
    parser.add_argument("--interactive", action="store_true", help="leave the window to a person")
    options = parser.parse_args()
    steps = [p.strip() for p in options.press.split(",") if p.strip()]
    try:
        [driver_command(step) for step in steps]
    except ValueError as e:
        parser.error(str(e))
    with open(options.scenario, encoding="utf-8") as f:
        scenario = json.load(f)
    unknown = scenarios.unknown_keys(scenario)
    if unknown:
        parser.error("unknown scenario key: " + ", ".join(unknown))
    out = os.path.abspath(options.out)
    os.makedirs(out, exist_ok=True)
    for leaf in OUTPUTS:
        if os.path.exists(os.path.join(out, leaf)):
            os.unlink(os.path.join(out, leaf))
    prefix = Prefix(os.environ["WINEPREFIX"], os.environ["TBO_BUILD"], options.arch)
    with open(os.path.join(out, "wine.log"), "w") as log:
        scenarios.lay_out(prefix, scenario)
        scenarios.set_up_office(prefix, scenario)
        holder = scenarios.lock_files(prefix, scenario, log)
        play = Play(prefix, scenario, out, log)
        status, runs = 0, []
        for i, args in enumerate(options.args or [None]):
            journal_from = len(prefix.journal())
            last = i == len(options.args or [None]) - 1
            status |= play.run(args, steps if last else [], options.interactive)
            collect.launches_ended(prefix, scenario)
            play.facts["registry"] = play.registry()
            collect.write_json(os.path.join(out, "state-%d.json" % (i + 1)),
                               collect.state(prefix, scenario, play.facts["registry"]))
            runs.append({"args": args, "journalFrom": journal_from, "journalTo": len(prefix.journal()),
                         **{k: play.facts.get(k) for k in ("exitCode", "messageBoxes", "windowShown", "stdout")}})
        play.facts["runs"] = runs
        scenarios.unlock_files(prefix, holder)
    collect.write(prefix, scenario, out, play.facts)
    return status


if __name__ == "__main__":
    sys.exit(main())
