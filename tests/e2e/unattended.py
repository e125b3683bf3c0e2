"""Unattended roll-out end to end: TBO_Setup.exe started with switches, a
log of the failing steps, and the command lines it refuses."""

from e2e import Row, f
from installers import EXCEL_BASE

LOG = "C:\\Logs\\tbo setup.log"
OLD = f("C:\\Tambrel\\tbadd.dot", content="old")
REFUSED = {"window": "never shown", "exitCode": 87, "count": {"word": 0}, "present": ["C:\\Tambrel\\tbadd.dot"],
           "events": {"word start": 0}}

ROWS = [
    # Presses in the order given, each exactly as a click, then the window
    # closes itself. The log keeps what an earlier run wrote.
    Row("unattended_presses_in_order_with_a_log", {
        "args": '/EXCEL -powerpoint /word /log "%s"' % LOG,
        "files": [f("C:\\Tambrel\\Tambrel_O21.xla"), f("C:\\Tambrel\\Tambrel_O21.dot"),
                  f(LOG, content="an earlier run\r\n")],
        "excel": EXCEL_BASE, "powerpoint": {"installed": False}, "word": {"templates": []},
        "faults": [{"app": "excel", "member": "Add", "error": "0x800A03EC"}],
    }, [], {
        "window": "exited",
        "order": ["excel AddIns.Add", "word Templates"],
        "count": {"word Open ok": 1, "excel StartupPath": 2},
        "more": [lambda o, eq: eq("PowerPoint's press between Excel's and Word's (its StartupPath)",
                                  o.journal.index(o.calls("excel StartupPath")[1]) > o.journal.index(
                                      o.calls("excel AddIns.Add")[0]) and o.journal.index(
                                      o.calls("excel StartupPath")[1]) < o.journal.index(
                                      o.calls("word Templates")[0]), True)],
        "log": {LOG: [
            r"^an earlier run$",
            r"^\d{4}-\d\d-\d\d \d\d:\d\d:\d\d TBO Setup 1\.00, command line: .*/EXCEL -powerpoint /word /log",
            r"^press Excel: start$",
            r'^InstallExcelAddIn: Excel AddIns\.Add\("C:\\Tambrel\\Tambrel_O21\.xla"\) failed: 0x800A03EC$',
            r"^RemoveOldExcelAddIn: no Excel is running, so one is started: 0x800401E3",
            r"^press Excel: end after \d+\.\d s$",
            r"^InstallPowerPointAddIn: start PowerPoint \(Powerpoint\.Application\) failed: 0x800401F3",
            r"^press Word: end after",
        ]},
    }),
    # A close by the person at the machine is deferred as usual; the presses
    # not yet started are skipped.
    Row("unattended_close_skips_the_rest", {
        "args": "/word /excel",
        "files": [f("C:\\Tambrel\\Tambrel_O21.dot")], "word": {"templates": []}, "excel": EXCEL_BASE,
        "hold": {"app": "word", "member": "Quit", "close": True},
    }, [], {
        "window": "closed after the run", "held": "Installing TB-Microsoft Word", "exitCode": 1602,
        "count": {"word Visible ok": 1, "excel": 0},
    }),
    Row("usage_shown", {"args": "/?", "files": [OLD]}, [], dict(REFUSED, exitCode=0, messageBoxes=[
        ("TBO Setup", "TBO_Setup.exe [/word] [/excel] [/powerpoint] [/log FILE] [/?]")])),
    Row("refused_unknown_switch", {"args": "/word /quiet", "files": [OLD]}, [],
     dict(REFUSED, messageBoxes=[("TBO Setup", "Unknown switch: /quiet\n\nTBO_Setup.exe [/word]")])),
    Row("refused_log_without_file", {"args": "/word /log", "files": [OLD]}, [],
     dict(REFUSED, messageBoxes=[("TBO Setup", "/log needs the name of a file.")])),
    Row("refused_read_only_log", {"args": "/word /log C:\\Logs\\old.log",
                               "files": [OLD, f("C:\\Logs\\old.log", "readonly", content="kept")]}, [],
     dict(REFUSED, messageBoxes=[("TBO Setup", "The log file C:\\Logs\\old.log cannot be written: ")],
          sizes={"C:\\Logs\\old.log": 4})),
    Row("refused_log_in_a_missing_folder", {"args": "/word /log C:\\Missing\\x.log", "files": [OLD]}, [],
     dict(REFUSED, messageBoxes=[("TBO Setup", "The log file C:\\Missing\\x.log cannot be written: ")])),
]
