#!/usr/bin/env python3
"""vemdrol-scan on a Wine prefix gives exactly the rows, in the same order,
that vemdrol.exe 作成 gives inside that prefix, apart from the rows of the
program's own folder, which a system that is not running does not have.

    scan_under_wine.py BUILD_DIR
"""
import os
import shutil
import subprocess
import sys

from wine_common import BUILD, DRIVE_C, PREFIX, check, fields, finish, inventory_lines, \
    native_program, settle, wine


def main():
    folder = os.path.join(DRIVE_C, "VemdrolScanCheck")
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(folder)
    shutil.copy(os.path.join(BUILD, "bin", "vemdrol.exe"), folder)
    status, _, err = wine(r"C:\VemdrolScanCheck\vemdrol.exe", "作成")
    check(status == 0, f"vemdrol.exe 作成 ended with {status}: {err}")
    settle()

    own = "c:\\vemdrolscancheck\\"
    expected = [line for line in inventory_lines(os.path.join(folder, "Vemdrol.Cnt"))
                if not fields(line)[3].lower().startswith(own)]
    scan = native_program("vemdrol-scan")
    done = subprocess.run([scan, "--format", "cnt", PREFIX], capture_output=True, timeout=600)
    check(done.returncode == 0, f"vemdrol-scan ended with {done.returncode}: {done.stderr!r}")
    scanned = [line for line in done.stdout.split(b"\r\n") if line]
    check(len(expected) > 100, f"only {len(expected)} rows")
    check(scanned == expected, f"{len(scanned)} rows scanned, {len(expected)} expected")
    for number, (a, b) in enumerate(zip(scanned, expected)):
        if a != b:
            print(f"first difference at row {number + 1}:\n  scan: {a!r}\n  exe:  {b!r}")
            break
    print(f"rows compared: {len(expected)}")
    return finish("scan under Wine")


if __name__ == "__main__":
    sys.exit(main())
