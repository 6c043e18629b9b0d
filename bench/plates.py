#!/usr/bin/python3
"""heat2d --adapt E on four plates, as a user runs it: wall time, peak memory,
steps, and the largest error at heat2d's 18 nodes against the converged
field, beside the largest error left that heat2d estimates. The design's
plate scaled by 1/8 and by 64 (h divided by the scale, E times it), whose
converged field follows from converged_field.txt by the law of scale; and
10 x 6 with a 3 x 2 notch and 9 x 6 with a 1 x 5 notch (the design's values,
E = 1e-5), whose converged field is FreeFEM's P2 on a mesh adapted round by
round to the field, as converged_field.edp makes the design's, made from the
core's nodes and outline for the plate; two such runs, to 1e-5 and to 3e-6,
say how far it is converged. Not a test: it prints the figures.
Usage: plates.py BUILD; the last two where FreeFem++ is installed."""
import os
import shutil
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path[:0] = [HERE, os.path.join(HERE, "..", "tools")]
import built  # noqa: E402,F401
from heat2d import core  # noqa: E402
from freefem_p1 import measured, outline_borders  # noqa: E402
from heat2d_problem import design_values, extent  # noqa: E402

EXACT = [float(line.split()[1]) for line in open(os.path.join(HERE, "converged_field.txt")) if line[0] != "#"]


def p2_script(values, tolerance):
    """P2 on a mesh adapted to the field down to tolerance, for the plate and
    values (a dict of the eight numbers); prints the 18 nodes' temperatures."""
    given = core.Values(**values)
    size = extent(values)
    borders, points, labels = outline_borders(core, lambda length: max(4, round(16 * length / size)), given)
    flux, convection = labels[core.Kind.HEAT_FLUX], labels[core.Kind.CONVECTION]
    rounds = [t for t in [1e-2, 3e-3, 1e-3, 3e-4, 1e-4, 3e-5, 1e-5, 5e-6, 3e-6] if t >= tolerance] + [tolerance]
    return borders + f"""
mesh Th = buildmesh({points});
fespace Vh(Th, P2);
Vh T, v;
problem heat(T, v, solver = sparsesolver) = int2d(Th)({values["conductivity"]!r} * (dx(T) * dx(v) + dy(T) * dy(v)))
    + int1d(Th, {convection})({values["convection_coeff"]!r} * T * v)
    - int1d(Th, {convection})({values["convection_coeff"]!r} * {values["ambient_temperature"]!r} * v)
    - int1d(Th, {flux})({values["heat_flux"]!r} * v);
heat;
real[int] tolerances = [{", ".join(map(repr, rounds))}];
for (int i = 0; i < tolerances.n; i++) {{ Th = adaptmesh(Th, T, err = tolerances[i], nbvx = 400000, hmin = 1e-9); heat; }}
cout.precision(12);
""" + "\n".join(f"cout << T({x!r}, {y!r}) << endl;" for x, y in core.nodes(given)) + "\n"


def main(build):
    build = os.path.abspath(build)
    peer = shutil.which("FreeFem++")
    design = design_values()
    plates = [("the design's x 1/8", 1 / 8), ("the design's x 64", 64), ("10 x 6, notch 3 x 2", None),
              ("9 x 6, notch 1 x 5", None)]
    dimensions = [None, None, dict(width=10, height=6, notch_width=3, notch_depth=2),
                  dict(width=9, height=6, notch_width=1, notch_depth=5)]
    print("plate                  E         s       MB  steps  largest error  its estimate  ratio   (converged to)")
    with tempfile.TemporaryDirectory() as folder:
        shutil.copy(os.path.join(HERE, "..", "examples", "elements.txt"), os.path.join(folder, "elements.txt"))
        for (name, scale), plate in zip(plates, dimensions):
            if scale:
                values = dict(design, convection_coeff=design["convection_coeff"] / scale,
                              **{k: design[k] * scale for k in ["width", "height", "notch_width", "notch_depth"]})
                air = values["ambient_temperature"]
                exact, agreement = [air + scale * (t - air) for t in EXACT], None
            elif peer:
                values = dict(design, **plate)
                runs = []
                for tolerance in [1e-5, 3e-6]:
                    with open(os.path.join(folder, "p2.edp"), "w") as stream:
                        stream.write(p2_script(values, tolerance))
                    runs.append([float(v) for v in measured([peer, "-nw", "-v", "0", "p2.edp"], folder)[2].split()])
                exact, agreement = runs[1], max(abs(a - b) for a, b in zip(*runs))
            else:
                continue
            error = 1e-5 * (scale or 1)
            arguments = [a for name, option in core.value_names() if values[name] != design[name]
                         for a in (option, repr(values[name]))]
            seconds, megabytes, output = measured([os.path.join(build, "heat2d"), "--adapt", repr(error)] + arguments,
                                                  folder)
            lines = output.splitlines()
            steps = lines.index("") - 1
            answer = [line.split() for line in lines[lines.index("") + 2:lines.index("") + 20]]
            worst = max(abs(float(row[1]) - e) for row, e in zip(answer, exact))
            estimate = max(float(row[2]) for row in answer)
            print(f"{name:20} {error:8.2g} {seconds:7.2f} {megabytes:7.0f} {steps:6} {worst:14.2e} {estimate:13.2e}"
                  f" {estimate / worst:6.2f}" + (f"   ({agreement:.1e})" if agreement is not None else ""), flush=True)


if __name__ == "__main__":
    main(sys.argv[1])
