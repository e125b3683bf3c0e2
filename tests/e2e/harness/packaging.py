"""What the package tests need besides Wine's msiexec: the project's shell
helpers, a private prefix on a private display, the packages made from
this tree's programs with their tables read back, a throwaway
time-stamping authority, and the runner of the cases."""

import http.server
import json
import os
import shutil
import subprocess
import tempfile
import threading
import time
import traceback

from harness.scenario import PROGRAM_TREES, Prefix
from harness.tally import Tally

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__)))))
BUILD = os.environ.get("TBO_BUILD", os.path.join(ROOT, "build"))
EPOCH = 1765000000  # any fixed time: the packages here are made for the test
UNINSTALL = "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall"  # the machine's entries


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


def issued(work, openssl, name, subject, extensions):
    """A throwaway root NAME-ca.pem, valid for two days, and the certificate
    NAME.pem (key NAME.key) it issued for these extended uses."""
    openssl("req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", name + "-ca.key", "-out", name + "-ca.pem",
            "-days", "2", "-subj", "/CN=%s root" % subject)
    openssl("req", "-newkey", "rsa:2048", "-nodes", "-keyout", name + ".key", "-out", name + ".csr",
            "-subj", "/CN=" + subject)
    with open(os.path.join(work, name + ".ext"), "w") as f:
        f.write(extensions)
    openssl("x509", "-req", "-in", name + ".csr", "-CA", name + "-ca.pem", "-CAkey", name + "-ca.key",
            "-CAcreateserial", "-out", name + ".pem", "-days", "2", "-extfile", name + ".ext")


class TimestampAuthority:
    """A throwaway RFC 3161 time-stamping authority on loopback: openssl's
    ts answering behind a small HTTP server, as osslsigncode 2.5 (Debian
    12's own) needs; later versions have one built in."""

    def __init__(self, work, openssl):
        self.work = work
        issued(work, openssl, "tsa", "TBO Setup test time-stamping authority",
               "extendedKeyUsage=critical,timeStamping\nkeyUsage=digitalSignature\n")
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


def main(cases, only):
    tally = Tally()
    for case in [c for c in cases if not only or c.__name__ in only]:
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
