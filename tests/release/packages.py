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

import json
import os
import shutil
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
sys.path.insert(0, os.path.join(ROOT, "tests", "e2e"))
from harness import apps, scenario as scenarios  # noqa: E402
from harness.packaging import (BUILD, EPOCH, UNINSTALL, TimestampAuthority, Wine, bash, issued, main,  # noqa: E402
                               msi, table)
from harness.scenario import Prefix  # noqa: E402

COMPONENT = "Microsoft\\Active Setup\\Installed Components\\{6E0B2F0A-1F1B-4C49-9E40-3A7A3C1E2B10}"
ACTIVE_SETUP = "HKLM\\Software\\" + COMPONENT
ACTIVE_SETUP_X86 = "HKLM\\Software\\WOW6432Node\\" + COMPONENT
UNINSTALL_X86 = "HKLM\\Software\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall"
USER_UNINSTALL = "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall"
MACHINE_PRODUCTS = "HKLM\\Software\\Classes\\Installer\\Products"
USER_PRODUCTS = "HKCU\\Software\\Microsoft\\Installer\\Products"
RECORD = "HKCU\\Software\\Tambrel\\TBO Setup"
PROGRAM = "C:\\Program Files\\Tambrel\\TBO Setup\\TBO_Setup.exe"
SWITCHES = " ".join("/" + a.name for a in apps.APPS)  # every application, in the order presses run
LOGON = "/quiet /timeout 20 /deadline 60 /wait 30 /nextlogon"  # the limits of a run the desktop waits for
USER = "C:\\Users\\An\\AppData\\Roaming\\Microsoft"


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


def signing_verifies_timestamps_outlive_the_certificate(eq):
    """Signed at the commit's time, a release reproduces; timestamped, its
    signatures verify after the certificate has expired, where the others
    fail. One changed byte fails either."""
    with tempfile.TemporaryDirectory(dir=BUILD) as work:
        def openssl(*args):
            subprocess.run(["openssl", *args], cwd=work, check=True, capture_output=True)
        # A throwaway authority and a code-signing certificate it issued,
        # valid for two days.
        issued(work, openssl, "signer", "Tambrel test signer", "extendedKeyUsage=codeSigning\nkeyUsage=digitalSignature\n")
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
            done = subprocess.run(["osslsigncode", "verify", "-CAfile", os.path.join(work, "signer-ca.pem"),
                                   "-TSA-CAfile", os.path.join(work, "tsa-ca.pem"), *(("-time", at[0]) if at else ()),
                                   "-in", file],
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


if __name__ == "__main__":
    sys.exit(main(CASES, set(sys.argv[1:])))
