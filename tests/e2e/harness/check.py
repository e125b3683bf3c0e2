"""Judges what a play left behind against a row's expected outcome. The
expected outcome is data: each key names one check in CHECKS, and a key that
names none is a failure of its own, so a misspelt key never checks nothing."""

import json
import os
import re

from harness import apps
from harness.office_members import lacking

OK = "0x00000000"
APP_BUTTONS = apps.BUTTONS


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

    def log_lines(self, path):
        return self.files.get(path.lower(), {}).get("content", "").splitlines()


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


def window_ending(o, ending, eq):
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
        eq("window shown", (o.json("window.json") is not None, o.harness.get("windowShown")), (False, False))
    else:
        eq("a window ending this checker knows", ending, "idle")


def message_boxes(o, expected, eq):
    boxes = o.harness.get("messageBoxes", [])
    eq("message boxes", [(b["title"], b["text"][:len(start)]) for b, (_, start) in zip(boxes, expected)]
       + boxes[len(expected):], list(expected))


def log_patterns(o, expected, eq):
    for path, patterns in expected.items():
        for pattern in patterns:
            eq("a line of %s matching %r" % (path, pattern), any(re.search(pattern, l) for l in o.log_lines(path)),
               True)


def log_ends(o, expected, eq):
    for path, pattern in expected.items():
        eq("the last line of %s matching %r" % (path, pattern), bool(re.search(pattern, (o.log_lines(path) or [""])[-1])),
           True)


def log_lacks(o, expected, eq):
    for path, patterns in expected.items():
        lines = o.log_lines(path)
        eq("%s read back" % path, bool(lines), True)
        for pattern in patterns:
            eq("lines of %s matching %r" % (path, pattern), [l for l in lines if re.search(pattern, l)], [])


def responsive(o, expected, eq):
    # Watched while the busy Office turned every call away: a window that
    # does not pump answers only when the busy time is over, seconds later.
    watch = o.json("busy.json") or {}
    started = [i for i, l in enumerate(o.journal) if l.get("app") == "driver" and l.get("event") == "watch"]
    busy = [i for i, l in enumerate(o.journal) if l.get("event") == "busy"]
    eq("the watch began while Office still turned calls away", bool(started and busy and busy[-1] > started[0]), True)
    eq("window answering and painting while Office is busy",
       watch.get("longestAnswerMs", 10 ** 6) < 2000 and watch.get("painted", 0) > 0 and watch.get("unpainted") == 0,
       expected)


def runs(o, expected, eq):
    observed = o.harness.get("runs", [])
    eq("runs", [{k: run.get(k) for k in want} for run, want in zip(observed, expected)] + observed[len(expected):],
       list(expected))


def held(o, expected, eq):
    # Read while the call hangs (after the close, when one was sent).
    window = o.json("held.json")
    eq("status line while held", control(window, "lbStatus").get("caption"), expected)
    eq("buttons enabled while held", [control(window, n).get("enabled") for n in APP_BUTTONS + ("cmdCancel",)],
       [False, False, False, True])


def order(o, expected, eq):
    firsts = [o.journal.index(o.calls(s)[0]) if o.calls(s) else None for s in expected]
    eq("order of the first calls of " + ", ".join(expected), None not in firsts and firsts == sorted(firsts), True)


def each(check):
    """A check of a dict's entries, one at a time."""
    return lambda o, expected, eq: [check(o, key, value, eq) for key, value in expected.items()]


# Each key of an expected outcome, and what it checks; tests/e2e/README.md
# lists the same keys.
CHECKS = {
    "exitCode": lambda o, code, eq: eq("exit code of the program", o.harness.get("exitCode"), code),
    "window": window_ending,
    "messageBoxes": message_boxes,
    "log": log_patterns,
    "logEnds": log_ends,
    "logLacks": log_lacks,
    "responsive": responsive,
    "runs": runs,
    "alsoRun": lambda o, expected, eq: eq("the run started while the first was held",
                                          {k: (o.harness.get("alsoRun") or {}).get(k) for k in expected}, expected),
    "held": held,
    "present": lambda o, paths, eq: [eq(p + " present", o.exists(p), True) for p in paths],
    "absent": lambda o, paths, eq: [eq(p + " present", o.exists(p), False) for p in paths],
    "attributes": each(lambda o, p, a, eq: eq(p + " attributes", o.files.get(p.lower(), {}).get("attributes"), a)),
    "sizes": each(lambda o, p, n, eq: eq(p + " size", o.files.get(p.lower(), {}).get("size"), n)),
    "calls": each(lambda o, what, e, eq: eq("calls of " + what, [call_entry(l) for l in o.calls(what)], e)),
    "count": each(lambda o, what, n, eq: eq("number of calls of " + what, len(o.calls(what)), n)),
    "puts": each(lambda o, what, v, eq: eq("values put to " + what, put_values(o, what), v)),
    "events": each(lambda o, what, n, eq: eq("number of '%s' events" % what, len(o.events(what)), n)),
    "order": order,
    "launches": lambda o, expected, eq: eq(
        "programs started", [(l.get("image"), l["commandLine"], l.get("argv")) for l in o.events("excel.exe launch")],
        expected),
    "state": each(lambda o, dotted, value, eq: eq("state " + dotted, dig(o.state, dotted), value)),
    "more": lambda o, checks, eq: [check(o, eq) for check in checks],
}
# Checked for every row, with this value unless the row gives another.
DEFAULTS = {"exitCode": 0, "window": "idle"}


def judge(o, expect):
    """The problems found, one line each; none when the play is as expected."""
    problems = []

    def eq(what, observed, expected):
        if observed != expected:
            problems.append("%s: expected %r, observed %r" % (what, expected, observed))

    problems += ["unknown key in the expected outcome: %r" % key for key in expect if key not in CHECKS]
    # Office's names are English: every look-up and call in English (United States).
    eq("locales of the name look-ups and calls", {l["lcid"] for l in o.journal if "lcid" in l} - {1033}, set())
    # Every name the program looked up is one Office's object model has.
    eq("members Office lacks", lacking(o.journal), [])
    for key, check in CHECKS.items():
        if key in expect or key in DEFAULTS:
            check(o, expect.get(key, DEFAULTS.get(key)), eq)
    return problems
