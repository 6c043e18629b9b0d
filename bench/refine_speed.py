#!/usr/bin/python3
"""heat2d --refine L beside FreeFEM's P1 on the very same mesh, as a user runs
both: wall time and peak memory of each whole run (heat2d's files included;
FreeFEM's mesh, assembly and solve with the 18 nodes' values printed), their
ratio, and the largest relative difference at every node (FreeFEM run again,
evaluating its field at each of heat2d's nodes). Not a test:
it prints the figures. Usage: refine_speed.py BUILD [FIRST [LAST]], levels 5
to 9 by default; FreeFEM runs up to level 8 where FreeFem++ is installed."""
import os
import shutil
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path[:0] = [HERE, os.path.join(HERE, "..", "tools")]
import freefem_p1  # noqa: E402
from freefem_p1 import measured  # noqa: E402
import built  # noqa: E402,F401
from heat2d import core  # noqa: E402


def main(build, first, last):
    build = os.path.abspath(build)
    shipped = os.path.join(HERE, "..", "examples", "elements.txt")
    triangles = [[int(n) for n in line.split()] for line in open(shipped)]
    peer = shutil.which("FreeFem++")
    print("level  triangles  heat2d s  heat2d MB  FreeFEM s  FreeFEM MB  ratio  largest difference")
    with tempfile.TemporaryDirectory() as folder:
        shutil.copy(shipped, os.path.join(folder, "elements.txt"))
        labels = freefem_p1.write_base_mesh(core, folder, triangles)
        for level in range(first, last + 1):
            ours = measured([os.path.join(build, "heat2d"), "--refine", str(level)], folder)
            line = f"{level:5} {20 * 4 ** level:10} {ours[0]:9.2f} {ours[1]:10.0f}"
            if peer and level <= 8:
                T = [float(row.split()[1]) for row in open(os.path.join(folder, "refined_write_.txt"))]
                for name, count in [("timed.edp", 18), ("p1.edp", len(T))]:
                    with open(os.path.join(folder, name), "w") as stream:
                        stream.write(freefem_p1.script(core, labels, level, "refined_mesh.txt", count))
                theirs = measured([peer, "-nw", "-v", "0", "timed.edp"], folder)
                every = measured([peer, "-nw", "-v", "0", "p1.edp"], folder)[2].split()
                worst = max(abs(float(t) - u) / abs(u) for t, u in zip(every, T, strict=True))
                line += f" {theirs[0]:10.2f} {theirs[1]:11.0f} {theirs[0] / ours[0]:6.1f}  {worst:.1e}"
            print(line, flush=True)


if __name__ == "__main__":
    arguments = sys.argv[1:]
    main(arguments[0], int(arguments[1]) if len(arguments) > 1 else 5, int(arguments[2]) if len(arguments) > 2 else 9)
