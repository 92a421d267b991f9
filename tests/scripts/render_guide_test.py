"""The guide's page title, as scripts/render-guide makes it: the guide's own
first-level heading, never the first section's, whatever the heading holds.

Usage: render_guide_test.py SCRIPTS_FOLDER
"""

import pathlib
import re
import subprocess
import sys
import tempfile

# the guide's Markdown, the title the page must have
CASES = [
    ("# Vemdrol {{version}} 使い方\n\n## Vemdrol でわかること\n\n本文\n", "Vemdrol 9.8.7 使い方"),
    ("# *Vemdrol* の `vemdrol.exe` & 使い方\n\n## 最初の節\n", "Vemdrol の vemdrol.exe & 使い方"),
    ("本文だけ\n\n## 節\n", "Vemdrol"),
]


def main() -> int:
    script = pathlib.Path(sys.argv[1]) / "render-guide"
    failures = []
    with tempfile.TemporaryDirectory() as scratch:
        for number, (markdown, title) in enumerate(CASES):
            guide = pathlib.Path(scratch) / f"guide{number}.md"
            page = pathlib.Path(scratch) / f"guide{number}.html"
            guide.write_text(markdown, encoding="utf-8")
            done = subprocess.run([str(script), str(guide), str(page),
                                   "--version", "9.8.7"], capture_output=True, text=True,
                                  check=False)
            if done.returncode != 0:
                failures.append(f"case {number}: render-guide ended with {done.returncode}: "
                                f"{done.stderr}")
                continue
            found = re.findall(r"<title>(.*?)</title>", page.read_text(encoding="utf-8"))
            # The title is escaped as HTML text.
            wanted = title.replace("&", "&amp;")
            if found != [wanted]:
                failures.append(f"case {number}: title {found}, not {wanted!r}")
    for failure in failures:
        print(failure, file=sys.stderr)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
