"""Reads a file the exporters wrote with Python's own readers, compares its
texts with the expected ones and prints what else it found, as ASCII JSON.

    export_reader.py csv|tsv|json|html EXPORTED EXPECTED

EXPECTED holds the column count on its first line, then one line per cell
(the header row first), each the cell's code points in hex. Exits 1 with the
differences when the texts differ.
"""
import base64
import csv
import hashlib
import html.parser
import io
import json
import sys


def expected_grid(path):
    with open(path, encoding="ascii") as file:
        lines = file.read().split("\n")
    columns = int(lines[0])
    cells = ["".join(chr(int(code, 16)) for code in line.split()) for line in lines[1:-1]]
    return [cells[i:i + columns] for i in range(0, len(cells), columns)]


def read_delimited(text, separator):
    if not text.startswith("\ufeff"):
        raise ValueError("no byte order mark")
    if not text.endswith("\r\n"):
        raise ValueError("last line without CR LF")
    reader = csv.reader(io.StringIO(text[1:], newline=""), delimiter=separator, strict=True)
    return [row for row in reader], {"bom": True}


def read_json(text):
    data = json.loads(text)
    if list(data) != ["generator", "created", "createdLocal", "computer", "title", "columns",
                      "rows"]:
        raise ValueError("top-level keys " + repr(list(data)))
    keys = [column["key"] for column in data["columns"]]
    grid = [[column["name"] for column in data["columns"]]]
    for row in data["rows"]:
        if list(row) != keys:
            raise ValueError("row keys " + repr(list(row)))
        grid.append([row[key] for key in keys])
    info = {name: data[name] for name in ("generator", "created", "computer", "title")}
    return grid, info


class PageReader(html.parser.HTMLParser):
    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.tags = set()
        self.events = []
        self.policy = ""
        self.open = []
        self.texts = {"title": "", "h1": "", "script": "", "count": ""}
        self.grid = []
        self.cell = None

    def handle_starttag(self, tag, attrs):
        self.tags.add(tag)
        attributes = dict(attrs)
        self.events += [name for name in attributes if name.startswith("on")]
        if tag == "meta" and attributes.get("http-equiv") == "Content-Security-Policy":
            self.policy = attributes["content"]
        if tag == "span" and attributes.get("id") == "count":
            self.open.append("count")
        elif tag in self.texts:
            self.open.append(tag)
        if tag == "tr":
            self.grid.append([])
        if tag in ("th", "td"):
            self.cell = ""

    def handle_endtag(self, tag):
        if self.open and (self.open[-1] == tag or (tag == "span" and self.open[-1] == "count")):
            self.open.pop()
        if tag in ("th", "td"):
            self.grid[-1].append(self.cell)
            self.cell = None

    def handle_data(self, data):
        if self.cell is not None:
            self.cell += data
        elif self.open:
            self.texts[self.open[-1]] += data


def read_html(text):
    page = PageReader()
    page.feed(text)
    page.close()
    script = page.texts["script"]
    digest = base64.b64encode(hashlib.sha256(script.encode("utf-8")).digest()).decode()
    info = {
        "title": page.texts["title"],
        "h1": page.texts["h1"],
        "count": page.texts["count"],
        "tags": sorted(page.tags),
        "events": page.events,
        "only_own_script": page.policy.startswith("default-src 'none';")
        and page.policy.endswith("script-src 'sha256-%s'" % digest),
        "writes_markup": "innerHTML" in script or "outerHTML" in script,
    }
    return page.grid, info


def main():
    kind, exported, expected = sys.argv[1:4]
    with open(exported, "rb") as file:
        text = file.read().decode("utf-8")  # strict: any invalid byte fails
    if kind in ("csv", "tsv"):
        grid, info = read_delimited(text, "," if kind == "csv" else "\t")
    elif kind == "json":
        grid, info = read_json(text)
    else:
        grid, info = read_html(text)
    wanted = expected_grid(expected)
    if grid != wanted:
        for number, (got, want) in enumerate(zip(grid, wanted)):
            if got != want:
                print("row %d: got %r, expected %r" % (number, got, want))
        if len(grid) != len(wanted):
            print("%d rows, expected %d" % (len(grid), len(wanted)))
        return 1
    print(json.dumps(info, sort_keys=True))
    return 0


if __name__ == "__main__":
    sys.exit(main())
