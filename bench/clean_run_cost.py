#!/usr/bin/python3
"""What a clean run of heat2d costs, in instructions counted by callgrind,
against bench/minimal.cpp, which writes the same numbers with no check.
Not a test: it prints the figures and fails only when a program cannot run.
Usage: clean_run_cost.py HEAT2D [HEAT2D ...]"""
import os
import re
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
SHIPPED = os.path.join(HERE, "..", "examples", "elements.txt")
FILES = ["mesh.txt", "mesh.geo", "f.txt", "K.txt", "write_.txt"]


def run(command, folder):
    """(instructions, the outputs and console) of a run in folder."""
    with open(SHIPPED, "rb") as source, open(os.path.join(folder, "elements.txt"), "wb") as target:
        target.write(source.read())
    done = subprocess.run(["valgrind", "--tool=callgrind", f"--callgrind-out-file={folder}/callgrind.out",
                           os.path.abspath(command)], cwd=folder, stdin=subprocess.DEVNULL,
                          capture_output=True, text=True, check=True)
    count = int(re.search(r"Collected : (\d+)", done.stderr).group(1))
    outputs = [done.stdout] + [open(os.path.join(folder, name)).read() for name in FILES]
    return count, outputs


def main(programs):
    with tempfile.TemporaryDirectory() as scratch:
        minimal = os.path.join(scratch, "minimal")
        subprocess.run(["g++", "-std=c++17", "-O2", "-ffp-contract=off", "-o", minimal,
                        os.path.join(HERE, "minimal.cpp")], check=True)
        os.mkdir(os.path.join(scratch, "m"))
        base, expected = run(minimal, os.path.join(scratch, "m"))
        print(f"minimal program: {base} instructions")
        for number, program in enumerate(programs):
            folder = os.path.join(scratch, str(number))
            os.mkdir(folder)
            count, outputs = run(program, folder)
            same = "same outputs" if outputs == expected else "OUTPUTS DIFFER"
            print(f"{program}: {count} instructions, {count / base:.3f}x the minimal program ({same})")


if __name__ == "__main__":
    main(sys.argv[1:])
