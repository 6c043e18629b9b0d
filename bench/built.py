"""Imported by a benchmark before the heat2d package, which loads its library
as it is imported: the tools' folder on the path, and the library of the
build given as the benchmark's first argument, unless HEAT2D_LIBRARY names
one."""
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tools"))
if len(sys.argv) > 1:
    os.environ.setdefault("HEAT2D_LIBRARY", os.path.join(os.path.abspath(sys.argv[1]), "libheat2d.so"))
