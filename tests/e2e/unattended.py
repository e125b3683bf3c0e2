"""Unattended roll-out end to end: TBO_Setup.exe started with switches, its
log, its exit codes, the command lines it refuses, and Office that keeps it
waiting."""

import re

from e2e import Row, f
from installers import EXCEL_BASE, PPT_FILES, USER, built

LOG = "C:\\Logs\\tbo setup.log"
FALLBACK = "%TEMP%\\TBO Setup.log"
OLD = f("C:\\Tambrel\\tbadd.dot", content="old")
AT = r"^\d\d:\d\d:\d\d \d+ "  # each line after the header: the time and the process number
HEADER = r"^\d{4}-\d\d-\d\d \d\d:\d\d:\d\d TBO Setup 1\.00, command line: "
NO_APPLICATION = ("No application to set up: name one or more of /word, /powerpoint, /excel (without switches the "
                  "program opens its window).")

ROWS = [
    # Presses in the order given, each exactly as a click, then the window
    # closes itself. The log keeps what an earlier run wrote. Excel's add-in
    # is refused and PowerPoint is missing: 1603, and the last line says why.
    Row("unattended_presses_in_order_with_a_log", {
        "args": '/EXCEL -powerpoint /word /log "%s"' % LOG,
        "files": [f("C:\\Tambrel\\Tambrel_O21.xla"), f("C:\\Tambrel\\Tambrel_O21.dot"),
                  f(LOG, content="an earlier run\r\n")],
        "excel": EXCEL_BASE, "powerpoint": {"installed": False}, "word": {"templates": []},
        "faults": [{"app": "excel", "member": "Add", "error": "0x800A03EC"}],
    }, [], {
        "window": "exited", "exitCode": 1603,
        "order": ["excel AddIns.Add", "word Templates"],
        "count": {"word Open ok": 1, "excel StartupPath": 2},
        "more": [lambda o, eq: eq("PowerPoint's press between Excel's and Word's (its StartupPath)",
                                  o.journal.index(o.calls("excel StartupPath")[1]) > o.journal.index(
                                      o.calls("excel AddIns.Add")[0]) and o.journal.index(
                                      o.calls("excel StartupPath")[1]) < o.journal.index(
                                      o.calls("word Templates")[0]), True),
],
        "logEnds": {LOG: AT + r"not set up: Excel \(the add-in added to Excel, the add-in switched on in Excel\), "
                              r"PowerPoint \(the toolbar Tambrel Tools built, the menu Tamb&rel Tools built, the add-in added to "
                              r"PowerPoint and loading automatically\)$"},
        "log": {LOG: [
            r"^an earlier run$",
            HEADER + r".*/EXCEL -powerpoint /word /log",
            AT + r"press Excel: start$",
            AT + r'InstallExcelAddIn: Excel AddIns\.Add\("C:\\Tambrel\\Tambrel_O21\.xla"\) failed: 0x800A03EC$',
            AT + r"RemoveOldExcelAddIn: no Excel is running, so one is started: 0x800401E3",
            AT + r"press Excel: end after \d+\.\d s$",
            AT + r"InstallPowerPointAddIn: start PowerPoint \(Powerpoint\.Application\) failed: 0x800401F3",
            AT + r"press Word: end after",
        ]},
    }),
    # A close by the person at the machine is deferred as usual; the presses
    # not yet started are skipped and named: 1602. A second run started
    # while the first holds its turn waits as long as /wait allows, then
    # gives up untouched (1618): the first is released only after the second
    # has exited, and would itself give its call up only after 60 s.
    Row("unattended_close_skips_the_rest_and_a_second_run_waits", {
        "args": '/word /excel /powerpoint /log "%s"' % LOG,
        "files": [f("C:\\Tambrel\\Tambrel_O21.dot")], "folders": ["C:\\Logs"], "word": {"templates": []},
        "excel": EXCEL_BASE,
        "hold": {"app": "word", "member": "Quit", "close": True, "alsoRun": '/excel /quiet /wait 2 /log "%s"' % LOG},
    }, [], {
        "window": "closed after the run", "held": "Installing TB-Microsoft Word", "exitCode": 1602,
        "alsoRun": {"exitCode": 1618},
        "count": {"word Visible ok": 1, "excel": 0},
        "logEnds": {LOG: AT + r"skipped: Excel, PowerPoint$"},
        "log": {LOG: [AT + r"another run of TBO Setup goes on in this session: waiting for it to end, at most 2 s$",
                      AT + r"the other run did not end in time: nothing was done$"]},
    }),
    # A close during the last press skips nothing: the run ends as it
    # would have.
    Row("unattended_close_during_the_last_press", {
        "args": '/word /log "%s"' % LOG,
        "files": [f("C:\\Tambrel\\Tambrel_O21.dot")], "folders": ["C:\\Logs"], "word": {"templates": []},
        "hold": {"app": "word", "member": "Quit", "close": True},
    }, [], {
        "window": "closed after the run", "exitCode": 0, "count": {"word Visible ok": 1},
        "logLacks": {LOG: [r"skipped"]},
    }),
    # /quiet shows no window; the log's folders are made and its variables
    # expanded by the program itself, as any caller but cmd.exe leaves them.
    Row("unattended_quiet_with_a_log_in_a_new_folder", {
        "args": '/word /quiet /log "%TEMP%\\tbo\\new\\setup.log"',
        "files": [f("C:\\Tambrel\\Tambrel_O21.dot")], "folders": ["%TEMP%"], "word": {"templates": []},
    }, [], {
        "window": "never shown", "count": {"word Open ok": 1},
        "log": {"%TEMP%\\tbo\\new\\setup.log": [HEADER + r".*/quiet", AT + r"press Word: end after"]},
        "logLacks": {"%TEMP%\\tbo\\new\\setup.log": [r"not set up|skipped"]},
    }),
    # Word answers Quit with a question nobody answers: the call is given
    # up after /timeout and told as that, Word is not reached again in that
    # press, and the template is not opened (1603).
    Row("unattended_word_quit_never_returns", {
        "args": '/word /timeout 3 /log "%s"' % LOG,
        "files": [f("C:\\Tambrel\\Tambrel_O21.dot")], "folders": ["C:\\Logs"], "word": {"templates": []},
        "hold": {"app": "word", "member": "Quit", "end": "never"},
    }, [], {
        "window": "exited", "exitCode": 1603,
        "count": {"word Open": 0}, "events": {"word start": 1},
        "log": {LOG: [AT + r"RemoveOldWordTemplates: Word Quit given up after 3 s: Word did not answer \(0x80010002\)$",
                      AT + r"InstallWordTemplate: look for a running Word not tried: Word did not answer earlier in "
                           r"this press \(0x80010002\)$"]},
        "logEnds": {LOG: AT + r"not set up: Word \(the add-in template opened in Word\)$"},
    }),
    # Command lines that cannot be used, in runs one after the other. Where
    # no one may be at the machine (an application switch, /quiet, also one
    # swallowed by `\"`), no box: the reason goes to the fallback log. A
    # command line a person typed gets the box with the usage. Switches
    # without an application are refused: a hidden window would wait for no
    # one and hold the one-run lock. /? in an unattended run is answered in
    # the log.
    Row("refused_command_lines", {
        "args": ["/word /frobnicate", '/log "C:\\Logs\\" /word', "/excel /log", "/word /log C:\\Logs\\old.log",
                 "/quiet /log C:\\Logs\\q.log", "/word /quiet /?", "/force", "/frobnicate", "/?"],
        "files": [OLD, f("C:\\Logs\\old.log", "readonly", content="kept")], "folders": ["%TEMP%"],
    }, [], {
        "window": "never shown", "exitCode": 0, "count": {"word": 0}, "events": {"word start": 0},
        "present": ["C:\\Tambrel\\tbadd.dot"], "sizes": {"C:\\Logs\\old.log": 4},
        "runs": [{"exitCode": 87, "messageBoxes": []}] * 5 + [{"exitCode": 0, "messageBoxes": []}]
        + [{"exitCode": 87}] * 2 + [{"exitCode": 0}],
        "more": [lambda o, eq: eq("the boxes for the command lines a person typed", [
            b["text"].split("\n")[0] for run in (6, 7) for b in o.harness["runs"][run]["messageBoxes"]],
            [NO_APPLICATION, "Unknown switch: /frobnicate"])],
        "messageBoxes": [("TBO Setup", "TBO_Setup.exe [/uninstall] [/word] [/powerpoint] [/excel]")],
        "log": {FALLBACK: [AT + r"the command line cannot be used: Unknown switch: /frobnicate$",
                           AT + r"the command line cannot be used: The log file name C:\\Logs\" /word holds a "
                                r"quotation mark\. A folder written with a backslash before its closing quotation "
                                r"mark",
                           AT + r"the command line cannot be used: /log needs the name of a file\.$",
                           AT + r"the command line cannot be used: The log file C:\\Logs\\old\.log cannot be "
                                r"written: ",
                           HEADER + r".*/word /quiet /\?$",
                           AT + r"TBO_Setup\.exe \[/uninstall\] \[/word\]",
                           AT + r"/word, /powerpoint, /excel\tset up the add-in"],
                "C:\\Logs\\q.log": [AT + r"the command line cannot be used: " + re.escape(NO_APPLICATION) + "$"]},
    }),
    # Once per user and version: the second run reaches no Office and sets
    # nothing aside; /force sets aside the global template Word made afresh.
    Row("unattended_once_per_user", {
        "args": ['/word /log "%s"' % LOG] * 2 + ['/word /force /log "%s"' % LOG],
        "files": [f("C:\\Tambrel\\Tambrel_O21.dot"), f("C:\\Tambrel\\tbadd.dot"),
                  f(USER + "\\Templates\\Normal.dot", content="mine")],
        "folders": ["C:\\Logs", "%LOCALAPPDATA%\\Tambrel"],
        "word": {"templates": [USER + "\\Templates\\Normal.dot"]},
    }, [], {
        "window": "exited", "runs": [{"exitCode": 0}] * 3,
        "sizes": {USER + "\\Templates\\Normal.dot.backup-1": len("mine"),
                  USER + "\\Templates\\Normal.dot.backup-2": len("fresh")},
        "absent": ["C:\\Tambrel\\tbadd.dot", USER + "\\Templates\\Normal.dot.backup-3"],
        "present": ["%LOCALAPPDATA%\\Tambrel\\TBO Setup\\Word 1.00.txt"],
        "more": [lambda o, eq: eq("what the second run did to Office", o.journal[
            o.harness["runs"][1]["journalFrom"]:o.harness["runs"][1]["journalTo"]], [])],
        "log": {LOG: [AT + r"RemoveOldWordTemplates: set aside C:\\Users\\An\\AppData\\Roaming\\Microsoft\\Templates"
                      r"\\Normal\.dot as Normal\.dot\.backup-1$",
                      AT + r"RemoveOldWordTemplates: deleted C:\\Tambrel\\tbadd\.dot$",
                      AT + r"InstallWordTemplate: Word opened \"C:\\TamBrel\\Tambrel_O21\.dot\"$",
                      AT + r"press Word: recorded as set up for this user in .*\\Tambrel\\TBO Setup\\Word 1\.00\.txt$",
                      AT + r"press Word: already set up for this user \(1\.00\)$",
                      AT + r"RemoveOldWordTemplates: set aside .*Normal\.dot as Normal\.dot\.backup-2$"]},
    }),
    # On a clean machine, in the recommended order, every press succeeds:
    # the log says what changed and has no line with "fail" in it.
    Row("unattended_clean_machine_in_the_recommended_order", {
        "args": '/word /powerpoint /excel /log "%s"' % LOG,
        "files": PPT_FILES + [f("C:\\Tambrel\\Tambrel_O21.dot"), f("C:\\Tambrel\\Tambrel_O21.xla")],
        "folders": ["C:\\Logs"], "excel": EXCEL_BASE, "word": {"templates": []},
    }, [], {
        "window": "exited",
        "logLacks": {LOG: [r"(?i)fail"]},
        "log": {LOG: [AT + r"InstallPowerPointAddIn: toolbar TambrelO2\.1: not there$",
                      AT + r"InstallPowerPointAddIn: menu Tamb&rel Tools built with 8 entries$",
                      AT + r"InstallPowerPointAddIn: toolbar Tambrel Tools built with 5 entries$",
                      AT + r'InstallPowerPointAddIn: PowerPoint add-in "C:\\Tambrel\\Tambrel_O21\.ppa" added$',
                      AT + r'InstallPowerPointAddIn: PowerPoint AddIns\.Add\("C:\\Tambrel\\Tambrel_O21\.ppa"\)\.Autoload '
                           r"set to True$",
                      AT + r'InstallExcelAddIn: Excel AddIns\("Tambrel_O21"\)\.Installed set to True$',
                      AT + r'InstallExcelAddIn: started "C:\\Program Files\\Microsoft Office\\Office 11\\EXCEL\.EXE"  '
                           r"C:\\TamBrel\\Tambrel_O21\.xla$"]},
    }),
    # Set up, taken out, set up again, in one prefix. Taking out switches
    # Excel's add-in off (Excel keeps it listed), takes PowerPoint's off its
    # list with the toolbar and the menu, and forgets the user's record, so
    # that the next run sets everything up again.
    Row("unattended_install_uninstall_install", {
        "args": ['/powerpoint /excel /log "%s"' % LOG, '/uninstall /word /powerpoint /excel /log "%s"' % LOG,
                 '/powerpoint /excel /log "%s"' % LOG],
        "files": PPT_FILES + [f("C:\\Tambrel\\Tambrel_O21.xla")], "folders": ["C:\\Logs", "%LOCALAPPDATA%\\Tambrel"],
        "excel": EXCEL_BASE,
    }, [], {
        "window": "exited", "runs": [{"exitCode": 0}] * 3,
        "present": ["%LOCALAPPDATA%\\Tambrel\\TBO Setup\\PowerPoint 1.00.txt",
                    "%LOCALAPPDATA%\\Tambrel\\TBO Setup\\Excel 1.00.txt"],
        "more": [
            lambda o, eq: eq("after taking out: Excel's add-in, PowerPoint's add-ins and bars", (
                [a["installed"] for a in o.json("state-2.json")["excel"]["addins"]],
                o.json("state-2.json")["powerpoint"]["addins"],
                sorted(b["name"] for b in o.json("state-2.json")["powerpoint"]["commandBars"]),
                [c["caption"] for c in o.json("state-2.json")["powerpoint"]["commandBars"][0]["controls"]]),
                ([False], [], ["Menu Bar"], [])),
            lambda o, eq: eq("after setting up again: the add-ins", (
                [a["installed"] for a in o.state["excel"]["addins"]],
                [(a["fullName"], a["autoload"]) for a in o.state["powerpoint"]["addins"]]),
                ([True], [("C:\\Tambrel\\Tambrel_O21.ppa", True)])),
            built(),
        ],
        "log": {LOG: [AT + r"uninstall Word: start$",
                      AT + r'UninstallExcelAddIn: Excel AddIns\("Tambrel_O21"\)\.Installed set to False$',
                      AT + r'UninstallPowerPointAddIn: PowerPoint AddIns\("Tambrel_O21"\)\.Registered set to False$',
                      AT + r'UninstallPowerPointAddIn: PowerPoint add-in "Tambrel_O21" taken off the list$',
                      AT + r'UninstallPowerPointAddIn: PowerPoint CommandBars\("Tambrel Tools"\) deleted$',
                      AT + r"UninstallPowerPointAddIn: toolbar files set aside earlier stay",
                      AT + r"uninstall Excel: no longer recorded as set up for this user$"]},
    }),
    # Taking out what was never put in changes nothing, says so for each
    # application, and ends well.
    Row("unattended_uninstall_of_nothing", {
        "args": '/uninstall /word /powerpoint /excel /quiet /log "%s"' % LOG,
        "files": [OLD], "folders": ["C:\\Logs"], "excel": EXCEL_BASE, "word": {"installed": False},
    }, [], {
        "window": "never shown", "present": ["C:\\Tambrel\\tbadd.dot"], "count": {"powerpoint AddIns.Remove": 0},
        "logLacks": {LOG: [r"(?i)fail", r"no longer recorded"]},
        "log": {LOG: [AT + r"UninstallWordTemplate: Word keeps nothing of the add-in",
                      AT + r"UninstallExcelAddIn: Excel add-in Tambrel_O21: not there$",
                      AT + r"UninstallPowerPointAddIn: PowerPoint add-in Tambrel_O21: not there$",
                      AT + r"UninstallPowerPointAddIn: toolbar Tambrel Tools: not there$",
                      AT + r"UninstallPowerPointAddIn: menu Tambrel Tools: not there$"]},
    }),
    # Taking out is believed only when read back. PowerPoint refuses the
    # add-in's Loaded put with its general error: a failure, not "not there",
    # and Registered and Remove are still tried; a second entry of the same
    # name stays listed; a toolbar that refuses its Delete stays. Excel reads
    # its add-in back as still on. 1603, and why.
    Row("unattended_uninstall_judged_by_reading_back", {
        "args": '/uninstall /powerpoint /excel /quiet /log "%s"' % LOG, "folders": ["C:\\Logs"],
        "excel": dict(EXCEL_BASE, installedStaysTrue=1, addins=[
            {"name": "Tambrel_O21", "fullName": "C:\\Tambrel\\Tambrel_O21.xla", "installed": True}]),
        "powerpoint": {
            "addins": [{"fullName": p, "loaded": True, "registered": True, "autoload": True}
                       for p in ("C:\\Tambrel\\Tambrel_O21.ppa", "C:\\Old\\Tambrel_O21.ppa")],
            "commandBars": [{"name": "Menu Bar", "menuBar": True, "visible": True, "controls": []},
                            {"name": "Tambrel Tools", "menuBar": False, "visible": True, "controls": []}]},
        "faults": [{"app": "powerpoint", "member": "Loaded", "error": "0x80070057"},
                   {"app": "powerpoint", "class": "CommandBar", "member": "Delete", "error": "0x80070057"}],
    }, [], {
        "window": "never shown", "exitCode": 1603,
        "count": {"powerpoint AddIn.Registered ok": 1, "powerpoint AddIns.Remove ok": 1},
        "log": {LOG: [AT + r'UninstallPowerPointAddIn: PowerPoint AddIns\("Tambrel_O21"\)\.Loaded = False failed: '
                           r"0x80070057",
                      AT + r'UninstallPowerPointAddIn: PowerPoint CommandBars\("Tambrel Tools"\)\.Delete failed: '
                           r"0x80070057",
                      AT + r'UninstallExcelAddIn: Excel AddIns\("Tambrel_O21"\)\.Installed set to False$']},
        "logLacks": {LOG: [r"Tambrel_O21: not there", r"toolbar Tambrel Tools: not there"]},
        "logEnds": {LOG: AT + r"not taken out: PowerPoint \(the add-in taken off PowerPoint's list, the toolbar and "
                              r"menu Tambrel Tools deleted\), Excel \(the add-in switched off in Excel\)$"},
    }),
    # A press that missed a goal is never recorded, so the next run tries it
    # again; a record that cannot be written (a file where its folder goes)
    # is no record: 1603, and the last line says why.
    Row("unattended_not_recorded_after_a_failed_press_or_a_failed_write", {
        "args": ['/word /log "%s"' % LOG] * 2,
        "files": [f("C:\\Tambrel\\Tambrel_O21.dot"), f("%LOCALAPPDATA%\\Tambrel", content="in the way")],
        "folders": ["C:\\Logs"], "word": {"templates": []},
        "faults": [{"app": "word", "member": "Open", "error": "0x800A1436", "times": 1}],
    }, [], {
        "window": "exited", "exitCode": 1603, "runs": [{"exitCode": 1603}] * 2,
        "count": {"word Open": 2, "word Open ok": 1},
        "log": {LOG: [AT + r"not set up: Word \(the add-in template opened in Word\)$"]},
        "logLacks": {LOG: [r"recorded as set up"]},
        "logEnds": {LOG: AT + r"not recorded: Word \(0x80070003"},
        "more": [lambda o, eq: eq("lines saying a record was not kept (the second run's only)",
                                  len([l for l in o.log_lines(LOG) if "not recorded" in l]), 1)],
    }),
]
