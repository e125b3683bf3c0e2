"""What a play left behind, written to the output folder: the stand-ins'
journal (once it has settled: quiet, and every Office told to quit gone) and
state, and the files under the scenario's folders with their attributes."""

import json
import os
import shutil
import stat
import time

from harness import apps
from harness.scenario import XATTR, recorders
from harness.wait import wait_until


def settle(prefix, quiet=1.0, most=10, unanswered=()):
    """Waits until the journal has stopped growing and every stand-in that
    took Quit has journalled its end, so that the state read next is final;
    not those whose held call was left unanswered until the program had gone
    (pids in unanswered), which may outlive the play."""
    last, since = None, time.monotonic()

    def settled():
        nonlocal last, since
        lines = prefix.journal()
        quit = {l["pid"] for l in lines if l.get("event") == "call" and l.get("member") == "Quit"
                and l.get("error") == "0x00000000"}
        ended = {l["pid"] for l in lines if l.get("event") in ("exit", "die")} | set(unanswered)
        if len(lines) != last:
            last, since = len(lines), time.monotonic()
            return False
        return time.monotonic() - since >= quiet and quit <= ended
    wait_until(settled, most)


def launches_ended(prefix, scenario, most=10):
    """Waits until the programs a run may have started (EXCEL.EXE, and the
    recorders the scenario plants) have ended and so journalled. Wine's
    CreateProcess returns only once the new process exists, so none is
    missed: a run's lines stay with that run."""
    every = recorders(prefix, scenario)
    wait_until(lambda: not prefix.processes(every), most)


def attributes_of(path):
    names = [] if os.stat(path).st_mode & stat.S_IWUSR else ["readonly"]
    try:
        dos = int(os.getxattr(path, XATTR).split(b"\0")[0], 16)
    except (OSError, ValueError):
        dos = 0
    if dos & 0x2 or os.path.basename(path).startswith("."):
        names.append("hidden")
    if dos & 0x4:
        names.append("system")
    return names


def entry(prefix, root, unix_root, folder, name):
    """One file or link as files.json lists it."""
    path = os.path.join(folder, name)
    relative = os.path.relpath(path, unix_root)
    win = root.rstrip("\\") + ("" if relative == "." else "\\" + relative.replace("/", "\\"))
    if os.path.islink(path):
        target = os.path.relpath(os.readlink(path), prefix.drive_c)
        return {"path": win, "link": "C:\\" + target.replace("/", "\\")}
    found = {"path": win, "attributes": attributes_of(path), "size": os.path.getsize(path)}
    if name.lower().endswith((".log", ".txt")) and found["size"] <= 64 * 1024:
        with open(path, encoding="utf-8", errors="replace", newline="") as f:
            found["content"] = f.read()
    return found


def files(prefix, scenario):
    roots = list(scenario.get("folders", []))
    roots += [f["path"].rsplit("\\", 1)[0] for f in scenario.get("files", []) + scenario.get("links", [])]
    seen, listing = set(), []
    for root in roots:
        unix_root = prefix.unix(root)
        if not os.path.isdir(unix_root):
            continue
        for folder, dirs, names in os.walk(unix_root):
            if len(root.rstrip("\\")) == 2:
                dirs[:] = [d for d in dirs if os.path.islink(os.path.join(folder, d))]  # a drive: its own files only
            dirs.sort(key=str.lower)
            # Links are listed as entries of their own, never followed.
            for name in sorted(names + [d for d in dirs if os.path.islink(os.path.join(folder, d))], key=str.lower):
                # The entry itself, not what a link names: a link and its
                # target are two entries.
                real = os.path.join(os.path.realpath(folder), name)
                if real not in seen:
                    seen.add(real)
                    listing.append(entry(prefix, root, unix_root, folder, name))
    return listing


def state(prefix, scenario, registry=None):
    """The stand-ins' state, and the user's record in the registry."""
    out = {"registry": registry}
    for app in apps.APPS:
        given = apps.config(scenario, app.name)
        if not given["installed"]:
            out[app.name] = {"installed": False, "running": False, "visible": False}
            continue
        try:
            with open(prefix.store(app.name + ".json"), encoding="utf-8") as f:
                s = json.load(f)
        except (FileNotFoundError, ValueError):
            s = apps.initial_state(app.name, given)
        s.pop("pids", None)
        out[app.name] = s
    return out


def write_json(path, value):
    with open(path, "w", encoding="utf-8") as f:
        json.dump(value, f, ensure_ascii=False, indent=1)


def write(prefix, scenario, out, facts):
    journal = prefix.store("journal.jsonl")
    settle(prefix, unanswered=facts.get("unanswered", ()))
    if os.path.exists(journal):
        shutil.copy(journal, os.path.join(out, "journal.jsonl"))
    else:
        open(os.path.join(out, "journal.jsonl"), "w").close()
    for leaf, value in (("state.json", state(prefix, scenario, facts.get("registry"))),
                        ("files.json", files(prefix, scenario)),
                        ("harness.json", facts)):
        write_json(os.path.join(out, leaf), value)
