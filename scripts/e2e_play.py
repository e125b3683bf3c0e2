#!/usr/bin/env python3
"""Plays a scenario inside the prefix that scripts/e2e prepared (WINEPREFIX,
DISPLAY, TBO_BUILD set): lays out files, sets up and registers the stand-in
Office, runs TBO_Setup.exe, presses its buttons through the UI driver and
collects journal.jsonl, state.json, files.json, window.json, held.json and
screenshots into the output folder."""

import argparse
import json
import os
import shlex
import shutil
import stat
import subprocess
import sys
import time

APPS = ("word", "excel", "powerpoint")
PROGRAM_TREES = {"x64": "win64", "x86": "win32"}
CURRENT_FOLDER = "C:\\users\\Public"
PRESS_NAMES = {"word": "cmdWORD", "excel": "cmdEXCEL", "powerpoint": "cmdPOINT"}
DEFAULT_STARTUP = "C:\\users\\Public\\Application Data\\Microsoft\\Excel\\XLSTART"
DEFAULT_EXCEL_PATH = "C:\\Program Files\\Microsoft Office\\OFFICE11"
DOS_ATTRIBUTES = {"readonly": 0x1, "hidden": 0x2, "system": 0x4}
XATTR = "user.DOSATTRIB"


class Prefix:
    def __init__(self, root, build, arch="x64"):
        self.root = root
        self.drive_c = os.path.join(root, "drive_c")
        # The 64-bit stand-ins serve either program across the bitness.
        self.standins = os.path.join(build, "win64", "standins")
        self.program = os.path.join(build, PROGRAM_TREES[arch], "TBO_Setup.exe")
        self.env = dict(os.environ, WINEDEBUG=os.environ.get("WINEDEBUG", "-all"))

    def unix(self, win_path):
        """The Unix path of C:\\..., matching existing names without regard
        to case as Windows does, so that one spelling per folder is kept."""
        drive, _, rest = win_path.partition(":")
        if drive.upper() != "C":
            raise ValueError("only C: paths are laid out: " + win_path)
        path = self.drive_c
        for part in [p for p in rest.replace("/", "\\").split("\\") if p]:
            match = part
            if os.path.isdir(path):
                for name in os.listdir(path):
                    if name.lower() == part.lower():
                        match = name
                        break
            path = os.path.join(path, match)
        return path

    @staticmethod
    def windows(unix_path):
        return "Z:" + os.path.abspath(unix_path).replace("/", "\\")

    def store(self, leaf=""):
        return os.path.join(self.drive_c, "standins", leaf)

    def wine(self, *args, background=False, log=None, cwd=None):
        out = log if log is not None else subprocess.DEVNULL
        cmd = ["wine", *args]
        if background:
            return subprocess.Popen(cmd, env=self.env, stdin=subprocess.DEVNULL, stdout=out, stderr=out, cwd=cwd)
        return subprocess.run(cmd, env=self.env, stdin=subprocess.DEVNULL, stdout=out, stderr=out,
                              cwd=cwd).returncode

    def driver(self, *args, background=False, log=None):
        return self.wine(os.path.join(self.standins, "ui_driver.exe"), *args, background=background, log=log)


def app_config(scenario, app):
    config = dict(scenario.get(app) or {})
    config.setdefault("installed", True)
    config.setdefault("running", False)
    return config


def initial_state(app, config):
    state = {"installed": True, "visible": False, "running": False, "pids": []}
    if app == "word":
        state["templates"] = list(config.get("templates", []))
        state["documents"] = []
    elif app == "excel":
        state["startupPath"] = config.get("startupPath", DEFAULT_STARTUP)
        state["path"] = config.get("path", DEFAULT_EXCEL_PATH)
        state["addins"] = [dict(a) for a in config.get("addins", [])]
        state["installedStaysTrue"] = int(config.get("installedStaysTrue", 0))
    else:
        state["addins"] = [dict(a) for a in config.get("addins", [])]
        state["commandBars"] = config.get("commandBars",
                                          [{"name": "Menu Bar", "menuBar": True, "visible": True, "controls": []}])
    return state


def lay_out(prefix, scenario):
    for folder in scenario.get("folders", []):
        os.makedirs(prefix.unix(folder), exist_ok=True)
    for f in scenario.get("files", []):
        path = prefix.unix(f["path"])
        os.makedirs(os.path.dirname(path), exist_ok=True)
        # A fresh inode: prefix files are hard links shared with the template.
        if os.path.lexists(path):
            os.chmod(path, 0o644)
            os.unlink(path)
        if f.get("copyOf"):
            # A program planted where it must never be started: a recorder.
            shutil.copy(os.path.join(prefix.standins, f["copyOf"]), path)
        else:
            with open(path, "w", encoding="utf-8", newline="") as out:
                out.write(f.get("content", ""))
        attributes = f.get("attributes", [])
        dos = sum(DOS_ATTRIBUTES[a] for a in attributes if a in ("hidden", "system"))
        if dos:
            os.setxattr(path, XATTR, b"0x%x" % dos)
        if "readonly" in attributes:
            os.chmod(path, 0o444)
    # Symbolic links on the Unix side: Wine shows them as the file or folder
    # they point at (it has no reparse points of its own for them).
    for link in scenario.get("links", []):
        path = prefix.unix(link["path"])
        os.makedirs(os.path.dirname(path), exist_ok=True)
        os.symlink(prefix.unix(link["target"]), path)


def set_up_office(prefix, scenario):
    os.makedirs(prefix.store(), exist_ok=True)
    control = {"faults": scenario.get("faults", []), "busy": scenario.get("busy", []),
               "dies": scenario.get("dies", []), "linger": scenario.get("linger", [])}
    if scenario.get("hold"):
        control["hold"] = dict(scenario["hold"])
    with open(prefix.store("control.json"), "w", encoding="utf-8") as out:
        json.dump(control, out, ensure_ascii=False)
    installed = []
    for app in APPS:
        config = app_config(scenario, app)
        if not config["installed"]:
            continue
        installed.append(app)
        with open(prefix.store(app + ".json"), "w", encoding="utf-8") as out:
            json.dump(initial_state(app, config), out, ensure_ascii=False)
        if app == "excel":
            folder = prefix.unix(config.get("path", DEFAULT_EXCEL_PATH))
            os.makedirs(folder, exist_ok=True)
            shutil.copy(os.path.join(prefix.standins, "excel_launch.exe"), os.path.join(folder, "EXCEL.EXE"))
    if installed:
        server = os.path.join(prefix.standins, "office_standin.exe")
        if prefix.wine(server, "/regserver", *installed) != 0:
            raise RuntimeError("registering the stand-ins failed")
    for app in installed:
        if app_config(scenario, app)["running"]:
            prefix.wine(os.path.join(prefix.standins, "office_standin.exe"), app, background=True)
            wait_for(lambda: started(prefix, app), 30, "the running " + app)


def journal_lines(prefix):
    try:
        with open(prefix.store("journal.jsonl"), encoding="utf-8") as f:
            return [json.loads(line) for line in f if line.strip()]
    except FileNotFoundError:
        return []


def started(prefix, app):
    return any(line.get("app") == app and line.get("event") == "start" for line in journal_lines(prefix))


def wait_for(condition, seconds, what):
    deadline = time.monotonic() + seconds
    while not condition():
        if time.monotonic() > deadline:
            raise RuntimeError("timed out waiting for " + what)
        time.sleep(0.05)


def settle(path, quiet=1.0, most=10):
    """Waits until the file has stopped growing: a program the run started
    (Excel with the add-in) writes its line a moment after the run ends."""
    deadline, last, since = time.monotonic() + most, None, time.monotonic()
    while time.monotonic() < deadline:
        size = os.path.getsize(path) if os.path.exists(path) else -1
        if size != last:
            last, since = size, time.monotonic()
        elif time.monotonic() - since >= quiet:
            return
        time.sleep(0.05)


def screenshot(path):
    subprocess.run(["import", "-window", "root", path], stdin=subprocess.DEVNULL,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def driver_command(step):
    """The UI driver's command for one step: a button name (a posted click),
    "key:KEY" (real key presses) or "click:CONTROL" (a real mouse click)."""
    kind, _, operand = step.partition(":")
    if kind in PRESS_NAMES and not operand:
        return ["press", PRESS_NAMES[kind]]
    if kind in ("key", "click") and operand:
        return [kind, operand]
    raise ValueError("unknown step: " + step)


def on_hold(prefix, out, log, hold, facts):
    """What the person at the machine does while an Office call hangs."""
    if hold.get("close"):
        # Sent, so the window handles it inside the blocking call: the
        # window read next shows what a pending close leaves on screen.
        facts["closeSent"] = prefix.driver("sendclose", log=log) == 0
    prefix.driver("read", prefix.windows(os.path.join(out, "held.json")), log=log)
    screenshot(os.path.join(out, "held.png"))
    clicker = None
    if hold.get("click"):
        # Queued behind the blocking call, handled once it returns.
        clicker = prefix.driver("click", hold["click"], background=True, log=log)
        time.sleep(1)
    if hold.get("end") == "kill":
        # The user ends the hung Office instead of waiting for it.
        with open(prefix.store("hold.pid")) as f:
            pid = f.read().strip()
        facts["killed"] = int(pid)
        facts["killStatus"] = prefix.driver("kill", pid, log=log)
        facts["killedAt"] = time.monotonic()
    open(prefix.store("hold.release"), "w").close()
    return clicker


def follow(process, what, prefix, out, log, hold, facts):
    """Waits for the process to end, acting for the person at the machine
    when the scenario's hold is reached."""
    reached, release = prefix.store("hold.reached"), prefix.store("hold.release")
    deadline = time.monotonic() + 330
    helpers = []
    while process.poll() is None:
        if hold and os.path.exists(reached) and not os.path.exists(release):
            helpers.append(on_hold(prefix, out, log, hold, facts))
        if time.monotonic() > deadline:
            process.kill()
            raise RuntimeError(what + " did not end")
        time.sleep(0.05)
    for helper in filter(None, helpers):
        helper.wait(timeout=120)
    if "killedAt" in facts and "runEndAfterKill" not in facts:
        facts["runEndAfterKill"] = round(time.monotonic() - facts.pop("killedAt"), 2)
    return process.returncode


def run_step(prefix, step, out, log, hold, facts):
    run = prefix.driver(*driver_command(step), background=True, log=log)
    return follow(run, "the step " + step, prefix, out, log, hold, facts)


def window_shown(prefix, out, log, program, facts, boxes):
    """Whether the Setup window shows. Until it does, or the program ends,
    records each message box the program shows (when one may come) and
    answers it with its default button."""
    if not boxes:
        return prefix.driver("wait", "30000", "read", prefix.windows(os.path.join(out, "window.json")), log=log) == 0
    deadline = time.monotonic() + 30
    while program.poll() is None and time.monotonic() < deadline:
        if prefix.driver("wait", "300", "read", prefix.windows(os.path.join(out, "window.json")), log=log) == 0:
            return True
        box = os.path.join(out, "messagebox.json")
        if prefix.driver("msgbox", prefix.windows(box), log=log) == 0:
            with open(box, encoding="utf-8") as f:
                facts["messageBoxes"].append(json.load(f))
    return False


def full_exit_code(watch, path, unix_status):
    """The program's exit code as Windows has it (1602 is 66 to Unix)."""
    try:
        if watch.wait(timeout=30) != 0:
            return unix_status
        with open(path) as f:
            return int(f.read())
    except (subprocess.TimeoutExpired, OSError, ValueError):
        watch.kill()
        return unix_status


def program_arguments(text):
    """The words of a command line, quoted as Windows quotes them: double
    quotes group, backslashes are path separators, not escapes."""
    lexer = shlex.shlex(text, posix=True)
    lexer.whitespace_split, lexer.escape, lexer.quotes = True, "", '"'
    return list(lexer)


def add_unix_usage(path, pid):
    """Adds what Linux knows of the program's process to a usage file: Wine
    answers the Windows counters of another process with zeros or stale
    figures, while its memory and descriptors are plain Unix facts."""
    try:
        with open(path, encoding="utf-8") as f:
            usage = json.load(f)
    except (OSError, ValueError):
        usage = {}
    unix = {}
    try:
        with open("/proc/%d/status" % pid) as f:
            for line in f:
                key, _, value = line.partition(":")
                if key in ("VmRSS", "VmData", "VmSize", "Threads"):
                    unix[key] = int(value.split()[0])
        unix["fds"] = len(os.listdir("/proc/%d/fd" % pid))
        with open("/proc/%d/cmdline" % pid, "rb") as f:
            unix["cmdline"] = f.read().replace(b"\0", b" ").decode(errors="replace").strip()
    except OSError:
        pass
    usage["unix"] = unix
    with open(path, "w", encoding="utf-8") as f:
        json.dump(usage, f)


def lock_files(prefix, scenario, log):
    """Starts the program that holds the scenario's locked files open."""
    paths = scenario.get("locked", [])
    if not paths:
        return None
    holder = prefix.wine(os.path.join(prefix.standins, "file_holder.exe"), *paths, background=True, log=log)
    wait_for(lambda: len([l for l in journal_lines(prefix) if l.get("event") == "lock"]) == len(paths),
             30, "the files to be locked")
    return holder


def unlock_files(prefix, holder):
    if holder is None:
        return
    open(prefix.store("locks.release"), "w").close()
    try:
        holder.wait(timeout=30)
    except subprocess.TimeoutExpired:
        holder.kill()


def attributes_of(path):
    names = []
    mode = os.stat(path).st_mode
    if not mode & stat.S_IWUSR:
        names.append("readonly")
    try:
        dos = int(os.getxattr(path, XATTR).split(b"\0")[0], 16)
    except (OSError, ValueError):
        dos = 0
    if dos & 0x2 or os.path.basename(path).startswith("."):
        names.append("hidden")
    if dos & 0x4:
        names.append("system")
    return names


def collect_files(prefix, scenario):
    roots = list(scenario.get("folders", []))
    for f in scenario.get("files", []) + scenario.get("links", []):
        roots.append(f["path"].rsplit("\\", 1)[0])
    seen, listing = set(), []
    for root in roots:
        unix_root = prefix.unix(root)
        if not os.path.isdir(unix_root):
            continue
        for folder, dirs, files in os.walk(unix_root):
            if len(root.rstrip("\\")) == 2:
                dirs[:] = [d for d in dirs if os.path.islink(os.path.join(folder, d))]  # a drive: its own files only
            dirs.sort(key=str.lower)
            # Links are listed as entries of their own, never followed.
            names = sorted(files + [d for d in dirs if os.path.islink(os.path.join(folder, d))], key=str.lower)
            for name in names:
                path = os.path.join(folder, name)
                # The entry itself, not what a link names: a link and its
                # target are two entries.
                real = os.path.join(os.path.realpath(folder), name)
                if real in seen:
                    continue
                seen.add(real)
                relative = os.path.relpath(path, unix_root)
                win = root.rstrip("\\") + ("" if relative == "." else "\\" + relative.replace("/", "\\"))
                if os.path.islink(path):
                    target = os.path.relpath(os.readlink(path), prefix.drive_c)
                    listing.append({"path": win, "link": "C:\\" + target.replace("/", "\\")})
                    continue
                entry = {"path": win, "attributes": attributes_of(path), "size": os.path.getsize(path)}
                if name.lower().endswith((".log", ".txt")) and entry["size"] <= 64 * 1024:
                    with open(path, encoding="utf-8", errors="replace", newline="") as f:
                        entry["content"] = f.read()
                listing.append(entry)
    return listing


def collect_state(prefix, scenario):
    state = {}
    for app in APPS:
        if not app_config(scenario, app)["installed"]:
            state[app] = {"installed": False, "running": False, "visible": False}
            continue
        try:
            with open(prefix.store(app + ".json"), encoding="utf-8") as f:
                s = json.load(f)
        except (FileNotFoundError, ValueError):
            s = initial_state(app, app_config(scenario, app))
        s.pop("pids", None)
        state[app] = s
    return state


def play_steps(prefix, scenario, steps, out, log, program, facts):
    """Runs the steps, reading the window after each; closes the window at
    the end unless the program has ended by itself."""
    status = 0
    watcher = None
    hold = scenario.get("hold")
    if scenario.get("closeWhenGone"):
        # Closes the window the moment the file goes, so that the close
        # arrives in the middle of the step that removes it.
        when = scenario["closeWhenGone"]
        watcher = prefix.driver("waitgone", when["path"], "postclose", when.get("count", ""),
                                background=True, log=log)
    last_app = None
    for i, step in enumerate(steps, 1):
        if step in PRESS_NAMES and last_app is not None:
            # Pressed at a person's pace: under Wine, creating a server the
            # moment its predecessor has ended can hang in the activation
            # (seen once in forty Excel presses).
            time.sleep(1)
        started = time.monotonic()
        if run_step(prefix, step, out, log, hold, facts) != 0:
            print("e2e: the step " + step + " failed", file=sys.stderr)
            status = 1
        facts["presses"].append({"button": step, "seconds": round(time.monotonic() - started, 2)})
        last_app = step if step in PRESS_NAMES else last_app
        if program.poll() is not None:
            break
        prefix.driver("read", prefix.windows(os.path.join(out, "step-%d.json" % i)), log=log)
        if scenario.get("usage"):
            usage = os.path.join(out, "usage-%d.json" % i)
            prefix.driver("usage", prefix.windows(usage), log=log)
            add_unix_usage(usage, program.pid)
    if watcher is not None:
        try:
            facts["watcher"] = watcher.wait(timeout=30)
        except subprocess.TimeoutExpired:
            watcher.kill()
            facts["watcher"] = "did not end"
    if program.poll() is None:
        screenshot(os.path.join(out, "final.png"))
        # The window after the steps (absent when a close was honoured).
        facts["finalRead"] = prefix.driver("read", prefix.windows(os.path.join(out, "final.json")), log=log)
        prefix.driver("close", log=log)
    return status


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("scenario")
    parser.add_argument("--press", default="",
                        help="comma-separated steps: word, excel, powerpoint, key:KEY, click:CONTROL")
    parser.add_argument("--out", required=True)
    parser.add_argument("--args", default=None,
                        help="the program's command line; a program that ends by itself ends the play")
    parser.add_argument("--arch", choices=sorted(PROGRAM_TREES), default="x64",
                        help="which TBO_Setup.exe to play: the 64-bit or the 32-bit one")
    parser.add_argument("--interactive", action="store_true",
                        help="leave the window to a person; collect the outputs once it is closed")
    options = parser.parse_args()
    steps = [p.strip() for p in options.press.split(",") if p.strip()]
    for step in steps:
        try:
            driver_command(step)
        except ValueError as e:
            parser.error(str(e))
    with open(options.scenario, encoding="utf-8") as f:
        scenario = json.load(f)
    out = os.path.abspath(options.out)
    os.makedirs(out, exist_ok=True)
    for leaf in ("journal.jsonl", "state.json", "files.json", "window.json", "held.json", "window.png", "held.png",
                 "final.json", "harness.json", "exit-code.txt"):
        if os.path.exists(os.path.join(out, leaf)):
            os.unlink(os.path.join(out, leaf))

    prefix = Prefix(os.environ["WINEPREFIX"], os.environ["TBO_BUILD"], options.arch)
    status = 0
    facts = {"presses": [], "messageBoxes": []}
    with open(os.path.join(out, "wine.log"), "w") as log:
        lay_out(prefix, scenario)
        set_up_office(prefix, scenario)
        holder = lock_files(prefix, scenario, log)
        arguments = [] if options.args is None else program_arguments(options.args)
        # Started in C:\users\Public, so that anything relative to the
        # current folder or drive stays inside the prefix, where it is seen.
        program = prefix.wine(prefix.program, *arguments, background=True, log=log,
                              cwd=prefix.unix(CURRENT_FOLDER))
        exit_file = os.path.join(out, "exit-code.txt")
        exit_watch = prefix.driver("exitcode", prefix.windows(exit_file), background=True, log=log)
        gone = None
        if scenario.get("hold", {}).get("close") or scenario.get("closeWhenGone"):
            # Journals the moment the window goes, to be ordered against the calls.
            gone = prefix.driver("watchgone", background=True, log=log)
        if options.interactive:
            program.wait()
        elif not window_shown(prefix, out, log, program, facts, boxes=options.args is not None):
            if program.poll() is None:
                print("e2e: the Setup window did not appear", file=sys.stderr)
                status = 1
        else:
            screenshot(os.path.join(out, "window.png"))
            if options.args is not None and not steps:
                # An unattended run: the program presses, closes and ends by itself.
                follow(program, "the unattended run", prefix, out, log, scenario.get("hold"), facts)
            else:
                status = play_steps(prefix, scenario, steps, out, log, program, facts)
        try:
            program.wait(timeout=60)  # already over when interactive
            facts["exitCode"] = full_exit_code(exit_watch, exit_file, program.returncode)
        except subprocess.TimeoutExpired:
            print("e2e: the program did not exit", file=sys.stderr)
            program.kill()
            facts["exitCode"] = None
            status = 1
        if gone is not None:
            try:
                gone.wait(timeout=30)
            except subprocess.TimeoutExpired:
                gone.kill()
        unlock_files(prefix, holder)

    settle(prefix.store("journal.jsonl"))
    shutil.copy(prefix.store("journal.jsonl"), os.path.join(out, "journal.jsonl")) \
        if os.path.exists(prefix.store("journal.jsonl")) else open(os.path.join(out, "journal.jsonl"), "w").close()
    with open(os.path.join(out, "state.json"), "w", encoding="utf-8") as f:
        json.dump(collect_state(prefix, scenario), f, ensure_ascii=False, indent=1)
    with open(os.path.join(out, "files.json"), "w", encoding="utf-8") as f:
        json.dump(collect_files(prefix, scenario), f, ensure_ascii=False, indent=1)
    with open(os.path.join(out, "harness.json"), "w", encoding="utf-8") as f:
        json.dump(facts, f, ensure_ascii=False, indent=1)
    return status


if __name__ == "__main__":
    sys.exit(main())
