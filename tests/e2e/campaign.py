#!/usr/bin/env python3
"""The fault campaign: Office that is missing, busy, failing, killed or
dying; old files that are read-only, hidden, system, locked or links;
Vietnamese and overlong paths; a planted C:\\Program.exe; closes in the
middle of a run; repeated presses. Each scenario is played end to end
through scripts/e2e, two at a time, and judged from what it left behind.
Prints "fault; expected; observed; ok" (FAIL when it failed) per scenario
and a closing "N passed, N failed" line."""

import concurrent.futures
import json
import os
import sys
import tempfile

from e2e import FALSE, ROOT, TRUE, bstr, play, put_value

USER = "C:\\Users\\An\\AppData\\Roaming\\Microsoft"
STARTUP = USER + "\\Excel\\XLSTART"
PROGRAM = "C:\\Program Files\\Microsoft Office\\Office 11"
EXCEL_BASE = {"startupPath": STARTUP, "path": PROGRAM}
NO_OFFICE = {"word": {"installed": False}, "excel": {"installed": False}, "powerpoint": {"installed": False}}

VN_USER = "C:\\Users\\Nguy\u1ec5n V\u0103n An\\AppData\\Roaming\\Microsoft"
# Four folders of 60 letters put every file of this profile past 260 characters.
LONG_USER = "C:\\Users\\An\\AppData\\Roaming\\" + "\\".join(
    ("%d-" % i) + "th\u01b0 m\u1ee5c d\u00e0i " * 5 + "x" * 10 for i in range(4)) + "\\Microsoft"


def f(path, *attributes, content="old", **more):
    return dict({"path": path, "attributes": list(attributes), "content": content}, **more)


def journal_events(o, app, event):
    return [l for l in o.journal if l.get("app") == app and l.get("event") == event]


def harness(o):
    return o._json("harness.json") or {}


def window_idle(o):
    """The window as read after the presses: Idle, or None when absent."""
    final = o._json("final.json")
    if not final:
        return None
    controls = {c["name"]: c for c in final["controls"]}
    return controls["lbStatus"]["caption"] == "" and all(
        controls[n]["enabled"] for n in ("cmdEXCEL", "cmdWORD", "cmdPOINT", "cmdCancel"))


def common(o, c, idle=True):
    """Every scenario: the run completed, the window is Idle again (or
    already gone after a deferred close) and the program exited normally."""
    c.eq("program exit code", harness(o).get("exitCode"), 0)
    if idle:
        c.eq("window Idle after the run", window_idle(o), True)


def installed_puts(o):
    return [put_value(l)["value"] for l in o.calls("excel", "Installed") if l["flags"] == 4]


def launches(o):
    return [l for l in o.journal if l.get("event") == "launch"]


def ok_calls(o, app, member, cls=None):
    return [l for l in o.calls(app, member, cls) if l["error"] == "0x00000000"]


def bars(o, name):
    return [b for b in o.state["powerpoint"]["commandBars"] if b["name"] == name]


def menus(o):
    menu_bar = bars(o, "Menu Bar")
    return [e for e in (menu_bar[0]["controls"] if menu_bar else []) if e.get("caption") == "Tamb&rel Tools"]


def present(o, paths):
    return {p: o.exists(p) for p in paths}


def attrs(o, path):
    entry = o.files.get(path.lower())
    return None if entry is None else entry.get("attributes")


def seconds(o):
    return "+".join("%g" % p["seconds"] for p in harness(o).get("presses", []))


# ---- Office not installed, and no Office at all

def check_word_missing(o, c):
    common(o, c)
    c.eq("calls reaching a Word", o.calls("word"), [])
    c.eq("C:\\Tambrel\\tbadd.dot present", o.exists("C:\\Tambrel\\tbadd.dot"), False)
    return "no Word call; product-folder tbadd.dot gone=%s; idle=%s" % (
        not o.exists("C:\\Tambrel\\tbadd.dot"), window_idle(o))


def check_excel_missing(o, c):
    common(o, c)
    c.eq("C:\\Tambrel\\tbadd.xla present", o.exists("C:\\Tambrel\\tbadd.xla"), False)
    c.eq("programs started", launches(o), [])
    return "launches=%d; tbadd.xla gone=%s; idle=%s" % (
        len(launches(o)), not o.exists("C:\\Tambrel\\tbadd.xla"), window_idle(o))


def check_powerpoint_missing(o, c):
    common(o, c)
    c.eq("calls reaching a PowerPoint", o.calls("powerpoint"), [])
    c.eq("files", present(o, ["C:\\Tambrel\\tbadd.ppa", USER + "\\PowerPoint\\PowerPoint.pcb",
                              USER + "\\PowerPoint\\PowerPoint.pcb.backup-1"]),
         {"C:\\Tambrel\\tbadd.ppa": False, USER + "\\PowerPoint\\PowerPoint.pcb": False,
          USER + "\\PowerPoint\\PowerPoint.pcb.backup-1": True})
    c.eq("Excel quit", o.state["excel"]["running"], False)
    return "no PowerPoint call; .pcb set aside; tbadd.ppa gone=%s; idle=%s" % (
        not o.exists("C:\\Tambrel\\tbadd.ppa"), window_idle(o))


def check_no_office(o, c):
    common(o, c)
    c.eq("Office calls", [l for l in o.journal if l.get("event") in ("call", "start")], [])
    c.eq("programs started", launches(o), [])
    c.eq("old files", present(o, ["C:\\Tambrel\\tbadd.dot", "C:\\Tambrel\\tbadd.xla", "C:\\Tambrel\\tbadd.ppa"]),
         {"C:\\Tambrel\\tbadd.dot": False, "C:\\Tambrel\\tbadd.xla": False, "C:\\Tambrel\\tbadd.ppa": False})
    c.eq("current files untouched", present(o, ["C:\\Tambrel\\Tambrel_O21.dot", "C:\\Tambrel\\Tambrel_O21.xla",
                                                 "C:\\Tambrel\\Tambrel_O21.ppa"]),
         dict.fromkeys(["C:\\Tambrel\\Tambrel_O21.dot", "C:\\Tambrel\\Tambrel_O21.xla",
                        "C:\\Tambrel\\Tambrel_O21.ppa"], True))
    return "3 runs in %ss; 0 Office calls; 3 old files gone; idle=%s" % (seconds(o), window_idle(o))


# ---- Busy Office: every call retried until it goes through

def check_word_busy(o, c):
    common(o, c)
    c.eq("calls turned away as busy", len(journal_events(o, "word", "busy")), 5)
    c.eq("old template present", o.exists("C:\\Old\\tbadd.dot"), False)
    c.eq("Open", len(ok_calls(o, "word", "Open")), 1)
    c.eq("Visible put", [put_value(l) for l in ok_calls(o, "word", "Visible")], [TRUE])
    return "busy=%d; old template gone; Open+Visible done; %ss" % (
        len(journal_events(o, "word", "busy")), seconds(o))


def check_excel_busy(o, c):
    common(o, c)
    c.eq("calls turned away as busy", len(journal_events(o, "excel", "busy")), 5)
    c.eq("old add-in present", o.exists(STARTUP + "\\tbadd.xla"), False)
    c.eq("Installed puts", installed_puts(o), [0, -1])
    c.eq("launches", len(launches(o)), 1)
    return "busy=%d; tbadd.xla gone; Installed puts %s; launches=%d" % (
        len(journal_events(o, "excel", "busy")), installed_puts(o), len(launches(o)))


def check_powerpoint_busy(o, c):
    common(o, c)
    c.eq("calls turned away as busy", len(journal_events(o, "powerpoint", "busy")), 5)
    c.eq("toolbars", len(bars(o, "Tambrel Tools")), 1)
    c.eq("menus", len(menus(o)), 1)
    c.eq("add-in added", [a["fullName"] for a in o.state["powerpoint"]["addins"]], ["C:\\Tambrel\\Tambrel_O21.ppa"])
    return "busy=%d; toolbar=%d menu=%d; add-in added" % (
        len(journal_events(o, "powerpoint", "busy")), len(bars(o, "Tambrel Tools")), len(menus(o)))


# ---- A member of each installer failing

def check_word_templates_fail(o, c):
    common(o, c)
    c.true("Templates failed", o.calls("word", "Templates") and
           all(l["error"] == "0x800A1735" for l in o.calls("word", "Templates")))
    c.eq("files", present(o, ["C:\\Old\\tbadd.dot", "C:\\Tambrel\\tbadd.dot", USER + "\\Templates\\Normal.dot"]),
         {"C:\\Old\\tbadd.dot": True, "C:\\Tambrel\\tbadd.dot": False, USER + "\\Templates\\Normal.dot": True})
    c.eq("Quit", len(o.calls("word", "Quit")), 1)
    c.eq("installation: Open and Visible", (len(ok_calls(o, "word", "Open")), len(ok_calls(o, "word", "Visible"))),
         (1, 1))
    return "listed template kept; product-folder one gone; Normal.dot untouched; Quit, Open, Visible done"


def check_excel_startup_fail(o, c):
    common(o, c)
    c.eq("files", present(o, [STARTUP + "\\tbadd.xla", USER + "\\Excel\\tbadd.xls", "C:\\Tambrel\\tbadd.xla"]),
         {STARTUP + "\\tbadd.xla": True, USER + "\\Excel\\tbadd.xls": True, "C:\\Tambrel\\tbadd.xla": False})
    c.eq("Add", len(ok_calls(o, "excel", "Add")), 1)
    c.eq("Installed puts", installed_puts(o), [0, -1])
    c.eq("launch lines", [l["commandLine"] for l in launches(o)],
         [PROGRAM + "\\EXCEL.EXE  C:\\TamBrel\\Tambrel_O21.xla"])
    return "no folder search (2 files kept); product-folder one gone; Add, puts %s, 1 launch" % installed_puts(o)


def check_powerpoint_bar_add_fail(o, c):
    common(o, c)
    c.eq("toolbars", bars(o, "Tambrel Tools"), [])
    m = menus(o)
    c.eq("menu entries", len(m[0]["controls"]) if m else None, 8)
    c.eq("add-in added with automatic loading",
         [(a["fullName"], a.get("autoload")) for a in o.state["powerpoint"]["addins"]],
         [("C:\\Tambrel\\Tambrel_O21.ppa", True)])
    c.eq("PowerPoint visible", o.state["powerpoint"]["visible"], True)
    return "no toolbar; menu with %d entries; add-in added; visible" % (len(m[0]["controls"]) if m else 0)


# ---- Servers that die or are killed

def check_excel_killed(o, c):
    common(o, c)
    h = harness(o)
    held = o.held or {}
    status = [x["caption"] for x in held.get("controls", []) if x["name"] == "lbStatus"]
    c.eq("status while held", status, ["Installing TB-Microsoft Excel"])
    c.eq("kill succeeded", h.get("killStatus"), 0)
    c.eq("files", present(o, [STARTUP + "\\tbadd.xla", "C:\\Tambrel\\tbadd.xla"]),
         {STARTUP + "\\tbadd.xla": True, "C:\\Tambrel\\tbadd.xla": False})
    starts = journal_events(o, "excel", "start")
    c.eq("Excel processes", len(starts), 2)
    second = starts[1]["pid"] if len(starts) > 1 else None
    c.eq("the installation ran in a new Excel", [l["pid"] for l in ok_calls(o, "excel", "Add")], [second])
    c.eq("Installed puts", installed_puts(o), [0, -1])
    return "killed pid %s; run ended %ss after the kill; new Excel did Add, puts %s; idle=%s" % (
        h.get("killed"), h.get("runEndAfterKill"), installed_puts(o), window_idle(o))


def check_powerpoint_killed(o, c):
    common(o, c)
    h = harness(o)
    c.eq("kill succeeded", h.get("killStatus"), 0)
    c.eq("toolbars", len(bars(o, "Tambrel Tools")), 1)
    c.eq("add-in added", len(ok_calls(o, "powerpoint", "Add", "AddIns")), 1)
    return "killed during Visible; run ended %ss after the kill; idle=%s" % (h.get("runEndAfterKill"), window_idle(o))


def check_excel_dies_after(o, c):
    common(o, c)
    c.eq("deaths", [l["when"] for l in journal_events(o, "excel", "die")], ["after"])
    first = journal_events(o, "excel", "start")[0]["pid"]
    c.eq("StartupPath answered", [l["error"] for l in o.calls("excel", "StartupPath")], ["0x00000000"])
    c.eq("no further call reached the dead Excel", [l["member"] for l in o.calls("excel") if l["pid"] == first],
         ["StartupPath"])
    c.eq("files", present(o, [STARTUP + "\\tbadd.xla", "C:\\Tambrel\\tbadd.xla"]),
         {STARTUP + "\\tbadd.xla": False, "C:\\Tambrel\\tbadd.xla": False})
    c.eq("Installed puts", installed_puts(o), [0, -1])
    c.eq("launches", len(launches(o)), 1)
    return "died after answering StartupPath; old add-in deleted; new Excel: puts %s, %d launch" % (
        installed_puts(o), len(launches(o)))


def check_word_dies_during(o, c):
    common(o, c)
    c.eq("deaths", [l["when"] for l in journal_events(o, "word", "die")], ["during"])
    starts = journal_events(o, "word", "start")
    c.eq("Word processes", len(starts), 2)
    c.eq("Visible put by the new Word", [l["pid"] for l in ok_calls(o, "word", "Visible")],
         [starts[1]["pid"]] if len(starts) > 1 else [])
    c.eq("old template kept (its name was never read)", o.exists("C:\\Old\\tbadd.dot"), True)
    return "died in its 2nd call; a new Word made visible; idle=%s" % window_idle(o)


# ---- Excel's add-in never reads off

def check_excel_stuck(o, c):
    common(o, c)
    puts = installed_puts(o)
    c.true("the wait ended at its bound and the add-in was switched on", puts[-1:] == [-1] and len(puts) > 20)
    c.true("Excel was asked to quit", ok_calls(o, "excel", "Quit"))
    return "%d Installed puts, last True; Quit; press took %ss" % (len(puts), seconds(o))


# ---- Old files: attributes, locks, links

def check_attributes(o, c):
    common(o, c)
    c.eq("files", present(o, [STARTUP + "\\tbadd.xla", USER + "\\Excel\\tbadd.xls", "C:\\Tambrel\\tbadd.xla"]),
         {STARTUP + "\\tbadd.xla": True, USER + "\\Excel\\tbadd.xls": True, "C:\\Tambrel\\tbadd.xla": False})
    c.eq("hidden stays hidden", attrs(o, STARTUP + "\\tbadd.xla"), ["hidden"])
    c.eq("system stays system", attrs(o, USER + "\\Excel\\tbadd.xls"), ["system"])
    return "read-only deleted; hidden %s and system %s kept" % (
        attrs(o, STARTUP + "\\tbadd.xla"), attrs(o, USER + "\\Excel\\tbadd.xls"))


def check_locked(o, c):
    common(o, c)
    c.eq("files locked by the other program", [l["error"] for l in journal_events(o, "holder", "lock")],
         ["0x00000000"] * 3)
    c.eq("files", present(o, [STARTUP + "\\tbadd.xla", USER + "\\Excel\\tbadd.xls", "C:\\Tambrel\\tbadd.xla",
                              "C:\\Tambrel\\tbadd.dot"]),
         {STARTUP + "\\tbadd.xla": True, USER + "\\Excel\\tbadd.xls": True, "C:\\Tambrel\\tbadd.xla": True,
          "C:\\Tambrel\\tbadd.dot": False})
    c.eq("attributes unchanged", [attrs(o, p) for p in (STARTUP + "\\tbadd.xla", USER + "\\Excel\\tbadd.xls",
                                                       "C:\\Tambrel\\tbadd.xla")],
         [["readonly"], [], ["readonly"]])
    c.eq("contents unchanged", [o.files[p.lower()]["size"] for p in (STARTUP + "\\tbadd.xla",)], [len("locked")])
    c.eq("installation went on", installed_puts(o), [0, -1])
    return "3 locked files kept with attributes %s; the unlocked one deleted; installation done" % (
        [attrs(o, p) for p in (STARTUP + "\\tbadd.xla", USER + "\\Excel\\tbadd.xls", "C:\\Tambrel\\tbadd.xla")])


def check_junction(o, c):
    common(o, c)
    link = o.files.get(STARTUP.lower(), {})
    c.eq("XLSTART is still a link to its folder", link.get("link"), "C:\\Redirected\\XLSTART")
    c.eq("files", present(o, ["C:\\Redirected\\XLSTART\\tbadd.xla", "C:\\Redirected\\XLSTART\\keep.xla"]),
         {"C:\\Redirected\\XLSTART\\tbadd.xla": False, "C:\\Redirected\\XLSTART\\keep.xla": True})
    return "link kept=%s; tbadd.xla in the linked folder gone; keep.xla kept" % (link.get("link") is not None)


def check_symlink(o, c):
    common(o, c)
    budget = o.files.get((USER_DOCS + "\\Budget.xla").lower())
    notes = o.files.get((USER_DOCS + "\\Notes.xla").lower())
    c.true("the user's Budget.xla survives with its content", budget and budget["size"] == len("my budget"))
    c.true("the user's Notes.xla survives with its content", notes and notes["size"] == len("my notes"))
    links = [p for p in (STARTUP + "\\tbadd.xla", "C:\\Tambrel\\tbadd.xla") if o.files.get(p.lower(), {}).get("link")]

    def fate(entry):
        return "deleted" if entry is None else "kept %s" % entry["attributes"]
    return "Budget.xla %s, read-only Notes.xla %s; links left in place: %d of 2" % (
        fate(budget), fate(notes), len(links))


# ---- Paths

def check_profile(base):
    def check(o, c):
        common(o, c)
        xlstart = base + "\\Excel\\XLSTART"
        expected = {xlstart + "\\tbadd.xla": False, base + "\\Excel\\tbadd.xls": False,
                    base + "\\PowerPoint\\PowerPoint.pcb": False, base + "\\PowerPoint\\PowerPoint.pcb.backup-1": True,
                    base + "\\Templates\\Normal.dot": False, base + "\\Templates\\Normal.dot.backup-1": True,
                    base + "\\Templates\\tbadd.dot": False}
        c.eq("files", present(o, list(expected)), expected)
        c.eq("toolbars", len(bars(o, "Tambrel Tools")), 1)
        return "longest path %d chars; 3 deleted, 2 set aside; toolbar built" % max(len(p) for p in expected)
    return check


def profile_scenario(base):
    return {
        "files": [f(base + "\\Excel\\XLSTART\\tbadd.xla", "readonly"), f(base + "\\Excel\\tbadd.xls"),
                  f(base + "\\PowerPoint\\PowerPoint.pcb"), f(base + "\\Templates\\Normal.dot"),
                  f(base + "\\Templates\\tbadd.dot"), f("C:\\Tambrel\\Tambrel_O21.ppa")],
        "word": {"templates": [base + "\\Templates\\Normal.dot", base + "\\Templates\\tbadd.dot"]},
        "excel": {"startupPath": base + "\\Excel\\XLSTART", "path": PROGRAM},
    }


def check_program_exe(o, c):
    common(o, c)
    images = [l.get("image") for l in launches(o)]
    c.eq("programs started", images, [PROGRAM + "\\EXCEL.EXE"])
    return "started: %s" % images


# ---- Closes in the middle of a run

def check_close_quit_loop(o, c):
    common(o, c, idle=False)
    c.true("the close was posted during the held Quit", harness(o).get("closePosted"))
    c.true("the window is gone after the run", o._json("final.json") is None)
    c.eq("installation completed first: Open, Visible",
         (len(ok_calls(o, "word", "Open")), len(ok_calls(o, "word", "Visible"))), (1, 1))
    return "close deferred; Open+Visible done; exit %s" % harness(o).get("exitCode")


def check_close_wait_loop(o, c):
    common(o, c, idle=False)
    c.true("the close was posted during the first Installed put", harness(o).get("closePosted"))
    c.true("the window is gone after the run", o._json("final.json") is None)
    c.eq("Installed puts", installed_puts(o), [0, 0, 0, 0, -1])
    c.eq("launches", len(launches(o)), 1)
    c.eq("Quit", len(ok_calls(o, "excel", "Quit")), 2)
    return "close deferred; puts %s; launch; Quit; exit %s" % (installed_puts(o), harness(o).get("exitCode"))


PCB_FOLDER = USER + "\\PowerPoint"
PCB_COUNT = 400


def check_close_pcb_loop(o, c):
    common(o, c, idle=False)
    closes = [l for l in o.journal if l.get("app") == "driver" and l.get("event") == "close"]
    c.eq("one close posted", len(closes), 1)
    pending = closes[0].get("matching") if closes else None
    c.true("the close came with command-bar files still to move (%s)" % pending, pending and pending > 0)
    starts = journal_events(o, "powerpoint", "start")
    c.true("the close came before PowerPoint was reached",
           closes and starts and o.journal.index(closes[0]) < o.journal.index(starts[0]))
    backups = [p for p in o.files if p.endswith(".pcb.backup-1")]
    c.eq("command-bar files set aside", len(backups), PCB_COUNT)
    c.eq("toolbars", len(bars(o, "Tambrel Tools")), 1)
    c.true("the window is gone after the run", o._json("final.json") is None)
    return "close posted with %s of %d .pcb left; all set aside; toolbar built; exit %s" % (
        pending, PCB_COUNT, harness(o).get("exitCode"))


# ---- Ten presses

def usage_figures(o):
    out = []
    for i in (1, 10):
        u = o._json("usage-%d.json" % i) or {}
        out.append(u)
    return out


def usage_text(o):
    first, last = usage_figures(o)
    u1, u10 = first.get("unix", {}), last.get("unix", {})
    return "after presses 1 and 10: Windows handles %s/%s, GDI %s/%s, USER %s/%s; RSS KB %s/%s, data KB %s/%s, fds %s/%s" % (
        first.get("handles"), last.get("handles"), first.get("gdiObjects"), last.get("gdiObjects"),
        first.get("userObjects"), last.get("userObjects"), u1.get("VmRSS"), u10.get("VmRSS"),
        u1.get("VmData"), u10.get("VmData"), u1.get("fds"), u10.get("fds"))


def check_usage(o, c):
    # Press 1 loads COM and its proxies; from then on nothing may pile up.
    # Wine reports zeros for some Windows counters; a zero cannot grow.
    first, last = usage_figures(o)
    for key in ("handles", "gdiObjects", "userObjects"):
        if first.get(key) is not None and last.get(key) is not None:
            c.true("%s grew from %s to %s over presses 1 to 10" % (key, first[key], last[key]),
                   last[key] <= first[key] + 4)
    u1, u10 = first.get("unix", {}), last.get("unix", {})
    c.true("process figures read", u1.get("VmData") and u10.get("VmData"))
    if u1.get("VmData") and u10.get("VmData"):
        c.true("data segment grew by more than 1 MB (%s to %s KB)" % (u1["VmData"], u10["VmData"]),
               u10["VmData"] - u1["VmData"] < 1024)
        c.true("descriptors grew (%s to %s)" % (u1.get("fds"), u10.get("fds")), u10.get("fds", 0) <= u1.get("fds", 0) + 2)


def listing(o):
    return sorted((p, tuple(e.get("attributes", ())), e.get("link")) for p, e in o.files.items())


def check_word_ten(o, c):
    common(o, c)
    check_usage(o, c)
    expected = sorted(p.lower() for p in ["C:\\Tambrel\\Tambrel_O21.dot", USER + "\\Templates\\Normal.dot.backup-1"])
    c.eq("files as after one press", sorted(o.files), expected)
    c.eq("Open calls", len(ok_calls(o, "word", "Open")), 10)
    return "files as after one press; %s; %ss" % (usage_text(o), seconds(o))


def check_excel_ten(o, c):
    common(o, c)
    check_usage(o, c)
    c.eq("files as after one press", sorted(o.files), [("C:\\Tambrel\\Tambrel_O21.xla").lower()])
    c.eq("add-ins listed", [a["name"] for a in o.state["excel"]["addins"]], ["Tambrel_O21"])
    c.eq("launches", len(launches(o)), 10)
    return "files as after one press; one add-in; %s" % usage_text(o)


def check_powerpoint_ten(o, c):
    common(o, c)
    check_usage(o, c)
    c.eq("toolbars", len(bars(o, "Tambrel Tools")), 1)
    c.eq("menus", len(menus(o)), 1)
    c.eq("files as after one press", sorted(o.files),
         sorted(p.lower() for p in ["C:\\Tambrel\\Tambrel_O21.ppa", PCB_FOLDER + "\\PowerPoint.pcb.backup-1"]))
    c.eq("add-ins", [a["fullName"] for a in o.state["powerpoint"]["addins"]], ["C:\\Tambrel\\Tambrel_O21.ppa"])
    return "one toolbar, one menu, one add-in; files as after one press; %s" % usage_text(o)


USER_DOCS = "C:\\Users\\An\\Documents"
WORD_FILES = [f("C:\\Tambrel\\Tambrel_O21.dot"), f("C:\\Old\\tbadd.dot"), f("C:\\Tambrel\\tbadd.dot")]
EXCEL_FILES = [f(STARTUP + "\\tbadd.xla"), f("C:\\Tambrel\\tbadd.xla"), f("C:\\Tambrel\\Tambrel_O21.xla")]
PPT_FILES = [f("C:\\Tambrel\\Tambrel_O21.ppa")]

# (name, fault, expected, scenario, presses, check); the longest first, so
# that two at a time finish together.
CASES = [
    ("excel_installed_stuck_at_true", "Excel's Installed stays True",
     "wait ends at its bound, add-in switched on, Excel quit",
     {"files": EXCEL_FILES, "excel": dict(EXCEL_BASE, installedStaysTrue=1000000)}, ["excel"], check_excel_stuck),
    ("powerpoint_ten_presses", "PowerPoint pressed ten times", "one toolbar and one menu, same files, no growth",
     {"files": PPT_FILES + [f(PCB_FOLDER + "\\PowerPoint.pcb")], "excel": EXCEL_BASE, "usage": True},
     ["powerpoint"] * 10, check_powerpoint_ten),
    ("excel_ten_presses", "Excel pressed ten times", "same files as one press, no growth",
     {"files": EXCEL_FILES, "excel": EXCEL_BASE, "usage": True}, ["excel"] * 10, check_excel_ten),
    ("word_ten_presses", "Word pressed ten times", "same files as one press, no growth",
     {"files": WORD_FILES + [f(USER + "\\Templates\\Normal.dot")],
      "word": {"templates": [USER + "\\Templates\\Normal.dot", "C:\\Old\\tbadd.dot"]}, "usage": True},
     ["word"] * 10, check_word_ten),
    ("word_not_installed", "Word not installed", "no Word call, file steps run, Idle",
     {"files": [f("C:\\Tambrel\\tbadd.dot", "readonly"), f("C:\\Tambrel\\Tambrel_O21.dot")],
      "word": {"installed": False}}, ["word"], check_word_missing),
    ("excel_not_installed", "Excel not installed", "nothing started, file steps run, Idle",
     {"files": [f("C:\\Tambrel\\tbadd.xla", "readonly"), f("C:\\Tambrel\\Tambrel_O21.xla")],
      "excel": {"installed": False}}, ["excel"], check_excel_missing),
    ("powerpoint_not_installed", "PowerPoint not installed", "no PowerPoint call, Excel and file steps run",
     {"files": [f("C:\\Tambrel\\tbadd.ppa"), f(USER + "\\PowerPoint\\PowerPoint.pcb")] + PPT_FILES,
      "excel": EXCEL_BASE, "powerpoint": {"installed": False}}, ["powerpoint"], check_powerpoint_missing),
    ("no_office_three_buttons", "no Office at all, all three buttons", "three runs end, file steps run, Idle",
     dict(NO_OFFICE, files=[f("C:\\Tambrel\\tbadd.dot"), f("C:\\Tambrel\\tbadd.xla"), f("C:\\Tambrel\\tbadd.ppa"),
                            f("C:\\Tambrel\\Tambrel_O21.dot"), f("C:\\Tambrel\\Tambrel_O21.xla"),
                            f("C:\\Tambrel\\Tambrel_O21.ppa")]),
     ["word", "excel", "powerpoint"], check_no_office),
    ("word_busy_5", "Word busy for 5 calls", "calls retried, run does its work",
     {"files": WORD_FILES, "word": {"templates": ["C:\\Old\\tbadd.dot"]}, "busy": [{"app": "word", "calls": 5}]},
     ["word"], check_word_busy),
    ("excel_busy_5", "Excel busy for 5 calls", "calls retried, run does its work",
     {"files": EXCEL_FILES, "excel": EXCEL_BASE, "busy": [{"app": "excel", "calls": 5}]},
     ["excel"], check_excel_busy),
    ("powerpoint_busy_5", "PowerPoint busy for 5 calls", "calls retried, run does its work",
     {"files": PPT_FILES, "excel": EXCEL_BASE, "busy": [{"app": "powerpoint", "calls": 5}]},
     ["powerpoint"], check_powerpoint_busy),
    ("word_templates_fails", "Word Templates fails", "scan skipped, Quit, installation done",
     {"files": WORD_FILES + [f(USER + "\\Templates\\Normal.dot")],
      "word": {"templates": [USER + "\\Templates\\Normal.dot", "C:\\Old\\tbadd.dot"]},
      "faults": [{"app": "word", "member": "Templates", "error": "0x800A1735"}]}, ["word"], check_word_templates_fail),
    ("excel_startup_path_fails", "Excel StartupPath fails", "no folder search, installation done",
     {"files": EXCEL_FILES + [f(USER + "\\Excel\\tbadd.xls")], "excel": EXCEL_BASE,
      "faults": [{"app": "excel", "member": "StartupPath", "error": "0x800A03EC"}]},
     ["excel"], check_excel_startup_fail),
    ("powerpoint_commandbars_add_fails", "PowerPoint CommandBars.Add fails", "no toolbar, menu and add-in done",
     {"files": PPT_FILES, "excel": EXCEL_BASE,
      "faults": [{"app": "powerpoint", "member": "Add", "class": "CommandBars", "error": "0x80004005"}]},
     ["powerpoint"], check_powerpoint_bar_add_fail),
    ("excel_killed_in_held_call", "Excel hangs in StartupPath and is killed",
     "pending and later calls fail, run completes, Idle",
     {"files": EXCEL_FILES, "excel": EXCEL_BASE, "hold": {"app": "excel", "member": "StartupPath", "end": "kill"}},
     ["excel"], check_excel_killed),
    ("powerpoint_killed_in_held_call", "PowerPoint hangs in Visible and is killed", "run completes, Idle",
     {"files": PPT_FILES, "excel": EXCEL_BASE,
      "hold": {"app": "powerpoint", "class": "Application", "member": "Visible", "end": "kill"}}, ["powerpoint"], check_powerpoint_killed),
    ("excel_dies_between_calls", "Excel dies right after answering StartupPath",
     "answer used, later calls fail, new Excel installs",
     {"files": EXCEL_FILES, "excel": EXCEL_BASE, "dies": [{"app": "excel", "member": "StartupPath", "when": "after"}]},
     ["excel"], check_excel_dies_after),
    ("word_dies_in_second_call", "Word dies during its 2nd call", "run completes, new Word installs",
     {"files": WORD_FILES, "word": {"templates": ["C:\\Old\\tbadd.dot"]},
      "dies": [{"app": "word", "calls": 2, "when": "during"}]}, ["word"], check_word_dies_during),
    ("old_files_readonly_hidden_system", "old files read-only, hidden, system",
     "read-only deleted, hidden and system kept",
     {"files": [f(STARTUP + "\\tbadd.xla", "hidden"), f(USER + "\\Excel\\tbadd.xls", "system"),
                f("C:\\Tambrel\\tbadd.xla", "readonly"), f("C:\\Tambrel\\Tambrel_O21.xla")], "excel": EXCEL_BASE},
     ["excel"], check_attributes),
    ("old_files_locked", "old files locked by another program", "locked ones kept, attributes unchanged",
     {"files": [f(STARTUP + "\\tbadd.xla", "readonly", content="locked"), f(USER + "\\Excel\\tbadd.xls"),
                f("C:\\Tambrel\\tbadd.xla", "readonly"), f("C:\\Tambrel\\Tambrel_O21.xla"),
                f("C:\\Tambrel\\tbadd.dot")],
      "locked": [STARTUP + "\\tbadd.xla", USER + "\\Excel\\tbadd.xls", "C:\\Tambrel\\tbadd.xla"],
      "excel": EXCEL_BASE, "word": {"installed": False}}, ["excel", "word"], check_locked),
    ("xlstart_is_a_directory_link", "XLSTART is a link to another folder",
     "named entry deleted inside, link and folder kept",
     {"files": [f("C:\\Redirected\\XLSTART\\tbadd.xla"), f("C:\\Redirected\\XLSTART\\keep.xla"),
                f("C:\\Tambrel\\Tambrel_O21.xla")],
      "links": [{"path": STARTUP, "target": "C:\\Redirected\\XLSTART"}], "excel": EXCEL_BASE},
     ["excel"], check_junction),
    ("tbadd_xla_is_a_file_link", "tbadd.xla is a link to a user file", "the user file survives",
     {"files": [f(USER_DOCS + "\\Budget.xla", content="my budget"),
                f(USER_DOCS + "\\Notes.xla", "readonly", content="my notes"), f("C:\\Tambrel\\Tambrel_O21.xla")],
      "links": [{"path": STARTUP + "\\tbadd.xla", "target": USER_DOCS + "\\Budget.xla"},
                {"path": "C:\\Tambrel\\tbadd.xla", "target": USER_DOCS + "\\Notes.xla"}],
      "excel": EXCEL_BASE}, ["excel"], check_symlink),
    ("vietnamese_profile", "Vietnamese user profile path", "old files removed, set aside, toolbar built",
     profile_scenario(VN_USER), ["word", "excel", "powerpoint"], check_profile(VN_USER)),
    ("path_over_260", "profile paths over 260 characters", "old files removed, set aside, toolbar built",
     profile_scenario(LONG_USER), ["word", "excel", "powerpoint"], check_profile(LONG_USER)),
    ("planted_program_exe", "planted C:\\Program.exe and C:\\Program Files\\Microsoft.exe",
     "only Office 11\\EXCEL.EXE is started",
     {"files": [f("C:\\Program.exe", copyOf="excel_launch.exe"),
                f("C:\\Program Files\\Microsoft.exe", copyOf="excel_launch.exe"),
                f("C:\\Tambrel\\Tambrel_O21.xla")], "excel": EXCEL_BASE}, ["excel"], check_program_exe),
    ("close_in_quit_release_loop", "close during the yield after Word's Quit",
     "close deferred, run completes, program exits",
     {"files": WORD_FILES, "word": {"templates": ["C:\\Old\\tbadd.dot"]},
      "hold": {"app": "word", "member": "Quit", "close": True}}, ["word"], check_close_quit_loop),
    ("close_in_excel_wait_loop", "close during the Excel wait loop", "close deferred, run completes, program exits",
     {"files": EXCEL_FILES, "excel": dict(EXCEL_BASE, installedStaysTrue=3),
      "hold": {"app": "excel", "member": "Installed", "close": True}}, ["excel"], check_close_wait_loop),
    ("close_in_pcb_loop", "close during the *.pcb loop (%d files)" % PCB_COUNT,
     "close deferred, run completes, program exits",
     {"files": PPT_FILES + [f(PCB_FOLDER + "\\a%04d.pcb" % i) for i in range(PCB_COUNT)], "excel": EXCEL_BASE,
      "closeWhenGone": {"path": PCB_FOLDER + "\\a0000.pcb", "count": PCB_FOLDER + "\\*.pcb"}},
     ["powerpoint"], check_close_pcb_loop),
]


def main():
    only = set(sys.argv[1:])
    chosen = [c for c in CASES if not only or c[0] in only]
    workdir = tempfile.mkdtemp(prefix="campaign-", dir=os.path.join(ROOT, "build"))
    print("== fault campaign: %d scenarios, outputs under %s" % (len(chosen), workdir), flush=True)
    observed = {}

    def judged(name, check):
        def run(o, c):
            observed[name] = check(o, c)
        return run

    plays = [(name, scenario, press, judged(name, check)) for name, _, _, scenario, press, check in chosen]
    passed = failed = 0
    with concurrent.futures.ThreadPoolExecutor(max_workers=2) as pool:
        for case, (name, out, problems) in zip(chosen, pool.map(lambda p: play(p, workdir), plays)):
            _, fault, expected, _, _, _ = case
            verdict = "FAIL" if problems else "ok"
            print("%s; %s; %s; %s" % (fault, expected, observed.get(name, "(no outcome)"), verdict))
            if problems:
                failed += 1
                print("    %s: %s" % (name, out))
                for p in problems:
                    print("    " + p.rstrip().replace("\n", "\n    "))
            else:
                passed += 1
            sys.stdout.flush()
    print("%d passed, %d failed" % (passed, failed))
    return 0 if failed == 0 else 1


if __name__ == "__main__":
    sys.exit(main())
