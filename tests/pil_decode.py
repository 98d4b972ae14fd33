"""Shared by the tests that decode our recordings in a second decoder (PIL).

    from pil_decode import Image, decoded, run_keeping
Debian's python3-pil is seen only by the system's interpreter, which may not be the first
python3 on PATH: without PIL the script is run again by that one, and where it has none either,
the test is skipped (exit 77).
"""
import os
import subprocess
import sys

SYSTEM_PYTHON = "/usr/bin/python3"

try:
    from PIL import Image, ImageSequence
except ImportError:
    if os.path.realpath(sys.executable) != os.path.realpath(SYSTEM_PYTHON) and \
            os.access(SYSTEM_PYTHON, os.X_OK):
        os.execv(SYSTEM_PYTHON, [SYSTEM_PYTHON, *sys.argv])
    print("SKIP: PIL is not installed (python3-pil)")
    sys.exit(77)

__all__ = ["Image", "decoded", "run_keeping"]


def decoded(path):
    """(size, loop, frames): every frame as PIL composes it for display, in RGB, with its
    duration. Raises OSError or ValueError where the file does not decode as a GIF."""
    with Image.open(path) as image:
        if image.format != "GIF":
            raise ValueError(f"{path}: read as {image.format}")
        shown = [(frame.convert("RGB").copy(), frame.info.get("duration"))
                 for frame in ImageSequence.Iterator(image)]
        return image.size, image.info.get("loop"), shown


def run_keeping(binary, gtest_filter, variable, folder, what):
    """Runs the test binary's cases that leave their recordings in folder (named by the
    environment variable); False, with their output, when they do not pass."""
    run = subprocess.run([binary, f"--gtest_filter={gtest_filter}"],
                         env=dict(os.environ, **{variable: folder}), capture_output=True,
                         text=True, check=False)
    if run.returncode != 0:
        print(run.stdout[-4000:], run.stderr[-2000:])
        print(f"FAIL: {what} did not pass")
        return False
    return True
