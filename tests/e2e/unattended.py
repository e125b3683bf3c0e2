"""Unattended roll-out end to end: TBO_Setup.exe started with switches, its
log, its exit codes, the command lines it refuses, and Office that keeps it
waiting."""

import re

from e2e import TRUE, Row, f
from installers import EXCEL_BASE, PCB, PPT_FILES, STARTUP, USER, built

LOG = "C:\\Logs\\tbo setup.log"
FALLBACK = "%TEMP%\\TBO Setup.log"
OLD = f("C:\\Tambrel\\tbadd.dot", content="old")
AT = r"^\d\d:\d\d:\d\d \d+ "  # each line after the header: the time and the process number
HEADER = r"^\d{4}-\d\d-\d\d \d\d:\d\d:\d\d TBO Setup 1\.00, command line: "
RECORD_KEY = "HKCU\\Software\\Tambrel\\TBO Setup"
RECORD = "registry." + RECORD_KEY  # its values in the state, by dotted path


def recorded(values):
    """The names of the record's values for the applications and Version,
    apart from the run's own LastResult and Retries."""
    return sorted(k for k in (values or {}) if k not in ("LastResult", "Retries"))
NO_APPLICATION = ("No application to set up: name one or more of /word, /powerpoint, /excel (without switches the "
                  "program opens its window).")

ROWS = [
    # Presses in the safe order whatever the command line says (one line
    # says so), each exactly as a click, then the window closes itself. The
    # log keeps what an earlier run wrote. Excel's add-in is refused: 1603,
    # and the last line says why; PowerPoint is not installed: nothing to
    # set up. PowerPoint's other add-ins are named by their files as they are
    # switched off.
    Row("unattended_presses_in_the_safe_order_with_a_log", {
        "args": '/EXCEL -powerpoint /word /log "%s"' % LOG,
        "files": [f("C:\\Tambrel\\Tambrel_O21.xla"), f("C:\\Tambrel\\Tambrel_O21.dot"),
                  f(LOG, content="an earlier run\r\n")],
        "excel": EXCEL_BASE, "powerpoint": {"installed": False}, "word": {"templates": []},
        "faults": [{"app": "excel", "member": "Add", "error": "0x800A03EC"}],
    }, [], {
        "window": "exited", "exitCode": 1603,
        "order": ["word Templates", "excel AddIns.Add"],
        "count": {"word Open ok": 1, "excel StartupPath": 1},
        "logEnds": {LOG: AT + r"not set up: Excel \(the add-in added to Excel, the add-in switched on in Excel\)$"},
        "log": {LOG: [
            r"^an earlier run$",
            HEADER + r".*/EXCEL -powerpoint /word /log",
            AT + r"pressed in the order Word, PowerPoint, Excel, which never quits a window a press has opened for "
                 r"the user \(the command line gave Excel, PowerPoint, Word\)$",
            AT + r"PowerPoint is not installed here: nothing to set up$",
            AT + r"press Excel: start$",
            AT + r'InstallExcelAddIn: Excel AddIns\.Add\("C:\\Tambrel\\Tambrel_O21\.xla"\) failed: 0x800A03EC$',
            AT + r"RemoveOldExcelAddIn: no Excel is running, so one is started: 0x800401E3",
            AT + r"press Excel: end after \d+\.\d s$",
            AT + r"press Word: end after",
        ]},
        "more": [lambda o, eq: eq("recorded: Word only, and not Version", recorded(
            o.state["registry"][RECORD_KEY]), ["Word"])],
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
        "puts": {"word Visible": [TRUE]}, "count": {"excel": 0},
        "logEnds": {LOG: AT + r"skipped: PowerPoint, Excel$"},
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
        "window": "closed after the run", "exitCode": 0, "puts": {"word Visible": [TRUE]},
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
        "messageBoxes": [("TBO Setup", "TBO_Setup.exe [/uninstall | /check | /repair] [/word] [/powerpoint] [/excel]")],
        "log": {FALLBACK: [AT + r"the command line cannot be used: Unknown switch: /frobnicate$",
                           AT + r"the command line cannot be used: The log file name C:\\Logs\" /word holds a "
                                r"quotation mark\. A folder written with a backslash before its closing quotation "
                                r"mark",
                           AT + r"the command line cannot be used: /log needs the name of a file\.$",
                           AT + r"the command line cannot be used: The log file C:\\Logs\\old\.log cannot be "
                                r"written: ",
                           HEADER + r".*/word /quiet /\?$",
                           AT + r"TBO_Setup\.exe \[/uninstall \| /check \| /repair\] \[/word\]",
                           AT + r"/word, /powerpoint, /excel\tset up the add-in"],
                "C:\\Logs\\q.log": [AT + r"the command line cannot be used: " + re.escape(NO_APPLICATION) + "$"]},
    }),
    # An update over records earlier versions wrote: a press sets up the
    # add-in's generation, so the record of it, in either form and whoever
    # wrote it, is left alone; no Office is reached and Version becomes this
    # program's. A record of an older generation is pressed again, and then
    # names this one, which the next run reads and leaves alone.
    Row("unattended_update_over_earlier_records", {
        "args": ['/excel /powerpoint /log "%s"' % LOG, '/word /log "%s"' % LOG, '/word /log "%s"' % LOG],
        "files": [f("C:\\Tambrel\\Tambrel_O21.dot")], "folders": ["C:\\Logs"], "word": {"templates": []},
        "registry": {RECORD_KEY: {"Excel": "1.00 2026-12-07 14:46", "Version": "0.99",
                                  "PowerPoint": "Tambrel_O21/1; TBO Setup 0.99; 2026-11-30 09:00",
                                  "Word": "Tambrel_O21/0; TBO Setup 0.90; 2025-06-01 10:00"}},
    }, [], {
        "window": "exited", "runs": [{"exitCode": 0}] * 3, "count": {"word Open ok": 1},
        "more": [lambda o, eq: eq("what the update did to Office", o.journal[:o.harness["runs"][0]["journalTo"]], []),
                 lambda o, eq: eq("what a run after Word's press did to Office", o.journal[
                     o.harness["runs"][2]["journalFrom"]:o.harness["runs"][2]["journalTo"]], []),
                 lambda o, eq: eq("the record after the update", {
                     k: v for k, v in o.json("state-1.json")["registry"][RECORD_KEY].items() if k != "LastResult"}, {
                     "Excel": "1.00 2026-12-07 14:46", "PowerPoint": "Tambrel_O21/1; TBO Setup 0.99; 2026-11-30 09:00",
                     "Word": "Tambrel_O21/0; TBO Setup 0.90; 2025-06-01 10:00", "Version": "1.00"}),
                 lambda o, eq: eq("what the update ended with", bool(re.match(
                     r"^0; set up; \d{4}-\d\d-\d\d \d\d:\d\d$",
                     o.json("state-1.json")["registry"][RECORD_KEY]["LastResult"])), True),
                 lambda o, eq: eq("Word's record after its press", bool(re.match(
                     r"^Tambrel_O21/1; TBO Setup 1\.00; \d{4}-\d\d-\d\d \d\d:\d\d$",
                     o.state["registry"][RECORD_KEY]["Word"])), True)],
        "log": {LOG: [AT + r"press PowerPoint: already set up for this user \(Tambrel_O21/1, recorded by TBO Setup "
                           r"0\.99 on 2026-11-30 09:00\)$",
                      AT + r"press Excel: already set up for this user \(Tambrel_O21/1, recorded by TBO Setup 1\.00 "
                           r"on 2026-12-07 14:46\)$",
                      AT + r"set up for this user: HKCU\\Software\\Tambrel\\TBO Setup Version = 1\.00$",
                      AT + r"press Word: recorded as set up for Tambrel_O21/0 \(by TBO Setup 0\.90 on 2025-06-01 "
                           r"10:00\): set up again for Tambrel_O21/1$",
                      AT + r"InstallWordTemplate: Word opened"]},
    }),
    # A full profile, the applications named the other way round: the
    # presses run Word, PowerPoint, Excel, every goal is reached, the log has
    # no line with "fail" in it, and the detection value is written.
    # PowerPoint's other vendors' add-ins are named by their files.
    Row("unattended_reversed_order_on_a_full_profile", {
        "args": '/excel /powerpoint /word /log "%s"' % LOG,
        "files": PPT_FILES + [f("C:\\Tambrel\\Tambrel_O21.dot"), f("C:\\Tambrel\\Tambrel_O21.xla"),
                              f("C:\\Tambrel\\tbadd.dot"), f(STARTUP + "\\tbadd.xla"), f(PCB + "\\PowerPoint.pcb"),
                              f(USER + "\\Templates\\Normal.dotm", content="mine")],
        "folders": ["C:\\Logs"], "excel": EXCEL_BASE, "word": {"templates": [USER + "\\Templates\\Normal.dotm"]},
        "powerpoint": {"addins": [{"fullName": "C:\\Other\\other.ppa", "loaded": True, "registered": True}]},
    }, [], {
        "window": "exited",
        "order": ["word Templates", "powerpoint AddIn.Loaded", "excel AddIns.Add"],
        "state": {RECORD + ".Version": "1.00", "excel.running": False},
        "more": [lambda o, eq: eq("recorded", recorded(o.state["registry"][RECORD_KEY]),
                                  ["Excel", "PowerPoint", "Version", "Word"]), built()],
        "absent": ["C:\\Tambrel\\tbadd.dot", STARTUP + "\\tbadd.xla", PCB + "\\PowerPoint.pcb"],
        "logLacks": {LOG: [r"(?i)fail"]},
        "log": {LOG: [AT + r"pressed in the order Word, PowerPoint, Excel",
                      AT + r"RemoveOldWordTemplates: set aside .*Normal\.dotm as Normal\.dotm\.backup-1$",
                      AT + r'RemoveOldPowerPointAddIn: PowerPoint add-in "C:\\Other\\other\.ppa" unloaded$',
                      AT + r'RemoveOldPowerPointAddIn: PowerPoint add-in "C:\\Other\\other\.ppa" unregistered$',
                      AT + r"InstallPowerPointAddIn: toolbar TambrelO2\.1: not there$",
                      AT + r"InstallPowerPointAddIn: menu Tamb&rel Tools built with 8 entries$",
                      AT + r"InstallPowerPointAddIn: toolbar Tambrel Tools built with 5 entries$",
                      AT + r'InstallPowerPointAddIn: PowerPoint add-in "C:\\Tambrel\\Tambrel_O21\.ppa" added$',
                      AT + r'InstallPowerPointAddIn: PowerPoint AddIns\.Add\("C:\\Tambrel\\Tambrel_O21\.ppa"\)\.Autoload '
                           r"set to True$",
                      AT + r'InstallExcelAddIn: Excel AddIns\("Tambrel_O21"\)\.Installed set to True$',
                      AT + r'InstallExcelAddIn: started "C:\\Program Files\\Microsoft Office\\Office 11\\EXCEL\.EXE"  '
                           r"C:\\TamBrel\\Tambrel_O21\.xla$",
                      AT + r"set up for this user: HKCU\\Software\\Tambrel\\TBO Setup Version = 1\.00$"]},
    }),
    # Set up, taken out, set up again, in one prefix. Taking out switches
    # Excel's add-in off (Excel keeps it listed), takes PowerPoint's off its
    # list with the toolbar and the menu, and forgets the user's record, so
    # that the next run sets everything up again. (Taking out quits the
    # PowerPoint the first run left open for the user: /closeapps.)
    Row("unattended_install_uninstall_install", {
        "args": ['/powerpoint /excel /log "%s"' % LOG,
                 '/uninstall /word /powerpoint /excel /closeapps /log "%s"' % LOG,
                 '/powerpoint /excel /log "%s"' % LOG],
        "files": PPT_FILES + [f("C:\\Tambrel\\Tambrel_O21.xla")], "folders": ["C:\\Logs"],
        "excel": EXCEL_BASE, "word": {"templates": [USER + "\\Templates\\Normal.dotm"]},
    }, [], {
        "window": "exited", "runs": [{"exitCode": 0}] * 3,
        "more": [
            lambda o, eq: eq("recorded after setting up, taking out, setting up again", [
                recorded(o.json("state-%d.json" % n)["registry"][RECORD_KEY]) for n in (1, 2, 3)],
                [["Excel", "PowerPoint", "Version"], [], ["Excel", "PowerPoint", "Version"]]),
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
                      AT + r"UninstallWordTemplate: .* stays in Word's templates folder as Normal\.dotm\.backup-N: rename "
                           r"the newest back to Normal\.dotm, with Word closed",
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
        "log": {LOG: [AT + r"UninstallWordTemplate: Word is not installed here: there is no add-in to take out$",
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
    # again; a record that cannot be written (its key would go below one that
    # cannot last) is no record: 1603, and the last line says why.
    Row("unattended_not_recorded_after_a_failed_press_or_a_failed_write", {
        "args": ['/word /log "%s"' % LOG, '/word /closeapps /log "%s"' % LOG],
        "files": [f("C:\\Tambrel\\Tambrel_O21.dot")], "volatileKeys": ["HKCU\\Software\\Tambrel"],
        "folders": ["C:\\Logs"], "word": {"templates": []},
        "faults": [{"app": "word", "member": "Open", "error": "0x800A1436", "times": 1}],
    }, [], {
        "window": "exited", "exitCode": 1603, "runs": [{"exitCode": 1603}] * 2,
        "count": {"word Open": 2, "word Open ok": 1},
        "log": {LOG: [AT + r"not set up: Word \(the add-in template opened in Word\)$"]},
        "logLacks": {LOG: [r"recorded as set up"]},
        "logEnds": {LOG: AT + r"not recorded: Word \(0x800703FD"},
        "more": [lambda o, eq: eq("lines saying a record was not kept (the second run's only)",
                                  len([l for l in o.log_lines(LOG) if "not recorded" in l]), 1)],
    }),
    # The user's Word on screen with a document open is left alone: nothing
    # changed, no Quit, 1618 for the management tool to try again. With
    # /closeapps the administrator has it quit as before.
    Row("unattended_word_in_use_left_for_later_then_closeapps", {
        "args": ['/word /log "%s"' % LOG, '/word /closeapps /log "%s"' % LOG],
        "files": [f("C:\\Tambrel\\Tambrel_O21.dot"), f(USER + "\\Templates\\Normal.dot", content="mine")],
        "folders": ["C:\\Logs"],
        "word": {"running": True, "visible": True, "documents": ["C:\\Users\\An\\Documents\\Report.docx"],
                 "templates": [USER + "\\Templates\\Normal.dot"]},
    }, [], {
        "window": "exited", "runs": [{"exitCode": 1618}, {"exitCode": 0}],
        "count": {"word Quit": 1, "word Open ok": 1},
        "sizes": {USER + "\\Templates\\Normal.dot.backup-1": len("mine")},
        "more": [lambda o, eq: eq("what the first run asked of Word", sorted({l["member"] for l in o.journal[
            o.harness["runs"][0]["journalFrom"]:o.harness["runs"][0]["journalTo"]] if l.get("event") == "call"}),
            ["Count", "Documents"]),
                 lambda o, eq: eq("Version after each run", [o.json("state-%d.json" % n)["registry"][RECORD_KEY] and
                                                            o.json("state-%d.json" % n)["registry"][RECORD_KEY].get(
                                                                "Version") for n in (1, 2)], [None, "1.00"])],
        "log": {LOG: [AT + r"Word is open \(1 document\): left for a later run$",
                      AT + r"left for a later run: Word$",
                      AT + r"RemoveOldWordTemplates: set aside .*Normal\.dot as Normal\.dot\.backup-1$"]},
    }),
    # A machine without PowerPoint: nothing to set up there, the rest set up,
    # 0, and without /log the run still leaves its log in %TEMP%.
    Row("unattended_machine_without_powerpoint_default_log", {
        "args": "/word /powerpoint /excel /quiet",
        "files": [f("C:\\Tambrel\\Tambrel_O21.dot"), f("C:\\Tambrel\\Tambrel_O21.xla")] + PPT_FILES,
        "folders": ["%TEMP%"], "excel": EXCEL_BASE, "word": {"templates": []}, "powerpoint": {"installed": False},
    }, [], {
        "window": "never shown", "exitCode": 0,
        "more": [lambda o, eq: eq("recorded", recorded(o.state["registry"][RECORD_KEY]),
                                  ["Excel", "Version", "Word"])],
        "log": {FALLBACK: [HEADER + r".*/word /powerpoint /excel /quiet$",
                           AT + r"PowerPoint is not installed here: nothing to set up$",
                           AT + r"press Excel: end after",
                           AT + r"set up for this user: HKCU\\Software\\Tambrel\\TBO Setup Version = 1\.00$"]},
    }),
]
