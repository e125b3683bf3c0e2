"""Plays TBO_Setup.exe in a prepared prefix: starts it, presses its buttons
through the UI driver at a person's pace, acts for the person at the machine
while an Office call is held, answers message boxes, and records what it saw
in `facts` (the future harness.json)."""

import json
import os
import shlex
import subprocess
import sys
import time

from harness.scenario import CURRENT_FOLDER

PRESS_NAMES = {"word": "cmdWORD", "excel": "cmdEXCEL", "powerpoint": "cmdPOINT"}


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


def program_arguments(text):
    """The words of a command line, quoted as Windows quotes them: double
    quotes group, backslashes are path separators, not escapes."""
    lexer = shlex.shlex(text, posix=True)
    lexer.whitespace_split, lexer.escape, lexer.quotes = True, "", '"'
    return list(lexer)


class Play:
    def __init__(self, prefix, scenario, out, log):
        self.prefix, self.scenario, self.out, self.log = prefix, scenario, out, log
        self.hold = scenario.get("hold")
        self.facts = {"presses": [], "messageBoxes": []}

    def path(self, leaf):
        return os.path.join(self.out, leaf)

    def read_window(self, leaf):
        return self.prefix.driver("read", self.prefix.windows(self.path(leaf)), log=self.log)

    def on_hold(self):
        """What the person at the machine does while an Office call hangs."""
        prefix, hold = self.prefix, self.hold
        if hold.get("close"):
            # Sent, so the window handles it inside the blocking call: the
            # window read next shows what a pending close leaves on screen.
            self.facts["closeSent"] = prefix.driver("sendclose", log=self.log) == 0
        self.read_window("held.json")
        screenshot(self.path("held.png"))
        clicker = None
        if hold.get("click"):
            # Queued behind the blocking call, handled once it returns.
            clicker = prefix.driver("click", hold["click"], background=True, log=self.log)
            time.sleep(1)
        if hold.get("end") == "kill":
            # The user ends the hung Office instead of waiting for it.
            with open(prefix.store("hold.pid")) as f:
                pid = f.read().strip()
            self.facts["killed"] = int(pid)
            self.facts["killStatus"] = prefix.driver("kill", pid, log=self.log)
            self.facts["killedAt"] = time.monotonic()
        open(prefix.store("hold.release"), "w").close()
        return clicker

    def follow(self, process, what):
        """Waits for the process to end, acting for the person at the
        machine when the scenario's hold is reached."""
        reached, release = self.prefix.store("hold.reached"), self.prefix.store("hold.release")
        deadline = time.monotonic() + 330
        helpers = []
        while process.poll() is None:
            if self.hold and os.path.exists(reached) and not os.path.exists(release):
                helpers.append(self.on_hold())
            if time.monotonic() > deadline:
                process.kill()
                raise RuntimeError(what + " did not end")
            time.sleep(0.05)
        for helper in filter(None, helpers):
            helper.wait(timeout=120)
        if "killedAt" in self.facts and "runEndAfterKill" not in self.facts:
            self.facts["runEndAfterKill"] = round(time.monotonic() - self.facts.pop("killedAt"), 2)
        return process.returncode

    def window_shown(self, program, boxes):
        """Whether the Setup window shows. Until it does, or the program
        ends, records each message box the program shows (when one may
        come) and answers it with its default button."""
        if not boxes:
            return self.prefix.driver("wait", "30000", "read", self.prefix.windows(self.path("window.json")),
                                      log=self.log) == 0
        deadline = time.monotonic() + 30
        while program.poll() is None and time.monotonic() < deadline:
            if self.prefix.driver("wait", "300", "read", self.prefix.windows(self.path("window.json")),
                                  log=self.log) == 0:
                return True
            box = self.path("messagebox.json")
            if self.prefix.driver("msgbox", self.prefix.windows(box), log=self.log) == 0:
                with open(box, encoding="utf-8") as f:
                    self.facts["messageBoxes"].append(json.load(f))
        return False

    def steps(self, steps, program):
        """Runs the steps, reading the window after each; closes the window
        at the end unless the program has ended by itself."""
        status, watcher, last_app = 0, None, None
        if self.scenario.get("closeWhenGone"):
            # Closes the window the moment the file goes, so that the close
            # arrives in the middle of the step that removes it.
            when = self.scenario["closeWhenGone"]
            watcher = self.prefix.driver("waitgone", when["path"], "postclose", when.get("count", ""),
                                         background=True, log=self.log)
        for i, step in enumerate(steps, 1):
            if step in PRESS_NAMES and last_app is not None:
                # Pressed at a person's pace: under Wine, creating a server the
                # moment its predecessor has ended can hang in the activation
                # (seen once in forty Excel presses).
                time.sleep(1)
            started = time.monotonic()
            run = self.prefix.driver(*driver_command(step), background=True, log=self.log)
            if self.follow(run, "the step " + step) != 0:
                print("e2e: the step " + step + " failed", file=sys.stderr)
                status = 1
            self.facts["presses"].append({"button": step, "seconds": round(time.monotonic() - started, 2)})
            last_app = step if step in PRESS_NAMES else last_app
            if program.poll() is not None:
                break
            self.read_window("step-%d.json" % i)
            if self.scenario.get("usage"):
                self.record_usage(i, program.pid)
        if watcher is not None:
            try:
                self.facts["watcher"] = watcher.wait(timeout=30)
            except subprocess.TimeoutExpired:
                watcher.kill()
                self.facts["watcher"] = "did not end"
        if program.poll() is None:
            screenshot(self.path("final.png"))
            # The window after the steps (absent when a close was honoured).
            self.facts["finalRead"] = self.read_window("final.json")
            self.prefix.driver("close", log=self.log)
        return status

    def record_usage(self, step, pid):
        """The window's Windows counters, and what Linux knows of the
        process: Wine answers the Windows counters of another process with
        zeros or stale figures, while memory and descriptors are Unix facts."""
        path = self.path("usage-%d.json" % step)
        self.prefix.driver("usage", self.prefix.windows(path), log=self.log)
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
        except OSError:
            pass
        usage["unix"] = unix
        with open(path, "w", encoding="utf-8") as f:
            json.dump(usage, f)

    def exit_code(self, watch, unix_status):
        """The program's exit code as Windows has it (1602 is 66 to Unix)."""
        try:
            if watch.wait(timeout=30) != 0:
                return unix_status
            with open(self.path("exit-code.txt")) as f:
                return int(f.read())
        except (subprocess.TimeoutExpired, OSError, ValueError):
            watch.kill()
            return unix_status

    def run(self, args, steps, interactive=False):
        """Starts the program with args (None: none), plays the steps or
        waits for an unattended run, and records the exit code. Returns 0
        when the program ran and exited."""
        prefix, status = self.prefix, 0
        arguments = [] if args is None else program_arguments(args)
        # Started in C:\users\Public, so that anything relative to the
        # current folder or drive stays inside the prefix, where it is seen.
        program = prefix.wine(prefix.program, *arguments, background=True, log=self.log,
                              cwd=prefix.unix(CURRENT_FOLDER))
        exit_watch = prefix.driver("exitcode", prefix.windows(self.path("exit-code.txt")), background=True,
                                   log=self.log)
        gone = None
        if (self.hold or {}).get("close") or self.scenario.get("closeWhenGone"):
            # Journals the moment the window goes, to be ordered against the calls.
            gone = prefix.driver("watchgone", background=True, log=self.log)
        if interactive:
            program.wait()
        elif not self.window_shown(program, boxes=args is not None):
            if program.poll() is None:
                print("e2e: the Setup window did not appear", file=sys.stderr)
                status = 1
        else:
            screenshot(self.path("window.png"))
            if args is not None and not steps:
                # An unattended run: the program presses, closes and ends by itself.
                self.follow(program, "the unattended run")
            else:
                status = self.steps(steps, program)
        try:
            program.wait(timeout=60)  # already over when interactive
            self.facts["exitCode"] = self.exit_code(exit_watch, program.returncode)
        except subprocess.TimeoutExpired:
            print("e2e: the program did not exit", file=sys.stderr)
            program.kill()
            self.facts["exitCode"] = None
            status = 1
        if gone is not None:
            try:
                gone.wait(timeout=30)
            except subprocess.TimeoutExpired:
                gone.kill()
        return status
