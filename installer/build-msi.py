#!/usr/bin/env python3
"""Builds the Windows Installer package of Marrowby with wixl (msitools).

build-msi.py --version 1.0.0.1 --exe Marrowby.exe --notes Marrowby.txt
             --policies <policies folder> --icon Marrowby.ico --out X.msi

The package's product code is derived from its upgrade code and its version:
a new version is a new product, and the same version built again is the same
product, so that installing it again repairs it instead of adding a second
copy. `make installer` and the package tests build through this one script.
"""

import argparse
import os
import shutil
import subprocess
import sys
import tempfile
import uuid
import xml.etree.ElementTree as ET

WIX = "{http://schemas.microsoft.com/wix/2006/wi}"
HERE = os.path.dirname(os.path.abspath(__file__))


def upgrade_code(wxs):
    """The upgrade code written in the WiX source, the one place it lives."""
    product = ET.parse(wxs).getroot().find(WIX + "Product")
    return uuid.UUID(product.get("UpgradeCode"))


def product_code(upgrade, version):
    return str(uuid.uuid5(upgrade, "Marrowby " + version)).upper()


def version_fields(version):
    """The four fields of a version, within the ranges Windows Installer takes."""
    fields = version.split(".")
    if len(fields) != 4 or not all(f.isdigit() for f in fields):
        raise ValueError(f"the version {version!r} is not four numbers")
    numbers = [int(f) for f in fields]
    limits = (255, 255, 65535, 65535)
    if any(n > limit for n, limit in zip(numbers, limits)):
        raise ValueError(f"the version {version!r} is beyond 255.255.65535.65535")
    return numbers


def next_version3(numbers):
    """The first three fields after those of a version, in the order Windows
    Installer compares them (a field that overflows carries into the next)."""
    packed = (numbers[0] << 24 | numbers[1] << 16 | numbers[2]) + 1
    if packed > 0xFFFFFFFF:
        raise ValueError("no version follows 255.255.65535")
    return f"{packed >> 24}.{packed >> 16 & 0xFF}.{packed & 0xFFFF}"


def fix_expandable_values(wxs, msi, msibuild="msibuild"):
    """wixl writes a RegistryValue of Type="expandable" as a plain string
    (REG_SZ); its Registry row gets the "#%" that makes it REG_EXPAND_SZ."""
    for key in ET.parse(wxs).getroot().iter(WIX + "RegistryKey"):
        for value in key.iter(WIX + "RegistryValue"):
            if value.get("Type") != "expandable":
                continue
            fields = (key.get("Key"), value.get("Name"), value.get("Value"))
            if any("$(" in field or "'" in field for field in fields):
                raise RuntimeError(f"the expandable value {fields[1]} must be plain text")
            query = (f"UPDATE `Registry` SET `Value` = '#%{fields[2]}' "
                     f"WHERE `Key` = '{fields[0]}\\' AND `Name` = '{fields[1]}'")
            result = subprocess.run([msibuild, msi, "-q", query], capture_output=True, text=True)
            if result.returncode != 0 or result.stderr.strip():
                raise RuntimeError("msibuild failed:\n" + result.stdout + result.stderr)


def build(version, exe, notes, policies, icon, out, wxs=os.path.join(HERE, "Marrowby.wxs"), wixl="wixl"):
    numbers = version_fields(version)
    for tool in (wixl, "msibuild"):
        if shutil.which(tool) is None:
            raise RuntimeError(f"{tool} is missing: install Debian's wixl and msitools (make installer does)")
    payload = {
        "Marrowby.exe": exe,
        "Marrowby.txt": notes,
        "Marrowby.admx": os.path.join(policies, "Marrowby.admx"),
        "Marrowby.adml": os.path.join(policies, "en-US", "Marrowby.adml"),
        "Marrowby.ico": icon,
    }
    out = os.path.abspath(out)
    # wixl finds the files of the source in the folder it runs in.
    with tempfile.TemporaryDirectory(prefix="marrowby-msi-") as stage:
        for name, source in payload.items():
            shutil.copyfile(source, os.path.join(stage, name))
        partial = out + ".building"
        defines = {
            "Version": version,
            "Version3": ".".join(str(n) for n in numbers[:3]),
            "Version3Next": next_version3(numbers),
            "Revision": str(numbers[3]),
            "ProductCode": product_code(upgrade_code(wxs), version),
        }
        command = [wixl, "-a", "x64", "-o", partial]
        for name, value in defines.items():
            command += ["-D", f"{name}={value}"]
        command.append(os.path.abspath(wxs))
        result = subprocess.run(command, cwd=stage, capture_output=True, text=True)
        # wixl reports some mistakes on its error output and still succeeds.
        if result.returncode != 0 or not os.path.isfile(partial) or result.stderr.strip():
            if os.path.exists(partial):
                os.remove(partial)
            raise RuntimeError("wixl failed:\n" + result.stdout + result.stderr)
        fix_expandable_values(wxs, partial)
        os.replace(partial, out)
    return defines["ProductCode"]


def main():
    parser = argparse.ArgumentParser(description="Builds Marrowby's MSI package with wixl.")
    parser.add_argument("--version", required=True)
    parser.add_argument("--exe", required=True)
    parser.add_argument("--notes", required=True)
    parser.add_argument("--policies", required=True)
    parser.add_argument("--icon", required=True)
    parser.add_argument("--out", required=True)
    parser.add_argument("--wxs", default=os.path.join(HERE, "Marrowby.wxs"))
    args = parser.parse_args()
    try:
        build(args.version, args.exe, args.notes, args.policies, args.icon, args.out, args.wxs)
    except (OSError, ValueError, RuntimeError) as error:
        print(f"build-msi.py: {error}", file=sys.stderr)
        return 2
    return 0


if __name__ == "__main__":
    sys.exit(main())
