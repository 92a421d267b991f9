"""What the end-to-end checks under Wine share: the test prefix, running a
program in it, and reading the inventory file."""
import os
import subprocess
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
BUILD = os.path.abspath(sys.argv[1]) if len(sys.argv) > 1 else os.path.join(ROOT, "build", "windows")
PREFIX = os.path.join(BUILD, "wine-prefix")
DRIVE_C = os.path.join(PREFIX, "drive_c")
failures = []


def check(condition, message):
    if not condition:
        failures.append(message)
        print("FAIL:", message)


def wine(*arguments, timeout=600):
    """Runs a program in the test prefix; its status and its output decoded
    from code page 932."""
    command = [os.path.join(ROOT, "scripts", "wine-exec"), PREFIX] + list(arguments)
    done = subprocess.run(command, capture_output=True, timeout=timeout)
    return done.returncode, done.stdout.decode("cp932", "replace"), done.stderr.decode("cp932", "replace")


def settle():
    """Waits until the prefix's wineserver has ended, which writes its
    registry to system.reg."""
    env = dict(os.environ, WINEPREFIX=PREFIX)
    subprocess.run(["wineserver", "-w"], env=env, timeout=120, check=False)


def inventory_lines(path):
    with open(path, "rb") as saved:
        return [line for line in saved.read().split(b"\r\n") if line]


def fields(line):
    # Every field is quoted and holds no quote, so the separators are exact.
    return line.decode("cp932")[1:-1].split('","')


def native_program(name):
    """A program of the native build, built when it is missing or old."""
    subprocess.run(["cmake", "--preset", "native"], cwd=ROOT, check=True, stdout=subprocess.DEVNULL)
    subprocess.run(["cmake", "--build", "--preset", "native", "-j2", "--target", name], cwd=ROOT,
                   check=True, stdout=subprocess.DEVNULL)
    return os.path.join(ROOT, "build", "native", "bin", name)


def finish(what):
    print(f"{what}: {len(failures)} failures")
    return 1 if failures else 0
