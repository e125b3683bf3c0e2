#!/usr/bin/env python3
"""The packages end to end. The MSI made from this tree's program is
installed, run at logon, upgraded, refused as a downgrade and removed by
Wine's msiexec in a private prefix, against the stand-in Office; the x86
package refuses 64-bit Windows and the x64 one takes an x86 installation
over; and signing with a throwaway certificate verifies, timestamped by a
throwaway authority outlives the certificate, and fails once one byte
changes.
    python3 tests/release/packages.py [NAME...]
Needs the built trees (scripts/test builds them). Prints one line per case
and a closing "N passed, N failed" line."""

import http.server
import json
import os
import shutil
import subprocess
import sys
import tempfile
import threading
import time
import traceback

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
BUILD = os.environ.get("TBO_BUILD", os.path.join(ROOT, "build"))
sys.path.insert(0, os.path.join(ROOT, "tests", "e2e"))
from harness import apps, scenario as scenarios  # noqa: E402
from harness.scenario import PROGRAM_TREES, Prefix  # noqa: E402
from harness.tally import Tally  # noqa: E402

COMPONENT = "Microsoft\\Active Setup\\Installed Components\\{6E0B2F0A-1F1B-4C49-9E40-3A7A3C1E2B10}"
ACTIVE_SETUP = "HKLM\\Software\\" + COMPONENT
ACTIVE_SETUP_X86 = "HKLM\\Software\\WOW6432Node\\" + COMPONENT
UNINSTALL = "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall"
UNINSTALL_X86 = "HKLM\\Software\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall"
USER_UNINSTALL = "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall"
MACHINE_PRODUCTS = "HKLM\\Software\\Classes\\Installer\\Products"
USER_PRODUCTS = "HKCU\\Software\\Microsoft\\Installer\\Products"
RECORD = "HKCU\\Software\\Tambrel\\TBO Setup"
PROGRAM = "C:\\Program Files\\Tambrel\\TBO Setup\\TBO_Setup.exe"
SWITCHES = " ".join("/" + a.name for a in apps.APPS)  # every application, in the order presses run
LOGON = "/quiet /timeout 20 /deadline 60 /wait 30 /nextlogon"  # the limits of a run the desktop waits for
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

    def run(self, command_line, boxes=None):
        """Starts a command line as Windows does (CreateProcess, no cmd.exe)
        and waits for it; its whole exit code. With a list for boxes, the
        message boxes it shows meanwhile are answered and told there."""
        with tempfile.NamedTemporaryFile(dir=self.root, delete=False) as f:
            path = f.name
        runner = self.prefix.driver("runexit", Prefix.windows(path), command_line, background=True)
        box = path + ".box"
        while boxes is not None and runner.poll() is None:
            if self.prefix.driver("msgbox", Prefix.windows(box)) == 0:
                with open(box, encoding="utf-8") as f:
                    boxes.append(json.load(f))
            time.sleep(0.2)
        status = runner.wait()
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

    def entries(self, where=UNINSTALL):
        """The Add/Remove Programs entries of TBO Setup under where (the
        machine's, by default): (version, publisher, no modify, no repair)."""
        found = []
        for sub in (self.key(where) or {}).get("keys", []):
            values = (self.key(where + "\\" + sub) or {}).get("values", {})
            if values.get("DisplayName") == "TBO Setup":
                found.append((values.get("DisplayVersion"), values.get("Publisher"), values.get("NoModify"),
                              values.get("NoRepair")))
        return found


def msi(version, out, arch="x64"):
    made = bash('tbo_msi "$1" "$2" "$3" "$4" "$5"', os.path.join(BUILD, PROGRAM_TREES[arch], "TBO_Setup.exe"), arch,
                version, str(EPOCH), out)
    if made.returncode != 0:
        raise RuntimeError("the package could not be made: " + made.stderr)
    return Prefix.windows(out)


def table(package, name):
    """The rows of one of a package's tables, as msiinfo exports them."""
    text = subprocess.run(["msiinfo", "export", package, name], capture_output=True, text=True, check=True).stdout
    return [tuple(line.split("\t")) for line in text.splitlines()[3:]]


def per_machine(eq, wine, package):
    """Installed for the machine, not for the administrator who ran it: the
    built tables say so, and Windows Installer registered the product for
    the machine (a product installed per user is registered in HKCU)."""
    properties = dict(r[:2] for r in table(package, "Property"))
    eq("ALLUSERS in the built tables", properties.get("ALLUSERS"), "1")
    code = properties["ProductCode"].strip("{}").replace("-", "")
    # Windows Installer's packed form of a code: each field's digits reversed.
    packed = code[:8][::-1] + code[8:12][::-1] + code[12:16][::-1] + "".join(
        code[i:i + 2][::-1] for i in range(16, 32, 2))
    eq("the product registered for the machine, not for the user", (
        packed in (wine.key(MACHINE_PRODUCTS) or {}).get("keys", []),
        packed in (wine.key(USER_PRODUCTS) or {}).get("keys", []), wine.entries(USER_UNINSTALL)), (True, False, []))


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
            "StubPath": '"%s" %s %s' % (PROGRAM, SWITCHES, LOGON)})
        eq("Add/Remove Programs", wine.entries(), [("1.0.0", "Tambrel", 1, 1)])
        per_machine(eq, wine, os.path.join(work, "first.msi"))

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


def x86_package_only_where_it_belongs(eq):
    """In a 64-bit Windows: the x86 package refuses to install and says to
    take the x64 one; an x86 installation already there (from a package
    made before it refused) can still be repaired and removed with it; the
    x64 package takes such an installation over."""
    with tempfile.TemporaryDirectory(dir=BUILD) as work, Wine() as wine:
        x64, x86 = os.path.join(work, "x64.msi"), os.path.join(work, "x86.msi")
        msi("1.0.0", x64), msi("1.0.0", x86, "x86")
        # The x86 package as releases made it before it refused 64-bit Windows.
        earlier = os.path.join(work, "earlier x86.msi")
        shutil.copy(x86, earlier)
        subprocess.run(["msibuild", earlier, "-q", "DELETE FROM `LaunchCondition` WHERE `Condition` = "
                        "'Installed OR NOT VersionNT64'"], check=True)
        refusal = ("This package is for 32-bit Windows. On 64-bit Windows install TBO Setup x64 instead: its program "
                   "sets up 32-bit and 64-bit Office alike.")
        eq("the x86 package's launch condition", ("Installed OR NOT VersionNT64", refusal) in table(x86, "LaunchCondition"),
           True)
        eq("the x64 package takes over x86 installations up to its own version, and keeps a newer one", sorted(
            r for r in table(x64, "Upgrade") if r[0] == "{5E1C4D2A-7B39-4F6E-9A21-3C8B0D4E6F72}"), [
            ("{5E1C4D2A-7B39-4F6E-9A21-3C8B0D4E6F72}", "0.0.0", "1.0.1", "", "256", "", "TBO_X86_TAKEN_OVER"),
            ("{5E1C4D2A-7B39-4F6E-9A21-3C8B0D4E6F72}", "1.0.1", "", "", "258", "", "TBO_X86_NEWER")])

        boxes = []
        eq("the x86 package in 64-bit Windows", wine.run('msiexec /i "%s" /qb' % Prefix.windows(x86), boxes), 1603)
        eq("and why", boxes, [{"title": "Install Failed", "text": refusal}])
        eq("nothing installed", (wine.entries(), wine.entries(UNINSTALL_X86)), ([], []))

        eq("an earlier x86 package", wine.run('msiexec /i "%s" /qn' % Prefix.windows(earlier)), 0)
        eq("its entry", wine.entries(UNINSTALL_X86), [("1.0.0", "Tambrel", 1, 1)])
        per_machine(eq, wine, x86)
        eq("repaired with this x86 package", wine.run(
            'msiexec /i "%s" REINSTALL=ALL REINSTALLMODE=vomus /qn' % Prefix.windows(x86)), 0)
        eq("removed with it", wine.run('msiexec /x "%s" /qn' % Prefix.windows(x86)), 0)
        eq("no entry left", wine.entries(UNINSTALL_X86), [])

        eq("the earlier x86 package again", wine.run('msiexec /i "%s" /qn' % Prefix.windows(earlier)), 0)
        eq("its Active Setup component, in the 32-bit view", (wine.key(ACTIVE_SETUP_X86) or {}).get("values", {}).get(
            "StubPath"), '"C:\\Program Files (x86)\\Tambrel\\TBO Setup\\TBO_Setup.exe" %s %s' % (SWITCHES, LOGON))
        eq("the x64 package over it", wine.run('msiexec /i "%s" /qn' % Prefix.windows(x64)), 0)
        eq("one entry", (wine.entries(), wine.entries(UNINSTALL_X86)), ([("1.0.0", "Tambrel", 1, 1)], []))
        eq("one Active Setup component", (wine.key(ACTIVE_SETUP) is not None, wine.key(ACTIVE_SETUP_X86)), (True, None))
        eq("the x86 program gone", os.path.exists(wine.prefix.unix(
            "C:\\Program Files (x86)\\Tambrel\\TBO Setup\\TBO_Setup.exe")), False)


TSA_CONFIG = """[ tsa ]
default_tsa = throwaway
[ throwaway ]
serial = tsa.serial
signer_cert = tsa.pem
signer_key = tsa.key
certs = tsa-ca.pem
signer_digest = sha256
default_policy = 1.2.3.4.1
digests = sha256, sha1
accuracy = secs:1
ess_cert_id_alg = sha256
"""


class TimestampAuthority:
    """A throwaway RFC 3161 time-stamping authority on loopback: openssl's
    ts answering behind a small HTTP server, as osslsigncode 2.5 (Debian
    12's own) needs; later versions have one built in."""

    def __init__(self, work, openssl):
        self.work = work
        openssl("req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", "tsa-ca.key", "-out", "tsa-ca.pem",
                "-days", "2", "-subj", "/CN=TBO Setup test time-stamping root")
        openssl("req", "-newkey", "rsa:2048", "-nodes", "-keyout", "tsa.key", "-out", "tsa.csr",
                "-subj", "/CN=TBO Setup test time-stamping authority")
        with open(os.path.join(work, "tsa.ext"), "w") as f:
            f.write("extendedKeyUsage=critical,timeStamping\nkeyUsage=digitalSignature\n")
        openssl("x509", "-req", "-in", "tsa.csr", "-CA", "tsa-ca.pem", "-CAkey", "tsa-ca.key", "-CAcreateserial",
                "-out", "tsa.pem", "-days", "2", "-extfile", "tsa.ext")
        with open(os.path.join(work, "tsa.cnf"), "w") as f:
            f.write(TSA_CONFIG)
        with open(os.path.join(work, "tsa.serial"), "w") as f:
            f.write("01\n")

    def __enter__(self):
        work = self.work

        class Answer(http.server.BaseHTTPRequestHandler):
            def do_POST(self):
                query = self.rfile.read(int(self.headers["Content-Length"]))
                with tempfile.TemporaryDirectory(dir=work) as d:
                    with open(os.path.join(d, "q.tsq"), "wb") as f:
                        f.write(query)
                    subprocess.run(["openssl", "ts", "-reply", "-config", "tsa.cnf", "-queryfile",
                                    os.path.join(d, "q.tsq"), "-out", os.path.join(d, "r.tsr")], cwd=work,
                                   capture_output=True, check=True)
                    with open(os.path.join(d, "r.tsr"), "rb") as f:
                        reply = f.read()
                self.send_response(200)
                self.send_header("Content-Type", "application/timestamp-reply")
                self.send_header("Content-Length", str(len(reply)))
                self.end_headers()
                self.wfile.write(reply)

            def log_message(self, *_):
                pass
        self.server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Answer)
        threading.Thread(target=self.server.serve_forever, daemon=True).start()
        return "http://127.0.0.1:%d" % self.server.server_address[1]

    def __exit__(self, *_):
        self.server.shutdown()
        self.server.server_close()


def signing_verifies_timestamps_outlive_the_certificate(eq):
    """Signed at the commit's time, a release reproduces; timestamped, its
    signatures verify after the certificate has expired, where the others
    fail. One changed byte fails either."""
    with tempfile.TemporaryDirectory(dir=BUILD) as work:
        def openssl(*args):
            subprocess.run(["openssl", *args], cwd=work, check=True, capture_output=True)
        # A throwaway authority and a code-signing certificate it issued,
        # valid for two days.
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
        expired = str(int(time.time()) + 30 * 86400)  # the certificate has expired by then

        def sign(target, *tsa):
            return bash('tbo_sign "$@"', target, os.path.join(work, "signer.pfx"), str(EPOCH), *tsa,
                        env=env).returncode

        def verified(file, *at):
            done = subprocess.run(["osslsigncode", "verify", "-CAfile", os.path.join(work, "ca.pem"), "-TSA-CAfile",
                                   os.path.join(work, "tsa-ca.pem"), *(("-time", at[0]) if at else ()), "-in", file],
                                  capture_output=True, text=True)
            return done.returncode, "Timestamp Server Signature verification: ok" in done.stdout

        def changed(file):
            data = bytearray(open(file, "rb").read())
            data[len(data) // 3] ^= 0x01  # inside what the signature covers
            with open(file + ".changed", "wb") as f:
                f.write(data)
            return file + ".changed"

        with TimestampAuthority(work, openssl) as url:
            for what, path in signed.items():
                twice, stamped = path + ".again", path + ".stamped"
                shutil.copy(path, twice)
                shutil.copy(path, stamped)
                eq("%s signed" % what, [sign(path), sign(twice)], [0, 0])
                eq("%s signed twice the same" % what, open(path, "rb").read() == open(twice, "rb").read(), True)
                eq("%s verified against the authority" % what, verified(path), (0, False))
                eq("%s signed and timestamped" % what, sign(stamped, url), 0)
                eq("%s's timestamp verified" % what, verified(stamped), (0, True))
                eq("%s once the certificate has expired: timestamped, not" % what,
                   (verified(stamped, expired)[0], verified(path, expired)[0] != 0), (0, True))
                eq("%s with one changed byte: timestamped, not" % what,
                   (verified(changed(stamped))[0] != 0, verified(changed(path))[0] != 0), (True, True))


CASES = [msi_for_the_machine_and_active_setup_for_each_user, x86_package_only_where_it_belongs,
         signing_verifies_timestamps_outlive_the_certificate]


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
