"""FreeFEM's P1 solution of heat2d's problem on the very mesh that
heat2d --refine L solves: the 20 triangles of elements.txt, each split into 4^L
by FreeFEM's splitmesh, with the core's values and the outline's terms. Its
base mesh and script are made from the core (heat2d_core), not written by hand.
The refinement's test and its benchmark use it."""
import os


def write_base_mesh(core, folder, triangles):
    """base.msh in FreeFEM's own format: the nodes, the triangles, the outline's
    sides labelled by their part (1 to 6, in the core's order)."""
    outline = core.outline_sides()
    label = {place: k + 1 for k, place in enumerate(dict.fromkeys(side.place for side in outline))}
    with open(os.path.join(folder, "base.msh"), "w") as mesh:
        mesh.write(f"{core.node_count()} {len(triangles)} {len(outline)}\n")
        mesh.writelines(f"{x!r} {y!r} 0\n" for x, y in core.nodes())
        mesh.writelines(" ".join(map(str, t)) + " 0\n" for t in triangles)
        mesh.writelines(f"{side.a} {side.b} {label[side.place]}\n" for side in outline)
    return {kind: ", ".join(str(n) for n in sorted({label[side.place] for side in outline if side.term == kind}))
            for kind in [core.Kind.HEAT_FLUX, core.Kind.CONVECTION]}


def script(core, labels, level, points, count):
    """The script: solve on base.msh split 2^level times a side, then print the
    temperature at the first count points ("x y" lines) of the file points."""
    value = {name: repr(core.parameter(name)) for name in ["conductivity", "convection_coeff", "heat_flux",
                                                           "ambient_temperature"]}
    flux, convection = labels[core.Kind.HEAT_FLUX], labels[core.Kind.CONVECTION]
    return f"""mesh Th = splitmesh(readmesh("base.msh"), {2 ** level});
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
