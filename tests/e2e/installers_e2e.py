#!/usr/bin/env python3
"""End-to-end cases of the three installers: TBO_Setup.exe under Wine, the
stand-in Office, real files in the prefix."""

import sys

from e2e import FALSE, TRUE, arg, bstr, main, put_value

STARTUP = "C:\\Users\\An\\AppData\\Roaming\\Microsoft\\Excel\\XLSTART"
USER = "C:\\Users\\An\\AppData\\Roaming\\Microsoft"
PROGRAM = "C:\\Program Files\\Microsoft Office\\Office 11"


def f(path, *attributes, content="old"):
    return {"path": path, "attributes": list(attributes), "content": content}


# ---- Word

def check_word_full(o, c):
    for path, present in [("C:\\First\\tbadd.dot", True), ("C:\\Last\\tbadd.dot", False),
                          ("C:\\Caps\\TBADD.DOT", True), ("C:\\Tambrel\\tbadd.dot", False),
                          (USER + "\\Templates\\Normal.dot", False),
                          (USER + "\\Templates\\Normal.dot.backup-1", True)]:
        c.eq(path + " present", o.exists(path), present)
    backup = o.files.get((USER + "\\Templates\\Normal.dot.backup-1").lower(), {})
    c.eq("size of the global template's backup", backup.get("size"), len("my macros"))
    c.eq("Word's documents", o.state["word"]["documents"], ["C:\\TamBrel\\Tambrel_O21.dot"])
    c.eq("Word visible and running", (o.state["word"]["visible"], o.state["word"]["running"]), (True, True))
    opens = o.calls("word", "Open")
    c.eq("Open arguments", [(l["args"], l["named"]) for l in opens],
         [([], {"FileName": bstr("C:\\TamBrel\\Tambrel_O21.dot")})])
    c.eq("Visible put", [put_value(l) for l in o.calls("word", "Visible")], [TRUE])
    quits = o.calls("word", "Quit")
    c.eq("Word asked to quit once, before the installation", len(quits), 1)
    c.true("Quit comes before Open", quits and opens and o.journal.index(quits[0]) < o.journal.index(opens[0]))


def check_word_hidden_missing(o, c):
    c.true("the hidden old template stays", o.exists("C:\\Hidden\\tbadd.dot"))
    c.eq("documents opened", o.state["word"]["documents"], [])
    c.eq("Word visible", o.state["word"]["visible"], True)




def check_word_running(o, c):
    starts = o.events("word", "start")
    c.eq("Word processes", len(starts), 2)
    first = starts[0]["pid"] if starts else None
    c.eq("the scan ran in the Word that was already running",
         [l["pid"] for l in o.calls("word", "Templates")], [first])
    c.true("the running Word was quit", any(l["pid"] == first for l in o.events("word", "exit")))


WORD = [
    ("word_full", {
        "files": [f("C:\\First\\tbadd.dot"), f("C:\\Last\\tbadd.dot", "readonly"), f("C:\\Caps\\TBADD.DOT"),
                  f("C:\\Tambrel\\tbadd.dot", "readonly"), f("C:\\Tambrel\\Tambrel_O21.dot"),
                  f(USER + "\\Templates\\Normal.dot", content="my macros")],
        "word": {"templates": [USER + "\\Templates\\Normal.dot", "C:\\First\\tbadd.dot",
                               "C:\\Caps\\TBADD.DOT", "C:\\Last\\tbadd.dot"]},
    }, ["word"], check_word_full),
    ("word_hidden_template_and_no_current_template", {
        "files": [f("C:\\Hidden\\tbadd.dot", "hidden")],
        "folders": ["C:\\Tambrel"],
        "word": {"templates": ["C:\\Hidden\\tbadd.dot"]},
    }, ["word"], check_word_hidden_missing),
    ("word_already_running", {
        "files": [f("C:\\Tambrel\\Tambrel_O21.dot")],
        "word": {"running": True, "templates": []},
    }, ["word"], check_word_running),
]

# ---- Excel


def installed_puts(o):
    return [put_value(l)["value"] for l in o.calls("excel", "Installed") if l["flags"] == 4]


def launches(o):
    return [l["commandLine"] for l in o.journal if l.get("event") == "launch"]


def check_excel_full(o, c):
    for path, present in [(STARTUP + "\\tbadd.xla", False), (USER + "\\Excel\\tbadd.xls", False),
                          (USER + "\\Excel\\XLSTART\\keep.xla", True), ("C:\\Tambrel\\tbadd.xla", False)]:
        c.eq(path + " present", o.exists(path), present)
    c.eq("Add arguments", [(l["args"], l["named"]) for l in o.calls("excel", "Add")],
         [([bstr("C:\\Tambrel\\Tambrel_O21.xla")], {})])
    c.eq("Installed puts", installed_puts(o), [0, -1])
    c.eq("add-in lookups", {tuple(a["value"] for a in l["args"]) for l in o.calls("excel", "AddIns", "Application")},
         {(), ("Tambrel_O21",)})
    c.eq("command line of the new Excel", launches(o), [PROGRAM + "\\EXCEL.EXE  C:\\TamBrel\\Tambrel_O21.xla"])
    c.eq("Tambrel_O21 installed", [a["installed"] for a in o.state["excel"]["addins"] if a["name"] == "Tambrel_O21"], [True])
    c.eq("automation Excel left running", o.state["excel"]["running"], False)


def check_excel_case(o, c):
    c.true("the startup folder's tbadd.xla is gone", not o.exists("C:\\Users\\An\\Excel\\XLStart\\tbadd.xla"))
    # Found under the pattern, but deleted under the folder followed by the
    # found name, which names no file: it stays.
    c.true("XLStarttbadd.xls stays", o.exists("C:\\Users\\An\\Excel\\XLStarttbadd.xls"))
    c.true("the user folder's tbadd.xls stays", o.exists("C:\\Users\\An\\Excel\\tbadd.xls"))




def check_excel_installed(o, c):
    c.eq("Installed puts: one pass", installed_puts(o), [0, -1])


def check_excel_stays_true(o, c):
    c.eq("Installed puts: a pass per read-back of True", installed_puts(o), [0, 0, 0, 0, -1])




def check_excel_no_addin_file(o, c):
    c.eq("programs started", launches(o), [])
    c.eq("Installed puts", installed_puts(o), [0, -1])
    c.true("Excel was asked to quit", len(o.calls("excel", "Quit")) == 2)


def check_excel_add_rejected(o, c):
    c.eq("Installed puts reaching an add-in", [l for l in o.calls("excel", "Installed") if l["error"] == "0x00000000"], [])
    c.eq("add-ins listed", o.state["excel"]["addins"], [])
    c.true("Excel was asked to quit", len(o.calls("excel", "Quit")) == 2)


EXCEL_BASE = {"startupPath": STARTUP, "path": PROGRAM}
EXCEL = [
    ("excel_full", {
        "files": [f(STARTUP + "\\tbadd.xla", "readonly"), f(STARTUP + "\\keep.xla"),
                  f(USER + "\\Excel\\tbadd.xls", "readonly"), f("C:\\Tambrel\\tbadd.xla"),
                  f("C:\\Tambrel\\Tambrel_O21.xla")],
        "excel": EXCEL_BASE,
    }, ["excel"], check_excel_full),
    ("excel_startup_folder_in_other_case", {
        "files": [f("C:\\Users\\An\\Excel\\XLStart\\tbadd.xla"), f("C:\\Users\\An\\Excel\\XLStarttbadd.xls"),
                  f("C:\\Users\\An\\Excel\\tbadd.xls")],
        "excel": {"startupPath": "C:\\Users\\An\\Excel\\XLStart", "path": PROGRAM},
    }, ["excel"], check_excel_case),
    ("excel_add_in_already_installed", {
        "files": [f("C:\\Tambrel\\Tambrel_O21.xla")],
        "excel": dict(EXCEL_BASE, addins=[{"name": "Tambrel_O21", "fullName": "C:\\Tambrel\\Tambrel_O21.xla",
                                           "installed": True}]),
    }, ["excel"], check_excel_installed),
    ("excel_installed_reads_true_three_times", {
        "files": [f("C:\\Tambrel\\Tambrel_O21.xla")],
        "excel": dict(EXCEL_BASE, installedStaysTrue=3),
    }, ["excel"], check_excel_stays_true),
    ("excel_current_add_in_missing", {
        "folders": ["C:\\Tambrel"],
        "excel": dict(EXCEL_BASE, addins=[{"name": "Tambrel_O21", "fullName": "C:\\Tambrel\\Tambrel_O21.xla",
                                           "installed": False}]),
    }, ["excel"], check_excel_no_addin_file),
    ("excel_add_rejected", {
        "files": [f("C:\\Tambrel\\Tambrel_O21.xla")],
        "excel": EXCEL_BASE,
        "faults": [{"app": "excel", "member": "Add", "error": "0x800A03EC", "times": 1}],
    }, ["excel"], check_excel_add_rejected),
]

# ---- PowerPoint

STANDARD = [
    (False, "&Kiem tra chinh ta tieng Viet...", "RERured", 2566, ""),
    (False, "Chuyen chu hoa", "tbchangeCaseU", 252, "Alt+U"),
    (False, "Chuyen chu thuong", "tbchangeCaseL", 252, "Alt+L"),
    (True, "&Chuyen ma/font van ban... ", "tbConvert", 13, ""),
    (True, "Tambrel &Panel... ", "Tambrel", 2892, ""),
]
EXTRA = [(False, "Huong dan su dung", "TambrelHelp", 1589, ""),
         (False, "Dong &Gop y kien...", "tambrelweb", 1589, ""),
         (False, "http://www.tambrel.vn", "tambrelweb", 3021, "")]


def entries(controls):
    return [(bool(e.get("beginGroup")), e.get("caption", ""), e.get("onAction", ""), e.get("faceId", 0),
             e.get("shortcutText", "")) for e in controls]


def bar(o, name):
    found = [b for b in o.state["powerpoint"]["commandBars"] if b["name"] == name]
    return found


def menus(o):
    menu_bar = bar(o, "Menu Bar")
    return [e for e in (menu_bar[0]["controls"] if menu_bar else []) if e.get("caption") == "Tamb&rel Tools"]


def check_built(o, c):
    toolbars = bar(o, "Tambrel Tools")
    c.eq("toolbars named Tambrel Tools", len(toolbars), 1)
    if toolbars:
        c.eq("toolbar visible", toolbars[0].get("visible"), True)
        c.eq("toolbar entries", entries(toolbars[0]["controls"]), STANDARD)
    m = menus(o)
    c.eq("menus on Menu Bar", len(m), 1)
    if m:
        c.eq("menu kind and group", (m[0].get("type"), m[0].get("beginGroup")), (10, True))
        c.eq("menu entries", entries(m[0]["controls"]), STANDARD + EXTRA)


def check_powerpoint_full(o, c):
    check_built(o, c)
    ppt = o.state["powerpoint"]
    c.eq("PowerPoint visible", ppt["visible"], True)
    old = [(a["fullName"], a.get("loaded"), a.get("registered")) for a in ppt["addins"][:3]]
    c.eq("every listed add-in unloaded and unregistered", old,
         [(p, False, False) for p in ("C:\\x\\a.ppa", "C:\\Tambrel\\tbadd.ppa", "C:\\Other\\other.ppa")])
    c.eq("the current add-in added with automatic loading",
         [(a["fullName"], a.get("autoload")) for a in ppt["addins"][3:]], [("C:\\Tambrel\\Tambrel_O21.ppa", True)])
    unload = [(l["member"], put_value(l)) for l in o.calls("powerpoint", cls="AddIn")
              if l["member"] in ("Loaded", "Registered")]
    c.eq("add-ins unloaded then unregistered, in index order", unload, [("Loaded", FALSE), ("Registered", FALSE)] * 3)
    lookups = [l["args"] for l in o.calls("powerpoint", "AddIns", "Application") if l["args"]]
    c.eq("add-in lookups by 16-bit index", lookups,
         [[arg("I2", i)] for i in (1, 1, 2, 2, 3, 3)])
    adds = o.calls("powerpoint", "Add", "AddIns")
    c.eq("AddIns.Add", [l["args"] for l in adds], [[bstr("C:\\Tambrel\\Tambrel_O21.ppa")]])
    bar_adds = o.calls("powerpoint", "Add", "CommandBars")
    c.eq("CommandBars.Add", [l["args"] for l in bar_adds],
         [[bstr("Tambrel Tools"), arg("ERROR", "0x80020004"), FALSE]])
    c.true("the toolbar was built before the add-in was added",
           bar_adds and adds and o.journal.index(bar_adds[0]) < o.journal.index(adds[0]))
    menu_add = [l for l in o.calls("powerpoint", "Add", "CommandBarControls") if l["named"]]
    c.eq("menu added with only Type:=10", [(l["args"], l["named"]) for l in menu_add], [([], {"Type": arg("I2", 10)})])
    for name, present in [(USER + "\\PowerPoint\\PowerPoint.pcb", False),
                          (USER + "\\PowerPoint\\PowerPoint.pcb.backup-1", True),
                          (USER + "\\PowerPoint\\Other.PCB.backup-1", True),
                          (USER + "\\PowerPoint\\hidden.pcb", True),
                          (USER + "\\PowerPoint\\Notes.pcbx", True),
                          ("C:\\Tambrel\\tbadd.ppa", False)]:
        c.eq(name + " present", o.exists(name), present)
    c.eq("Excel quit", o.state["excel"]["running"], False)


def check_powerpoint_twice(o, c):
    check_built(o, c)


def check_powerpoint_old_bars(o, c):
    check_built(o, c)
    c.eq("bars", sorted(b["name"] for b in o.state["powerpoint"]["commandBars"]),
         ["Menu Bar", "Standard", "Tambrel Tools"])
    captions = [e.get("caption") for e in bar(o, "Menu Bar")[0]["controls"]]
    c.eq("Menu Bar entries", captions, ["&File", "Tamb&rel Tools"])


def check_powerpoint_face_rejected(o, c):
    m = menus(o)
    c.eq("menu entries", entries(m[0]["controls"]) if m else None,
         [(False, "&Kiem tra chinh ta tieng Viet...", "RERured", 0, "")] + EXTRA)
    c.eq("toolbar entries", entries(bar(o, "Tambrel Tools")[0]["controls"]), STANDARD)


def check_powerpoint_bar_kept(o, c):
    toolbars = bar(o, "Tambrel Tools")
    c.eq("the old toolbar stays, unfilled", [entries(t["controls"]) for t in toolbars], [[(False, "old", "", 0, "")]])
    m = menus(o)
    c.eq("menu built", entries(m[0]["controls"]) if m else None, STANDARD + EXTRA)


def check_powerpoint_other_case(o, c):
    c.true("command-bar files outside the rewritten folder stay",
           o.exists("C:\\Users\\An\\Office\\PowerPoint\\PowerPoint.pcb"))


def check_powerpoint_no_addins_no_file(o, c):
    c.eq("add-in puts", [l for l in o.calls("powerpoint", cls="AddIn")], [])
    c.eq("command bar calls", o.calls("powerpoint", "CommandBars"), [])
    c.eq("PowerPoint visible", o.state["powerpoint"]["visible"], True)
    c.eq("PowerPoint quit by the removal", len(o.calls("powerpoint", "Quit")), 1)




PPT_FILES = [f("C:\\Tambrel\\Tambrel_O21.ppa")]
POWERPOINT = [
    ("powerpoint_full", {
        "files": PPT_FILES + [f(USER + "\\PowerPoint\\PowerPoint.pcb"), f(USER + "\\PowerPoint\\Other.PCB", "readonly"),
                              f(USER + "\\PowerPoint\\hidden.pcb", "hidden"), f(USER + "\\PowerPoint\\Notes.pcbx"),
                              f("C:\\Tambrel\\tbadd.ppa", "readonly")],
        "excel": EXCEL_BASE,
        "powerpoint": {"addins": [{"fullName": p, "loaded": True, "registered": True, "autoload": True}
                                  for p in ("C:\\x\\a.ppa", "C:\\Tambrel\\tbadd.ppa", "C:\\Other\\other.ppa")]},
    }, ["powerpoint"], check_powerpoint_full),
    ("powerpoint_pressed_twice", {"files": PPT_FILES, "excel": EXCEL_BASE},
     ["powerpoint", "powerpoint"], check_powerpoint_twice),
    ("powerpoint_old_bars_and_entries", {
        "files": PPT_FILES, "excel": EXCEL_BASE,
        "powerpoint": {"commandBars": [
            {"name": "Menu Bar", "menuBar": True, "visible": True, "controls": [
                {"type": 10, "caption": "&File"}, {"type": 10, "caption": "TambrelO2.1"},
                {"type": 10, "caption": "Tambrel&OF"}]},
            {"name": "TambrelO2.1", "menuBar": False, "visible": True, "controls": []},
            {"name": "Standard", "menuBar": False, "visible": True, "controls": []},
            {"name": "TambrelOF", "menuBar": False, "visible": False, "controls": []}]},
    }, ["powerpoint"], check_powerpoint_old_bars),
    ("powerpoint_first_icon_rejected", {
        "files": PPT_FILES, "excel": EXCEL_BASE,
        "faults": [{"app": "powerpoint", "member": "FaceId", "error": "0x80070057", "times": 1}],
    }, ["powerpoint"], check_powerpoint_face_rejected),
    ("powerpoint_toolbar_that_cannot_be_deleted", {
        "files": PPT_FILES, "excel": EXCEL_BASE,
        "powerpoint": {"commandBars": [
            {"name": "Menu Bar", "menuBar": True, "visible": True, "controls": []},
            {"name": "Tambrel Tools", "menuBar": False, "visible": True, "controls": [{"type": 1, "caption": "old"}]}]},
        "faults": [{"app": "powerpoint", "member": "Delete", "error": "0x80004005", "times": 1}],
    }, ["powerpoint"], check_powerpoint_bar_kept),
    ("powerpoint_startup_folder_in_other_case", {
        "files": PPT_FILES + [f("C:\\Users\\An\\Office\\PowerPoint\\PowerPoint.pcb")],
        "excel": {"startupPath": "C:\\Users\\An\\Office\\Excel\\XLStart", "path": PROGRAM},
    }, ["powerpoint"], check_powerpoint_other_case),
    ("powerpoint_no_add_ins_and_no_current_add_in", {"folders": ["C:\\Tambrel"], "excel": EXCEL_BASE},
     ["powerpoint"], check_powerpoint_no_addins_no_file),
]

if __name__ == "__main__":
    sys.exit(main(WORD + EXCEL + POWERPOINT, "installers end to end"))
