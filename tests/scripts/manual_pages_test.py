"""vemdrol-scan's manual pages as man shows them, in the locales a user has.

Under LANG=C man formats for groff's ascii device, which drops every
character it cannot show: the English page's Japanese column names must
then come out in Latin letters, and in Japanese wherever the locale can
show them. groff's warnings (a request it does not know, a character it
cannot find, a line of Japanese it cannot break or spread) are failures too.

Usage: manual_pages_test.py DOCS_FOLDER
"""

import os
import pathlib
import re
import subprocess
import sys
import tempfile

COLUMNS_JA = ["種類", "定義", "アプリケーション", "パス", "バージョン", "差分"]
COLUMNS_LATIN = ["shurui", "teigi", "apurikeshon", "pasu", "bajon", "sabun"]

# page, LANG, what must be there, what must not
CASES = [
    ("vemdrol-scan.1.in", "C", COLUMNS_LATIN + ["EXIT STATUS", "drive_c"], COLUMNS_JA),
    ("vemdrol-scan.1.in", "C.UTF-8", COLUMNS_JA + ["EXIT STATUS"], COLUMNS_LATIN),
    ("vemdrol-scan.1.in", "ja_JP.UTF-8", COLUMNS_JA, COLUMNS_LATIN),
    ("ja/vemdrol-scan.1.in", "ja_JP.UTF-8", COLUMNS_JA + ["終了ステータス", "drive_c"], []),
]


def render(page: pathlib.Path, lang: str) -> tuple[str, list[str]]:
    env = dict(os.environ, LANG=lang, MANWIDTH="80")
    env.pop("LC_ALL", None)
    env.pop("LC_MESSAGES", None)
    done = subprocess.run(["man", "--warnings", "-l", str(page)], env=env,
                          capture_output=True, check=False)
    if done.returncode != 0:
        return "", [f"man ended with {done.returncode}: {done.stderr!r}"]
    problems = done.stderr.decode("utf-8", "replace").splitlines()
    # A Japanese word may be broken at a line's end; compare without blanks.
    return re.sub(r"\s+", "", done.stdout.decode("utf-8", "replace")), problems


def main() -> int:
    docs = pathlib.Path(sys.argv[1])
    failures = []
    with tempfile.TemporaryDirectory() as scratch:
        for source, lang, present, absent in CASES:
            # The version as the build puts it in.
            page = pathlib.Path(scratch) / source.replace("/", "-").removesuffix(".in")
            page.write_text((docs / source).read_text(encoding="utf-8")
                            .replace("@PROJECT_VERSION@", "9.8.7"), encoding="utf-8")
            text, problems = render(page, lang)
            where = f"{source} under LANG={lang}"
            failures += [f"{where}: {problem}" for problem in problems]
            failures += [f"{where}: {word!r} is missing" for word in present + ["Vemdrol9.8.7"]
                         if re.sub(r"\s+", "", word) not in text]
            failures += [f"{where}: {word!r} should not be there" for word in absent
                         if word in text]
    for failure in failures:
        print(failure, file=sys.stderr)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
