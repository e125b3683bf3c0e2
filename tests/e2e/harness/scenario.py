"""A scenario laid out in a fresh prefix: files, folders, links, the stand-in
Office registered and in its starting state, files held open. Unknown keys
are refused, so a misspelt key never passes as a check of nothing."""

import json
import os
import re
import shutil
import subprocess
import time

from harness import apps
from harness.apps import ANY
from harness.processes import MARKER, find_processes
from harness.wait import wait_until

PROGRAM_TREES = {"x64": "win64", "x86": "win32"}
CURRENT_FOLDER = "C:\\users\\Public"
DOS_ATTRIBUTES = {"readonly": 0x1, "hidden": 0x2, "system": 0x4}
XATTR = "user.DOSATTRIB"

CALL = {"app": ANY, "member": ANY, "class": ANY}
# Every key a scenario may hold; README.md beside the tables tells what each does.
SCHEMA = {
    "files": [{"path": ANY, "attributes": ANY, "content": ANY, "copyOf": ANY}],
    "folders": ANY,
    "links": [{"path": ANY, "target": ANY}],
    "locked": ANY,
    **apps.schema(),
    "faults": [dict(CALL, error=ANY, times=ANY, after=ANY)],
    "busy": [{"app": ANY, "calls": ANY}],
    "dies": [dict(CALL, calls=ANY, when=ANY)],
    "hold": dict(CALL, close=ANY, click=ANY, end=ANY, alsoRun=ANY),
    # when that call is made, the user starts the application on screen with those documents
    "userOpens": [{"app": ANY, "after": CALL, "documents": ANY}],
    "linger": [{"app": ANY, "ms": ANY}],
    "closeWhenGone": {"path": ANY, "count": ANY},
    "usage": ANY,
    "volatileKeys": ANY,  # keys below HKCU that last only the session: no lasting key can be made below them
    "registry": ANY,  # values written before the first run: {"HKCU\\...": {"Name": "text" or a number}}
    "args": ANY,  # a command line, or a list of them played one after the other
    "busyFor": [{"app": ANY, "ms": ANY}],
}


def unknown_keys(value, schema=SCHEMA, where=""):
    """The dotted names of the keys in value that schema does not know."""
    if isinstance(schema, dict) and isinstance(value, dict):
        return [name for key, item in value.items()
                for name in ([where + key] if key not in schema else unknown_keys(item, schema[key], where + key + "."))]
    if isinstance(schema, list) and isinstance(value, list):
        return [name for i, item in enumerate(value) for name in unknown_keys(item, schema[0], "%s%d." % (where, i))]
    return []


# Wine under load has been seen to fail a program's start ("ShellExecuteEx
# failed: Internal error") and end with this status, which no stand-in
# gives: such a start never ran, so it is safe to make again.
WINE_DID_NOT_START = 1
START_ATTEMPTS = 3


class Restarting:
    """A background process, as subprocess.Popen, started again when Wine
    failed to start it. ran() tells, for a program whose own status may be
    the same, that it did run."""

    def __init__(self, start, ran=lambda: False):
        self._start, self._ran, self._left = start, ran, START_ATTEMPTS - 1
        self.restarts = 0
        self._process = start()

    def _again(self, status):
        if status != WINE_DID_NOT_START or not self._left or self._ran():
            return False
        self._left -= 1
        self.restarts += 1
        self._process = self._start()
        return True

    def poll(self):
        status = self._process.poll()
        return None if self._again(status) else status

    def wait(self, timeout=None):
        deadline = None if timeout is None else time.monotonic() + timeout
        while True:
            left = None if deadline is None else max(0.0, deadline - time.monotonic())
            status = self._process.wait(timeout=left)
            if not self._again(status):
                return status

    def kill(self):
        self._process.kill()

    @property
    def returncode(self):
        return self._process.returncode

    @property
    def pid(self):
        return self._process.pid


class Prefix:
    def __init__(self, root, build, arch="x64"):
        self.root = root
        self.drive_c = os.path.join(root, "drive_c")
        # The 64-bit stand-ins serve either program across the bitness.
        self.standins = os.path.join(build, "win64", "standins")
        self.program = os.path.join(build, PROGRAM_TREES[arch], "TBO_Setup.exe")
        self.env = dict(os.environ, WINEDEBUG=os.environ.get("WINEDEBUG", "-all"))

    def expanded(self, win_path):
        """The path with the user's folders (%TEMP%, %LOCALAPPDATA%,
        %APPDATA%, %USERPROFILE%) as this prefix's registry has them."""
        if "%" not in win_path:
            return win_path
        with open(os.path.join(self.root, "user.reg"), encoding="utf-8", errors="replace") as f:
            text = f.read()

        def value(name):
            match = re.search(r'^"%s"="([^"]*)"' % re.escape(name), text, re.M)
            return match.group(1).replace("\\\\", "\\") if match else ""
        temp, local, roaming = value("TEMP"), value("Local AppData"), value("AppData")
        for name, folder in (("%TEMP%", temp), ("%LOCALAPPDATA%", local), ("%APPDATA%", roaming),
                             ("%USERPROFILE%", roaming.rsplit("\\AppData", 1)[0])):
            win_path = win_path.replace(name, folder)
        return win_path

    def unix(self, win_path):
        """The Unix path of C:\\..., matching existing names without regard
        to case as Windows does, so that one spelling per folder is kept."""
        drive, _, rest = self.expanded(win_path).partition(":")
        if drive.upper() != "C":
            raise ValueError("only C: paths are laid out: " + self.expanded(win_path))
        path = self.drive_c
        for part in [p for p in rest.replace("/", "\\").split("\\") if p]:
            match = part
            if os.path.isdir(path):
                match = next((name for name in os.listdir(path) if name.lower() == part.lower()), part)
            path = os.path.join(path, match)
        return path

    @staticmethod
    def windows(unix_path):
        return "Z:" + os.path.abspath(unix_path).replace("/", "\\")

    def processes(self, files, marker=None):
        """The Unix processes of this prefix that run one of files (Unix
        paths), by what the harness controls rather than by the command line
        Wine happens to give them (a Windows path when Wine started the
        program, the Unix path as given when `wine` ran it directly): the
        environment it started them with, and the program file, which Wine
        maps into the process that runs it. With marker, only those started
        with it by wine(marker=...), or by such a process."""
        return find_processes(files, [("WINEPREFIX", self.root)] + ([(MARKER, marker)] if marker else []))

    def store(self, leaf=""):
        return os.path.join(self.drive_c, "standins", leaf)

    def wine(self, *args, background=False, log=None, cwd=None, ran=lambda: False, marker=None, stdout=None):
        """Runs a Windows program; a start Wine failed is made again (see
        Restarting). marker tells its processes apart (processes()); stdout,
        a file, takes its standard output apart from the log."""
        out = log if log is not None else subprocess.DEVNULL
        env = dict(self.env, **({MARKER: marker} if marker else {}))

        def start():
            return subprocess.Popen(["wine", *args], env=env, stdin=subprocess.DEVNULL,
                                    stdout=stdout if stdout is not None else out, stderr=out, cwd=cwd)
        process = Restarting(start, ran)
        return process if background else process.wait()

    def driver(self, *args, background=False, log=None):
        return self.wine(os.path.join(self.standins, "ui_driver.exe"), *args, background=background, log=log)

    def journal(self):
        """The stand-ins' journal so far. A line being written as it is read
        is not there yet."""
        try:
            with open(self.store("journal.jsonl"), encoding="utf-8") as f:
                text = f.read()
        except FileNotFoundError:
            return []
        return [json.loads(line) for line in text.split("\n")[:-1] if line.strip()]


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


def application_programs(prefix, scenario):
    """The Unix paths of the programs that presses start (Excel's EXCEL.EXE)
    of the applications installed, in the folders their state names."""
    paths = []
    for app in apps.APPS:
        given = apps.config(scenario, app.name)
        if app.program and given["installed"]:
            folder_key, name = app.program
            paths.append(os.path.join(prefix.unix(apps.initial_state(app.name, given)[folder_key]), name))
    return paths


def recorders(prefix, scenario):
    """Every recorder the scenario lays out: the applications' programs and
    the planted copies."""
    return application_programs(prefix, scenario) + [prefix.unix(f["path"]) for f in scenario.get("files", [])
                                                     if f.get("copyOf")]


def set_up_office(prefix, scenario):
    os.makedirs(prefix.store(), exist_ok=True)
    control = {key: scenario.get(key, []) for key in ("faults", "busy", "busyFor", "dies", "linger", "userOpens")}
    if scenario.get("hold"):
        control["hold"] = dict(scenario["hold"])
    with open(prefix.store("control.json"), "w", encoding="utf-8") as out:
        json.dump(control, out, ensure_ascii=False)
    installed = [a.name for a in apps.APPS if apps.config(scenario, a.name)["installed"]]
    for app in installed:
        state = apps.initial_state(app, apps.config(scenario, app))
        with open(prefix.store(app + ".json"), "w", encoding="utf-8") as out:
            json.dump(state, out, ensure_ascii=False)
    # The programs the presses start, recorders of how they were started.
    for path in application_programs(prefix, scenario):
        os.makedirs(os.path.dirname(path), exist_ok=True)
        shutil.copy(os.path.join(prefix.standins, "excel_launch.exe"), path)
    if scenario.get("registry"):
        seeds = prefix.store("registry.json")
        with open(seeds, "w", encoding="utf-8") as out:
            json.dump(scenario["registry"], out, ensure_ascii=False)
        if prefix.driver("regwrite", Prefix.windows(seeds)) != 0:
            raise RuntimeError("the scenario's registry values could not be written")
    for key in scenario.get("volatileKeys", []):
        if prefix.driver("volatilekey", key.split("\\", 1)[1]) != 0:
            raise RuntimeError("the volatile key " + key + " could not be made")
    server = os.path.join(prefix.standins, "office_standin.exe")
    if installed and prefix.wine(server, "/regserver", *installed) != 0:
        raise RuntimeError("registering the stand-ins failed")
    for app in installed:
        if apps.config(scenario, app)["running"]:
            running = prefix.wine(server, app, background=True)
            wait_for(lambda: any(l.get("app") == app and l.get("event") == "start" for l in prefix.journal()),
                     30, "the running " + app, running)


def wait_for(condition, seconds, what, process=None):
    """Waits for the condition; meanwhile the process that is to bring it
    about, polled, is started again if Wine failed to start it."""
    if not wait_until(condition, seconds, each=process.poll if process is not None else lambda: None):
        raise RuntimeError("timed out waiting for " + what)


def lock_files(prefix, scenario, log):
    """Starts the program that holds the scenario's locked files open."""
    paths = scenario.get("locked", [])
    if not paths:
        return None
    holder = prefix.wine(os.path.join(prefix.standins, "file_holder.exe"), *paths, background=True, log=log)
    wait_for(lambda: len([l for l in prefix.journal() if l.get("event") == "lock"]) == len(paths),
             30, "the files to be locked", holder)
    return holder


def unlock_files(prefix, holder):
    if holder is None:
        return
    open(prefix.store("locks.release"), "w").close()
    try:
        holder.wait(timeout=30)
    except subprocess.TimeoutExpired:
        holder.kill()
