#!/usr/bin/python3
"""What Python costs over the core: a sweep of 50 conductivities through
level 5 by the package, its wall time against the core's own time for the
same solves (the levels' "seconds" added up), and a call of
problem.element. Not a test: it prints the figures.
Usage: python_overhead.py BUILD"""
import time
import timeit

import built  # noqa: F401
import numpy

import heat2d


def main():
    elements = heat2d.shipped_elements()
    core_seconds, hottest = 0.0, []
    start = time.perf_counter()
    for k in numpy.logspace(-1, 4, 50):
        levels = heat2d.Problem(conductivity=k).refine(elements, 5)
        for level in levels:
            core_seconds += level.figures["seconds"]
        hottest.append(levels.last.temperatures.max())
    wall = time.perf_counter() - start
    print(f"50 conductivities through level 5: {wall:.3f} s in Python, {core_seconds:.3f} s in the core, "
          f"ratio {wall / core_seconds:.3f}")
    problem, calls = heat2d.Problem(), 5000
    each = timeit.timeit(lambda: problem.element(elements, 7), number=calls) / calls
    print(f"problem.element: {each * 1e6:.1f} us a call")


if __name__ == "__main__":
    main()
