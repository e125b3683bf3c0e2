"""The fault campaign end to end: Office missing, failing, killed or dying;
old files read-only, hidden, system, locked or links; overlong Vietnamese
paths; closes in the middle of a run; repeated presses."""

from e2e import FALSE, TRUE, Row, f
from harness.check import last_call_index
from installers import EXCEL_BASE, EXCEL_LAUNCH, PCB, PPT_FILES, PROGRAM, STARTUP, USER, built, menus

EXCEL_FILES = [f(STARTUP + "\\tbadd.xla"), f("C:\\Tambrel\\tbadd.xla"), f("C:\\Tambrel\\Tambrel_O21.xla")]
WORD_FILES = [f("C:\\Tambrel\\Tambrel_O21.dot"), f("C:\\Old\\tbadd.dot"), f("C:\\Tambrel\\tbadd.dot")]
CURRENT = ["C:\\Tambrel\\Tambrel_O21.dot", "C:\\Tambrel\\Tambrel_O21.xla", "C:\\Tambrel\\Tambrel_O21.ppa"]
OLD = ["C:\\Tambrel\\tbadd.dot", "C:\\Tambrel\\tbadd.xla", "C:\\Tambrel\\tbadd.ppa"]
USER_DOCS = "C:\\Users\\An\\Documents"
# Four folders of 60 letters put every file of this profile past 260 characters.
LONG_USER = "C:\\Users\\An\\AppData\\Roaming\\" + "\\".join(
    ("%d-" % i) + "th\u01b0 m\u1ee5c d\u00e0i " * 5 + "x" * 10 for i in range(4)) + "\\Microsoft"
PCB_COUNT = 100
ROUNDS = 3


def pids(o, what):
    return [l["pid"] for l in o.calls(what)]


def started(o, app, n):
    starts = o.events(app + " start")
    return [starts[n]["pid"]] if len(starts) > n else []


def usage_steady(o, eq):
    """Nothing piles up from round to round. Sampled after each round: a
    thread, a handle, a descriptor or a megabyte more after every round is an
    accumulation; one more at one sample (a thread the system starts once,
    the call thread's successor) is not."""
    samples = [o.json("usage-%d.json" % (3 * n)) or {} for n in range(1, ROUNDS + 1)]
    figures = [dict(s.get("unix", {}), handles=s.get("systemHandles")) for s in samples]
    eq("figures read after every round", all(isinstance(f.get(k), int) and f[k] > 0 for f in figures
                                              for k in ("VmData", "Threads", "fds", "handles")), True)
    if not all(isinstance(f.get(k), int) for f in figures for k in ("VmData", "Threads", "fds", "handles")):
        return
    for key, unit in (("Threads", 1), ("handles", 1), ("fds", 1), ("VmData", 1024)):
        growth = [later[key] - earlier[key] for earlier, later in zip(figures, figures[1:])]
        eq("%s grew by %d or more in every round (%s)" % (key, unit, growth), min(growth) >= unit, False)


# Plays of half a minute or more, started first.
SLOW = [
    Row("all_three_pressed_%d_times" % ROUNDS, {
        "files": PPT_FILES + [f(PCB + "\\PowerPoint.pcb")] + EXCEL_FILES + WORD_FILES
        + [f(USER + "\\Templates\\Normal.dot")],
        "excel": EXCEL_BASE, "word": {"templates": [USER + "\\Templates\\Normal.dot", "C:\\Old\\tbadd.dot"]},
        "usage": 3,
    }, ["powerpoint", "excel", "word"] * ROUNDS, {
        "more": [
            built(), usage_steady,
            # Word makes a fresh global template each time; each press sets
            # the last one aside.
            lambda o, eq: eq("files after the rounds", sorted(o.files), sorted(p.lower() for p in CURRENT + [
                PCB + "\\PowerPoint.pcb.backup-1", USER + "\\Templates\\Normal.dot"] + [
                USER + "\\Templates\\Normal.dot.backup-%d" % n for n in range(1, ROUNDS + 1)])),
            lambda o, eq: eq("PowerPoint add-ins", [a["fullName"] for a in o.state["powerpoint"]["addins"]],
                             ["C:\\Tambrel\\Tambrel_O21.ppa"]),
            lambda o, eq: eq("Excel add-ins", [a["name"] for a in o.state["excel"]["addins"]], ["Tambrel_O21"]),
        ],
        "count": {"word Open ok": ROUNDS},
        "launches": [EXCEL_LAUNCH] * ROUNDS,
    }),
]

ROWS = [
    Row("powerpoint_not_installed", {
        "files": [f("C:\\Tambrel\\tbadd.ppa"), f(PCB + "\\PowerPoint.pcb")] + PPT_FILES,
        "excel": EXCEL_BASE, "powerpoint": {"installed": False},
    }, ["powerpoint"], {
        "count": {"powerpoint": 0},
        "absent": ["C:\\Tambrel\\tbadd.ppa", PCB + "\\PowerPoint.pcb"],
        "present": [PCB + "\\PowerPoint.pcb.backup-1"],
        "state": {"excel.running": False},
    }),
    Row("no_office_three_buttons", {
        "word": {"installed": False}, "excel": {"installed": False}, "powerpoint": {"installed": False},
        "files": [f(p, "readonly") for p in OLD] + [f(p) for p in CURRENT],
    }, ["word", "excel", "powerpoint"], {
        "absent": OLD, "present": CURRENT, "launches": [],
        "more": [lambda o, eq: eq("Office calls and starts",
                                  [l for l in o.journal if l.get("event") in ("call", "start")], [])],
    }),
    Row("word_templates_fails", {
        "files": WORD_FILES + [f(USER + "\\Templates\\Normal.dot")],
        "word": {"templates": [USER + "\\Templates\\Normal.dot", "C:\\Old\\tbadd.dot"]},
        "faults": [{"app": "word", "member": "Templates", "error": "0x800A1735"}],
    }, ["word"], {
        # The scan is skipped; the product folder's old template still goes.
        "present": ["C:\\Old\\tbadd.dot", USER + "\\Templates\\Normal.dot"],
        "absent": ["C:\\Tambrel\\tbadd.dot"],
        "count": {"word Templates ok": 0, "word Quit": 1, "word Open ok": 1, "word Visible ok": 1},
    }),
    Row("excel_folders_not_read", {
        "files": EXCEL_FILES + [f(USER + "\\Excel\\tbadd.xls"), f(USER + "\\Excel\\tbadd.xla"),
                                f(USER + "\\Excel\\EXCEL.EXE", copyOf="excel_launch.exe")],
        "excel": EXCEL_BASE,
        "faults": [{"app": "excel", "member": "Path", "error": "0x800A03EC"},
                   {"app": "excel", "member": "StartupPath", "error": "0x800A03EC", "after": 1}],
    }, ["excel", "excel"], {
        # A folder left from an earlier step or press is never searched nor
        # started from: the second press finds no startup folder, and no
        # press learns Excel's own folder.
        "absent": [STARTUP + "\\tbadd.xla", USER + "\\Excel\\tbadd.xls", "C:\\Tambrel\\tbadd.xla"],
        "present": [USER + "\\Excel\\tbadd.xla"],
        "count": {"excel Add ok": 2},
        "puts": {"excel Installed": [FALSE, TRUE, FALSE, TRUE]},
        "launches": [],
    }),
    Row("excel_killed_in_held_call", {
        "files": EXCEL_FILES, "excel": EXCEL_BASE, "hold": {"app": "excel", "member": "StartupPath", "end": "kill"},
    }, ["excel"], {
        "held": "Installing TB-Microsoft Excel",
        "present": [STARTUP + "\\tbadd.xla"],
        "absent": ["C:\\Tambrel\\tbadd.xla"],
        "events": {"excel start": 2},
        "puts": {"excel Installed": [FALSE, TRUE]},
        "more": [lambda o, eq: eq("kill status", o.harness.get("killStatus"), 0),
                 lambda o, eq: eq("Add made by the new Excel", pids(o, "excel Add ok"), started(o, "excel", 1))],
    }),
    Row("excel_dies_after_answering_with_hidden_and_system_files", {
        "files": [f(STARTUP + "\\tbadd.xla", "hidden"), f(USER + "\\Excel\\tbadd.xls"),
                  f("C:\\Tambrel\\tbadd.xla", "system"), f("C:\\Tambrel\\Tambrel_O21.xla")],
        "excel": EXCEL_BASE, "dies": [{"app": "excel", "member": "StartupPath", "when": "after"}],
    }, ["excel"], {
        # The answer is used (the user folder is searched); no later call
        # reaches the dead Excel; hidden and system files are never found.
        "absent": [USER + "\\Excel\\tbadd.xls"],
        "attributes": {STARTUP + "\\tbadd.xla": ["hidden"], "C:\\Tambrel\\tbadd.xla": ["system"]},
        "puts": {"excel Installed": [FALSE, TRUE]},
        "launches": [EXCEL_LAUNCH],
        "more": [lambda o, eq: eq("calls reaching the first Excel",
                                  [l["member"] for l in o.calls("excel") if [l["pid"]] == started(o, "excel", 0)],
                                  ["StartupPath"])],
    }),
    Row("word_dies_in_second_call", {
        "files": WORD_FILES, "word": {"templates": ["C:\\Old\\tbadd.dot"]},
        "dies": [{"app": "word", "calls": 2, "when": "during"}],
    }, ["word"], {
        "present": ["C:\\Old\\tbadd.dot"],
        "events": {"word start": 2},
        "more": [lambda o, eq: eq("Visible put by the new Word", pids(o, "word Visible ok"), started(o, "word", 1))],
    }),
    Row("old_files_locked", {
        "files": [f(STARTUP + "\\tbadd.xla", "readonly", content="locked"), f(USER + "\\Excel\\tbadd.xls"),
                  f("C:\\Tambrel\\tbadd.xla", "readonly"), f("C:\\Tambrel\\Tambrel_O21.xla"), f("C:\\Tambrel\\tbadd.dot")],
        "locked": [STARTUP + "\\tbadd.xla", USER + "\\Excel\\tbadd.xls", "C:\\Tambrel\\tbadd.xla"],
        "excel": EXCEL_BASE, "word": {"installed": False},
    }, ["excel", "word"], {
        # A file another program holds is left exactly as it was.
        "attributes": {STARTUP + "\\tbadd.xla": ["readonly"], USER + "\\Excel\\tbadd.xls": [],
                       "C:\\Tambrel\\tbadd.xla": ["readonly"]},
        "sizes": {STARTUP + "\\tbadd.xla": len("locked")},
        "absent": ["C:\\Tambrel\\tbadd.dot"],
        "puts": {"excel Installed": [FALSE, TRUE]},
        "more": [lambda o, eq: eq("files locked", [l["error"] for l in o.events("holder lock")], ["0x00000000"] * 3)],
    }),
    Row("links_to_folders_and_user_files", {
        "files": [f("C:\\Redirected\\XLSTART\\tbadd.xla"), f("C:\\Redirected\\XLSTART\\keep.xla"),
                  f(USER_DOCS + "\\Budget.xla", content="my budget"),
                  f(USER_DOCS + "\\Notes.xla", "readonly", content="my notes"), f("C:\\Tambrel\\Tambrel_O21.xla")],
        "links": [{"path": STARTUP, "target": "C:\\Redirected\\XLSTART"},
                  {"path": USER + "\\Excel\\tbadd.xls", "target": USER_DOCS + "\\Budget.xla"},
                  {"path": "C:\\Tambrel\\tbadd.xla", "target": USER_DOCS + "\\Notes.xla"}],
        "excel": EXCEL_BASE,
    }, ["excel"], {
        # Links in the folder part are followed; a link named like an old
        # file never costs the user the file behind it.
        "absent": ["C:\\Redirected\\XLSTART\\tbadd.xla"],
        "present": ["C:\\Redirected\\XLSTART\\keep.xla"],
        "sizes": {USER_DOCS + "\\Budget.xla": len("my budget"), USER_DOCS + "\\Notes.xla": len("my notes")},
        "more": [lambda o, eq: eq("XLSTART still a link", o.files.get(STARTUP.lower(), {}).get("link"),
                                  "C:\\Redirected\\XLSTART")],
    }),
    Row("paths_over_260_with_vietnamese_letters", {
        "files": [f(LONG_USER + "\\Excel\\XLSTART\\tbadd.xla", "readonly"), f(LONG_USER + "\\Excel\\tbadd.xls"),
                  f(LONG_USER + "\\PowerPoint\\PowerPoint.pcb"), f("C:\\Tambrel\\Tambrel_O21.ppa")],
        "excel": {"startupPath": LONG_USER + "\\Excel\\XLSTART", "path": PROGRAM},
    }, ["excel", "powerpoint"], {
        # Searched, reset, deleted and set aside past MAX_PATH.
        "absent": [LONG_USER + "\\Excel\\XLSTART\\tbadd.xla", LONG_USER + "\\Excel\\tbadd.xls",
                   LONG_USER + "\\PowerPoint\\PowerPoint.pcb"],
        "present": [LONG_USER + "\\PowerPoint\\PowerPoint.pcb.backup-1"],
    }),
    # Real Office lingers after Quit: still listed and holding its files,
    # answering nothing, refusing creations as stopping. PowerPoint lingers
    # past the wait for a listed instance, so its creation is refused too.
    Row("lingering_word_and_powerpoint", {
        "files": PPT_FILES + [f("C:\\Tambrel\\Tambrel_O21.dot"), f(USER + "\\Templates\\Normal.dot", content="mine")],
        "word": {"templates": [USER + "\\Templates\\Normal.dot"]}, "excel": EXCEL_BASE,
        "linger": [{"app": "word", "ms": 2000}, {"app": "powerpoint", "ms": 7000}],
    }, ["word", "powerpoint"], {
        "sizes": {USER + "\\Templates\\Normal.dot.backup-1": len("mine"), USER + "\\Templates\\Normal.dot": len("fresh")},
        "count": {"word Open ok": 1},
        "events": {"word stopping": 1, "powerpoint stopping": 1},
        "puts": {"powerpoint AddIn.Autoload": [TRUE]},
        "more": [built()],
    }),
    # An empty startup folder from Excel must not send a search to the
    # current folder (C:\users\Public) or the root of its drive.
    Row("empty_startup_folder", {
        "files": [f("C:\\tbadd.xla"), f("C:\\users\\Public\\tbadd.xls"), f("C:\\users\\Public\\tbadd.xla"),
                  f("C:\\users\\Public\\Custom.pcb"), f("C:\\Tambrel\\Tambrel_O21.xla")],
        "excel": {"startupPath": "", "path": PROGRAM},
    }, ["excel", "powerpoint"], {
        "present": ["C:\\tbadd.xla", "C:\\users\\Public\\tbadd.xls", "C:\\users\\Public\\tbadd.xla",
                    "C:\\users\\Public\\Custom.pcb"],
        "launches": [EXCEL_LAUNCH],
    }),
    # Closes during a run: sent while an Office call hangs (handled inside
    # it), or posted in the middle of the command-bar file loop.
    Row("close_during_word_quit", {
        "files": WORD_FILES, "word": {"templates": ["C:\\Old\\tbadd.dot"]},
        "hold": {"app": "word", "member": "Quit", "close": True},
    }, ["word"], {
        "window": "closed after the run", "held": "Installing TB-Microsoft Word",
        "count": {"word Open ok": 1, "word Visible ok": 1},
    }),
    Row("close_during_excel_wait_loop", {
        "files": EXCEL_FILES, "excel": dict(EXCEL_BASE, installedStaysTrue=3),
        "hold": {"app": "excel", "member": "Installed", "close": True},
    }, ["excel"], {
        # Each read-back of True costs one more pass.
        "window": "closed after the run", "held": "Installing TB-Microsoft Excel",
        "puts": {"excel Installed": [FALSE] * 4 + [TRUE]},
        "launches": [EXCEL_LAUNCH],
        "count": {"excel Quit ok": 2},
    }),
    Row("close_during_command_bar_file_loop", {
        "files": PPT_FILES + [f(PCB + "\\a%04d.pcb" % i) for i in range(PCB_COUNT)], "excel": EXCEL_BASE,
        "closeWhenGone": {"path": PCB + "\\a0000.pcb", "count": PCB + "\\*.pcb"},
    }, ["powerpoint"], {
        "window": "closed after the run",
        "more": [
            # The close is posted the moment the first file goes: before the
            # press's last call by seconds, whatever files were left then.
            lambda o, eq: eq("the close came during the press",
                             [o.journal.index(l) < last_call_index(o) for l in o.events("driver close")], [True]),
            lambda o, eq: eq("files set aside", len([p for p in o.files if p.endswith(".pcb.backup-1")]), PCB_COUNT),
            lambda o, eq: eq("menus", len(menus(o)), 1),
        ],
    }),
]
