#!/usr/bin/env python3
"""vemdrol.exe's exports under Wine, read back by readers of their own.

Runs vemdrol.exe with every export switch in a fresh folder of the test
prefix and checks that each file holds exactly the rows of the inventory file
the same run saved, in the same order; then the saved inventory sorted, a
destination that cannot be written and a bad switch.

    export_under_wine.py BUILD_DIR
"""
import csv
import html.parser
import json
import os
import shutil
import sys

from wine_common import BUILD, DRIVE_C, check, fields, finish, inventory_lines, wine

FOLDER = os.path.join(DRIVE_C, "VemdrolExport")
COLUMNS = ["種類", "定義", "アプリケーション", "パス", "バージョン"]
KEYS = ["type", "definition", "application", "path", "version"]


def run(*arguments):
    return wine(r"C:\VemdrolExport\vemdrol.exe", *arguments)


def saved_records():
    return [fields(line) for line in inventory_lines(os.path.join(FOLDER, "Vemdrol.Cnt"))]


def as_saved(text):
    """A text as the inventory file holds it: quotes and control characters
    filtered, characters outside code page 932 as "?"."""
    filtered = "".join("!" if ord(c) < 32 else "'" if c == '"' else c for c in text)
    return filtered.encode("cp932", "replace").decode("cp932")


def delimited(name, delimiter):
    with open(os.path.join(FOLDER, name), encoding="utf-8-sig", newline="") as exported:
        rows = list(csv.reader(exported, delimiter=delimiter))
    check(rows[0] == COLUMNS, f"{name}: header {rows[0]}")
    return rows[1:]


class Cells(html.parser.HTMLParser):
    def __init__(self):
        super().__init__()
        self.rows, self.cell, self.body = [], None, False

    def handle_starttag(self, tag, attributes):
        if tag == "tbody":
            self.body = True
        elif tag == "tr" and self.body:
            self.rows.append([])
        elif tag == "td" and self.body:
            self.cell = ""

    def handle_endtag(self, tag):
        if tag == "td" and self.cell is not None:
            self.rows[-1].append(self.cell)
            self.cell = None
        elif tag == "tbody":
            self.body = False

    def handle_data(self, data):
        if self.cell is not None:
            self.cell += data


def collation_key(text):
    # The program's order: a blank before "\", "\" before everything else,
    # the rest by its lower-case code.
    return [0 if c == " " else 1 if c == "\\" else 2 + ord(c.lower()) for c in text]


def main():
    shutil.rmtree(FOLDER, ignore_errors=True)
    os.makedirs(FOLDER)
    shutil.copy(os.path.join(BUILD, "bin", "vemdrol.exe"), FOLDER)

    status, out, err = run("/scomma", r"C:\VemdrolExport\a.csv", "/STAB", r"C:\VemdrolExport\a.tsv",
                           "-shtml", r"C:\VemdrolExport\a.html", "/sjson", r"C:\VemdrolExport\a.json")
    check(status == 0, f"export run ended with {status}: {err}")
    records = saved_records()
    check(len(records) > 100, f"only {len(records)} rows saved")
    check(out.count("行を書き出しました") == 4, f"messages: {out!r}")

    for name, rows in (("a.csv", delimited("a.csv", ",")), ("a.tsv", delimited("a.tsv", "\t"))):
        check([[as_saved(cell) for cell in row] for row in rows] == records, f"{name}: rows differ")
    with open(os.path.join(FOLDER, "a.json"), encoding="utf-8") as exported:
        document = json.load(exported)
    check(document["generator"]["name"] == "Vemdrol", "json: generator")
    check(document["created"].endswith("Z"), "json: created")
    json_rows = [[as_saved(row[key]) for key in KEYS] for row in document["rows"]]
    check(json_rows == records, "a.json: rows differ")
    page = Cells()
    with open(os.path.join(FOLDER, "a.html"), encoding="utf-8") as exported:
        page.feed(exported.read())
    check([[as_saved(cell) for cell in row] for row in page.rows] == records, "a.html: rows differ")

    status, out, err = run("/saved", "/sort", "~パス", "/scomma", r"C:\VemdrolExport\sorted.csv")
    check(status == 0, f"sorted export ended with {status}: {err}")
    sorted_rows = [[as_saved(cell) for cell in row] for row in delimited("sorted.csv", ",")]
    check(sorted(map(tuple, sorted_rows)) == sorted(map(tuple, records)), "sorted: other rows")
    keys = [collation_key(row[3]) for row in sorted_rows]
    check(all(a >= b for a, b in zip(keys, keys[1:])), "sorted: not descending by path")

    with open(os.path.join(FOLDER, "a.csv"), "rb") as exported:
        before = exported.read()
    status, out, err = run("/scomma", r"C:\VemdrolExport\missing\a.csv", "/saved")
    check(status == 1, f"unwritable destination ended with {status}")
    check(r"C:\VemdrolExport\missing\a.csv" in err, f"message does not name the file: {err!r}")
    status, out, err = run("/scomma", r"C:\VemdrolExport\a.csv", "/saved", "/nonsense")
    check(status == 2, f"bad switch ended with {status}")
    check("使い方" in err, "bad switch: no usage")
    with open(os.path.join(FOLDER, "a.csv"), "rb") as exported:
        check(exported.read() == before, "a.csv changed by failed runs")

    print(f"exports checked: {len(records)} rows")
    return finish("exports under Wine")


if __name__ == "__main__":
    sys.exit(main())
