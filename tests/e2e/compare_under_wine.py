#!/usr/bin/env python3
"""What an installer changes, found by a comparison: an inventory under Wine,
then a program with a file type of its own added and a library's version
changed, then `vemdrol.exe /compare` and `vemdrol-scan --compare --against`
list exactly those changes.

    compare_under_wine.py BUILD_DIR
"""
import csv
import glob
import os
import shutil
import struct
import subprocess
import sys

from wine_common import BUILD, DRIVE_C, check, finish, native_program, wine

CLSID = "{5E3A1C2B-7D4F-4B6A-9C8E-0F1D2A3B4C5D}"
APPS = os.path.join(DRIVE_C, "VemdrolCompareApps")
FOLDER = os.path.join(DRIVE_C, "VemdrolCompare")
FIXED_SIGNATURE = b"\xbd\x04\xef\xfe"


def versioned(pattern):
    """The first of Wine's own program files that carries a version number."""
    for path in sorted(glob.glob(os.path.join(DRIVE_C, "windows", pattern))):
        with open(path, "rb") as program:
            data = program.read()
        if "VS_VERSION_INFO".encode("utf-16-le") in data and FIXED_SIGNATURE in data:
            return path, data
    raise SystemExit(f"no versioned {pattern}")


def reg(*arguments):
    status, _, err = wine("reg", *arguments)
    check(status == 0, f"reg {' '.join(arguments)}: {status} {err}")


def changes(rows):
    return sorted((row[0].split(" ")[0], row[1]) for row in rows)


def main():
    for folder in (APPS, FOLDER):
        shutil.rmtree(folder, ignore_errors=True)
        os.makedirs(folder)
    wine("reg", "delete", r"HKCR\.vdt", "/f")
    wine("reg", "delete", r"HKCR\VemdrolTest.File", "/f")
    _, library = versioned(r"system32/*.dll")
    _, program = versioned("*.exe")
    with open(os.path.join(APPS, "vdlib.dll"), "wb") as out:
        out.write(library)
    reg("add", rf"HKCR\CLSID\{CLSID}\InprocServer32", "/ve", "/d", r"C:\VemdrolCompareApps\vdlib.dll", "/f")
    shutil.copy(os.path.join(BUILD, "bin", "vemdrol.exe"), FOLDER)
    status, _, err = wine(r"C:\VemdrolCompare\vemdrol.exe", "作成")
    check(status == 0, f"first inventory ended with {status}: {err}")
    shutil.copy(os.path.join(FOLDER, "Vemdrol.Cnt"), os.path.join(FOLDER, "old.cnt"))

    # The installer: a program with a file type of its own, and the
    # library's major version raised by one.
    with open(os.path.join(APPS, "vdtool.exe"), "wb") as out:
        out.write(program)
    at = library.index(FIXED_SIGNATURE) + 8
    (most,) = struct.unpack_from("<I", library, at)
    changed = bytearray(library)
    struct.pack_into("<I", changed, at, most + 0x10000)
    with open(os.path.join(APPS, "vdlib.dll"), "wb") as out:
        out.write(changed)
    reg("add", r"HKCR\.vdt", "/ve", "/d", "VemdrolTest.File", "/f")
    reg("add", r"HKCR\VemdrolTest.File", "/ve", "/d", "Vemdrol テスト", "/f")
    reg("add", r"HKCR\VemdrolTest.File\shell\open\command", "/ve", "/d",
        r'"C:\VemdrolCompareApps\vdtool.exe" "%1"', "/f")

    expected = [("変更", "vdlib.dll"), ("追加", "*.vdt"), ("追加", "vdtool.exe")]
    status, out, err = wine(r"C:\VemdrolCompare\vemdrol.exe", "/compare", r"C:\VemdrolCompare\old.cnt",
                            "/changed", "/scomma", r"C:\VemdrolCompare\diff.csv")
    check(status == 0, f"/compare ended with {status}: {err}")
    with open(os.path.join(FOLDER, "diff.csv"), encoding="utf-8-sig", newline="") as diff:
        rows = list(csv.reader(diff))
    check(rows[0][:2] == ["差分", "種類"], f"header {rows[0]}")
    check(changes(rows[1:]) == expected, f"vemdrol.exe found {changes(rows[1:])}")
    version = [row for row in rows[1:] if row[1] == "vdlib.dll"]
    check(bool(version) and version[0][0] == "変更 (バージョン)", f"library row {version}")

    scan = native_program("vemdrol-scan")
    done = subprocess.run([scan, "--compare", os.path.join(FOLDER, "old.cnt"), "--against",
                           os.path.join(FOLDER, "Vemdrol.Cnt"), "--changed"], capture_output=True)
    check(done.returncode == 0, f"vemdrol-scan --compare ended with {done.returncode}")
    scanned = list(csv.reader(done.stdout.decode("utf-8-sig").splitlines()))
    check(changes(scanned[1:]) == expected, f"vemdrol-scan found {changes(scanned[1:])}")
    return finish("compare under Wine")


if __name__ == "__main__":
    sys.exit(main())
