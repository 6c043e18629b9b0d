"""A seeded generator of elements.txt texts, as a student might give them:
valid triangulations in several layouts (flips of the shipped one, numbered
for the table by the core, written with other spacing), wrong ones (lines
swapped, turned, mirrored, a node replaced, a line left out or doubled), ones
whose solve gives a NaN pivot (a node left out), malformed files (words,
fractions, signs, too few or too many numbers, huge numbers, no final newline,
nothing at all), and the faulty cases of the program's own tests."""
import random

from core_test import TRIANGLES, core, flipped, scrambled
from run_test import cases, edited


def written(triangles, rng=None):
    """The text of triangles, one a line; with rng, spaced at random."""
    if not rng:
        return "".join(" ".join(map(str, t)) + "\n" for t in triangles)
    gap = lambda: rng.choice([" ", " ", "  ", "\t", " \t "])  # noqa: E731
    lines = [rng.choice(["", " ", "\t"]) + gap().join(map(str, t)) + rng.choice(["", " ", "\t "]) for t in triangles]
    return "\n".join(lines) + rng.choice(["\n", "\n", "", "\n\n"])


def valid(rng):
    """A triangulation the core numbers for the table, after 1 to 8 flips."""
    while True:
        try:
            numbered = core.number(scrambled(flipped(TRIANGLES, rng, rng.randint(1, 8)), rng), True)
            return numbered.elements
        except core.Refused:
            pass


def wrong(rng):
    triangles = [list(t) for t in (valid(rng) if rng.random() < 0.5 else TRIANGLES)]
    e, other = rng.sample(range(len(triangles)), 2)
    change = rng.randrange(7)
    if change == 0:
        triangles[e], triangles[other] = triangles[other], triangles[e]
    elif change == 1:
        triangles[e] = triangles[e][1:] + triangles[e][:1]
    elif change == 2:
        triangles[e].reverse()
    elif change == 3:
        triangles[e][rng.randrange(3)] = rng.choice([rng.randint(1, 18), 0, 19, -3, 40])
    elif change == 4:
        del triangles[e]
    elif change == 5:
        triangles.insert(other, list(triangles[e]))
    else:  # a node left out: its row of K is empty, and the solve meets a NaN
        gone, kept = rng.sample(range(1, 19), 2)
        triangles = [[kept if n == gone else n for n in t] for t in triangles]
    return triangles


MALFORMED = ["x", "2.7", "-1", "+3", "1e1", "3.", ".5", "99999999999", "0x4", "", "1 2", "7 8 9 10", "#", "٣"]


def malformed(rng):
    lines = written(valid(rng) if rng.random() < 0.5 else TRIANGLES).splitlines()
    for _ in range(rng.randint(1, 3)):
        line = rng.randrange(len(lines))
        numbers = lines[line].split()
        numbers[rng.randrange(3)] = rng.choice(MALFORMED)
        lines[line] = " ".join(numbers)
    return "\n".join(lines) + rng.choice(["\n", ""])


def generated(count, seed=36):
    """[(title, text)]: the program's faulty cases, the shipped file spaced
    otherwise, then count more, made by the seed."""
    rng = random.Random(seed)
    made = [(title, "\n".join(edited(lines)) + "\n") for title, lines in cases("triangulations.txt")]
    made += [("nothing", ""), ("only spaces", " \n\t\n"), ("the shipped one, spaced", written(TRIANGLES, rng))]
    kinds = [("valid", valid), ("valid", valid), ("wrong", wrong), ("wrong", wrong), ("malformed", malformed)]
    for number in range(count):
        kind, make = rng.choice(kinds)
        made.append((f"{kind} {number}", make(rng) if kind == "malformed" else written(make(rng), rng)))
    return made
