"""Unattended runs as a logon runs them: the user's Office met in the middle
of a press, a deadline for the whole run, and a run that comes again at the
next logon."""

import re

from e2e import Row, f
from installers import EXCEL_BASE, PPT_FILES
from unattended import AT, LOG, RECORD_KEY, recorded

RUN_ONCE = "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce"
TALK = "C:\\Users\\An\\Documents\\Talk.pptx"


def run_once(o, n):
    """The command RunOnce holds after run n, or None."""
    return (o.json("state-%d.json" % n)["registry"][RUN_ONCE] or {}).get("TBO Setup")


def record_after(o, n, name):
    return (o.json("state-%d.json" % n)["registry"][RECORD_KEY] or {}).get(name)


ROWS = [
    # The user opens PowerPoint, with a presentation, while the PowerPoint
    # press is asking Excel for the Office user folder. The press reaches
    # PowerPoint after that: the user's is let go of untouched (no add-in
    # switched off, no Quit) and the press ends there, left for a later run.
    Row("logon_user_opens_powerpoint_during_its_excel_phase", {
        "args": '/powerpoint /quiet /log "%s"' % LOG,
        "files": PPT_FILES, "folders": ["C:\\Logs"], "excel": EXCEL_BASE,
        "powerpoint": {"addins": [{"fullName": "C:\\Other\\other.ppa", "loaded": True, "registered": True}]},
        "userOpens": [{"app": "powerpoint", "after": {"app": "excel", "member": "Quit"}, "documents": [TALK]}],
    }, [], {
        "window": "never shown", "exitCode": 1618,
        "events": {"excel userOpens": 1},
        "count": {"excel Quit ok": 1, "powerpoint Quit": 0, "powerpoint Loaded": 0, "powerpoint Registered": 0,
                  "powerpoint Add": 0},
        "state": {"powerpoint.visible": True, "powerpoint.running": True, "powerpoint.documents": [TALK]},
        "more": [lambda o, eq: eq("the other vendor's add-in", [(a["loaded"], a["registered"])
                                                                 for a in o.state["powerpoint"]["addins"]],
                                  [(True, True)]),
                 lambda o, eq: eq("recorded", recorded(o.state["registry"][RECORD_KEY]), [])],
        "log": {LOG: [AT + r"RemoveOldPowerPointAddIn: PowerPoint is open \(1 presentation\): let go of untouched, "
                           r"the press ends here$"]},
        "logEnds": {LOG: AT + r"left for a later run: PowerPoint$"},
    }),
    # Word never answers: the call in hand, started before the deadline,
    # runs to its /timeout; none is made after the deadline, no press
    # starts after it, and what was not done is left for a later run. (The
    # call starts seconds before the deadline and is given up seconds after.)
    Row("logon_deadline_against_an_office_that_never_answers", {
        "args": '/word /powerpoint /excel /quiet /timeout 14 /deadline 8 /log "%s"' % LOG,
        "files": PPT_FILES + [f("C:\\Tambrel\\Tambrel_O21.dot"), f("C:\\Tambrel\\Tambrel_O21.xla")],
        "folders": ["C:\\Logs"], "excel": EXCEL_BASE,
        "hold": {"app": "word", "member": "Templates", "end": "never"},
    }, [], {
        "window": "never shown", "exitCode": 1618,
        "count": {"word Quit": 0, "powerpoint": 0, "excel": 0},
        "events": {"powerpoint start": 0, "excel start": 0},
        "log": {LOG: [AT + r"RemoveOldWordTemplates: Word Templates given up after 14 s: Word did not answer "
                           r"\(0x80010002\)$",
                      AT + r"the run's deadline passed during its press: left for a later run$",
                      AT + r"the run's deadline has passed: left for a later run$"]},
        "logEnds": {LOG: AT + r"left for a later run: Word, PowerPoint, Excel$"},
    }),
    # /nextlogon: a refused command line leaves nothing for the next logon;
    # a run that leaves Word for later writes its own command to RunOnce
    # (Windows deletes it as it runs it) and counts the retry; the next one
    # counts again; a complete run removes both.
    Row("logon_next_logon_after_a_deferral_and_a_complete_run", {
        "args": ['/word /nextlogon /frobnicate',
                 '/word /quiet /nextlogon /log "%s"' % LOG,
                 '/word /quiet /nextlogon /log "%s"' % LOG,
                 '/word /quiet /nextlogon /closeapps /log "%s"' % LOG],
        "files": [f("C:\\Tambrel\\Tambrel_O21.dot")], "folders": ["C:\\Logs", "%TEMP%"],
        "word": {"running": True, "documents": ["C:\\Users\\An\\Documents\\Letter.docx"], "templates": []},
    }, [], {
        "window": "never shown", "exitCode": 0, "runs": [{"exitCode": 87}, {"exitCode": 1618}, {"exitCode": 1618},
                                                         {"exitCode": 0}],
        "more": [lambda o, eq: eq("RunOnce after a refused command line", run_once(o, 1), None),
                 lambda o, eq: eq("RunOnce after each deferral: this program, with the same switches", [bool(re.match(
                     r'^"[A-Z]:\\.*\\TBO_Setup\.exe" /word /quiet /nextlogon /log "C:\\Logs\\tbo setup\.log"$',
                     run_once(o, n) or "")) for n in (2, 3)], [True, True]),
                 lambda o, eq: eq("retries counted", [record_after(o, n, "Retries") for n in (2, 3, 4)],
                                  ["1", "2", None]),
                 lambda o, eq: eq("RunOnce after the complete run", run_once(o, 4), None),
                 lambda o, eq: eq("LastResult of the deferral", bool(re.match(
                     r"^1618; left for a later run: Word; \d{4}-\d\d-\d\d \d\d:\d\d$",
                     record_after(o, 2, "LastResult") or "")), True)],
        "log": {LOG: [AT + r"run again at the next logon \(1 of 3\): HKCU\\Software\\Microsoft\\Windows\\"
                           r"CurrentVersion\\RunOnce TBO Setup = ",
                      AT + r"run again at the next logon \(2 of 3\)",
                      AT + r"no longer run again at the next logon$"]},
    }),
]
