#!/usr/bin/env python3
"""Builds the program files that servers_under_wine.py registers: small
libraries and programs for i686 and x86-64, each with a version resource of
its own, compiled with MinGW-w64 into the folder given.

    make_server_files.py FOLDER
"""
import os
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))

# name, machine, library or not, version
FILES = [
    ("cloud32.dll", "i686", True, (2, 0, 0, 1)),
    # Of the same name in System32, which only a 64-bit program loads.
    ("cloud32-64.dll", "x86_64", True, (9, 0, 0, 9)),
    ("ext32.dll", "i686", True, (1, 0, 0, 5)),
    ("both.dll", "x86_64", True, (1, 2, 0, 3)),
    ("sync.exe", "x86_64", False, (3, 0, 0, 2)),
    ("updater.exe", "i686", False, (4, 0, 0, 7)),
]

RESOURCE = """1 VERSIONINFO
FILEVERSION {a},{b},{c},{d}
PRODUCTVERSION {a},{b},{c},{d}
FILEOS 0x40004
FILETYPE {kind}
BEGIN
  BLOCK "StringFileInfo"
  BEGIN
    BLOCK "041104B0"
    BEGIN
      VALUE "FileDescription", "Vemdrol test server {name}"
      VALUE "LegalCopyright", "(C) Vemdrol"
      VALUE "FileVersion", "{a}.{b}.{c}.{d}"
    END
  END
  BLOCK "VarFileInfo"
  BEGIN
    VALUE "Translation", 0x411, 1200
  END
END
"""


def build(folder, name, machine, library, version):
    stem = os.path.join(folder, name)
    with open(stem + ".rc", "w", encoding="ascii") as script:
        a, b, c, d = version
        script.write(RESOURCE.format(a=a, b=b, c=c, d=d, kind="0x2" if library else "0x1",
                                     name=name))
    subprocess.run([f"{machine}-w64-mingw32-windres", "-O", "coff", stem + ".rc", "-o",
                    stem + ".res.o"], check=True)
    command = [f"{machine}-w64-mingw32-gcc", "-O2", "-s", os.path.join(HERE, "server_files",
                                                                       "server.c"),
               stem + ".res.o", "-o", stem]
    if library:
        command[1:1] = ["-shared", "-DSERVER_LIBRARY"]
    subprocess.run(command, check=True)
    os.remove(stem + ".rc")
    os.remove(stem + ".res.o")


def main():
    folder = os.path.abspath(sys.argv[1])
    os.makedirs(folder, exist_ok=True)
    for name, machine, library, version in FILES:
        build(folder, name, machine, library, version)
    print(f"{len(FILES)} server files in {folder}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
