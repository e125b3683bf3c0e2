"""Plays scenarios through scripts/e2e, two at a time, and judges their
outputs. A case is a scenario, the buttons to press and a check that
returns what it found wrong. Prints one line per case and a closing
"N passed, N failed" line; the exit status tells whether all passed."""

import concurrent.futures
import json
import os
import subprocess
import sys
import tempfile
import traceback

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))


class Outcome:
    """What one play left behind, read back from its output folder."""

    def __init__(self, out, status):
        self.out, self.status = out, status
        self.journal = [json.loads(l) for l in self._text("journal.jsonl").splitlines() if l.strip()]
        self.state = self._json("state.json") or {}
        self.files = {f["path"].lower(): f for f in self._json("files.json") or []}
        self.window = self._json("window.json")
        self.held = self._json("held.json")

    def _text(self, leaf):
        try:
            with open(os.path.join(self.out, leaf), encoding="utf-8") as f:
                return f.read()
        except FileNotFoundError:
            return ""

    def _json(self, leaf):
        text = self._text(leaf)
        return json.loads(text) if text.strip() else None

    def calls(self, app=None, member=None, cls=None):
        return [l for l in self.journal if l.get("event") == "call"
                and (app is None or l.get("app") == app)
                and (member is None or l.get("member") == member)
                and (cls is None or l.get("class") == cls)]

    def events(self, app, event):
        return [l for l in self.journal if l.get("app") == app and l.get("event") == event]

    def exists(self, path):
        return path.lower() in self.files


def put_value(line):
    """The value a property put passed (the named DISPID_PROPERTYPUT)."""
    return line["named"].get("DISPID_PROPERTYPUT")


def arg(vt, value):
    return {"vt": vt, "value": value}


def bstr(value):
    return arg("BSTR", value)


TRUE, FALSE = arg("BOOL", -1), arg("BOOL", 0)


class Checks:
    """Collects what a check finds wrong, with readable messages."""

    def __init__(self):
        self.problems = []

    def eq(self, what, observed, expected):
        if observed != expected:
            self.problems.append("%s: expected %r, observed %r" % (what, expected, observed))

    def true(self, what, condition):
        if not condition:
            self.problems.append(what)


def play(case, workdir):
    name, scenario, press, check = case
    folder = os.path.join(workdir, name)
    os.makedirs(folder, exist_ok=True)
    path = os.path.join(folder, "scenario.json")
    with open(path, "w", encoding="utf-8") as f:
        json.dump(scenario, f, ensure_ascii=False)
    out = os.path.join(folder, "out")
    env = dict(os.environ, TBO_E2E_NO_BUILD="1")
    env.pop("DISPLAY", None)
    status = subprocess.run(["bash", os.path.join(ROOT, "scripts", "e2e"), path, "--press", ",".join(press),
                             "--out", out], env=env, stdin=subprocess.DEVNULL,
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL).returncode
    c = Checks()
    try:
        outcome = Outcome(out, status)
        c.eq("exit status of the play", status, 0)
        check(outcome, c)
    except Exception:  # a broken output is a failed case, not a crashed run
        c.problems.append(traceback.format_exc())
    return name, out, c.problems


def main(cases, title):
    only = set(sys.argv[1:])
    chosen = [c for c in cases if not only or c[0] in only]
    workdir = tempfile.mkdtemp(prefix="e2e-", dir=os.path.join(ROOT, "build"))
    passed = failed = 0
    print("== %s: %d scenarios, outputs under %s" % (title, len(chosen), workdir), flush=True)
    with concurrent.futures.ThreadPoolExecutor(max_workers=2) as pool:
        for name, out, problems in pool.map(lambda c: play(c, workdir), chosen):
            if problems:
                failed += 1
                print("FAIL %s (%s)" % (name, out))
                for p in problems:
                    print("    " + p)
            else:
                passed += 1
                print("ok   %s" % name)
            sys.stdout.flush()
    print("%d passed, %d failed" % (passed, failed))
    return 0 if failed == 0 else 1
