#!/usr/bin/env python3
"""The アプリ list against Wine's own: an MSI package built here with wixl and
installed with msiexec, entries of both views and of the user added with
reg, then vemdrol.exe /apps lists exactly what Wine's uninstaller --list
shows, less the update; /all adds the system component and the update;
vemdrol-scan --apps of the prefix gives the same entries; and after
msiexec /x a comparison with the earlier export shows that one
application removed.

    apps_under_wine.py BUILD_DIR
"""
import json
import os
import shutil
import subprocess
import sys
import tempfile

from wine_common import BUILD, DRIVE_C, PREFIX, check, finish, native_program, settle, wine

PRODUCT = "{6F1D3E0A-5B2C-4D7E-9A41-2C8B7D0E5F13}"
UNINSTALL = r"Software\Microsoft\Windows\CurrentVersion\Uninstall"

PACKAGE = f"""<?xml version="1.0" encoding="utf-8"?>
<Wix xmlns="http://schemas.microsoft.com/wix/2006/wi">
  <Product Id="{PRODUCT}" Name="Vemdrol Check Tool" Language="1033" Version="1.4.2"
           Manufacturer="Vemdrol Tests" UpgradeCode="{{0B9E6C2D-7A13-4F58-8E2B-9D4C1A6F3E27}}">
    <Package InstallerVersion="200" Compressed="yes" InstallScope="perMachine"/>
    <Media Id="1" Cabinet="check.cab" EmbedCab="yes"/>
    <Directory Id="TARGETDIR" Name="SourceDir">
      <Directory Id="ProgramFiles64Folder">
        <Directory Id="INSTALLDIR" Name="VemdrolCheckTool">
          <Component Id="Main" Guid="{{3C7A9E15-2B4D-4F61-8D3A-5E9B0C2F7A48}}" Win64="yes">
            <File Id="Readme" Source="readme.txt" KeyPath="yes"/>
          </Component>
        </Directory>
      </Directory>
    </Directory>
    <Feature Id="Complete" Level="1"><ComponentRef Id="Main"/></Feature>
  </Product>
</Wix>
"""

# Root, view, key, values (name, type, data). Wine's uninstaller prints in
# code page 932, so the names it lists hold no character outside it.
ENTRIES = [
    ("HKLM", "64", "VemdrolCheck64", [("DisplayName", "REG_SZ", "Vemdrol 64 エディター"),
                                      ("DisplayVersion", "REG_SZ", "2.1"),
                                      ("Publisher", "REG_SZ", "コントソ ©"),
                                      ("InstallDate", "REG_SZ", "20261207"),
                                      ("EstimatedSize", "REG_DWORD", "2048"),
                                      ("UninstallString", "REG_SZ", r"C:\Check64\uninst.exe")]),
    ("HKLM", "32", "VemdrolCheck32", [("DisplayName", "REG_SZ", "Vemdrol 32 Tool"),
                                      ("InstallDate", "REG_SZ", "20230229"),
                                      ("UninstallString", "REG_SZ", r"C:\Check32\uninst.exe")]),
    ("HKCU", "64", "VemdrolCheckUser", [("DisplayName", "REG_SZ", "Vemdrol User VPN"),
                                        ("UninstallString", "REG_SZ", r"C:\users\vpn.exe")]),
    ("HKLM", "64", "VemdrolCheckSystem", [("DisplayName", "REG_SZ", "Vemdrol System Part"),
                                          ("SystemComponent", "REG_DWORD", "1"),
                                          ("UninstallString", "REG_SZ", "x")]),
    ("HKLM", "64", "VemdrolCheckUpdate", [("DisplayName", "REG_SZ", "Update for Vemdrol 64"),
                                          ("ParentKeyName", "REG_SZ", "VemdrolCheck64"),
                                          ("UninstallString", "REG_SZ", "x")]),
]


def windows_path(path):
    return "Z:" + path.replace("/", "\\")


def export_apps(folder, name, *switches):
    path = os.path.join(folder, name)
    status, out, err = wine(r"C:\VemdrolAppsCheck\vemdrol.exe", "/apps", *switches,
                            "/sjson", windows_path(path))
    check(status == 0, f"vemdrol.exe /apps {' '.join(switches)} ended with {status}: {out}{err}")
    if status != 0 or not os.path.exists(path):
        return []
    with open(path, encoding="utf-8-sig") as exported:
        return json.load(exported)["rows"]


def wine_list():
    """The display names Wine's own uninstaller lists."""
    status, out, err = wine("uninstaller", "--list")
    check(status == 0, f"uninstaller --list ended with {status}: {err}")
    return sorted(line.split("|||", 1)[1] for line in out.splitlines() if "|||" in line)


def main():
    # A prefix made by this check's first call is still being set up when
    # the call returns; msiexec and the program fail to start until it is.
    wine("cmd", "/c", "ver")
    settle()
    folder = os.path.join(DRIVE_C, "VemdrolAppsCheck")
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(folder)
    shutil.copy(os.path.join(BUILD, "bin", "vemdrol.exe"), folder)
    with tempfile.TemporaryDirectory() as scratch:
        with open(os.path.join(scratch, "check.wxs"), "w", encoding="utf-8") as source:
            source.write(PACKAGE)
        with open(os.path.join(scratch, "readme.txt"), "w") as readme:
            readme.write("Vemdrol\n")
        subprocess.run(["wixl", "-a", "x64", "-o", os.path.join(folder, "check.msi"),
                        os.path.join(scratch, "check.wxs")], cwd=scratch, check=True,
                       capture_output=True)
    status, _, err = wine("msiexec", "/i", r"C:\VemdrolAppsCheck\check.msi", "/qn")
    check(status == 0, f"msiexec /i ended with {status}: {err}")
    for root, view, key, values in ENTRIES:
        for name, kind, data in values:
            status, _, err = wine("reg", "add", f"{root}\\{UNINSTALL}\\{key}", "/v", name, "/t", kind,
                                  "/d", data, "/f", f"/reg:{view}")
            check(status == 0, f"reg add {key} {name} ended with {status}: {err}")

    shown = export_apps(folder, "before.json")
    names = sorted(row["name"] for row in shown)
    expected = [name for name in wine_list() if name != "Update for Vemdrol 64"]
    check(names == expected, f"/apps lists {names}, Wine's uninstaller {expected}")
    by_name = {row["name"]: row for row in shown}
    editor = by_name.get("Vemdrol 64 エディター", {})
    check(editor.get("version") == "2.1" and editor.get("publisher") == "コントソ ©" and
          editor.get("installDate") == "2026-12-07" and editor.get("size") == 2048 * 1024 and
          editor.get("scope") == "machine" and editor.get("view") == "64" and
          editor.get("kind") == "other" and editor.get("source", "").endswith(r"\VemdrolCheck64"),
          f"the 64-bit entry's fields: {editor}")
    old = by_name.get("Vemdrol 32 Tool", {})
    check(old.get("view") == "32" and old.get("installDate") == "" and
          "WOW6432Node" in old.get("source", ""), f"the 32-bit entry's fields: {old}")
    user = by_name.get("Vemdrol User VPN", {})
    check(user.get("scope") not in (None, "", "machine") and user.get("view") == "",
          f"the user's entry: {user}")
    msi = by_name.get("Vemdrol Check Tool", {})
    check(msi.get("kind") == "msi" and msi.get("productCode") == PRODUCT and
          msi.get("version") == "1.4.2", f"the MSI product: {msi}")

    everything = export_apps(folder, "all.json", "/all")
    hidden = sorted(row["name"] for row in everything if row.get("hidden"))
    check({"Vemdrol System Part", "Update for Vemdrol 64"} <= set(hidden),
          f"/all marks as hidden {hidden}")
    check(len(everything) == len(shown) + len(hidden), "/all lists the shown entries and the hidden")

    settle()
    # A native build of one's own may be named; else the shared one is built.
    scan = os.environ.get("VEMDROL_SCAN") or native_program("vemdrol-scan")
    done = subprocess.run([scan, "--apps", "--format", "json", PREFIX], capture_output=True,
                          timeout=300)
    check(done.returncode == 0, f"vemdrol-scan --apps ended with {done.returncode}: {done.stderr!r}")
    if done.returncode == 0:
        scanned = json.loads(done.stdout.decode("utf-8-sig"))["rows"]

        def key(row):
            return (row["name"], row["scope"], row["source"], row["version"], str(row["size"]))
        check(sorted(map(key, scanned)) == sorted(map(key, shown)),
              f"vemdrol-scan --apps: {sorted(map(key, scanned))}\n"
              f"vemdrol.exe: {sorted(map(key, shown))}")

    status, _, err = wine("msiexec", "/x", PRODUCT, "/qn")
    check(status == 0, f"msiexec /x ended with {status}: {err}")
    changes = export_apps(folder, "changes.json", "/compare",
                          windows_path(os.path.join(folder, "before.json")), "/changed")
    check([(row.get("change"), row.get("name")) for row in changes] ==
          [("removed", "Vemdrol Check Tool")], f"the changes after msiexec /x: {changes}")

    for root, view, key, _ in ENTRIES:
        wine("reg", "delete", f"{root}\\{UNINSTALL}\\{key}", "/f", f"/reg:{view}")
    shutil.rmtree(folder, ignore_errors=True)
    return finish("apps under Wine")


if __name__ == "__main__":
    sys.exit(main())
