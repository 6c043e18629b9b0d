"use strict";
// What a finer level or the adaptive steps say of elements.txt's answer:
// heat2d's nodes' temperatures at both and the core's estimate of the error
// left, and the convergence plot: the largest error left at those nodes
// against the nodes, log-log, the uniform levels and the adaptive steps.

const convergence = (() => {
  const {$, html, tag, sixDigits} = dom;

  // A level (or the adaptive steps' last, level "adapt:0.001") against level 0
  // at heat2d's nodes, with the error left and its order, the balance, and the
  // extremes at those nodes.
  function compare(level, {temperatures, left, orders, line}) {
    const levelZero = state.levels.levelZero, count = state.problem.nodes;
    const name = typeof level === "string" ? `step ${line.step}` : `level ${level}`;
    $("refined-level").textContent = typeof level === "string" ? `Adaptive step ${line.step}` : `Level ${level}`;
    $("refined-temperatures").tBodies[0].replaceChildren(...Array.from({length: count}, (_, n) => {
      const cells = [String(n + 1), sixDigits(levelZero[n]), sixDigits(temperatures[n]), sixDigits(temperatures[n] - levelZero[n]),
                     left.length ? sixDigits(left[n]) : "", left.length ? orders[n].toFixed(2) : ""]
        .map((text) => html("td", {textContent: text}));
      cells[2].dataset.value = String(temperatures[n]);
      return html("tr", {}, cells);
    }));
    $("refined-balance").textContent = `Heat in ${sixDigits(line.heatIn)}, heat out ${sixDigits(line.heatOut)} ` +
      `(the residual of the solve, relative: ${Number(line.residual.toPrecision(2))}` +
      (line.backward === undefined ? ")." : `, limited by rounding: backward error ${Number(line.backward.toPrecision(2))}).`);
    const t = Array.from(temperatures.slice(0, count)), hot = t.indexOf(Math.max(...t)), cool = t.indexOf(Math.min(...t));
    $("extremes").textContent = `${name[0].toUpperCase() + name.slice(1)}, at heat2d's nodes: hottest node ${hot + 1}, ` +
      `${sixDigits(t[hot])}; coolest node ${cool + 1}, ${sixDigits(t[cool])}.`;
    if (left.length) {
      // Percentages of the rise above the air's temperature, which the values may change;
      // with no heat coming in there is no rise, and the plate is at the air's temperature.
      const {ambient_temperature: air, heat_flux: q} = state.values.given || state.values.design;
      const truth = t[hot] + left[hot], off = (100 * (levelZero[hot] - truth)) / (truth - air);
      const answer = state.values.given ? `the ${state.problem.elements} triangles' answer with these values` : "elements.txt's answer";
      $("refined-estimate").textContent = `At the hottest node, ${hot + 1}, ${name} gives ${sixDigits(t[hot])}, and the ` +
        `error left there is about ${sixDigits(left[hot])} (order ${orders[hot].toFixed(2)}): the field is about ${sixDigits(truth)}, ` +
        `and ${answer}, ${sixDigits(levelZero[hot])}, ` + (q === 0 ? `is the same: no heat comes in, and the plate is at the air's ${air}.`
          : `is ${Math.abs(off).toFixed(2)}% ${off < 0 ? "low" : "high"} (of its rise above the air's ${air}).`);
    } else {
      $("refined-estimate").textContent = "The error left is estimated from level 2 on, from the last three levels.";
    }
    plot();
  }

  // The plot: the largest error left at heat2d's nodes, estimated, against the
  // nodes, log-log, for the uniform levels (from level 2) and the adaptive
  // steps (from step 1), with the slopes of reference drawn apart from them.
  function plot() {
    const series = (lines, key, kind) => [...lines.values()].filter((line) => line[key] >= 1 && line.error > 0 && line.error < Infinity)
      .sort((a, b) => a[key] - b[key])
      .map((line) => ({kind, number: line[key], nodes: line.nodes, error: line.error, x: Math.log10(line.nodes), y: Math.log10(line.error)}));
    const levels = series(state.levels.lines, "level", "level"), steps = series(state.levels.steps, "step", "step");
    // The notch's corner and the top of its wall (the hottest), each series' own thin curves, when asked.
    const byNode = (lines, key) => (state.levels.byNode ? [state.problem.notchCorner, state.problem.notchTop].map((node) => [node, [...lines.values()]
      .filter((line) => line[key] >= 1 && line.left && Math.abs(line.left[node - 1]) > 0).sort((a, b) => a[key] - b[key])
      .map((line) => ({x: Math.log10(line.nodes), y: Math.log10(Math.abs(line.left[node - 1]))}))]) : []);
    const nodeCurves = [...byNode(state.levels.lines, "level").map((curve) => [...curve, "measured"]),
                        ...byNode(state.levels.steps, "step").map((curve) => [...curve, "adaptive"])];
    const points = [...levels, ...steps, ...nodeCurves.flatMap(([, curve]) => curve)];
    if (!points.length) return $("convergence").replaceChildren();
    const [width, height, left, right, top, bottom] = [340, 250, 58, 14, 14, 64];
    const decades = (values) => {
      const low = Math.floor(Math.min(...values)), high = Math.ceil(Math.max(...values));
      return [low, Math.max(high, low + 1)];
    };
    const [x0, x1] = decades(points.map((p) => p.x)), [y0, y1] = decades(points.map((p) => p.y));
    const X = (v) => left + ((v - x0) / (x1 - x0)) * (width - left - right);
    const Y = (v) => top + ((y1 - v) / (y1 - y0)) * (height - top - bottom);
    const power = (d) => `10<tspan dy="-6" font-size="9">${d}</tspan>`;
    const marks = [];
    for (let d = x0; d <= x1; d++) {
      marks.push(tag("line", {x1: X(d), y1: Y(y0), x2: X(d), y2: Y(y1), class: "grid"}),
                 tag("text", {x: X(d), y: Y(y0) + 16, class: "tick"}, power(d)));
    }
    for (let d = y0; d <= y1; d++) {
      marks.push(tag("line", {x1: X(x0), y1: Y(d), x2: X(x1), y2: Y(d), class: "grid"}),
                 tag("text", {x: X(x0) - 6, y: Y(d) + 4, class: "tick left"}, power(d)));
    }
    // The slopes of reference, a decade of nodes long in the plot's bottom left
    // corner, where the falling data are not: -1/3 (node 6 under uniform
    // refinement, order 2/3 in h, h going as one over the root of the nodes),
    // -2/3 (the other nodes), -1 (second order, what the adaptive steps should show).
    [[1 / 3, "-1/3"], [2 / 3, "-2/3"], [1, "-1"]].forEach(([slope, label]) => {
      const [ax, ay] = [x0 + 0.08, y0 + 1.08], [bx, by] = [ax + 1, ay - slope];
      marks.push(tag("line", {x1: X(ax), y1: Y(ay), x2: X(bx), y2: Y(by), class: "reference"}),
                 tag("text", {x: X(bx) + 3, y: Y(by) + 4, class: "tick"}, label));
    });
    for (const [node, curve, kind] of nodeCurves) {
      if (!curve.length) continue;
      const end = curve[curve.length - 1];
      marks.push(tag("polyline", {points: curve.map((p) => `${X(p.x)},${Y(p.y)}`).join(" "), class: `${kind} node node${node}`}),
                 tag("text", {x: X(end.x) - 4, y: Y(end.y) - 5, class: "tick left"}, `node ${node}`));
    }
    for (const [series, kind] of [[levels, "measured"], [steps, "adaptive"]]) {
      if (!series.length) continue;
      marks.push(tag("polyline", {points: series.map((p) => `${X(p.x)},${Y(p.y)}`).join(" "), class: kind}),
                 ...series.map((p) => tag("circle", {cx: X(p.x), cy: Y(p.y), r: 4, class: kind, [`data-${p.kind}`]: p.number},
                                          tag("title", {}, `${p.kind} ${p.number}: ${p.nodes.toLocaleString("en")} nodes, ` +
                                                           `error left ${sixDigits(p.error)}`))));
    }
    marks.push(tag("text", {x: (X(x0) + X(x1)) / 2, y: Y(y0) + 32, class: "axis"}, "nodes"),
               tag("text", {x: 12, y: (Y(y0) + Y(y1)) / 2, class: "axis", transform: `rotate(-90 12 ${(Y(y0) + Y(y1)) / 2})`},
                   `largest error left at the ${state.problem.nodes} nodes`),
               tag("text", {x: left, y: height - 6, class: "tick legend-measured"}, "● uniform levels"),
               tag("text", {x: left + 120, y: height - 6, class: "tick legend-adaptive"}, "■ adaptive steps"));
    $("convergence").setAttribute("viewBox", `0 0 ${width} ${height}`);
    $("convergence").innerHTML = marks.join("");
  }

  return {compare, plot};
})();
