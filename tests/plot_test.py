"""The picture tool on a real run folder and on an empty one.

Usage: plot_test.py HEAT2D TOOL ELEMENTS. Exits 77 (skipped) when matplotlib
cannot be imported by this interpreter.
"""

import os
import shutil
import subprocess
import sys
import tempfile

SKIPPED = 77


def main(heat2d, tool, elements):
    try:
        import matplotlib  # noqa: F401
    except ImportError:
        print(f"matplotlib cannot be imported by {sys.executable}: skipped")
        return SKIPPED
    failures = []
    with tempfile.TemporaryDirectory() as run_folder, tempfile.TemporaryDirectory() as empty:
        shutil.copy(elements, os.path.join(run_folder, "elements.txt"))
        run = subprocess.run([heat2d], cwd=run_folder, stdin=subprocess.DEVNULL,
                             capture_output=True, check=False)
        if run.returncode != 0:
            failures.append(f"heat2d exited with {run.returncode}: {run.stderr!r}")

        # Run in the folder itself, without an argument.
        picture = subprocess.run([sys.executable, tool], cwd=run_folder, capture_output=True,
                                 text=True, check=False)
        png = os.path.join(run_folder, "temperature.png")
        if picture.returncode != 0 or picture.stderr:
            failures.append(f"in the run folder: status {picture.returncode}, stderr {picture.stderr!r}")
        elif not os.path.isfile(png):
            failures.append("run folder: no temperature.png")
        else:
            with open(png, "rb") as stream:
                if stream.read(8) != b"\x89PNG\r\n\x1a\n":
                    failures.append("temperature.png is not a PNG file")

        refused = subprocess.run([sys.executable, tool, empty], capture_output=True, text=True,
                                 check=False)
        lines = refused.stderr.splitlines()
        if refused.returncode == 0:
            failures.append("empty folder: accepted")
        if len(lines) != 1 or "mesh.txt" not in lines[0]:
            failures.append(f"empty folder: stderr {refused.stderr!r}, one line naming mesh.txt wanted")
        if os.listdir(empty):
            failures.append(f"empty folder: wrote {os.listdir(empty)}")

        # A malformed solution file is named too.
        with open(os.path.join(run_folder, "write_.txt"), "w", encoding="utf-8") as stream:
            stream.write("1 40\n2 forty\n")
        malformed = subprocess.run([sys.executable, tool, run_folder], capture_output=True,
                                   text=True, check=False)
        if malformed.returncode == 0 or "write_.txt" not in malformed.stderr:
            failures.append(f"malformed write_.txt: status {malformed.returncode}, "
                            f"stderr {malformed.stderr!r}")

    for failure in failures:
        print("FAILED:", failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:]))
