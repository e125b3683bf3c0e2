"""The Office applications as the harness knows them, a row each: the name
scenarios, steps and the journal give it, the window's button for it, and
the state its stand-in starts from. Scenarios, plays, checks and the window
rows read it; the stand-ins write their state back in the same shape."""

import collections

ANY = None
ADDIN = {k: ANY for k in ("name", "fullName", "installed", "loaded", "registered", "autoload")}
CONTROL = {k: ANY for k in ("type", "caption", "onAction", "faceId", "shortcutText", "beginGroup")}
CONTROL["controls"] = [CONTROL]
MENU_BAR = {"name": "Menu Bar", "menuBar": True, "visible": True, "controls": []}

# name: the scenario's key, the press step, the journal's app
# button, caption, top: the window's button, its caption, its top in twips
# state: the stand-in's starting state, each key taken from the scenario
#   when it gives one (the key is what a scenario may say of it too)
# schema: the form of the keys of state that hold lists of objects
# program: a program file in a folder the state names (Excel's EXCEL.EXE,
#   started by the press): (state key of the folder, file name), or None
App = collections.namedtuple("App", "name button caption top state schema program")

APPS = (
    App("word", "cmdWORD", "Microsoft Word", 1560, {"templates": [], "documents": []}, {}, None),
    App("excel", "cmdEXCEL", "Microsoft Excel", 1080,
        {"startupPath": "C:\\users\\Public\\Application Data\\Microsoft\\Excel\\XLSTART",
         "path": "C:\\Program Files\\Microsoft Office\\OFFICE11", "addins": [], "installedStaysTrue": 0,
         "documents": []},
        {"addins": [ADDIN]}, ("path", "EXCEL.EXE")),
    App("powerpoint", "cmdPOINT", "Microsoft PowerPoint", 2040,
        {"addins": [], "commandBars": [MENU_BAR], "documents": []},
        {"addins": [ADDIN], "commandBars": [{"name": ANY, "menuBar": ANY, "visible": ANY, "controls": [CONTROL]}]},
        None),
)
BY_NAME = {a.name: a for a in APPS}
# The application buttons from the top down, as the window tabs them.
BUTTONS = tuple(a.button for a in sorted(APPS, key=lambda a: a.top))


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
