#!/usr/bin/env python3
"""End-to-end cases of the Setup window: TBO_Setup.exe under Wine, driven by
the UI driver from a second process, with the stand-in Office behind it.
Each case gets its own prefix and X server."""

import concurrent.futures
import json
import os
import subprocess
import sys
import tempfile
import time
import traceback

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
sys.path.insert(0, os.path.join(ROOT, "scripts"))
import e2e_play  # noqa: E402  (the harness's own prefix tools)
from e2e import Checks  # noqa: E402

BUILD = os.environ.get("TBO_BUILD", os.path.join(ROOT, "build"))


class Session:
    """A private prefix and X server with TBO_Setup.exe running in them."""

    def __init__(self, name, scenario, workdir):
        self.out = os.path.join(workdir, name)
        os.makedirs(self.out, exist_ok=True)
        self.root = os.path.join(BUILD, "wine", "win-" + name)
        subprocess.run(["bash", "-c", 'source "$1/scripts/lib.sh"; tbo_new_prefix "$2"', "-", ROOT, self.root],
                       check=True, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL)
        self.xvfb, display = self._start_xvfb()
        os.environ.update(WINEPREFIX=self.root, TBO_BUILD=BUILD)  # read by e2e_play.Prefix
        self.prefix = e2e_play.Prefix(self.root, BUILD)
        self.prefix.env.update(WINEPREFIX=self.root, DISPLAY=":" + display)
        self.display = ":" + display
        self.log = open(os.path.join(self.out, "wine.log"), "w")
        self.program = None
        try:
            # Detached from our output: a lasting wineserver must not hold
            # the pipe of whoever reads this script's output.
            subprocess.run(["wineserver", "-p"], env=self.prefix.env, stdin=subprocess.DEVNULL,
                           stdout=self.log, stderr=self.log)
            self.prefix.wine("cmd", "/c", "exit", log=self.log)
            e2e_play.lay_out(self.prefix, scenario)
            e2e_play.set_up_office(self.prefix, scenario)
            self.program = self.prefix.wine(self.prefix.program, background=True, log=self.log)
            if self.driver("wait", "30000") != 0:
                self.screenshot("no-window.png")
                raise RuntimeError("the Setup window did not appear")
        except Exception:
            self.close()
            raise

    def _start_xvfb(self):
        # A display number of our own choosing: the first free one from 200
        # whose server comes up (another run may take a number at the same time).
        with open(os.path.join(self.out, "xvfb.log"), "a") as log:
            for n in range(200, 300):
                if os.path.exists("/tmp/.X%d-lock" % n):
                    continue
                xvfb = subprocess.Popen(["Xvfb", ":%d" % n, "-screen", "0", "800x600x24", "-nolisten", "tcp"],
                                        stdin=subprocess.DEVNULL, stdout=log, stderr=log)
                deadline = time.monotonic() + 10
                while xvfb.poll() is None and time.monotonic() < deadline:
                    if os.path.exists("/tmp/.X11-unix/X%d" % n):
                        return xvfb, str(n)
                    time.sleep(0.05)
                xvfb.kill()
                xvfb.wait()
        raise RuntimeError("no X server could be started")

    def driver(self, *args, background=False):
        return self.prefix.driver(*args, background=background, log=self.log)

    def read(self):
        path = os.path.join(self.out, "window-%d.json" % time.monotonic_ns())
        self.driver("read", self.prefix.windows(path))
        with open(path, encoding="utf-8") as f:
            return json.load(f)

    def journal(self):
        return e2e_play.journal_lines(self.prefix)

    def wait_hold(self):
        e2e_play.wait_for(lambda: os.path.exists(self.prefix.store("hold.reached")), 60, "the held call")

    def release_hold(self):
        open(self.prefix.store("hold.release"), "w").close()

    def exited(self, seconds=60):
        try:
            self.program.wait(timeout=seconds)
            return True
        except subprocess.TimeoutExpired:
            return False

    def screenshot(self, leaf):
        path = os.path.join(self.out, leaf)
        subprocess.run(["import", "-display", self.display, "-window", "root", path],
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        return path

    def close(self):
        if self.program and self.program.poll() is None:
            self.program.kill()
        subprocess.run(["wineserver", "-k"], env=self.prefix.env, stdin=subprocess.DEVNULL,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.xvfb.terminate()
        self.xvfb.wait()
        self.log.close()
        subprocess.run(["rm", "-rf", self.root])


def control(window, name):
    return next(c for c in window["controls"] if c["name"] == name)


def focused(window):
    return [c["name"] for c in window["controls"] if c.get("focus")]


def calls(journal, app, member):
    return [l for l in journal if l.get("event") == "call" and l.get("app") == app and l.get("member") == member]


# ---- cases

LAYOUT = {  # client coordinates at 96 DPI: left, top, right, bottom
    "Image1": (32, 8, 219, 56), "cmdEXCEL": (32, 72, 217, 97), "cmdWORD": (32, 104, 217, 129),
    "cmdPOINT": (32, 136, 217, 161), "lbStatus": (8, 177, 239, 202), "Line1": (9, 210, 240, 211),
    "cmdCancel": (72, 224, 169, 249),
}
CAPTIONS = {"cmdEXCEL": "Microsoft Excel", "cmdWORD": "Microsoft Word", "cmdPOINT": "Microsoft PowerPoint",
            "cmdCancel": "&K\u1ebft th\u00fac", "lbStatus": ""}


def case_start_and_keyboard(s, c):
    w = s.read()
    c.eq("title", w["title"], "Setup")
    c.eq("client size", (w["client"]["width"], w["client"]["height"]), (248, 261))
    for name, rect in LAYOUT.items():
        r = control(w, name)["rect"]
        c.eq(name + " rectangle", (r["left"], r["top"], r["right"], r["bottom"]), rect)
    for name, caption in CAPTIONS.items():
        c.eq(name + " caption", control(w, name)["caption"], caption)
    c.eq("enabled", {x["name"]: x["enabled"] for x in w["controls"] if x["name"].startswith("cmd")},
         {"cmdEXCEL": True, "cmdWORD": True, "cmdPOINT": True, "cmdCancel": True})
    c.eq("focus at start", focused(w), ["cmdCancel"])
    order = []
    for _ in range(4):
        s.driver("key", "Tab")
        order += focused(s.read())
    c.eq("tab order", order, ["cmdEXCEL", "cmdWORD", "cmdPOINT", "cmdCancel"])
    s.driver("key", "Tab", "key", "Esc")
    c.eq("Esc means nothing: focus and window stay", focused(s.read()), ["cmdEXCEL"])
    c.eq("no run was started", [l for l in s.journal() if l.get("event") == "call"], [])
    s.driver("key", "Tab", "key", "Space")
    e2e_play.wait_for(lambda: calls(s.journal(), "word", "Visible"), 60, "the Word run")
    s.driver("waitrun")
    c.eq("a run pressed from the keyboard gives the focus back", focused(s.read()), ["cmdWORD"])
    s.driver("key", "Alt+K")
    c.true("Alt+K with the focus on cmdWORD ends the program", s.exited(30))


def red_box(png, rect):
    """The bounding box of pure red pixels inside rect (screen coordinates)."""
    left, top, right, bottom = rect
    out = subprocess.run(["convert", png, "-crop", "%dx%d+%d+%d" % (right - left, bottom - top, left, top),
                          "txt:-"], capture_output=True, text=True).stdout
    xs, ys = [], []
    for line in out.splitlines()[1:]:
        where, _, colour = line.partition(": ")
        if "#FF0000" in colour.upper():
            x, y = map(int, where.split(","))
            xs.append(x)
            ys.append(y)
    return (min(xs), min(ys), max(xs), max(ys)) if xs else None


def case_held_run(s, c):
    run = s.driver("press", "word", background=True)
    s.wait_hold()
    w = s.read()
    c.eq("status while running", control(w, "lbStatus")["caption"], "Installing TB-Microsoft Word")
    c.eq("enabled while running", {x["name"]: x["enabled"] for x in w["controls"] if x["name"].startswith("cmd")},
         {"cmdEXCEL": False, "cmdWORD": False, "cmdPOINT": False, "cmdCancel": True})
    shot = s.screenshot("held.png")
    # The client area's screen origin: the frame's borders are equal at the
    # sides and the bottom, the caption takes the rest at the top.
    outer, client = w["screenRect"], w["client"]
    border = (outer["right"] - outer["left"] - client["width"]) // 2
    x0, y0 = outer["left"] + border, outer["bottom"] - border - client["height"]
    r = control(w, "lbStatus")["rect"]
    status = {"left": x0 + r["left"], "top": y0 + r["top"], "right": x0 + r["right"], "bottom": y0 + r["bottom"]}
    box = red_box(shot, (status["left"], status["top"], status["right"], status["bottom"]))
    c.true("status text drawn in red", box is not None)
    if box:
        width = status["right"] - status["left"]
        c.true("status text centred (red from %d to %d of %d)" % (box[0], box[2], width),
               abs(box[0] - (width - 1 - box[2])) <= 2)
    clicker = s.driver("click", "cmdEXCEL", background=True)
    time.sleep(1)
    s.release_hold()
    run.wait(120)
    clicker.wait(120)
    c.eq("the click on a disabled button started no Excel run", calls(s.journal(), "excel", "StartupPath"), [])
    w = s.read()
    c.eq("status after the run", control(w, "lbStatus")["caption"], "")
    c.eq("enabled after the run", [x["enabled"] for x in w["controls"] if x["name"].startswith("cmd")], [True] * 4)
    s.driver("press", "word")
    j = s.journal()
    c.eq("a second press runs both operations again", (len(calls(j, "word", "Templates")),
                                                       len(calls(j, "word", "Visible"))), (2, 2))


def case_close_during_run(s, c):
    s.driver("press", "word", background=True)
    s.wait_hold()
    closer = s.driver("close", background=True)
    time.sleep(1)
    c.true("the window stays while the run is held", s.program.poll() is None and closer.poll() is None)
    s.release_hold()
    c.true("the program ends once the run has finished", s.exited(120))
    c.eq("the installation ran to its end first", len(calls(s.journal(), "word", "Visible")), 1)


HOLD_WORD = {"hold": {"app": "word", "member": "Templates"}, "folders": ["C:\\Tambrel"],
             "word": {"templates": []}}
CASES = [
    ("window_start_state_and_keyboard", {"excel": {"installed": False}}, case_start_and_keyboard),
    ("window_held_run", dict(HOLD_WORD, excel={}), case_held_run),
    ("window_close_during_a_run", HOLD_WORD, case_close_during_run),
]


def play(case, workdir):
    name, scenario, body = case
    c = Checks()
    session = None
    try:
        session = Session(name, scenario, workdir)
        body(session, c)
    except Exception:
        c.problems.append(traceback.format_exc())
    finally:
        if session:
            session.close()
    return name, c.problems


def main():
    only = set(sys.argv[1:])
    chosen = [c for c in CASES if not only or c[0] in only]
    workdir = tempfile.mkdtemp(prefix="window-", dir=BUILD)
    print("== the Setup window end to end: %d cases, outputs under %s" % (len(chosen), workdir), flush=True)
    passed = failed = 0
    with concurrent.futures.ThreadPoolExecutor(max_workers=1) as pool:
        for name, problems in pool.map(lambda c: play(c, workdir), chosen):
            print(("ok   " if not problems else "FAIL ") + name)
            for p in problems:
                print("    " + p)
            passed, failed = passed + (not problems), failed + bool(problems)
    print("%d passed, %d failed" % (passed, failed))
    return 0 if failed == 0 else 1


if __name__ == "__main__":
    sys.exit(main())
