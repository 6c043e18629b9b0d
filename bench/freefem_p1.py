"""FreeFEM's P1 solution of heat2d's problem on the very mesh that
heat2d --refine L solves: the 20 triangles of elements.txt, each split into 4^L
by FreeFEM's splitmesh, with the core's values and the outline's terms. Its
base mesh and script are made from the core (heat2d_core), not written by hand.
The refinement's test and its benchmarks use it, and the benchmarks'
measure of a run."""
import math
import os
import subprocess
import sys
import time


def problem_values(core, values=None):
    """The four values of values (a core.Values; None: the design's) as
    FreeFEM reads them, by name."""
    return {name: repr(core.parameter(name) if values is None else values[name])
            for name in ["conductivity", "convection_coeff", "heat_flux", "ambient_temperature"]}


def outline_borders(core, segments, values=None):
    """FreeFEM's borders of the outline of the plate of values (b0 to b5,
    labelled 1 to 6 in the core's order), buildmesh's argument with each part
    in segments(its length) pieces, and the labels of the parts that carry
    each kind of term."""
    outline, xy = core.outline_sides(values), core.nodes(values)
    borders, pieces, labels = [], [], {core.Kind.HEAT_FLUX: [], core.Kind.CONVECTION: []}
    for k, place in enumerate(dict.fromkeys(side.place for side in outline)):
        sides = [side for side in outline if side.place == place]
        (ax, ay), (bx, by) = xy[sides[0].a - 1], xy[sides[-1].b - 1]
        borders.append(f"border b{k}(t = 0, 1) {{ x = {ax!r} + t * ({bx - ax!r}); y = {ay!r} + t * ({by - ay!r}); "
                       f"label = {k + 1}; }}")
        pieces.append(f"b{k}({segments(math.dist((ax, ay), (bx, by)))})")
        labels.get(sides[0].term, []).append(str(k + 1))
    return "\n".join(borders), " + ".join(pieces), {kind: ", ".join(parts) for kind, parts in labels.items()}


def write_base_mesh(core, folder, triangles, values=None):
    """base.msh in FreeFEM's own format: the nodes of the plate of values (a
    core.Values; None: the design's), the triangles, the outline's sides
    labelled by their part (1 to 6, in the core's order)."""
    outline = core.outline_sides(values)
    label = {place: k + 1 for k, place in enumerate(dict.fromkeys(side.place for side in outline))}
    with open(os.path.join(folder, "base.msh"), "w") as mesh:
        mesh.write(f"{core.node_count()} {len(triangles)} {len(outline)}\n")
        mesh.writelines(f"{x!r} {y!r} 0\n" for x, y in core.nodes(values))
        mesh.writelines(" ".join(map(str, t)) + " 0\n" for t in triangles)
        mesh.writelines(f"{side.a} {side.b} {label[side.place]}\n" for side in outline)
    return {kind: ", ".join(str(n) for n in sorted({label[side.place] for side in outline if side.term == kind}))
            for kind in [core.Kind.HEAT_FLUX, core.Kind.CONVECTION]}


def write_mesh(core, folder, xy, triangles, name="adapted.msh"):
    """Any mesh of the region (nodes xy, triangles of 1-based node numbers) in
    FreeFEM's format, each side on the outline labelled by the part it lies on
    (1 to 6, in the core's order): the labels' terms, as write_base_mesh's."""
    outline = core.outline_sides()
    label = {place: k + 1 for k, place in enumerate(dict.fromkeys(side.place for side in outline))}
    corners = core.nodes()
    count = {}
    for t in triangles:
        for k in range(3):
            side = (t[k], t[(k + 1) % 3])
            count[side] = count.get(side, 0) + 1
    sides = [side for side in count if (side[1], side[0]) not in count]  # in one triangle: on the outline

    def part(a, b):
        for side in outline:
            (ax, ay), (bx, by) = corners[side.a - 1], corners[side.b - 1]
            if all((bx - ax) * (y - ay) - (by - ay) * (x - ax) == 0 and min(ax, bx) <= x <= max(ax, bx)
                   and min(ay, by) <= y <= max(ay, by) for x, y in (xy[a - 1], xy[b - 1])):
                return label[side.place]
        raise ValueError(f"side {a}-{b} is on no part of the outline")

    with open(os.path.join(folder, name), "w") as mesh:
        mesh.write(f"{len(xy)} {len(triangles)} {len(sides)}\n")
        mesh.writelines(f"{x!r} {y!r} 0\n" for x, y in xy)
        mesh.writelines(" ".join(map(str, t)) + " 0\n" for t in triangles)
        mesh.writelines(f"{a} {b} {part(a, b)}\n" for a, b in sides)


def system_script(core, labels, values=None, mesh="base.msh"):
    """The script that prints FreeFEM's P1 matrix and load on mesh (base.msh,
    whose vertices are heat2d's nodes in order): K row by row, then f, one
    number a line."""
    value = problem_values(core, values)
    flux, convection = labels[core.Kind.HEAT_FLUX], labels[core.Kind.CONVECTION]
    return f"""mesh Th = readmesh("{mesh}");
fespace Vh(Th, P1);
varf a(T, v) = int2d(Th)({value["conductivity"]} * (dx(T) * dx(v) + dy(T) * dy(v)))
    + int1d(Th, {convection})({value["convection_coeff"]} * T * v);
varf l(T, v) = int1d(Th, {convection})({value["convection_coeff"]} * {value["ambient_temperature"]} * v)
    + int1d(Th, {flux})({value["heat_flux"]} * v);
matrix K = a(Vh, Vh);
real[int] f = l(0, Vh);
cout.precision(17);
for (int i = 0; i < Vh.ndof; i++) for (int j = 0; j < Vh.ndof; j++) cout << K(i, j) << endl;
for (int i = 0; i < Vh.ndof; i++) cout << f[i] << endl;
"""


def script(core, labels, level, points, count, mesh="base.msh", values=None):
    """The script: solve on mesh (base.msh) split 2^level times a side, with
    values (a core.Values; None: the design's), then print the temperature at
    the first count points ("x y" lines) of the file points."""
    value = problem_values(core, values)
    flux, convection = labels[core.Kind.HEAT_FLUX], labels[core.Kind.CONVECTION]
    return f"""mesh Th = splitmesh(readmesh("{mesh}"), {2 ** level});
fespace Vh(Th, P1);
Vh T, v;
solve heat(T, v, solver = sparsesolver, tgv = -1)
    = int2d(Th)({value["conductivity"]} * (dx(T) * dx(v) + dy(T) * dy(v)))
    + int1d(Th, {convection})({value["convection_coeff"]} * T * v)
    - int1d(Th, {convection})({value["convection_coeff"]} * {value["ambient_temperature"]} * v)
    - int1d(Th, {flux})({value["heat_flux"]} * v);
ifstream points("{points}");
cout.precision(17);
real x, y;
for (int i = 0; i < {count}; i++) {{ points >> x >> y; cout << T(x, y) << endl; }}
"""


def measured(command, folder):
    """(seconds, peak MB, stdout) of a command run in folder."""
    started = time.perf_counter()
    process = subprocess.Popen(command, cwd=folder, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                               stderr=subprocess.DEVNULL, text=True)
    output = process.stdout.read()
    _, status, usage = os.wait4(process.pid, 0)
    if status:
        sys.exit(f"{command[0]} failed in {folder}")
    return time.perf_counter() - started, usage.ru_maxrss / 1024, output
