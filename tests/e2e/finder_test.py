#!/usr/bin/env python3
"""The harness finds a play's processes by the environment it started them
with and the program file they run, whatever command line Wine gave them.
Plain Linux processes stand in for Wine's: each maps a file as Wine maps a
program's image, under a command line of one of the forms Wine gives."""

import os
import shutil
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from harness.processes import MARKER, find_processes  # noqa: E402

# Maps the file named first, says so, and waits for its input to close.
MAPS = "import mmap, sys; f = open(sys.argv[1], 'rb'); m = mmap.mmap(f.fileno(), 0, access=mmap.ACCESS_READ); " \
       "print('mapped', flush=True); sys.stdin.read()"


class FindProcesses(unittest.TestCase):
    def setUp(self):
        # Where a clone may be: a dot folder, a blank, Vietnamese letters.
        self.folder = tempfile.mkdtemp(prefix=".tbo finder Thư mục ")
        self.program = self.file("build/win64/TBO_Setup.exe")
        self.recorder = self.file("drive_c/Program Files/Microsoft Office/EXCEL.EXE")
        self.started = []

    def tearDown(self):
        for p in self.started:
            p.stdin.close()
            p.wait()
        shutil.rmtree(self.folder)

    def file(self, relative):
        path = os.path.join(self.folder, relative)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(b"MZ" + bytes(8190))
        return path

    def start(self, command_line, image, prefix="/p/one", marker=None):
        env = {k: v for k, v in os.environ.items() if k != MARKER}
        env.update(WINEPREFIX=prefix, **({MARKER: marker} if marker else {}))
        p = subprocess.Popen([command_line, "-c", MAPS, image], executable=sys.executable, env=env,
                             stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)
        self.started.append(p)
        self.assertEqual(p.stdout.readline().strip(), "mapped")
        return p.pid

    def test_the_program_of_one_start_whatever_its_command_line(self):
        # As `wine` runs a 64-bit program by itself: the Unix path as given.
        direct = self.start("build/win64/TBO_Setup.exe", self.program, marker="program-1")
        # As Wine runs it through start.exe: a Windows path.
        through_start = self.start("Z:\\tbo\\build\\win64\\TBO_Setup.exe", self.program, marker="program-2")
        # A process the first start started (Excel launched by a press):
        # marked too, and named like the program, but running another file.
        child = self.start("C:\\x\\TBO_Setup.exe", self.recorder, marker="program-1")
        # The same program file in another prefix.
        elsewhere = self.start("build/win64/TBO_Setup.exe", self.program, prefix="/p/two", marker="program-1")
        one = [("WINEPREFIX", "/p/one")]
        self.assertEqual(find_processes([self.program], one + [(MARKER, "program-1")]), [direct])
        self.assertEqual(find_processes([self.program], one + [(MARKER, "program-2")]), [through_start])
        self.assertEqual(find_processes([self.program], one), sorted([direct, through_start]))
        self.assertEqual(find_processes([self.recorder, self.program], [("WINEPREFIX", "/p/two")]), [elsewhere])
        self.assertEqual(find_processes([self.recorder], one), [child])
        self.assertEqual(find_processes([self.program], one + [(MARKER, "program-3")]), [])


if __name__ == "__main__":
    unittest.main()
