"""The Office applications as the harness knows them, a row each. What the
product knows of an application (its switch, which is the name scenarios,
steps and the journal give it, its button, caption and slot) is read from
the product's own table (tbo_applications, built from it); the harness adds
what its stand-in starts from. Scenarios, plays, checks and the window rows
read it; the stand-ins write their state back in the same shape."""

import collections
import json
import os
import subprocess

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__)))))
TOOL = os.environ.get("TBO_APPLICATIONS") or os.path.join(os.environ.get("TBO_BUILD", os.path.join(ROOT, "build")),
                                                           "native", "tbo_applications")

ANY = None
ADDIN = {k: ANY for k in ("name", "fullName", "installed", "loaded", "registered", "autoload")}
CONTROL = {k: ANY for k in ("type", "caption", "onAction", "faceId", "shortcutText", "beginGroup")}
CONTROL["controls"] = [CONTROL]
MENU_BAR = {"name": "Menu Bar", "menuBar": True, "visible": True, "controls": []}

# Each stand-in, by the application's switch:
# state: its starting state, each key taken from the scenario when it gives
#   one (the key is what a scenario may say of it too)
# schema: the form of the keys of state that hold lists of objects
# program: a program file in a folder the state names (Excel's EXCEL.EXE,
#   started by the press): (state key of the folder, file name), or None
StandIn = collections.namedtuple("StandIn", "state schema program")
STAND_INS = {
    "word": StandIn({"templates": [], "documents": []}, {}, None),
    "excel": StandIn({"startupPath": "C:\\users\\Public\\Application Data\\Microsoft\\Excel\\XLSTART",
                      "path": "C:\\Program Files\\Microsoft Office\\OFFICE11", "addins": [], "installedStaysTrue": 0,
                      "documents": []},
                     {"addins": [ADDIN]}, ("path", "EXCEL.EXE")),
    "powerpoint": StandIn({"addins": [], "commandBars": [MENU_BAR], "documents": []},
                          {"addins": [ADDIN], "commandBars": [{"name": ANY, "menuBar": ANY, "visible": ANY,
                                                               "controls": [CONTROL]}]},
                          None),
}

# name: the switch; button: its control; slot: its button's place from the top.
App = collections.namedtuple("App", "name button caption slot state schema program")


def product_table():
    """The product's rows, in the order presses run."""
    try:
        out = subprocess.run([TOOL], capture_output=True, text=True, check=True).stdout
    except (OSError, subprocess.CalledProcessError) as e:
        raise SystemExit("the application table could not be read from %s (scripts/test and scripts/run build it): %s"
                         % (TOOL, e))
    return json.loads(out)


def applications():
    rows = []
    for row in product_table():
        if row["switch"] not in STAND_INS:
            raise SystemExit("the harness has no stand-in for " + row["name"] + ": add one to STAND_INS")
        rows.append(App(row["switch"], row["control"], row["caption"], row["slot"], *STAND_INS[row["switch"]]))
    return tuple(rows)


APPS = applications()
BY_NAME = {a.name: a for a in APPS}
# The application buttons from the top down, as the window tabs them.
BUTTONS = tuple(a.button for a in sorted(APPS, key=lambda a: a.slot))


def config(scenario, app):
    """What the scenario says of the application, with its defaults: it is
    installed, not running, and a running one is on screen."""
    given = dict(scenario.get(app) or {})
    given.setdefault("installed", True)
    given.setdefault("running", False)
    given.setdefault("visible", given["running"])
    return given


def initial_state(app, given):
    """The stand-in's state file before the play."""
    state = {"installed": True, "visible": bool(given["visible"]), "running": False, "pids": []}
    for key, default in BY_NAME[app].state.items():
        value = given.get(key, default)
        state[key] = [dict(v) if isinstance(v, dict) else v for v in value] if isinstance(value, list) else value
    return state


def schema():
    """What a scenario may say of each application."""
    return {a.name: dict({"installed": ANY, "running": ANY, "visible": ANY},
                         **{k: a.schema.get(k, ANY) for k in a.state}) for a in APPS}
