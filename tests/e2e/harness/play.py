"""Plays TBO_Setup.exe in a prepared prefix: starts it, presses its buttons
through the UI driver at a person's pace, acts for the person at the machine
while an Office call is held, answers message boxes, and records what it saw
in `facts` (the future harness.json)."""

import json
import os
import subprocess
import sys
import time

from harness import apps
from harness.scenario import CURRENT_FOLDER
from harness.wait import wait_until

RUN_LIMIT = 330       # seconds a run or a step may take
BOXES_WITHIN = 15     # the window, or the message boxes a run shows instead
HELPER_STARTS = 30    # the exit code's watch
PROGRAM_STARTS = 60   # the program seen running

PRESS_NAMES = {a.name: a.button for a in apps.APPS}


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
    """The words of a command line as Windows programs split it
    (CommandLineToArgvW): double quotes group; backslashes are plain except
    before a quote, where 2n of them and the quote give n backslashes and a
    toggle, and 2n + 1 give n backslashes and a literal quote."""
    words, word, quoted, i, has_word = [], "", False, 0, False
    while i < len(text):
        c = text[i]
        if c == "\\":
            n = len(text[i:]) - len(text[i:].lstrip("\\"))
            if i + n < len(text) and text[i + n] == '"':
                word += "\\" * (n // 2) + ('"' if n % 2 else "")
                quoted = quoted if n % 2 else not quoted
                i += n + 1
            else:
                word += "\\" * n
                i += n
            has_word = True
            continue
        if c == '"':
            quoted, has_word = not quoted, True
        elif c in " \t" and not quoted:
            if has_word:
                words.append(word)
            word, has_word = "", False
        else:
            word, has_word = word + c, True
        i += 1
    return words + ([word] if has_word else [])


class Play:
    def __init__(self, prefix, scenario, out, log):
        self.prefix, self.scenario, self.out, self.log = prefix, scenario, out, log
        self.hold = scenario.get("hold")
        self.held = False  # the hold was reached and acted on
        self.release_at_exit = False  # a hold that ends "never"
        self.helpers = []  # driver processes to wait for
        self.facts = {"presses": [], "messageBoxes": []}
        self.starts, self.marker = 0, None

    def path(self, leaf):
        return os.path.join(self.out, leaf)

    def read_window(self, leaf):
        return self.prefix.driver("read", self.prefix.windows(self.path(leaf)), log=self.log)

    def on_hold(self):
        """What the person at the machine does while an Office call hangs."""
        prefix, hold = self.prefix, self.hold
        self.held = True
        if hold.get("close"):
            # Sent, so the window handles it inside the blocking call: the
            # window read next shows what a pending close leaves on screen.
            self.facts["closeSent"] = prefix.driver("sendclose", log=self.log) == 0
        self.read_window("held.json")
        screenshot(self.path("held.png"))
        if hold.get("click"):
            # A real click on a grey button while the call hangs. The driver
            # returns once the input is sent; the window handles it while it
            # waits for the call, well within the seconds before the release.
            clicker = prefix.driver("click", hold["click"], background=True, log=self.log)
            clicker.wait(timeout=60)
            time.sleep(2)
        if hold.get("alsoRun") is not None:
            # A second run of the program while the first is held.
            line = '"%s" %s' % (prefix.windows(prefix.program), hold["alsoRun"])
            prefix.driver("runexit", prefix.windows(self.path("also-exit.txt")), line, log=self.log)
            with open(self.path("also-exit.txt")) as f:
                self.facts["alsoRun"] = {"args": hold["alsoRun"], "exitCode": int(f.read())}
        if hold.get("end") == "kill":
            # The user ends the hung Office instead of waiting for it.
            with open(prefix.store("hold.pid")) as f:
                pid = f.read().strip()
            self.facts["killed"] = int(pid)
            self.facts["killStatus"] = prefix.driver("kill", pid, log=self.log)
            self.facts["killedAt"] = time.monotonic()
        if hold.get("end") == "never":
            self.release_at_exit = True  # it answers only after the program has gone
            with open(prefix.store("hold.pid")) as f:
                self.facts["unanswered"] = [int(f.read().strip())]
        else:
            open(prefix.store("hold.release"), "w").close()

    def follow(self, process, what):
        """Waits for the process to end, acting for the person at the
        machine when the scenario's hold is reached, and watching the
        window while a busy Office turns calls away."""
        reached, busy = self.prefix.store("hold.reached"), self.prefix.store("busy.reached")

        def act():
            if self.hold and not self.held and os.path.exists(reached):
                self.on_hold()
            if self.scenario.get("busyFor") and os.path.exists(busy) and "busyWatched" not in self.facts:
                self.facts["busyWatched"] = True
                self.helpers.append(self.prefix.driver("watch", "3000", self.prefix.windows(self.path("busy.json")),
                                                       background=True, log=self.log))
        if not wait_until(lambda: process.poll() is not None, RUN_LIMIT, each=act):
            process.kill()
            raise RuntimeError(what + " did not end")
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
        seen = []

        def shown():
            if self.prefix.driver("wait", "300", "read", self.prefix.windows(self.path("window.json")),
                                  log=self.log) == 0:
                seen.append(True)
                return True
            box = self.path("messagebox.json")
            if self.prefix.driver("msgbox", self.prefix.windows(box), log=self.log) == 0:
                with open(box, encoding="utf-8") as f:
                    self.facts["messageBoxes"].append(json.load(f))
            return False
        wait_until(lambda: program.poll() is not None or shown(), BOXES_WITHIN, every=0)
        return bool(seen)

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
            usage = self.scenario.get("usage")
            if usage and i % int(usage) == 0:
                self.record_usage(i)
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

    def program_process(self):
        """The Unix process of the program the last start started."""
        found = self.prefix.processes([self.prefix.program], marker=self.marker)
        return found[0] if len(found) == 1 else None

    def record_usage(self, step):
        """The window's Windows counters, and what Linux knows of the
        process: Wine answers some Windows counters of another process with
        zeros, while memory, threads and descriptors are Unix facts."""
        pid = self.program_process()
        path = self.path("usage-%d.json" % step)
        self.prefix.driver("usage", self.prefix.windows(path), log=self.log)
        try:
            with open(path, encoding="utf-8") as f:
                usage = json.load(f)
        except (OSError, ValueError):
            usage = {}
        unix = {}
        try:
            if pid is None:
                raise OSError("the program's process was not found")
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

    def registry(self):
        """The user's record as the last run left it (read by the exit code's
        watch the moment the program ended); None when it was not read."""
        try:
            with open(self.path("exit-code.txt.registry"), encoding="utf-8") as f:
                return json.load(f)
        except (OSError, ValueError):
            return None

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

    def watch_exit_code(self, ready):
        """Starts the watch of the exit code and waits until it watches."""
        watch = self.prefix.driver("exitcode", self.prefix.windows(self.path("exit-code.txt")), background=True,
                                   log=self.log)
        wait_until(lambda: os.path.exists(ready) or watch.poll() is not None, HELPER_STARTS)
        if not os.path.exists(ready):
            watch.kill()
            raise RuntimeError("the exit code's watch did not start")
        return watch

    def start(self, arguments):
        """Starts the program and waits until it is seen running or has
        ended. Its own status may be Wine's for a failed start: it counts as
        not started only when it was also never seen running."""
        seen = self.path("exit-code.txt.seen")
        # Started in C:\users\Public, so that anything relative to the
        # current folder or drive stays inside the prefix, where it is seen.
        self.starts += 1
        self.marker = "program-%d" % self.starts
        # Kept open for as long as the start may be made again.
        self.stdout = open(self.path("stdout.txt"), "wb")
        program = self.prefix.wine(self.prefix.program, *arguments, background=True, log=self.log,
                                   cwd=self.prefix.unix(CURRENT_FOLDER), ran=lambda: os.path.exists(seen),
                                   marker=self.marker, stdout=self.stdout)
        wait_until(lambda: os.path.exists(seen) or program.poll() is not None, PROGRAM_STARTS, every=0.02)
        if program.restarts:
            self.facts["startsFailed"] = self.facts.get("startsFailed", 0) + program.restarts
        return program

    def run(self, args, steps, interactive=False):
        """Starts the program with args (None: none), plays the steps or
        waits for an unattended run, and records the exit code. Returns 0
        when the program ran and exited."""
        prefix, status = self.prefix, 0
        self.facts.update(presses=[], messageBoxes=[])
        for leaf in ("window.json", "exit-code.txt", "exit-code.txt.seen", "exit-code.txt.registry", "final.json"):
            if os.path.exists(self.path(leaf)):
                os.unlink(self.path(leaf))
        arguments = [] if args is None else program_arguments(args)
        # The exit code's watch first, so that a run that ends at once is seen.
        ready = self.path("exit-code.txt.ready")
        if os.path.exists(ready):
            os.unlink(ready)
        exit_watch = self.watch_exit_code(ready)
        program = self.start(arguments)
        gone = None
        if (self.hold or {}).get("close") or self.scenario.get("closeWhenGone"):
            # Journals the moment the window goes, to be ordered against the calls.
            gone = prefix.driver("watchgone", background=True, log=self.log)
        unattended = args is not None and not steps
        self.facts["windowShown"] = False
        if interactive:
            program.wait()
        elif self.window_shown(program, boxes=args is not None):
            self.facts["windowShown"] = True
            screenshot(self.path("window.png"))
            if unattended:
                self.follow(program, "the unattended run")
            else:
                status = self.steps(steps, program)
        elif unattended:
            self.follow(program, "the unattended run")  # a quiet run shows no window
        elif program.poll() is None:
            print("e2e: the Setup window did not appear", file=sys.stderr)
            status = 1
        try:
            program.wait(timeout=60)  # already over when interactive
            self.facts["exitCode"] = self.exit_code(exit_watch, program.returncode)
            self.stdout.close()
            with open(self.path("stdout.txt"), encoding="ascii", errors="replace", newline="") as f:
                self.facts["stdout"] = f.read()
        except subprocess.TimeoutExpired:
            print("e2e: the program did not exit", file=sys.stderr)
            program.kill()
            self.facts["exitCode"] = None
            status = 1
        if self.release_at_exit:
            open(prefix.store("hold.release"), "w").close()
        for helper in [gone] + self.helpers:
            try:
                helper and helper.wait(timeout=30)
            except subprocess.TimeoutExpired:
                helper.kill()
        self.helpers = []
        return status
