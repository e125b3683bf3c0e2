"""The three installers end to end, one row per play: TBO_Setup.exe under
Wine, the stand-in Office, real files in the prefix. Each full press also
meets a busy Office, so the calls below are the ones that went through
after the client asked again."""

from e2e import FALSE, TRUE, Row, arg, bstr, f

USER = "C:\\Users\\An\\AppData\\Roaming\\Microsoft"
STARTUP = USER + "\\Excel\\XLSTART"
PROGRAM = "C:\\Program Files\\Microsoft Office\\Office 11"
EXCEL_BASE = {"startupPath": STARTUP, "path": PROGRAM}
# The program's path quoted (Office folders have blanks), so Windows' own
# splitting gives Excel exactly two words.
EXCEL_LAUNCH = (PROGRAM + "\\EXCEL.EXE", '"%s\\EXCEL.EXE"  C:\\TamBrel\\Tambrel_O21.xla' % PROGRAM,
                [PROGRAM + "\\EXCEL.EXE", "C:\\TamBrel\\Tambrel_O21.xla"])
ADDIN = bstr("Tambrel_O21")


def busy(app):
    return [{"app": app, "calls": 5}]


# ---- Word

WORD = [
    Row("word_full", {
        "files": [f("C:\\First\\tbadd.dot"), f("C:\\Last\\tbadd.dot", "readonly"), f("C:\\Caps\\TBADD.DOT"),
                  f("C:\\Tambrel\\tbadd.dot", "readonly"), f("C:\\Tambrel\\Tambrel_O21.dot"),
                  f(USER + "\\Templates\\Normal.dot", content="my macros")],
        "word": {"templates": [USER + "\\Templates\\Normal.dot", "C:\\First\\tbadd.dot",
                               "C:\\Caps\\TBADD.DOT", "C:\\Last\\tbadd.dot"]},
        "busy": busy("word"),
    }, ["word"], {
        # The scan keeps the last match, and matches letter case exactly.
        "present": ["C:\\First\\tbadd.dot", "C:\\Caps\\TBADD.DOT", USER + "\\Templates\\Normal.dot.backup-1"],
        "absent": ["C:\\Last\\tbadd.dot", "C:\\Tambrel\\tbadd.dot"],
        # The user's global template set aside; Word made a fresh one.
        "sizes": {USER + "\\Templates\\Normal.dot.backup-1": len("my macros"),
                  USER + "\\Templates\\Normal.dot": len("fresh")},
        "calls": {"word Open": [[{"FileName": bstr("C:\\TamBrel\\Tambrel_O21.dot")}]]},
        "puts": {"word Visible": [TRUE]},
        "count": {"word Quit": 1},
        "order": ["word Templates", "word Quit", "word Open", "word Visible"],
        "events": {"word busy": 5},
        "state": {"word.documents": ["C:\\TamBrel\\Tambrel_O21.dot"], "word.visible": True, "word.running": True},
    }),
    # Each press sets aside the global template Word made afresh since; a
    # person's presses neither read nor write the user's record.
    Row("word_pressed_twice", {
        "files": [f("C:\\Tambrel\\Tambrel_O21.dot"), f(USER + "\\Templates\\Normal.dot", content="mine")],
        "word": {"templates": [USER + "\\Templates\\Normal.dot"]},
    }, ["word", "word"], {
        "sizes": {USER + "\\Templates\\Normal.dot.backup-1": len("mine"),
                  USER + "\\Templates\\Normal.dot.backup-2": len("fresh"),
                  USER + "\\Templates\\Normal.dot": len("fresh")},
        "more": [lambda o, eq: eq("the user's record", o.state["registry"]["HKCU\\Software\\Tambrel\\TBO Setup"], None)],
    }),
    # The running Word is busy when the press reaches it: still the one used.
    Row("word_already_running_hidden_template_no_current", {
        "files": [f("C:\\Hidden\\tbadd.dot", "hidden")],
        "folders": ["C:\\Tambrel"],
        "word": {"running": True, "templates": ["C:\\Hidden\\tbadd.dot"]},
        "busy": busy("word"),
    }, ["word"], {
        "present": ["C:\\Hidden\\tbadd.dot"],
        "count": {"word Open": 0},
        "events": {"word start": 2, "word exit": 1},
        "state": {"word.documents": [], "word.visible": True},
        "more": [lambda o, eq: eq("the scan ran in the Word that was already running",
                                  {l["pid"] for l in o.calls("word Templates")},
                                  {o.events("word start")[0]["pid"], o.events("word exit")[0]["pid"]})],
    }),
]

# ---- Excel


def excel_addin_installed(o, eq):
    eq("Tambrel_O21 installed", [a["installed"] for a in o.state["excel"]["addins"] if a["name"] == "Tambrel_O21"],
       [True])


EXCEL = [
    Row("excel_full", {
        "files": [f(STARTUP + "\\tbadd.xla", "readonly"), f(STARTUP + "\\keep.xla"),
                  f(USER + "\\Excel\\tbadd.xls", "readonly"), f("C:\\Tambrel\\tbadd.xla"),
                  f("C:\\Tambrel\\Tambrel_O21.xla"),
                  # Planted where an unquoted program path would start them.
                  f("C:\\Program.exe", copyOf="excel_launch.exe"),
                  f("C:\\Program Files\\Microsoft.exe", copyOf="excel_launch.exe")],
        "excel": EXCEL_BASE,
        "busy": busy("excel"),
        # Excel's own busy answer ("Excel is busy"), to any call.
        "faults": [{"app": "excel", "error": "0x800AC472", "times": 3}],
    }, ["excel"], {
        "present": [STARTUP + "\\keep.xla"],
        "absent": [STARTUP + "\\tbadd.xla", USER + "\\Excel\\tbadd.xls", "C:\\Tambrel\\tbadd.xla"],
        "calls": {"excel AddIns.Add": [[bstr("C:\\Tambrel\\Tambrel_O21.xla")]],
                  "excel Application.AddIns": [[], [ADDIN], [ADDIN], [ADDIN]]},
        "puts": {"excel Installed": [FALSE, TRUE]},
        "order": ["excel StartupPath", "excel Quit", "excel AddIns.Add", "excel Path"],
        "count": {"excel Quit": 2},
        "events": {"excel busy": 5},
        "launches": [EXCEL_LAUNCH],
        "state": {"excel.running": False},
        "more": [excel_addin_installed],
    }),
    Row("excel_startup_folder_in_other_case_and_no_current_add_in", {
        "files": [f("C:\\Users\\An\\Excel\\XLStart\\tbadd.xla"), f("C:\\Users\\An\\Excel\\XLStarttbadd.xls"),
                  f("C:\\Users\\An\\Excel\\tbadd.xls")],
        "folders": ["C:\\Tambrel"],
        "excel": {"startupPath": "C:\\Users\\An\\Excel\\XLStart", "path": PROGRAM,
                  "addins": [{"name": "Tambrel_O21", "fullName": "C:\\Tambrel\\Tambrel_O21.xla", "installed": False}]},
    }, ["excel"], {
        # "XLStart" is not "XLSTART": the folder is not rewritten, and the
        # found "XLStarttbadd.xls" is deleted under a name that is no file.
        "absent": ["C:\\Users\\An\\Excel\\XLStart\\tbadd.xla"],
        "present": ["C:\\Users\\An\\Excel\\XLStarttbadd.xls", "C:\\Users\\An\\Excel\\tbadd.xls"],
        "puts": {"excel Installed": [FALSE, TRUE]},
        "count": {"excel Quit": 2},
        "launches": [],
    }),
    Row("excel_add_rejected", {
        "files": [f("C:\\Tambrel\\Tambrel_O21.xla")],
        "excel": EXCEL_BASE,
        "faults": [{"app": "excel", "member": "Add", "error": "0x800A03EC", "times": 1}],
    }, ["excel"], {
        "count": {"excel Installed ok": 0, "excel Quit": 2},
        "launches": [EXCEL_LAUNCH],
        "state": {"excel.addins": []},
    }),
]

# ---- PowerPoint

STANDARD = [
    [False, "&Kiem tra chinh ta tieng Viet...", "RERured", 2566, ""],
    [False, "Chuyen chu hoa", "tbchangeCaseU", 252, "Alt+U"],
    [False, "Chuyen chu thuong", "tbchangeCaseL", 252, "Alt+L"],
    [True, "&Chuyen ma/font van ban... ", "tbConvert", 13, ""],
    [True, "Tambrel &Panel... ", "Tambrel", 2892, ""],
]
EXTRA = [[False, "Huong dan su dung", "TambrelHelp", 1589, ""],
         [False, "Dong &Gop y kien...", "tambrelweb", 1589, ""],
         [False, "http://www.tambrel.vn", "tambrelweb", 3021, ""]]


def bars(o, name):
    return [b for b in o.state["powerpoint"]["commandBars"] if b["name"] == name]


def menus(o):
    menu_bar = bars(o, "Menu Bar")
    return [e for e in (menu_bar[0]["controls"] if menu_bar else []) if e.get("caption") == "Tamb&rel Tools"]


def entries(controls):
    return [[bool(e.get("beginGroup")), e.get("caption", ""), e.get("onAction", ""), e.get("faceId", 0),
             e.get("shortcutText", "")] for e in controls]


def built(toolbar=STANDARD, menu=STANDARD + EXTRA):
    """One toolbar and one menu with these entries (None: no toolbar)."""
    def check(o, eq):
        eq("toolbars", [(t.get("visible"), entries(t["controls"])) for t in bars(o, "Tambrel Tools")],
           [] if toolbar is None else [(True, toolbar)])
        eq("menus", [(m.get("type"), m.get("beginGroup"), entries(m["controls"])) for m in menus(o)],
           [(10, True, menu)])
    return check


def addins(o):
    """Each add-in as (path, loaded, registered), or (path, autoload) for ours."""
    return [(a["fullName"], a.get("autoload")) if a["fullName"].endswith("Tambrel_O21.ppa")
            else (a["fullName"], a.get("loaded"), a.get("registered")) for a in o.state["powerpoint"]["addins"]]


OLD_ADDINS = ("C:\\x\\a.ppa", "C:\\Tambrel\\tbadd.ppa", "C:\\Other\\other.ppa")
PCB = USER + "\\PowerPoint"
PPT_FILES = [f("C:\\Tambrel\\Tambrel_O21.ppa")]

POWERPOINT = [
    Row("powerpoint_full", {
        "files": PPT_FILES + [f(PCB + "\\PowerPoint.pcb"), f(PCB + "\\Other.PCB", "readonly"),
                              f(PCB + "\\hidden.pcb", "hidden"), f(PCB + "\\Notes.pcbx"),
                              f("C:\\Tambrel\\tbadd.ppa", "readonly")],
        "excel": EXCEL_BASE,
        "powerpoint": {
            "addins": [{"fullName": p, "loaded": True, "registered": True, "autoload": True} for p in OLD_ADDINS],
            "commandBars": [
                {"name": "Menu Bar", "menuBar": True, "visible": True, "controls": [
                    {"type": 10, "caption": "&File"}, {"type": 10, "caption": "TambrelO2.1"},
                    {"type": 10, "caption": "Tambrel&OF"}]},
                {"name": "TambrelO2.1", "menuBar": False, "visible": True, "controls": []},
                {"name": "Standard", "menuBar": False, "visible": True, "controls": []},
                {"name": "TambrelOF", "menuBar": False, "visible": False, "controls": []}]},
        "busy": busy("powerpoint"),
    }, ["powerpoint"], {
        # Command-bar files are set aside; Notes.pcbx only matches "*.pcb"
        # through its 8.3 name, and hidden files are never found.
        "present": [PCB + "\\PowerPoint.pcb.backup-1", PCB + "\\Other.PCB.backup-1", PCB + "\\hidden.pcb",
                    PCB + "\\Notes.pcbx"],
        "absent": [PCB + "\\PowerPoint.pcb", "C:\\Tambrel\\tbadd.ppa"],
        "calls": {
            "powerpoint Application.AddIns": [[], [arg("I2", 1)], [arg("I2", 1)], [arg("I2", 2)], [arg("I2", 2)],
                                              [arg("I2", 3)], [arg("I2", 3)], []],
            "powerpoint AddIns.Add": [[bstr("C:\\Tambrel\\Tambrel_O21.ppa")]],
            "powerpoint CommandBars.Add": [[bstr("Tambrel Tools"), arg("ERROR", "0x80020004"), FALSE]],
        },
        "puts": {"powerpoint AddIn.Loaded": [FALSE] * 3, "powerpoint AddIn.Registered": [FALSE] * 3,
                 "powerpoint AddIn.Autoload": [TRUE], "powerpoint Application.Visible": [TRUE],
                 "powerpoint FaceId": [arg("I2", e[3]) for e in STANDARD + EXTRA + STANDARD]},
        "order": ["excel StartupPath", "excel Quit", "powerpoint AddIn.Loaded", "powerpoint AddIn.Registered",
                  "powerpoint Quit", "powerpoint CommandBars.Add", "powerpoint AddIns.Add"],
        "events": {"powerpoint busy": 5},
        "state": {"powerpoint.visible": True, "excel.running": False},
        "more": [
            built(),
            lambda o, eq: eq("add-ins", addins(o), [(p, False, False) for p in OLD_ADDINS]
                             + [("C:\\Tambrel\\Tambrel_O21.ppa", True)]),
            lambda o, eq: eq("bars", sorted(b["name"] for b in o.state["powerpoint"]["commandBars"]),
                             ["Menu Bar", "Standard", "Tambrel Tools"]),
            lambda o, eq: eq("Menu Bar entries", [e.get("caption") for e in bars(o, "Menu Bar")[0]["controls"]],
                             ["&File", "Tamb&rel Tools"]),
            lambda o, eq: eq("menu added with only Type:=10",
                             [l["named"] for l in o.calls("powerpoint CommandBarControls.Add") if l["named"]],
                             [{"Type": arg("I2", 10)}]),
        ],
    }),
    Row("powerpoint_rejected_icon_and_undeletable_toolbar", {
        "files": PPT_FILES, "excel": EXCEL_BASE,
        "powerpoint": {"commandBars": [
            {"name": "Menu Bar", "menuBar": True, "visible": True, "controls": []},
            {"name": "Tambrel Tools", "menuBar": False, "visible": True, "controls": [{"type": 1, "caption": "old"}]}]},
        "faults": [{"app": "powerpoint", "member": "FaceId", "error": "0x80070057", "times": 1},
                   {"app": "powerpoint", "member": "Delete", "error": "0x80004005", "times": 1}],
    }, ["powerpoint"], {
        # The standard entries stop at their first failure; the old toolbar
        # stays as it was and no second one is made.
        "more": [lambda o, eq: eq("toolbars", [entries(t["controls"]) for t in bars(o, "Tambrel Tools")],
                                  [[[False, "old", "", 0, ""]]]),
                 lambda o, eq: eq("menu entries", [entries(m["controls"]) for m in menus(o)],
                                  [[[False, "&Kiem tra chinh ta tieng Viet...", "RERured", 0, ""]] + EXTRA])],
        "puts": {"powerpoint AddIn.Autoload": [TRUE]},
    }),
    Row("powerpoint_startup_folder_in_other_case_no_add_ins_no_current", {
        "files": [f("C:\\Users\\An\\Office\\PowerPoint\\PowerPoint.pcb")],
        "folders": ["C:\\Tambrel"],
        "excel": {"startupPath": "C:\\Users\\An\\Office\\Excel\\XLStart", "path": PROGRAM},
    }, ["powerpoint"], {
        "present": ["C:\\Users\\An\\Office\\PowerPoint\\PowerPoint.pcb"],
        "count": {"powerpoint AddIn.": 0, "powerpoint CommandBars": 0, "powerpoint Quit": 1},
        "state": {"powerpoint.visible": True},
    }),
]

ROWS = WORD + EXCEL + POWERPOINT
