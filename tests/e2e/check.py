"""/check and /repair end to end: what Office reads now, the record beside
it, nothing changed by a check, and a repair that presses only what is not
set up."""

from e2e import Row, f
from installers import EXCEL_BASE, EXTRA, STANDARD, USER
from unattended import AT, LOG, RECORD_KEY

CURRENT = "Tambrel_O21/1; TBO Setup 1.00; 2026-12-07 14:46"
APPLICATIONS = "/word /powerpoint /excel /quiet"
NORMAL = USER + "\\Templates\\Normal.dotm"
OTHER = {"fullName": "C:\\Other\\other.ppa", "loaded": True, "registered": True}


def controls(entries):
    return [{"caption": caption, "onAction": action, "faceId": face, "beginGroup": group, "shortcutText": shortcut}
            for group, caption, action, face, shortcut in entries]


def set_up(excel_add_in_on=True, **more):
    """A profile as the presses leave it, and the user's record of them."""
    return dict({
        "files": [f("C:\\Tambrel\\Tambrel_O21." + e) for e in ("dot", "xla", "ppa")] + [f(NORMAL, content="mine")],
        "word": {"templates": [NORMAL]},
        "excel": dict(EXCEL_BASE, addins=[{"name": "Tambrel_O21", "fullName": "C:\\Tambrel\\Tambrel_O21.xla",
                                           "installed": excel_add_in_on}]),
        "powerpoint": {
            "addins": [{"name": "Tambrel_O21", "fullName": "C:\\Tambrel\\Tambrel_O21.ppa", "loaded": True,
                        "registered": True, "autoload": True}, OTHER],
            "commandBars": [{"name": "Menu Bar", "menuBar": True, "visible": True,
                             "controls": [{"type": 10, "caption": "Tamb&rel Tools", "beginGroup": True,
                                           "controls": controls(STANDARD + EXTRA)}]},
                            {"name": "Tambrel Tools", "menuBar": False, "visible": True,
                             "controls": controls(STANDARD)}]},
        "folders": ["C:\\Logs"],
        "registry": {RECORD_KEY: {"Word": CURRENT, "PowerPoint": CURRENT, "Excel": CURRENT, "Version": "1.00"}},
    }, **more)


def puts(o):
    """Every property the runs put, as "app Class.Member"."""
    return ["%s %s.%s" % (l["app"], l["class"], l["member"]) for l in o.journal
            if l.get("event") == "call" and "DISPID_PROPERTYPUT" in l.get("named", {})]


ROWS = [
    # A profile set up everywhere, the user working in Excel: the check
    # reads the user's Excel without quitting it, starts Word and PowerPoint
    # unseen and quits only those, and changes nothing: no property put, no
    # file set aside, the record as it was.
    Row("check_a_set_up_profile_and_the_users_open_excel", set_up(
        excel=dict(set_up()["excel"], running=True, visible=True, documents=["C:\\Users\\An\\Budget.xlsx"]),
        args="/check %s /log \"%s\"" % (APPLICATIONS, LOG)), [], {
        "window": "never shown", "exitCode": 0,
        "runs": [{"exitCode": 0, "stdout": "TBO Setup check: Word set up; PowerPoint set up; Excel set up\r\n"}],
        "count": {"excel Quit": 0, "word Quit ok": 1, "powerpoint Quit ok": 1},
        "state": {"excel.running": True, "excel.documents": ["C:\\Users\\An\\Budget.xlsx"]},
        "sizes": {NORMAL: 4}, "absent": [NORMAL + ".backup-1"],
        "more": [lambda o, eq: eq("what the check put", puts(o), []),
                 lambda o, eq: eq("the record", o.state["registry"][RECORD_KEY], set_up()["registry"][RECORD_KEY])],
        "log": {LOG: [AT + r"check Word: set up \(recorded on 2026-12-07 14:46\)$",
                      AT + r"CheckWordTemplate: Word does not list the add-in template among its templates",
                      AT + r"CheckExcelAddIn: Excel lists Tambrel_O21, switched on$",
                      AT + r"CheckPowerPointAddIn: PowerPoint lists Tambrel_O21, loading automatically$"]},
    }),
    # The user switched Excel's add-in off since it was set up. The check
    # says so, and that the record says otherwise (1, an issue found); the
    # repair presses Excel alone, leaving the user's global template and
    # PowerPoint's add-ins as they are; a check after it finds all set up.
    Row("check_then_repair_after_excel_switched_the_add_in_off", set_up(excel_add_in_on=False, args=[
        "/check %s /log \"%s\"" % (APPLICATIONS, LOG), "/repair %s /log \"%s\"" % (APPLICATIONS, LOG),
        "/check %s /log \"%s\"" % (APPLICATIONS, LOG)]), [], {
        "window": "never shown", "exitCode": 0,
        "runs": [{"exitCode": 1, "stdout": "TBO Setup check: Word set up; PowerPoint set up; Excel NOT set up ("
                                           "recorded as set up on 2026-12-07 14:46, but not read back: the add-in "
                                           "switched on in Excel)\r\n"},
                 {"exitCode": 0}, {"exitCode": 0, "stdout": "TBO Setup check: Word set up; PowerPoint set up; "
                                                            "Excel set up\r\n"}],
        "count": {"excel Add ok": 1, "word Open": 0, "powerpoint Add": 0, "powerpoint Loaded": 0},
        "sizes": {NORMAL: 4}, "absent": [NORMAL + ".backup-1"],
        "more": [lambda o, eq: eq("Excel's add-in", [a["installed"] for a in o.state["excel"]["addins"]], [True]),
                 lambda o, eq: eq("PowerPoint's add-ins", [a.get("loaded") for a in o.state["powerpoint"]["addins"]],
                                  [True, True])],
        "log": {LOG: [AT + r"check Excel: not set up: recorded as set up on 2026-12-07 14:46, but not read back: the "
                           r"add-in switched on in Excel$",
                      AT + r"press Excel: recorded as set up for this user in HKCU\\Software\\Tambrel\\TBO Setup$",
                      AT + r"check Excel: set up \(recorded on \d{4}-\d\d-\d\d \d\d:\d\d\)$"]},
    }),
    # An Excel that never answers: the check cannot tell, 1603.
    Row("check_office_not_answering", set_up(args="/check /excel /quiet /timeout 3 /log \"%s\"" % LOG,
                                             hold={"app": "excel", "member": "AddIns", "end": "never"}), [], {
        "window": "never shown", "exitCode": 1603,
        "runs": [{"exitCode": 1603, "stdout": "TBO Setup check: Excel did not answer\r\n"}],
        "log": {LOG: [AT + r"check Excel: Excel did not answer what was asked: cannot tell$"]},
    }),
]
