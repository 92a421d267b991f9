#!/usr/bin/env python3
"""The COM servers of a 64-bit Windows that the nine passes do not read,
under Wine: a 32-bit installer's libraries (registered with reg.exe's
/reg:32, one of them by a System32 path whose file lies in syswow64), a
library of both views, and a 64-bit and a 32-bit local server with
arguments, their files built at test time (make_server_files.py).
vemdrol.exe 作成 and vemdrol-scan give each file exactly one row, with its
version and the key that named it, and the same rows as each other; a
Windows installation whose hives are made from the prefix's registry (one
class moved to a user's classes) gives the same rows again with --user.

    servers_under_wine.py BUILD_DIR
"""
import json
import os
import shutil
import subprocess
import sys

from wine_common import BUILD, DRIVE_C, PREFIX, ROOT, check, fields, finish, inventory_lines, \
    native_program, settle, wine

FILES = os.path.join(BUILD, "server-files")
FOLDER = os.path.join(DRIVE_C, "VemdrolServers")
INSTALLATION = os.path.join(BUILD, "servers-installation")
USER = "vemdroltest"

LIBRARY32 = "{2D7C8F10-5A1B-4C2D-9E3F-000000000001}"
EXTENSION32 = "{2D7C8F10-5A1B-4C2D-9E3F-000000000002}"
BOTH = "{2D7C8F10-5A1B-4C2D-9E3F-000000000003}"
LOCAL64 = "{2D7C8F10-5A1B-4C2D-9E3F-000000000004}"
LOCAL32 = "{2D7C8F10-5A1B-4C2D-9E3F-000000000005}"
WOW = "HKEY_CLASSES_ROOT\\WOW6432Node\\CLSID\\"
NATIVE = "HKEY_CLASSES_ROOT\\CLSID\\"

# Where each built file goes in drive C.
PLACES = [
    ("cloud32.dll", r"windows\syswow64\vemdrolcloud32.dll"),
    ("cloud32-64.dll", r"windows\system32\vemdrolcloud32.dll"),
    ("ext32.dll", r"Program Files (x86)\VemdrolCloud\ext32.dll"),
    ("both.dll", r"Program Files\VemdrolCloud\both.dll"),
    ("sync.exe", r"Program Files\VemdrolCloud\bin\sync.exe"),
    ("updater.exe", r"Program Files (x86)\VemdrolCloud\updater.exe"),
]

# (views, class, server key, value)
REGISTRATIONS = [
    (["32"], LIBRARY32, "InprocServer32", r"C:\windows\system32\vemdrolcloud32.dll"),
    (["32"], EXTENSION32, "InprocServer32", r"C:\Program Files (x86)\VemdrolCloud\ext32.dll"),
    (["64", "32"], BOTH, "InprocServer32", r"C:\Program Files\VemdrolCloud\both.dll"),
    (["64"], LOCAL64, "LocalServer32", r'"C:\Program Files\VemdrolCloud\bin\sync.exe" /automation'),
    (["32"], LOCAL32, "LocalServer32",
     r"C:\Program Files (x86)\VemdrolCloud\updater.exe -Embedding"),
]

# path, version, source: one row each.
EXPECTED = [
    (r"C:\Program Files\VemdrolCloud\both.dll", "1.2.3", NATIVE + BOTH + "\\InprocServer32"),
    (r"C:\windows\SysWOW64\vemdrolcloud32.dll", "2.0.1", WOW + LIBRARY32 + "\\InprocServer32"),
    (r"C:\Program Files (x86)\VemdrolCloud\ext32.dll", "1.0.5",
     WOW + EXTENSION32 + "\\InprocServer32"),
    (r"C:\Program Files\VemdrolCloud\bin\sync.exe", "3.0.2", NATIVE + LOCAL64 + "\\LocalServer32"),
    (r"C:\Program Files (x86)\VemdrolCloud\updater.exe", "4.0.7",
     WOW + LOCAL32 + "\\LocalServer32"),
]


def native(name):
    """A program of the native build: of VEMDROL_NATIVE_BIN when set (a
    build folder of one's own), else of the native preset's."""
    folder = os.environ.get("VEMDROL_NATIVE_BIN")
    return os.path.join(folder, name) if folder else native_program(name)


def drive_c_path(relative):
    return os.path.join(DRIVE_C, *relative.split("\\"))


def place_files():
    for built, relative in PLACES:
        target = drive_c_path(relative)
        os.makedirs(os.path.dirname(target), exist_ok=True)
        shutil.copy(os.path.join(FILES, built), target)


def remove_all():
    """What an earlier run may have left: the classes, the files, the
    installation."""
    lines = ["Windows Registry Editor Version 5.00", ""]
    for _, clsid, _, _ in REGISTRATIONS:
        lines.append(f"[-HKEY_LOCAL_MACHINE\\Software\\Classes\\CLSID\\{clsid}]")
        lines.append(f"[-HKEY_LOCAL_MACHINE\\Software\\Classes\\Wow6432Node\\CLSID\\{clsid}]")
    script = os.path.join(DRIVE_C, "vemdrol-servers-removed.reg")
    with open(script, "w", encoding="utf-16") as out:
        out.write("\r\n".join(lines) + "\r\n")
    wine("regedit", "/S", r"C:\vemdrol-servers-removed.reg")
    os.remove(script)
    for _, relative in PLACES:
        if os.path.exists(drive_c_path(relative)):
            os.remove(drive_c_path(relative))
    for folder in (r"Program Files\VemdrolCloud", r"Program Files (x86)\VemdrolCloud"):
        shutil.rmtree(drive_c_path(folder), ignore_errors=True)
    shutil.rmtree(FOLDER, ignore_errors=True)
    shutil.rmtree(INSTALLATION, ignore_errors=True)


def register():
    for views, clsid, server, value in REGISTRATIONS:
        for view in views:
            status, _, err = wine("reg", "add", f"HKCR\\CLSID\\{clsid}\\{server}", "/ve", "/d",
                                  value, f"/reg:{view}", "/f")
            check(status == 0, f"reg add {clsid} /reg:{view} ended with {status}: {err}")


def unescaped(field):
    """A field of the state file as the text it holds."""
    text, i = [], 0
    while i < len(field):
        c = field[i]
        if c != "\\" or i + 1 == len(field):
            text.append(c)
            i += 1
            continue
        kind = field[i + 1]
        if kind in "xu":
            width = 2 if kind == "x" else 4
            text.append(chr(int(field[i + 2:i + 2 + width], 16)))
            i += 2 + width
        else:
            text.append({"t": "\t", "r": "\r", "n": "\n"}.get(kind, kind))
            i += 2
    return "".join(text)


def state_sources(path):
    """Each row's (path, source) as the state file keeps them."""
    rows, columns, in_rows = [], None, False
    with open(path, encoding="utf-8") as state:
        for line in state.read().split("\n"):
            parts = [unescaped(part) for part in line.split("\t")]
            if parts[0] == "table":
                in_rows = parts[1] == "rows"
                columns = parts[2:]
            elif parts[0] == "row" and in_rows:
                record = dict(zip(columns, parts[1:]))
                rows.append((record["path"], record["source"]))
    return rows


def scanned(*arguments):
    done = subprocess.run([native("vemdrol-scan")] + list(arguments), capture_output=True,
                          timeout=600)
    check(done.returncode == 0, f"vemdrol-scan {arguments} ended with {done.returncode}: "
                                f"{done.stderr!r}")
    return done.stdout


def check_rows(what, rows):
    """rows: (path, version, source) of every row."""
    for path, version, source in EXPECTED:
        found = [row for row in rows if row[0].lower() == path.lower()]
        check(len(found) == 1, f"{what}: {len(found)} rows of {path}")
        if len(found) == 1:
            check(found[0][1] == version, f"{what}: {path} at version {found[0][1]!r}")
            check(found[0][2] == source, f"{what}: {path} from {found[0][2]!r}")
    decoy = r"C:\windows\system32\vemdrolcloud32.dll".lower()
    check(not any(row[2] == WOW + LIBRARY32 + "\\InprocServer32" and row[0].lower() == decoy
                  for row in rows), f"{what}: the 64-bit file taken for the 32-bit library")


def main():
    # The prefix is made on its first use; this check may be the first.
    subprocess.run([os.path.join(ROOT, "scripts", "wine-prefix"), PREFIX, "null"], check=True)
    remove_all()
    try:
        place_files()
        register()
        os.makedirs(FOLDER)
        shutil.copy(os.path.join(BUILD, "bin", "vemdrol.exe"), FOLDER)
        status, _, err = wine(r"C:\VemdrolServers\vemdrol.exe", "作成")
        check(status == 0, f"vemdrol.exe 作成 ended with {status}: {err}")
        settle()

        saved = [fields(line) for line in inventory_lines(os.path.join(FOLDER, "Vemdrol.Cnt"))]
        sources = state_sources(os.path.join(FOLDER, "Vemdrol.state"))
        check(len(sources) == len(saved), f"{len(sources)} sources for {len(saved)} rows")
        check_rows("vemdrol.exe", [(row[3], row[4], source)
                                   for row, (_, source) in zip(saved, sources)])

        own = "c:\\vemdrolservers\\"
        expected = [line for line in inventory_lines(os.path.join(FOLDER, "Vemdrol.Cnt"))
                    if not fields(line)[3].lower().startswith(own)]
        prefix_rows = [line for line in scanned("--format", "cnt", PREFIX).split(b"\r\n") if line]
        check(prefix_rows == expected,
              f"vemdrol-scan: {len(prefix_rows)} rows, vemdrol.exe: {len(expected)}")
        document = json.loads(scanned("--format", "json", "--details", PREFIX))
        check_rows("vemdrol-scan", [(row["path"], row["version"], row["source"] or "")
                                    for row in document["rows"]])

        # The same registrations as a Windows installation's hives, the
        # extension registered for one user alone.
        subprocess.run(["cp", "-al", DRIVE_C, INSTALLATION], check=True)
        environment = dict(os.environ, VEMDROL_PREFIX=PREFIX, VEMDROL_INSTALLATION=INSTALLATION,
                           VEMDROL_USER=USER, VEMDROL_USER_CLASSES=EXTENSION32)
        done = subprocess.run([native("vemdrol_tests"), "--gtest_also_run_disabled_tests",
                               "--gtest_filter=InstallationFromPrefix.DISABLED_WriteHives"],
                              env=environment, capture_output=True, timeout=600)
        check(done.returncode == 0, f"the hives were not written: {done.stdout[-2000:]!r}")
        installation_rows = [line for line in
                             scanned("--format", "cnt", "--user", USER, INSTALLATION).split(b"\r\n")
                             if line]
        check(installation_rows == prefix_rows,
              f"installation with --user: {len(installation_rows)} rows, "
              f"prefix: {len(prefix_rows)}")
        # Without the user, the extension is only a further file of the
        # 32-bit local server's folder.
        machine = json.loads(scanned("--format", "json", "--details", INSTALLATION))
        extension = [row["source"] for row in machine["rows"]
                     if row["path"].lower().endswith("\\ext32.dll")]
        check(extension == ["C:\\Program Files (x86)\\VemdrolCloud\\内の調査"],
              f"installation without --user: the extension from {extension!r}")
        print(f"rows compared: {len(expected)}")
    finally:
        remove_all()
        settle()
    return finish("servers under Wine")


if __name__ == "__main__":
    sys.exit(main())
