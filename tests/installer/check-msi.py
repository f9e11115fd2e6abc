#!/usr/bin/env python3
"""The MSI package as `make installer` builds it (installer/build-msi.py, from
the Marrowby.exe of this build), read back with msiinfo, signed as a release
is signed, and then installed, repaired, upgraded, refused and removed by
Wine's msiexec in a Wine prefix of the test's own, made afresh for every run.

check-msi.py --build-msi installer/build-msi.py --version 1.0.0.1
             --exe Marrowby.exe --notes Marrowby.txt --policies policies/
             --icon Marrowby.ico --readme README.md --signer authenticode-sign.sh
             --work <folder of the test's own>

Nothing outside --work changes: the prefix lives there, and so does the home
folder Wine sees, where it would otherwise turn the Start menu shortcut into a
menu entry of the desktop.
"""

import argparse
import filecmp
import os
import re
import shutil
import subprocess
import sys
import time

# The one upgrade code, for ever: every deployment tool finds Marrowby by it.
UPGRADE_CODE = "{1A8EC590-3E73-42A1-ADD3-A536E6695DBA}"
REFUSAL = "A newer version of Marrowby is already installed."
HELP_LINK = "https://www.brenlow.example/brenlow/"
# msiexec's code for a failed installation; a Unix exit status keeps its low byte.
ERROR_INSTALL_FAILURE = 1603
PROGRAM_FILES = "C:\\Program Files\\Brenlow\\Marrowby"
UNINSTALL = "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\"
EVENT_SOURCE = "HKLM\\SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\Marrowby"
INSTALLER_KEY = "HKLM\\SOFTWARE\\Brenlow\\Marrowby\\Installer"
USER_SETTINGS = "HKCU\\Software\\Brenlow\\Marrowby"
# Custom action types whose low three bits run code: a DLL, an EXE, JScript,
# VBScript or a nested installation. 3 (text: set a property or a folder,
# show an error) runs nothing.
PROGRAM_ACTION_KINDS = {1: "DLL", 2: "EXE", 5: "JScript", 6: "VBScript", 7: "nested installation"}

failures = []
started = time.monotonic()


def step(text):
    """Says what comes next, for whoever reads a failure's output."""
    print(f"[{time.monotonic() - started:5.0f} s] {text}", flush=True)


def check(condition, text):
    if not condition:
        failures.append(text)
        print(f"FAILED: {text}", flush=True)
    return condition


class Stop(Exception):
    """A failure after which the later steps would only repeat it."""


def require(condition, text):
    if not check(condition, text):
        raise Stop(text)


# ---------------------------------------------------------------- the package

def msi_table(msi, table):
    """The rows of one table as dictionaries, read with msiinfo."""
    result = subprocess.run(["msiinfo", "export", msi, table], capture_output=True, text=True)
    require(result.returncode == 0, f"msiinfo cannot read the table {table} of {msi}: {result.stderr}")
    lines = result.stdout.split("\r\n") if "\r\n" in result.stdout else result.stdout.split("\n")
    columns = lines[0].split("\t")
    # Lines two and three hold the column types and the table's keys.
    return [dict(zip(columns, line.split("\t"))) for line in lines[3:] if line]


def properties(msi):
    return {row["Property"]: row["Value"] for row in msi_table(msi, "Property")}


def package_code(msi):
    result = subprocess.run(["msiinfo", "suminfo", msi], capture_output=True, text=True)
    match = re.search(r"Revision number \(UUID\): (\{[0-9A-F-]+\})", result.stdout)
    require(match is not None, f"msiinfo shows no package code of {msi}")
    return match.group(1)


def program_actions(msi):
    """The custom actions that would run a program, with their kinds."""
    found = []
    for row in msi_table(msi, "CustomAction"):
        kind = int(row["Type"]) & 7
        if kind in PROGRAM_ACTION_KINDS:
            found.append(f"{row['Action']} ({PROGRAM_ACTION_KINDS[kind]})")
    return found


def check_package(msi, version, again, readme):
    """The tables of the package, the way a deployment tool reads them."""
    props = properties(msi)
    for name, expected in [("ProductName", "Marrowby"), ("Manufacturer", "Brenlow"),
                           ("ProductVersion", version), ("UpgradeCode", UPGRADE_CODE),
                           ("ALLUSERS", "1"), ("ARPHELPLINK", HELP_LINK),
                           ("ARPPRODUCTICON", "Marrowby.ico")]:
        check(props.get(name) == expected, f"the property {name} is {props.get(name)!r}, not {expected!r}")
    check(props.get("REBOOT") == "ReallySuppress", "the package may ask for a restart")
    check(program_actions(msi) == [], f"custom actions that run a program: {program_actions(msi)}")
    # Wine's msiexec keeps the refusal's text out of a /qn log; the package holds it.
    check(any(row["Description"] == REFUSAL for row in msi_table(msi, "LaunchCondition")),
          f"no launch condition refuses with {REFUSAL!r}")
    check(msi_table(msi, "Icon") and msi_table(msi, "Icon")[0]["Name"] == "Marrowby.ico",
          "the package has no icon for Add/Remove Programs")
    summary = subprocess.run(["msiinfo", "suminfo", msi], capture_output=True, text=True).stdout
    check("Template: x64;1033" in summary, "the package is not a 64-bit one")
    components = msi_table(msi, "Component")
    check(components and all(int(c["Attributes"]) & 256 for c in components),
          "a component is not 64-bit: its registry values would go to the 32-bit view")
    files = {row["FileName"] for row in msi_table(msi, "File")}
    check(files == {"Marrowby.exe", "Marrowby.txt", "Marrowby.admx", "Marrowby.adml"},
          f"the package holds {sorted(files)}")
    # The same version built again is the same product in another package.
    props_again = properties(again)
    check(props_again.get("ProductCode") == props.get("ProductCode"),
          "building the same version again gives another product code")
    check(package_code(again) != package_code(msi), "two builds share a package code")
    with open(readme, encoding="utf-8") as text:
        check(UPGRADE_CODE.strip("{}") in text.read(), "the README does not give the upgrade code")
    return props["ProductCode"]


def sign(signer, msi, work):
    """Signs the package as `make installer` does, with a throwaway certificate,
    and holds the signature to osslsigncode's verification."""
    key, cert, pfx = (os.path.join(work, name) for name in ("key.pem", "cert.pem", "signer.pfx"))
    subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", key,
                    "-out", cert, "-days", "2", "-subj", "/CN=Marrowby throwaway MSI signer",
                    "-addext", "extendedKeyUsage=codeSigning"], check=True, capture_output=True)
    subprocess.run(["openssl", "pkcs12", "-export", "-in", cert, "-inkey", key, "-out", pfx,
                    "-passout", "pass:throwaway"], check=True, capture_output=True)
    signed = msi[:-4] + "-signed.msi"
    result = subprocess.run(["sh", signer, pfx, msi, signed], capture_output=True, text=True,
                            env=dict(os.environ, SIGN_PFX_PASSWORD="throwaway"))
    require(result.returncode == 0, f"signing the package failed: {result.stderr}")
    verify = subprocess.run(["osslsigncode", "verify", "-CAfile", cert, "-in", signed],
                            capture_output=True, text=True)
    require(verify.returncode == 0, f"the signed package does not verify: {verify.stdout}{verify.stderr}")
    check("Marrowby throwaway MSI signer" in verify.stdout, "the signer is not the certificate's subject")
    check(properties(signed).get("ProductVersion") == properties(msi).get("ProductVersion"),
          "the signed package no longer reads as the package")
    return signed


# ----------------------------------------------------------------- the prefix

def squashed(guid):
    """A GUID as Windows Installer's registry keys name it."""
    hex_digits = guid.strip("{}").replace("-", "")
    parts = [hex_digits[0:8][::-1], hex_digits[8:12][::-1], hex_digits[12:16][::-1]]
    parts += [hex_digits[i:i + 2][::-1] for i in range(16, 32, 2)]
    return "".join(parts).upper()


class Prefix:
    def __init__(self, path, home):
        self.path = path
        self.home = home
        # Wine's menu builder writes below the home folder, whatever
        # WINEDLLOVERRIDES says: it gets one of the test's own.
        self.env = dict(os.environ, WINEPREFIX=path, WINEDEBUG="-all", WINEDLLOVERRIDES="mscoree,mshtml=",
                        HOME=home, XDG_DATA_HOME=os.path.join(home, ".local", "share"),
                        XDG_CONFIG_HOME=os.path.join(home, ".config"), XDG_CACHE_HOME=os.path.join(home, ".cache"))

    def create(self):
        self.stop()
        shutil.rmtree(self.path, ignore_errors=True)
        shutil.rmtree(self.home, ignore_errors=True)
        os.makedirs(self.home)
        result = subprocess.run(["wineboot", "-i"], env=self.env, capture_output=True, text=True)
        require(result.returncode == 0, f"wineboot cannot make the prefix: {result.stderr}")
        subprocess.run(["wineserver", "-w"], env=self.env)

    def stop(self):
        if os.path.isdir(self.path):
            subprocess.run(["wineserver", "-k"], env=self.env, capture_output=True)

    def wine(self, *args):
        return subprocess.run(["wine", *args], env=self.env, capture_output=True, text=True,
                              errors="replace")

    def unix(self, windows_path):
        drive, rest = windows_path.split(":", 1)
        return os.path.join(self.path, "dosdevices", drive.lower() + ":", *rest.strip("\\").split("\\"))

    def exists(self, windows_path):
        return os.path.lexists(self.unix(windows_path))

    def registry(self, *keys):
        """{key: {name: (type, data)}, or None when the key is missing}, read by
        one Wine process: every start of one costs a second or more."""
        for key in keys:
            require(re.fullmatch(r"[A-Za-z0-9_\\{}.-]+", key) is not None, f"a key cmd cannot pass: {key}")
        commands = " & ".join(f"echo @@ {key} & reg query {key} 2>&1" for key in keys)
        result = self.wine("cmd", "/c", commands)
        found, values = {}, None
        for line in result.stdout.splitlines():
            line = line.rstrip("\r")
            if line.startswith("@@ "):
                values = found.setdefault(line[3:].strip(), {})
            elif values is not None and "Unable to find" in line:
                found[list(found)[-1]] = None
                values = None
            elif values is not None:
                match = re.match(r"^    (.*?)    (REG_[A-Z_]+)    ?(.*)$", line)
                if match:
                    values[match.group(1)] = (match.group(2), match.group(3))
        require(set(found) == set(keys), f"cmd did not read every key: {result.stdout}{result.stderr}")
        return found

    def values(self, key):
        return self.registry(key)[key]


    def msiexec(self, *args, log):
        """msiexec's exit status, with /qn and a verbose log for whoever
        looks into a failure. Only its low byte survives Wine."""
        step(f"msiexec {' '.join(args)}")
        return self.wine("msiexec", *args, "/qn", "/l*v", "Z:" + log.replace("/", "\\")).returncode

    def start_menu_shortcuts(self):
        """Marrowby's shortcuts where the Start menu holds them: the machine's
        Programs folder, or under Wine a user's (see docs/NOTES.md)."""
        programs = "\\Microsoft\\Windows\\Start Menu\\Programs\\Marrowby.lnk"
        candidates = ["C:\\ProgramData" + programs]
        users = os.path.join(self.path, "drive_c", "users")
        candidates += ["C:\\users\\" + user + "\\AppData\\Roaming" + programs for user in sorted(os.listdir(users))]
        return [c for c in candidates if self.exists(c)]


RELATED_PRODUCTS = "HKLM\\Software\\Classes\\Installer\\UpgradeCodes\\" + squashed(UPGRADE_CODE)


def related(snapshot):
    """The installed products of Marrowby's upgrade code, as deployment tools
    find them, in a registry snapshot that read RELATED_PRODUCTS."""
    return set(snapshot[RELATED_PRODUCTS] or {})


def shortcut_target(unix_path):
    """The local path a .lnk file points at (its LinkInfo's local base path)."""
    with open(unix_path, "rb") as raw:
        data = raw.read()
    flags = int.from_bytes(data[0x14:0x18], "little")
    offset = 0x4C
    if flags & 0x1:  # HasLinkTargetIDList
        offset += 2 + int.from_bytes(data[offset:offset + 2], "little")
    if not flags & 0x2:  # HasLinkInfo
        return None
    info = data[offset:]
    base = int.from_bytes(info[16:20], "little")
    return info[base:info.index(b"\0", base)].decode("latin-1")


# ------------------------------------------------------------------ the steps

def check_installed(prefix, folder, version, product_code, sources):
    for relative, source in sources.items():
        installed = prefix.unix(folder + "\\" + relative)
        if check(os.path.isfile(installed), f"{version}: {relative} is not in {folder}"):
            check(filecmp.cmp(installed, source, shallow=False), f"{version}: {relative} differs from the build's")
    shortcuts = prefix.start_menu_shortcuts()
    if check(len(shortcuts) == 1, f"{version}: Start menu shortcuts {shortcuts}, not one"):
        target = shortcut_target(prefix.unix(shortcuts[0]))
        check(target is not None and target.lower() == (folder + "\\Marrowby.exe").lower(),
              f"{version}: the shortcut points at {target}")
    product_key = "HKLM\\Software\\Classes\\Installer\\Products\\" + squashed(product_code)
    snapshot = prefix.registry(EVENT_SOURCE, UNINSTALL + product_code, product_key, RELATED_PRODUCTS)
    source = snapshot[EVENT_SOURCE] or {}
    check(source.get("EventMessageFile") == ("REG_EXPAND_SZ", folder + "\\Marrowby.exe"),
          f"{version}: the event source's message file is {source.get('EventMessageFile')}")
    check(source.get("TypesSupported") == ("REG_DWORD", "0x7"),
          f"{version}: the event source's types are {source.get('TypesSupported')}")
    entry = snapshot[UNINSTALL + product_code] or {}
    for name, expected in [("DisplayName", "Marrowby"), ("DisplayVersion", version),
                           ("Publisher", "Brenlow"), ("HelpLink", HELP_LINK)]:
        check(entry.get(name, (None, None))[1] == expected,
              f"{version}: Add/Remove Programs shows {name} {entry.get(name)}, not {expected!r}")
    location = entry.get("InstallLocation", (None, ""))[1]
    check(location.rstrip("\\").lower() == folder.lower(),
          f"{version}: Add/Remove Programs names the folder {location!r}")
    icon = (snapshot[product_key] or {}).get("ProductIcon", (None, ""))[1]
    check(icon.lower().endswith("\\marrowby.ico") and prefix.exists(icon),
          f"{version}: Add/Remove Programs has no icon ({icon!r})")
    check(related(snapshot) == {squashed(product_code)},
          f"{version}: the installed products of the upgrade code are {related(snapshot)}")


def check_refused(prefix, msi, installed_code, log, what):
    status = prefix.msiexec("/i", msi, log=log)
    check(status == ERROR_INSTALL_FAILURE & 0xFF, f"{what}: msiexec ended with {status}, not a refusal")
    products = related(prefix.registry(RELATED_PRODUCTS))
    check(products == {squashed(installed_code)}, f"{what}: the installed products became {products}")


def check_nothing_left(prefix, folders, product_code, what):
    for path in folders + prefix.start_menu_shortcuts():
        check(not prefix.exists(path), f"{what}: {path} is left")
    keys = [EVENT_SOURCE, INSTALLER_KEY, "HKLM\\SOFTWARE\\Brenlow", UNINSTALL + product_code]
    snapshot = prefix.registry(*keys, RELATED_PRODUCTS)
    for key in keys:
        check(snapshot[key] is None, f"{what}: the registry key {key} is left")
    check(related(snapshot) == set(), f"{what}: products are left: {related(snapshot)}")


def build_packages(args, work):
    """The build's version, one with a higher fourth field, one with a higher
    third, and the build's version built a second time."""
    fields = [int(f) for f in args.version.split(".")]
    versions = {
        "this": args.version,
        "next revision": ".".join(map(str, fields[:3] + [fields[3] + 1])),
        "next build": ".".join(map(str, fields[:2] + [fields[2] + 1, 0])),
        "this again": args.version,
    }
    packages = {}
    for name, version in versions.items():
        out = os.path.join(work, f"Marrowby-{name.replace(' ', '-')}-x64.msi")
        result = subprocess.run([sys.executable, args.build_msi, "--version", version, "--exe", args.exe,
                                 "--notes", args.notes, "--policies", args.policies, "--icon", args.icon,
                                 "--out", out], capture_output=True, text=True)
        require(result.returncode == 0, f"building the package of {version} failed: {result.stderr}")
        packages[name] = out
    return versions, packages


def run(args):
    for tool in ("wixl", "msibuild", "msiinfo", "osslsigncode", "openssl", "wine", "wineboot", "wineserver"):
        require(shutil.which(tool) is not None, f"{tool} is missing (make setup installs it)")
    work = os.path.abspath(args.work)
    os.makedirs(work, exist_ok=True)

    step("building the packages")
    versions, packages = build_packages(args, work)
    codes = {name: properties(packages[name])["ProductCode"] for name in versions}
    check(len(set(codes.values())) == 3, f"the three versions do not have three product codes: {codes}")
    check_package(packages["this"], args.version, packages["this again"], args.readme)
    # What is installed first is the package signed as a release is.
    packages["this"] = sign(args.signer, packages["this"], work)

    sources = {
        "Marrowby.exe": args.exe,
        "Marrowby.txt": args.notes,
        "Policies\\Marrowby.admx": os.path.join(args.policies, "Marrowby.admx"),
        "Policies\\en-US\\Marrowby.adml": os.path.join(args.policies, "en-US", "Marrowby.adml"),
    }
    msi = {name: "Z:" + path.replace("/", "\\") for name, path in packages.items()}
    logs = os.path.join(work, "logs")
    shutil.rmtree(logs, ignore_errors=True)
    os.makedirs(logs)

    def log(step):
        return os.path.join(logs, step.replace(" ", "-") + ".log")

    prefix = Prefix(os.path.join(work, "wineprefix"), os.path.join(work, "home"))
    step("a new Wine prefix")
    prefix.create()
    try:
        # The user's own settings, which no uninstallation may take.
        require(prefix.wine("reg", "add", USER_SETTINGS + "\\Locations", "/v", "Item0",
                            "/d", "C:\\Temp", "/f").returncode == 0, "cannot write the user's settings")

        status = prefix.msiexec("/i", msi["this"], log=log("install"))
        require(status == 0, f"installing {args.version} ended with {status}")
        check_installed(prefix, PROGRAM_FILES, args.version, codes["this"], sources)

        # The same version again is a repair: what went missing comes back.
        os.remove(prefix.unix(PROGRAM_FILES + "\\Marrowby.exe"))
        prefix.wine("reg", "delete", EVENT_SOURCE, "/f")
        status = prefix.msiexec("/i", msi["this again"], log=log("install again"))
        check(status == 0, f"installing {args.version} again ended with {status}")
        check_installed(prefix, PROGRAM_FILES, args.version, codes["this"], sources)

        for newer, older in [("next revision", "this"), ("next build", "next revision")]:
            status = prefix.msiexec("/i", msi[newer], log=log(newer))
            require(status == 0, f"installing {versions[newer]} over {versions[older]} ended with {status}")
            check_installed(prefix, PROGRAM_FILES, versions[newer], codes[newer], sources)
            check(prefix.values(UNINSTALL + codes[older]) is None,
                  f"{versions[older]} is still in Add/Remove Programs after {versions[newer]}")
            check_refused(prefix, msi[older], codes[newer], log(f"{older} over {newer}"),
                          f"{versions[older]} over {versions[newer]}")
        check_refused(prefix, msi["this"], codes["next build"], log("this over next build"),
                      f"{versions['this']} over {versions['next build']}")

        status = prefix.msiexec("/x", msi["next build"], log=log("uninstall"))
        check(status == 0, f"uninstalling ended with {status}")
        check_nothing_left(prefix, [PROGRAM_FILES, "C:\\Program Files\\Brenlow"], codes["next build"],
                           "after uninstalling")
        check(prefix.values(USER_SETTINGS + "\\Locations") == {"Item0": ("REG_SZ", "C:\\Temp")},
              "uninstalling took the user's settings")

        # INSTALLDIR chooses the folder; the upgrade and the uninstallation find it.
        folder = "C:\\Tools\\Brenlow Marrowby"
        status = prefix.msiexec("/i", msi["this"], "INSTALLDIR=" + folder, log=log("installdir"))
        require(status == 0, f"installing into {folder} ended with {status}")
        check(not prefix.exists(PROGRAM_FILES), f"INSTALLDIR={folder} still installed into {PROGRAM_FILES}")
        check_installed(prefix, folder, args.version, codes["this"], sources)
        status = prefix.msiexec("/i", msi["next revision"], log=log("installdir upgrade"))
        check(status == 0, f"upgrading in {folder} ended with {status}")
        check(not prefix.exists(PROGRAM_FILES), f"the upgrade left {folder} for {PROGRAM_FILES}")
        check_installed(prefix, folder, versions["next revision"], codes["next revision"], sources)
        status = prefix.msiexec("/x", msi["next revision"], log=log("installdir uninstall"))
        check(status == 0, f"uninstalling from {folder} ended with {status}")
        check_nothing_left(prefix, [folder], codes["next revision"], f"after uninstalling from {folder}")
    finally:
        prefix.stop()
    # A prefix takes some 700 MB; one that failed stays for a look into it.
    if not failures:
        shutil.rmtree(prefix.path, ignore_errors=True)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    for name in ("build-msi", "version", "exe", "notes", "policies", "icon", "readme", "signer", "work"):
        parser.add_argument("--" + name, required=True)
    args = parser.parse_args()
    try:
        run(args)
    except Stop:
        pass
    except (OSError, subprocess.CalledProcessError) as error:
        failures.append(str(error))
        print(f"FAILED: {error}", flush=True)
    if failures:
        print(f"msiexec's logs are in {os.path.join(args.work, 'logs')}")
        return 1
    print("the MSI package builds, installs, repairs, upgrades, refuses older versions and uninstalls")
    return 0


if __name__ == "__main__":
    sys.exit(main())
