#!/usr/bin/env python3
"""scripts/check-layers passes a tree that keeps to its layers and fails,
naming file and line, on each kind of include planted against them."""

import pathlib
import subprocess
import sys
import tempfile

CHECK = pathlib.Path(__file__).resolve().parents[2] / 'scripts' / 'check-layers'

LAYERS = """# folder: the folders it builds on
base:
formats: base
os: formats
inventory: os
rows: os
scan: inventory rows
app: scan
"""

# Each case: the file planted, its lines, and the fault expected at line 2
# (None: the tree must still pass).
CASES = [
    ('inventory/builder.h', '#pragma once\n#include "base/text.h"\n', None),
    ('app/window.cpp', '// top\n#include "formats/pe/version.h"\n', None),
    ('inventory/builder.h', '#pragma once\n#include "scan/scan.h"\n', 'scan is a layer above inventory'),
    ('rows/list.h', '#pragma once\n#include "inventory/builder.h"\n', 'rows does not build on inventory'),
    ('formats/pe/image.cpp', '// x\n#include <windows.h>\n', 'makes no calls of an operating system'),
    ('base/text.cpp', '// x\n#  include <sys/stat.h>\n', 'makes no calls of an operating system'),
    ('os/registry.h', '#pragma once\n#include "app/form.h"\n', 'app is a layer above os'),
]


def make_tree(root):
    src = root / 'src'
    for layer in ('base', 'formats', 'os', 'inventory', 'rows', 'scan', 'app'):
        (src / layer).mkdir(parents=True)
    (src / 'layers.txt').write_text(LAYERS, encoding='utf-8')
    (src / 'scan' / 'scan.h').write_text(
        '#pragma once\n#include "inventory/builder.h"\n#include "rows/list.h"\n'
        '#include "base/text.h"\n', encoding='utf-8')
    return src


def run(root):
    done = subprocess.run([sys.executable, str(CHECK), '--root', str(root)],
                          capture_output=True, text=True)
    return done.returncode, done.stdout


def main():
    failures = []
    for planted, text, expected in CASES:
        with tempfile.TemporaryDirectory() as scratch:
            root = pathlib.Path(scratch)
            src = make_tree(root)
            target = src / planted
            target.parent.mkdir(parents=True, exist_ok=True)
            target.write_text(text, encoding='utf-8')
            code, out = run(root)
            if expected is None:
                if code != 0:
                    failures.append(f'{planted}: failed a tree within its layers:\n{out}')
            elif code == 0 or f'{target}:2: ' not in out or expected not in out:
                failures.append(f'{planted}: expected "{expected}" at line 2, got {code}:\n{out}')

    # The layers file itself: a folder it does not name, and a layer that
    # builds on one named after it, which would let two lean on each other.
    for layers, expected in [
        (LAYERS.replace('app: scan\n', ''), 'a folder that'),
        (LAYERS.replace('os: formats', 'os: formats app'), 'os builds on app'),
    ]:
        with tempfile.TemporaryDirectory() as scratch:
            root = pathlib.Path(scratch)
            src = make_tree(root)
            (src / 'layers.txt').write_text(layers, encoding='utf-8')
            code, out = run(root)
            if code == 0 or expected not in out:
                failures.append(f'layers file: expected "{expected}", got {code}:\n{out}')

    # And the repository's own tree keeps to its layers.
    code, out = run(CHECK.parents[1])
    if code != 0:
        failures.append(f'the repository breaks its layers:\n{out}')

    for failure in failures:
        print(failure)
    return 1 if failures else 0


if __name__ == '__main__':
    sys.exit(main())
