#!/usr/bin/env python3
"""Plays every end-to-end case through scripts/e2e, two at a time, and
judges what each left behind. A case is a row: (name, scenario, steps,
expected), the expected outcome as data read by judge() below.
    python3 tests/e2e/e2e.py [NAME...]
Prints one line per case and a closing "N passed, N failed" line."""

import concurrent.futures
import json
import os
import re
import subprocess
import sys
import tempfile
import time
import traceback

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
BUILD = os.environ.get("TBO_BUILD", os.path.join(ROOT, "build"))
OK = "0x00000000"


def arg(vt, value):
    return {"vt": vt, "value": value}


def bstr(value):
    return arg("BSTR", value)


def f(path, *attributes, content="old", **more):
    """A file the scenario lays out."""
    return dict({"path": path, "attributes": list(attributes), "content": content}, **more)


TRUE, FALSE = arg("BOOL", -1), arg("BOOL", 0)
APP_BUTTONS = ("cmdEXCEL", "cmdWORD", "cmdPOINT")


class Outcome:
    """What one play left behind, read back from its output folder."""

    def __init__(self, out):
        self.out = out
        self.journal = [json.loads(l) for l in self.text("journal.jsonl").splitlines() if l.strip()]
        self.state = self.json("state.json") or {}
        self.files = {e["path"].lower(): e for e in self.json("files.json") or []}
        self.harness = self.json("harness.json") or {}

    def text(self, leaf):
        try:
            with open(os.path.join(self.out, leaf), encoding="utf-8") as fh:
                return fh.read()
        except FileNotFoundError:
            return ""

    def json(self, leaf):
        text = self.text(leaf)
        return json.loads(text) if text.strip() else None

    def calls(self, what):
        """Calls named "app [Class.]Member", with " ok" for the successful ones."""
        app, _, rest = what.partition(" ")
        rest, _, only_ok = rest.partition(" ")
        cls, _, member = rest.rpartition(".")
        return [l for l in self.journal if l.get("event") == "call" and l.get("app") == app
                and (not member or l.get("member") == member) and (not cls or l.get("class") == cls)
                and (not only_ok or l.get("error") == OK)]

    def events(self, what):
        app, _, event = what.partition(" ")
        return [l for l in self.journal if l.get("app") == app and l.get("event") == event]

    def exists(self, path):
        return path.lower() in self.files


def control(window, name):
    return next((c for c in (window or {}).get("controls", []) if c["name"] == name), {})


def idle(window):
    return (window is not None and control(window, "lbStatus").get("caption") == ""
            and all(control(window, n).get("enabled") for n in APP_BUTTONS + ("cmdCancel",)))


def dig(state, dotted):
    for key in dotted.split("."):
        state = state.get(key) if isinstance(state, dict) else None
    return state


def call_entry(line):
    """A journalled call as rows spell it: its arguments, with the named
    ones (other than a put's value) after them in a dict when there are any."""
    named = {k: v for k, v in line["named"].items() if k != "DISPID_PROPERTYPUT"}
    return line["args"] + ([named] if named else [])


def put_values(o, what):
    return [l["named"]["DISPID_PROPERTYPUT"] for l in o.calls(what) if l["flags"] == 4]


def last_call_index(o):
    return max((i for i, l in enumerate(o.journal) if l.get("event") == "call"), default=-1)


def judge(o, expect, problems):
    """Compares a play's outcome with a row's expected outcome."""
    def eq(what, observed, expected):
        if observed != expected:
            problems.append("%s: expected %r, observed %r" % (what, expected, observed))

    eq("exit code of the program", o.harness.get("exitCode"), expect.get("exitCode", 0))
    # Office's names are English: every look-up and call in English (United States).
    eq("locales of the name look-ups and calls", {l["lcid"] for l in o.journal if "lcid" in l} - {1033}, set())
    ending = expect.get("window", "idle")
    if ending == "idle":
        eq("window Idle after the steps", idle(o.json("final.json")), True)
    elif ending == "closed after the run":
        # A close during the run leaves the window up until the run's last
        # call is done.
        gone = [i for i, l in enumerate(o.journal) if l.get("event") == "windowGone"]
        eq("window gone after the run's last call", bool(gone) and gone[0] > last_call_index(o), True)
    elif ending == "exited":
        eq("window gone", o.json("final.json"), None)
    elif ending == "never shown":
        eq("window shown", o.json("window.json") is not None, False)
    for i, (title, start) in enumerate(expect.get("messageBoxes", [])):
        boxes = o.harness.get("messageBoxes", [])
        eq("message box %d" % (i + 1), [(b["title"], b["text"][:len(start)]) for b in boxes[i:i + 1]], [(title, start)])
    if "messageBoxes" in expect:
        eq("message boxes", len(o.harness.get("messageBoxes", [])), len(expect["messageBoxes"]))
    for path, patterns in expect.get("log", {}).items():
        lines = o.files.get(path.lower(), {}).get("content", "").splitlines()
        for pattern in patterns:
            eq("a line of %s matching %r" % (path, pattern), any(re.search(pattern, l) for l in lines), True)
    if "held" in expect:
        # Read while the call hangs (after the close, when one was sent).
        held = o.json("held.json")
        eq("status line while held", control(held, "lbStatus").get("caption"), expect["held"])
        eq("buttons enabled while held", [control(held, n).get("enabled") for n in APP_BUTTONS + ("cmdCancel",)],
           [False, False, False, True])
    for path in expect.get("present", []):
        eq(path + " present", o.exists(path), True)
    for path in expect.get("absent", []):
        eq(path + " present", o.exists(path), False)
    for path, attributes in expect.get("attributes", {}).items():
        eq(path + " attributes", o.files.get(path.lower(), {}).get("attributes"), attributes)
    for path, size in expect.get("sizes", {}).items():
        eq(path + " size", o.files.get(path.lower(), {}).get("size"), size)
    for what, entries in expect.get("calls", {}).items():
        eq("calls of " + what, [call_entry(l) for l in o.calls(what)], entries)
    for what, n in expect.get("count", {}).items():
        eq("number of calls of " + what, len(o.calls(what)), n)
    for what, values in expect.get("puts", {}).items():
        eq("values put to " + what, put_values(o, what), values)
    for what, n in expect.get("events", {}).items():
        eq("number of '%s' events" % what, len(o.events(what)), n)
    order = expect.get("order", [])
    firsts = [o.journal.index(o.calls(s)[0]) if o.calls(s) else None for s in order]
    eq("order of the first calls of " + ", ".join(order), None not in firsts and firsts == sorted(firsts), True)
    if "launches" in expect:
        eq("programs started", [(l.get("image"), l["commandLine"], l.get("argv"))
                                for l in o.events("excel.exe launch")],
           expect["launches"])
    for dotted, value in expect.get("state", {}).items():
        eq("state " + dotted, dig(o.state, dotted), value)
    for check in expect.get("more", []):
        check(o, eq)


def play(row, workdir):
    name, scenario, steps, expect = row[:4]
    arch = row[4] if len(row) > 4 else "x64"
    folder = os.path.join(workdir, name)
    os.makedirs(folder, exist_ok=True)
    path = os.path.join(folder, "scenario.json")
    with open(path, "w", encoding="utf-8") as fh:
        json.dump(scenario, fh, ensure_ascii=False)
    out = os.path.join(folder, "out")
    env = dict(os.environ, TBO_E2E_NO_BUILD="1")
    env.pop("DISPLAY", None)
    started = time.monotonic()
    command = ["bash", os.path.join(ROOT, "scripts", "e2e"), path, "--press", ",".join(steps), "--out", out,
               "--arch", arch]
    if "args" in scenario:
        command += ["--args", scenario["args"]]
    status = subprocess.run(command, env=env, stdin=subprocess.DEVNULL,
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL).returncode
    problems = [] if status == 0 else ["the play failed with exit status %d" % status]
    try:
        judge(Outcome(out), expect, problems)
    except Exception:  # a broken output is a failed case, not a crashed run
        problems.append(traceback.format_exc())
    return name, out, problems, time.monotonic() - started


def on_x86(rows):
    """The same rows played with the 32-bit program."""
    return [(name + "_x86", scenario, steps, expect, "x86") for name, scenario, steps, expect in rows]


def rows():
    sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
    import faults  # noqa: E402  (the tables import this module)
    import installers  # noqa: E402
    import unattended  # noqa: E402
    import window  # noqa: E402
    # The longest first, so that the two workers finish together.
    full_presses = [r for r in installers.ROWS if r[0] in ("word_full", "excel_full", "powerpoint_full")]
    # scripts/test says whether this machine runs the 32-bit program.
    x86 = on_x86(full_presses + window.ROWS) if os.environ.get("TBO_E2E_X86") == "1" else []
    return faults.SLOW + installers.ROWS + window.ROWS + x86 + faults.ROWS + unattended.ROWS


def main():
    only = set(sys.argv[1:])
    chosen = [r for r in rows() if not only or r[0] in only]
    workdir = tempfile.mkdtemp(prefix="e2e-", dir=BUILD)
    print("== end to end: %d cases, outputs under %s" % (len(chosen), workdir), flush=True)
    passed = failed = 0
    with concurrent.futures.ThreadPoolExecutor(max_workers=int(os.environ.get("TBO_E2E_WORKERS", "3"))) as pool:
        for name, out, problems, seconds in pool.map(lambda r: play(r, workdir), chosen):
            print("%s %s (%.1f s)" % ("FAIL" if problems else "ok  ", name, seconds))
            for p in problems:
                print("    " + p.rstrip().replace("\n", "\n    "))
            if problems:
                print("    outputs: " + out)
            passed, failed = passed + (not problems), failed + bool(problems)
            sys.stdout.flush()
    print("%d passed, %d failed" % (passed, failed))
    return 0 if failed == 0 else 1


if __name__ == "__main__":
    sys.exit(main())
