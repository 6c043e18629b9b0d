#!/usr/bin/python3
"""Every solve returns: COUNT seeded value sets drawn as the core's test draws
them (k and h log-uniform over their ranges, q and the air's temperature a
random sign times a log-uniform magnitude, exact zeros and 1e-200 among them),
each through levels 0 to 2 and three adaptive steps of the shipped
triangulation, in a child process given LIMIT seconds. Each set ends as
"answer" (every level and step solved; "rounding" where a solve was taken at
rounding's level), "refused: <the core's line>" or "hung". Not a test: it
prints the figures.
Usage: solve_values.py LIBRARY [COUNT] [--record FILE | --against FILE]
--record keeps each set's end in FILE (one a line); --against compares with
such a file made by another build: which of its answers fail now, which of
its refusals and hangs are answered now."""
import multiprocessing
import os
import random
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
LIMIT = 3


def ends(library, count):
    """Each set's end, in order, the sets solved two at a time."""
    os.environ["HEAT2D_LIBRARY"] = os.path.abspath(library)
    sys.path[:0] = [os.path.join(HERE, "..", "tests"), os.path.join(HERE, "..", "tools")]
    from core_test import value_sets  # noqa: E402
    sets = value_sets(random.Random(1000), count)
    context = multiprocessing.get_context("fork")
    said = []
    for values in sets:
        queue = context.Queue()
        child = context.Process(target=solve, args=(values, queue))
        child.start()
        child.join(LIMIT)
        if child.is_alive():
            child.kill()
            child.join()
            said.append("hung")
        else:
            said.append(queue.get() if not queue.empty() else "crashed")
    return sets, said


def solve(values, queue):
    import itertools
    from heat2d import core
    line = core._figures

    def older(result, ints, doubles):
        """A line of a library that gives no backward error (release 1.3.0)."""
        try:
            return line(result, ints, doubles)
        except core.BadCall:
            return {name: result.ints(name)[0] for name in ints} | {name: result.doubles(name)[0] for name in doubles}
    core._figures = older
    try:
        given = core.Values(**values)
        rounding = False
        for solved in itertools.chain(itertools.islice(core.refine(core.read_elements(shipped(), "elements.txt"),
                                                                   given), 3),
                                      itertools.islice(core.adapt(core.read_elements(shipped(), "elements.txt"),
                                                                  given), 3)):
            rounding |= solved.figures.get("backward_error") is not None
        queue.put("answer, rounding" if rounding else "answer")
    except core.Refused as refused:
        queue.put("refused: " + refused.lines[0])


def shipped():
    with open(os.path.join(HERE, "..", "examples", "elements.txt"), "rb") as file:
        return file.read()


def main():
    arguments = sys.argv[1:]
    if not arguments:
        sys.exit(__doc__)
    library, count, record, against = arguments[0], 1000, None, None
    rest = arguments[1:]
    while rest:
        if rest[0] == "--record":
            record, rest = rest[1], rest[2:]
        elif rest[0] == "--against":
            against, rest = rest[1], rest[2:]
        else:
            count, rest = int(rest[0]), rest[1:]
    sets, said = ends(library, count)
    kinds = {}
    for end in said:
        kind = end.split(":")[0].split(",")[0]
        kinds[kind] = kinds.get(kind, 0) + 1
    rounding = sum(end == "answer, rounding" for end in said)
    print(f"{count} value sets: " + ", ".join(f"{n} {kind}" for kind, n in sorted(kinds.items())) +
          f" ({rounding} of the answers with a solve at rounding's level)")
    for end in sorted({end for end in said if end.startswith("refused")}):
        print(f"  {said.count(end)} {end}")
    if record:
        with open(record, "w") as file:
            file.writelines(end + "\n" for end in said)
    if against:
        with open(against) as file:
            before = [line.rstrip("\n") for line in file]
        was = lambda i: before[i].split(":")[0].split(",")[0]  # noqa: E731
        lost = [i for i in range(count) if was(i) == "answer" and not said[i].startswith("answer")]
        gained = [i for i in range(count) if was(i) != "answer" and said[i].startswith("answer")]
        print(f"against {against}: {sum(was(i) == 'answer' for i in range(count))} answered then, "
              f"{len(lost)} of them not now; {sum(was(i) != 'answer' for i in range(count))} refused or hung then, "
              f"{len(gained)} of them answered now")
        for i in lost:
            print(f"  set {i} {sets[i]}: {before[i]} then, {said[i]} now")


if __name__ == "__main__":
    main()
