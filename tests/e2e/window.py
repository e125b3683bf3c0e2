"""The Setup window end to end: layout, captions, keyboard, and what it
shows while a run hangs in an Office call."""

import subprocess

from e2e import APP_BUTTONS, FALSE, TRUE, Row, control, f

LAYOUT = {  # client coordinates at 96 DPI: left, top, right, bottom
    "Image1": (32, 8, 219, 56), "lbStatus": (8, 177, 239, 202), "Line1": (9, 210, 240, 211),
    "cmdCancel": (72, 224, 169, 249),
    # The application buttons, 185 x 25 pixels, from the top down.
    "cmdEXCEL": (32, 72, 217, 97), "cmdWORD": (32, 104, 217, 129), "cmdPOINT": (32, 136, 217, 161),
}
CAPTIONS = {"cmdCancel": "&K\u1ebft th\u00fac", "lbStatus": "", "cmdEXCEL": "Microsoft Excel", "cmdWORD": "Microsoft Word",
            "cmdPOINT": "Microsoft PowerPoint"}


def start_state(o, eq):
    w = o.json("window.json")
    eq("title", w["title"], "Setup")
    eq("client size", (w["client"]["width"], w["client"]["height"]), (248, 261))
    for name, rect in LAYOUT.items():
        r = control(w, name)["rect"]
        eq(name + " rectangle", (r["left"], r["top"], r["right"], r["bottom"]), rect)
    for name, caption in CAPTIONS.items():
        eq(name + " caption", control(w, name)["caption"], caption)
    eq("enabled", [control(w, n)["enabled"] for n in APP_BUTTONS + ("cmdCancel",)], [True] * 4)


def focus_after_steps(expected):
    def check(o, eq):
        observed = []
        for n in range(1, len(expected) + 1):
            w = o.json("step-%d.json" % n)
            observed.append([c["name"] for c in w["controls"] if c.get("focus")] if w else None)
        eq("focus after each step", observed, expected)
    return check


def red_box(png, rect):
    """The bounding box of pure red pixels inside rect (screen coordinates)."""
    left, top, right, bottom = rect
    out = subprocess.run(["convert", png, "-crop", "%dx%d+%d+%d" % (right - left, bottom - top, left, top),
                          "txt:-"], capture_output=True, text=True).stdout
    xs = [int(line.partition(",")[0]) for line in out.splitlines()[1:] if "#FF0000" in line.upper()]
    return (min(xs), max(xs)) if xs else None


def status_red_and_centred(o, eq):
    w = o.json("held.json")
    # The client area's screen origin: the frame's borders are equal at the
    # sides and the bottom, the caption takes the rest at the top.
    outer, client = w["screenRect"], w["client"]
    border = (outer["right"] - outer["left"] - client["width"]) // 2
    x0, y0 = outer["left"] + border, outer["bottom"] - border - client["height"]
    r = control(w, "lbStatus")["rect"]
    box = red_box(o.out + "/held.png", (x0 + r["left"], y0 + r["top"], x0 + r["right"], y0 + r["bottom"]))
    width = r["right"] - r["left"]
    eq("status text drawn in red and centred (red columns %s of %d)" % (box, width),
       box is not None and abs(box[0] - (width - 1 - box[1])) <= 2, True)


# While held, a person clicks Excel's button, and starts the program again.
HOLD_WORD = {"hold": {"app": "word", "member": "Templates", "click": "cmdEXCEL", "alsoRun": ""},
             "folders": ["C:\\Tambrel"], "word": {"templates": []}, "excel": {}}

ROWS = [
    # Tab walks cmdEXCEL, cmdWORD, cmdPOINT, cmdCancel; Esc means nothing;
    # Space presses the focused button, which has the focus again after
    # its run; Alt+K ends the program from any button.
    Row("window_start_state_and_keyboard", {"excel": {"installed": False}},
     ["key:Tab"] * 5 + ["key:Esc", "key:Tab", "key:Space", "key:Alt+K"], {
         "window": "exited",
         "count": {"word Visible": 1},
         "more": [start_state,
                  lambda o, eq: eq("focus at start", [c["name"] for c in o.json("window.json")["controls"]
                                                      if c.get("focus")], ["cmdCancel"]),
                  focus_after_steps([["cmdEXCEL"], ["cmdWORD"], ["cmdPOINT"], ["cmdCancel"], ["cmdEXCEL"],
                                     ["cmdEXCEL"], ["cmdWORD"], ["cmdWORD"]])],
     }),
    # While a call hangs: the status names the run in red, the application
    # buttons are disabled, a click on one of them starts nothing, and a
    # second start of the program only brings this window forward; the
    # window comes back ready for a second press.
    Row("window_held_run_and_second_press", HOLD_WORD, ["word", "word"], {
        "held": "Installing TB-Microsoft Word", "alsoRun": {"exitCode": 0},
        "count": {"excel StartupPath": 0, "word Templates": 2, "word Visible": 2},
        "more": [status_red_and_centred],
    }),
    # Excel turns every call away for six seconds: the calls are asked again
    # while the window goes on answering and painting.
    Row("window_alive_while_excel_is_busy", {
        "files": [f("C:\\Tambrel\\Tambrel_O21.xla")], "busyFor": [{"app": "excel", "ms": 6000}],
        "excel": {"startupPath": "C:\\U\\Excel\\XLSTART", "path": "C:\\Program Files\\Office"},
    }, ["excel"], {
        "responsive": True, "puts": {"excel Installed": [FALSE, TRUE]}, "count": {"excel Quit ok": 2},
    }),
]
