#!/usr/bin/env python3
"""The packages end to end. The MSI made from this tree's program is
installed, run at logon, upgraded, refused as a downgrade and removed by
Wine's msiexec in a private prefix, against the stand-in Office; and signing
with a throwaway certificate verifies, and fails once one byte changes.
    python3 tests/release/packages.py [NAME...]
Needs the built trees (scripts/test builds them). Prints one line per case
and a closing "N passed, N failed" line."""

import json
import os
import shutil
import subprocess
import sys
import tempfile
import time
import traceback

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
BUILD = os.environ.get("TBO_BUILD", os.path.join(ROOT, "build"))
sys.path.insert(0, os.path.join(ROOT, "tests", "e2e"))
from harness import scenario as scenarios  # noqa: E402
from harness.scenario import Prefix  # noqa: E402
from harness.tally import Tally  # noqa: E402

ACTIVE_SETUP = "HKLM\\Software\\Microsoft\\Active Setup\\Installed Components\\{6E0B2F0A-1F1B-4C49-9E40-3A7A3C1E2B10}"
UNINSTALL = "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall"
RECORD = "HKCU\\Software\\Tambrel\\TBO Setup"
PROGRAM = "C:\\Program Files\\Tambrel\\TBO Setup\\TBO_Setup.exe"
USER = "C:\\Users\\An\\AppData\\Roaming\\Microsoft"
EPOCH = 1765000000  # any fixed time: the packages here are made for the test


def bash(script, *args, env=None):
    """Runs the project's shell helpers (scripts/lib.sh, packaging/package.sh).
    What it prints goes to a file: a wineserver it starts keeps its output
    open long after."""
    prelude = 'source "%s/scripts/lib.sh"; source "%s/packaging/package.sh"; ' % (ROOT, ROOT)
    with tempfile.TemporaryFile("w+") as out:
        done = subprocess.run(["bash", "-c", prelude + script, "bash", *args], env=env, stdin=subprocess.DEVNULL,
                              stdout=out, stderr=out)
        out.seek(0)
        done.stderr = out.read()
    return done


class Wine:
    """A private prefix on a private X display, stopped and removed at the end."""

    def __enter__(self):
        # The display first: the prefix's desktop is started with it.
        self.xvfb = subprocess.Popen(["Xvfb", "-displayfd", "1", "-screen", "0", "800x600x24", "-nolisten", "tcp"],
                                     stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        display = ":" + self.xvfb.stdout.readline().decode().strip()
        self.root = tempfile.mkdtemp(prefix="packages.", dir=os.path.join(BUILD, "wine"))
        env = dict(os.environ, WINEPREFIX=self.root, DISPLAY=display)
        made = bash('tbo_new_prefix "$1" && tbo_warm_prefix "$1"', self.root, env=env)
        if made.returncode != 0:
            raise RuntimeError("the prefix could not be made: " + made.stderr)
        self.prefix = Prefix(self.root, BUILD)
        self.prefix.env.update(env)
        return self

    def __exit__(self, *_):
        subprocess.run(["wineserver", "-k"], env=self.prefix.env, stderr=subprocess.DEVNULL)
        self.xvfb.kill()
        shutil.rmtree(self.root, ignore_errors=True)

    def run(self, command_line):
        """Starts a command line as Windows does (CreateProcess, no cmd.exe)
        and waits for it; its whole exit code."""
        with tempfile.NamedTemporaryFile(dir=self.root, delete=False) as f:
            path = f.name
        status = self.prefix.driver("runexit", Prefix.windows(path), command_line)
        with open(path) as f:
            text = f.read().strip()
        os.unlink(path)
        if status != 0 or not text:
            raise RuntimeError("%r did not run (driver status %d)" % (command_line, status))
        return int(text)

    def key(self, path):
        """A registry key's values and subkeys' names, or None."""
        out = os.path.join(self.root, "key.json")
        if self.prefix.driver("regread", path, Prefix.windows(out)) != 0:
            raise RuntimeError("the key %s could not be read" % path)
        with open(out, encoding="utf-8") as f:
            return json.load(f)

    def entries(self):
        """The Add/Remove Programs entries of TBO Setup: (version, publisher)."""
        found = []
        for sub in (self.key(UNINSTALL) or {}).get("keys", []):
            values = (self.key(UNINSTALL + "\\" + sub) or {}).get("values", {})
            if values.get("DisplayName") == "TBO Setup":
                found.append((values.get("DisplayVersion"), values.get("Publisher"), values.get("NoModify"),
                              values.get("NoRepair")))
        return found


def msi(version, out):
    made = bash('tbo_msi "$1" x64 "$2" "$3" "$4"', os.path.join(BUILD, "win64", "TBO_Setup.exe"), version,
                str(EPOCH), out)
    if made.returncode != 0:
        raise RuntimeError("the package could not be made: " + made.stderr)
    return Prefix.windows(out)


def msi_for_the_machine_and_active_setup_for_each_user(eq):
    with tempfile.TemporaryDirectory(dir=BUILD) as work, Wine() as wine:
        first, newer = msi("1.0.0", os.path.join(work, "first.msi")), msi("1.0.1", os.path.join(work, "newer.msi"))
        # The add-in's files and the user's Office, as the add-in's own
        # installer and the user left them.
        layout = {"files": [{"path": "C:\\Tambrel\\Tambrel_O21." + e, "content": "x"} for e in ("dot", "xla", "ppa")]
                  + [{"path": USER + "\\Templates\\Normal.dotm", "content": "mine"}],
                  "word": {"templates": [USER + "\\Templates\\Normal.dotm"]},
                  "excel": {"startupPath": USER + "\\Excel\\XLSTART", "path": "C:\\Program Files\\Microsoft Office\\Office 11"}}
        scenarios.lay_out(wine.prefix, layout)
        scenarios.set_up_office(wine.prefix, layout)

        eq("msiexec /i /qn", wine.run('msiexec /i "%s" /qn' % first), 0)
        eq("the program in Program Files", os.path.isfile(wine.prefix.unix(PROGRAM)), True)
        eq("Active Setup", (wine.key(ACTIVE_SETUP) or {}).get("values"),
           {"": "TBO Setup", "Version": "1,0,0,0", "IsInstalled": 1,
            "StubPath": '"%s" /word /powerpoint /excel /quiet' % PROGRAM})
        eq("Add/Remove Programs", wine.entries(), [("1.0.0", "Tambrel", 1, 1)])

        # As Windows runs it at the user's logon: read from the registry and
        # started as it stands, without cmd.exe.
        stub = wine.key(ACTIVE_SETUP)["values"]["StubPath"]
        eq("the StubPath run", wine.run(stub), 0)
        eq("the user's record", (wine.key(RECORD) or {}).get("values", {}).get("Version"), "1.00")
        with open(wine.prefix.store("excel.json"), encoding="utf-8") as f:
            eq("Excel's add-in", [a["installed"] for a in json.load(f)["addins"]], [True])
        with open(wine.prefix.store("powerpoint.json"), encoding="utf-8") as f:
            eq("PowerPoint's add-in", [a["autoload"] for a in json.load(f)["addins"]], [True])

        eq("a newer version over it", wine.run('msiexec /i "%s" /qn' % newer), 0)
        eq("one Add/Remove Programs entry", wine.entries(), [("1.0.1", "Tambrel", 1, 1)])
        eq("Active Setup's Version raised", (wine.key(ACTIVE_SETUP) or {}).get("values", {}).get("Version"), "1,0,1,0")
        eq("an older version refused", wine.run('msiexec /i "%s" /qn' % first), 1603)
        # What a person who starts it sees (Wine's log leaves the text out).
        conditions = subprocess.run(["msiinfo", "export", os.path.join(work, "first.msi"), "LaunchCondition"],
                                    capture_output=True, text=True).stdout
        eq("and says why", "NOT WIX_DOWNGRADE_DETECTED\tA newer version of TBO Setup is already installed." in conditions,
           True)
        eq("the newer one kept", wine.entries(), [("1.0.1", "Tambrel", 1, 1)])

        eq("msiexec /x /qn", wine.run('msiexec /x "%s" /qn' % newer), 0)
        eq("the program removed", os.path.exists(wine.prefix.unix(PROGRAM)), False)
        eq("Active Setup removed", wine.key(ACTIVE_SETUP), None)
        eq("Add/Remove Programs", wine.entries(), [])


def signing_verifies_and_one_changed_byte_fails(eq):
    with tempfile.TemporaryDirectory(dir=BUILD) as work:
        def openssl(*args):
            subprocess.run(["openssl", *args], cwd=work, check=True, capture_output=True)
        # A throwaway authority and a code-signing certificate it issued.
        openssl("req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", "ca.key", "-out", "ca.pem", "-days", "2",
                "-subj", "/CN=TBO Setup test authority")
        openssl("req", "-newkey", "rsa:2048", "-nodes", "-keyout", "signer.key", "-out", "signer.csr",
                "-subj", "/CN=Tambrel test signer")
        with open(os.path.join(work, "ext"), "w") as f:
            f.write("extendedKeyUsage=codeSigning\nkeyUsage=digitalSignature\n")
        openssl("x509", "-req", "-in", "signer.csr", "-CA", "ca.pem", "-CAkey", "ca.key", "-CAcreateserial",
                "-out", "signer.pem", "-days", "2", "-extfile", "ext")
        openssl("pkcs12", "-export", "-out", "signer.pfx", "-inkey", "signer.key", "-in", "signer.pem",
                "-passout", "pass:throwaway")
        signed = {"program": os.path.join(work, "TBO_Setup.exe"), "package": os.path.join(work, "TBO Setup.msi")}
        shutil.copy(os.path.join(BUILD, "win64", "TBO_Setup.exe"), signed["program"])
        msi("1.0.0", signed["package"])
        env = dict(os.environ, TBO_SIGN_PASSWORD="throwaway")
        for what, path in signed.items():
            twice = path + ".again"
            shutil.copy(path, twice)
            for target in (path, twice):
                sign = bash('tbo_sign "$1" "$2" "$3"', target, os.path.join(work, "signer.pfx"), str(EPOCH), env=env)
                eq("%s signed" % what, sign.returncode, 0)
            eq("%s signed twice the same" % what, open(path, "rb").read() == open(twice, "rb").read(), True)

            def verified(file):
                return subprocess.run(["osslsigncode", "verify", "-CAfile", os.path.join(work, "ca.pem"), "-in", file],
                                      capture_output=True).returncode
            eq("%s verified against the authority" % what, verified(path), 0)
            data = bytearray(open(path, "rb").read())
            data[len(data) // 3] ^= 0x01  # inside what the signature covers
            with open(twice, "wb") as f:
                f.write(data)
            eq("%s with one changed byte" % what, verified(twice) != 0, True)


CASES = [msi_for_the_machine_and_active_setup_for_each_user, signing_verifies_and_one_changed_byte_fails]


def main():
    only = set(sys.argv[1:])
    tally = Tally()
    for case in [c for c in CASES if not only or c.__name__ in only]:
        problems, started = [], time.monotonic()

        def eq(what, observed, expected):
            if observed != expected:
                problems.append("%s: expected %r, observed %r" % (what, expected, observed))
        try:
            case(eq)
        except Exception:  # a broken case is a failed case, not a crashed run
            problems.append(traceback.format_exc())
        tally.case(case.__name__, problems, time.monotonic() - started)
    return tally.close()


if __name__ == "__main__":
    sys.exit(main())
