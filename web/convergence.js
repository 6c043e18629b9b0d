"use strict";
// What a finer level says of elements.txt's answer: heat2d's nodes'
// temperatures at both levels and the core's estimate of the error left, and
// the convergence plot: the largest change at those nodes against the nodes,
// log-log, a point for each level solved, beside the slope of second order.

const convergence = (() => {
  const {$, html, tag, sixDigits} = dom;

  // Level `level` against level 0 at heat2d's nodes, with the error left, and
  // the extremes at those nodes.
  function compare(level, {temperatures, left, orders}) {
    const levelZero = state.levels.levelZero, count = state.problem.nodes;
    $("refined-level").textContent = String(level);
    $("refined-temperatures").tBodies[0].replaceChildren(...Array.from({length: count}, (_, n) => {
      const cells = [String(n + 1), sixDigits(levelZero[n]), sixDigits(temperatures[n]), sixDigits(temperatures[n] - levelZero[n]),
                     left.length ? sixDigits(left[n]) : "", left.length ? orders[n].toFixed(2) : ""]
        .map((text) => html("td", {textContent: text}));
      cells[2].dataset.value = String(temperatures[n]);
      return html("tr", {}, cells);
    }));
    const line = state.levels.lines.get(level);
    $("refined-balance").textContent = `Heat in ${sixDigits(line.heatIn)}, heat out ${sixDigits(line.heatOut)} ` +
      `(the residual of the solve, relative: ${Number(line.residual.toPrecision(2))}).`;
    const t = Array.from(temperatures.slice(0, count)), hot = t.indexOf(Math.max(...t)), cool = t.indexOf(Math.min(...t));
    $("extremes").textContent = `Level ${level}, at heat2d's nodes: hottest node ${hot + 1}, ${sixDigits(t[hot])}; ` +
      `coolest node ${cool + 1}, ${sixDigits(t[cool])}.`;
    if (left.length) {
      // Percentages of the rise above the air's temperature, which the values may change.
      const air = (state.values.given || state.values.design).ambient_temperature;
      const truth = t[hot] + left[hot], off = (100 * (levelZero[hot] - truth)) / (truth - air);
      const answer = state.values.given ? "the 20 triangles' answer with these values" : "elements.txt's answer";
      $("refined-estimate").textContent = `At the hottest node, ${hot + 1}, level ${level} gives ${sixDigits(t[hot])}, and the ` +
        `error left there is about ${sixDigits(left[hot])} (order ${orders[hot].toFixed(2)}): the field is about ${sixDigits(truth)}, ` +
        `and ${answer}, ${sixDigits(levelZero[hot])}, is ${Math.abs(off).toFixed(2)}% ${off < 0 ? "low" : "high"} ` +
        `(of its rise above the air's ${air}).`;
    } else {
      $("refined-estimate").textContent = "The error left is estimated from level 2 on, from the last three levels.";
    }
    plot();
  }

  // The plot of every level solved (from level 1, the first with a change).
  function plot() {
    const points = [...state.levels.lines.values()].filter((line) => line.level >= 1 && line.change > 0)
      .sort((a, b) => a.level - b.level)
      .map((line) => ({level: line.level, nodes: line.nodes, change: line.change, x: Math.log10(line.nodes), y: Math.log10(line.change)}));
    if (!points.length) return $("convergence").replaceChildren();
    const [width, height, left, right, top, bottom] = [340, 230, 58, 14, 14, 44];
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
    // Second order: the change goes as h squared, and h as one over the root of the nodes.
    const last = points[points.length - 1], slope = (x) => last.y - (x - last.x);
    const from = Math.max(x0, last.x - (y1 - last.y)), to = Math.min(x1, last.x + (last.y - y0));
    marks.push(tag("line", {x1: X(from), y1: Y(slope(from)), x2: X(to), y2: Y(slope(to)), class: "second"}),
               tag("polyline", {points: points.map((p) => `${X(p.x)},${Y(p.y)}`).join(" "), class: "measured"}),
               ...points.map((p) => tag("circle", {cx: X(p.x), cy: Y(p.y), r: 4, "data-level": p.level},
                                        tag("title", {}, `level ${p.level}: ${p.nodes.toLocaleString("en")} nodes, change ${sixDigits(p.change)}`))),
               tag("text", {x: (X(x0) + X(x1)) / 2, y: height - 6, class: "axis"}, "nodes"),
               tag("text", {x: 12, y: (Y(y0) + Y(y1)) / 2, class: "axis", transform: `rotate(-90 12 ${(Y(y0) + Y(y1)) / 2})`},
                   `largest change at the ${state.problem.nodes} nodes`),
               tag("text", {x: X(x1) - 4, y: Y(y1) + 14, class: "tick left"}, "- - second order, slope -1"));
    $("convergence").setAttribute("viewBox", `0 0 ${width} ${height}`);
    $("convergence").innerHTML = marks.join("");
  }

  return {compare, plot};
})();
