#!/usr/bin/python3
"""How long each tool takes on the shipped run folder, as a user runs it:
the median wall time of COUNT runs of heat2d-plot, heat2d-export and
heat2d-elements (on the shipped elements.txt and, where Gmsh is installed, on
region.geo's mesh). Not a test: it prints the figures and fails only when a
tool cannot run. Usage: tool_speed.py BUILD [COUNT], BUILD holding heat2d and
its library."""
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
TOOLS = os.path.join(HERE, "..", "tools")


def main(build, count):
    environment = dict(os.environ, HEAT2D_LIBRARY=os.path.join(build, "libheat2d.so"))
    with tempfile.TemporaryDirectory() as folder:
        shutil.copy(os.path.join(HERE, "..", "examples", "elements.txt"), os.path.join(folder, "shipped.txt"))
        shutil.copy(os.path.join(folder, "shipped.txt"), os.path.join(folder, "elements.txt"))
        subprocess.run([os.path.join(build, "heat2d")], cwd=folder, stdin=subprocess.DEVNULL,
                       stdout=subprocess.DEVNULL, check=True)
        runs = [("heat2d-plot", ["plot_temperature.py"]), ("heat2d-export", ["export_field.py"]),
                ("heat2d-elements, a .txt", ["number_elements.py", "shipped.txt"])]
        if shutil.which("gmsh"):
            subprocess.run(["gmsh", "mesh.geo", os.path.join(TOOLS, "region.geo"), "-2", "-o", "mine.msh"],
                           cwd=folder, capture_output=True, check=True)
            runs.append(("heat2d-elements, a Gmsh mesh", ["number_elements.py", "--flip-corner", "mine.msh"]))
        for name, command in runs:
            times = []
            for _ in range(count):
                start = time.perf_counter()
                subprocess.run([sys.executable, os.path.join(TOOLS, command[0]), *command[1:]], cwd=folder,
                               env=environment, capture_output=True, check=True)
                times.append(time.perf_counter() - start)
            print(f"{name}: median {statistics.median(times):.2f} s of {count}")


if __name__ == "__main__":
    main(os.path.abspath(sys.argv[1]), int(sys.argv[2]) if len(sys.argv) > 2 else 10)
