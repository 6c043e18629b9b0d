"use strict";
// The drawing: the triangles over the numbered nodes, coloured by temperature
// when there is one, the sides that carry a term, the outline, and the chosen
// triangle outlined above all with a round handle on each of its inner sides
// that flips it; the colour scale beside it. Made as markup and set at once,
// in the view's coordinates, and made again when the view moves.

const drawing = (() => {
  const {$, tag, sixDigits, sideKey} = dom;

  // Colour scale from cool to hot (stops of a perceptually even map).
  const STOPS = [[0, 0, 4], [87, 16, 110], [188, 55, 84], [249, 142, 9], [252, 255, 164]];

  function colour(t) {
    const s = Math.min(Math.max(t, 0), 1) * (STOPS.length - 1);
    const k = Math.min(Math.floor(s), STOPS.length - 2);
    const mix = STOPS[k].map((v, i) => Math.round(v + (STOPS[k + 1][i] - v) * (s - k)));
    return `rgb(${mix.join(",")})`;
  }

  // The region's frame, fitted to the plate with its aspect kept: its longer
  // side 360 units (60 to a length of 1 on the design's 4.5 x 6), y up. A node's target and a
  // side's handle have a radius of 11 units: 24 px where the drawing is
  // narrowest, on a phone, and clear of every point inside a triangle that is a
  // quarter of its height from its sides.
  const SPAN = 360, PAD = 28, TARGET = 11;
  let frame = null;
  function frameOf(core) {
    const xs = core.nodes.map(([x]) => x), ys = core.nodes.map(([, y]) => y);
    const right = Math.max(...xs), top = Math.max(...ys), unit = SPAN / Math.max(right, top);
    return {
      right, top,
      px: ([x, y]) => [PAD + x * unit, PAD + (top - y) * unit],
      width: 2 * PAD + right * unit, height: 2 * PAD + top * unit,
    };
  }

  // Sizes the drawing for the region (once the core is there).
  function place(core) {
    frame = frameOf(core);
    $("drawing").setAttribute("viewBox", `0 0 ${frame.width} ${frame.height}`);
    Object.assign(state.view, {width: frame.width, height: frame.height});
    $("field").style.aspectRatio = `${frame.width} / ${frame.height}`;
    $("scale").style.setProperty("--stops", STOPS.map((_, k) => colour(k / (STOPS.length - 1))).join(", "));
    const air = Object.assign(document.createElement("span"), {textContent: state.values.current.ambient_temperature ??
                                                                             core.parameter("ambient_temperature")});
    air.dataset.parameter = "ambient_temperature";
    $("scale-unit").replaceChildren("(same units as the air's ", air, ")");
  }
  // A point of the region where the view shows it.
  const px = (point) => view.at(frame.px(point));
  const pointsOf = (points) => points.map((p) => p.join(",")).join(" ");

  // One linear gradient paints a triangle exactly: its temperature is linear,
  // so the colour changes only along its gradient, through the scale's stops,
  // from the lowest to the highest temperature of what the view shows of it
  // (its corners, the view's coordinates, and its clipped points).
  // Returns [fill, the gradient's markup].
  function paint(id, [p, q, r], clipped, temperatures, level) {
    const [ta, tb, tc] = temperatures;
    const det = (q[0] - p[0]) * (r[1] - p[1]) - (r[0] - p[0]) * (q[1] - p[1]);
    const gx = ((tb - ta) * (r[1] - p[1]) - (tc - ta) * (q[1] - p[1])) / det;
    const gy = ((tc - ta) * (q[0] - p[0]) - (tb - ta) * (r[0] - p[0])) / det;
    const g2 = gx * gx + gy * gy;
    const shown = clipped.map(([x, y]) => ta + gx * (x - p[0]) + gy * (y - p[1]));
    const low = Math.min(...shown), high = Math.max(...shown);
    if (!(g2 > 0) || !(high > low)) return [colour(level(clipped.length ? low : ta)), ""];
    const [base] = clipped, at = (t) => [base[0] + (gx * (t - shown[0])) / g2, base[1] + (gy * (t - shown[0])) / g2];
    const [x1, y1] = at(low), [x2, y2] = at(high);
    const from = level(low), to = level(high);
    const offsets = [0, 1];
    for (let k = 1; k < STOPS.length - 1; k++) {
      const stop = k / (STOPS.length - 1);
      if (stop > from && stop < to) offsets.push((stop - from) / (to - from));
    }
    const stops = offsets.sort((a, b) => a - b)
      .map((offset) => tag("stop", {offset, "stop-color": colour(from + offset * (to - from))})).join("");
    return [`url(#${id})`, tag("linearGradient", {id, gradientUnits: "userSpaceOnUse", x1, y1, x2, y2}, stops)];
  }

  // The sides of the triangles (0-based corners) that two of them share.
  function innerSides(triangles) {
    const count = new Map();
    for (const corners of triangles) {
      for (let k = 0; k < 3; k++) {
        const key = sideKey(corners[k] + 1, corners[(k + 1) % 3] + 1);
        count.set(key, (count.get(key) || 0) + 1);
      }
    }
    return new Set([...count].filter(([, times]) => times === 2).map(([key]) => key));
  }

  // The scale beside the drawing, for temperatures from low to high; none without.
  function showScale(low, high, title = "temperature") {
    $("scale").hidden = !(high >= low);
    $("scale").querySelector(".title").textContent = title;
    $("scale-high").textContent = sixDigits(high);
    $("scale-low").textContent = sixDigits(low);
  }

  // A segment's line in the view, clipped to it; none when it lies outside.
  function segment(p, q, attributes) {
    const ends = view.clipSegment(px(p), px(q));
    if (!ends) return "";
    const [[x1, y1], [x2, y2]] = ends;
    return tag("line", Object.assign({x1, y1, x2, y2}, attributes));
  }

  // What was drawn last, to draw again when the view moves: the arguments of
  // draw, the sides drawn for faults, and what was marked.
  const last = {given: null, named: [], marked: null};

  // Draws the triangles (0-based corners) over the nodes, coloured by t when
  // known, with the sides the table gives a term and the outline's sides.
  function draw(core, triangles, sides, t) {
    Object.assign(last, {given: [core, triangles, sides, t], named: [], marked: null});
    const drawn = state.drawn;
    Object.assign(drawn, {nodes: core.nodes, triangles, inner: innerSides(triangles), stop: Math.min(drawn.stop, triangles.length) || 1});
    render(core, triangles, sides, t);
  }

  function render(core, triangles, sides, t) {
    const drawn = state.drawn, xy = core.nodes;
    const finite = t ? t.filter(Number.isFinite) : [];
    const low = Math.min(...finite), high = Math.max(...finite);
    const level = (value) => (high > low ? (value - low) / (high - low) : 0.5);
    const line = ([a, b], attributes) => segment(xy[a - 1], xy[b - 1], attributes);
    const defs = [], elements = [], edges = [], terms = [], labels = [], targets = [];
    triangles.forEach((corners, e) => {
      const temperatures = corners.map((k) => (t ? t[k] : NaN)), seen = corners.map((k) => px(xy[k]));
      const clipped = view.clipPolygon(seen);
      const [fill, gradient] = temperatures.every(Number.isFinite)
        ? paint(`e${e + 1}`, seen, clipped, temperatures, level) : ["#e8eef4", ""];
      defs.push(gradient);
      elements.push(tag("polygon", {points: pointsOf(clipped), fill, class: "element", "data-element": e + 1,
                                    tabindex: e + 1 === drawn.stop ? 0 : -1, role: "button",
                                    "aria-label": `element ${e + 1}, nodes ${corners.map((k) => k + 1).join(" ")}`}));
      const [cx, cy] = px([0, 1].map((k) => corners.reduce((sum, m) => sum + xy[m][k], 0) / 3));
      labels.push(tag("text", {x: cx, y: cy + 4, class: "element", "aria-hidden": "true"}, e + 1));
    });
    for (const {a, b} of core.outline) {
      edges.push(line([a, b], {class: triangles.length ? "edge" : "edge outline", "data-outline": sideKey(a, b)}));
    }
    for (const {term, a, b} of sides) {
      terms.push(line([a, b], {class: "casing"}),
                 line([a, b], {class: term === "heat flux" ? "flux" : "convection", "data-side": sideKey(a, b)}));
    }
    xy.forEach((point, k) => {
      const [x, y] = px(point);
      const temperature = t && Number.isFinite(t[k]) ? `, temperature ${t[k]}` : "";
      labels.push(tag("circle", {cx: x, cy: y, r: 6, class: "dot", "aria-hidden": "true"}),
                  tag("text", {x: x + 7, y: y - 7, class: "node", "aria-hidden": "true"}, k + 1));
      targets.push(tag("circle", {cx: x, cy: y, r: TARGET, class: "node", "data-node": k + 1, role: "button",
                                  tabindex: k + 1 === drawn.nodeStop ? 0 : -1, "aria-label": `node ${k + 1}${temperature}`}));
    });
    showScale(low, high);
    $("drawing").innerHTML = tag("defs", {}, defs.join("")) + tag("g", {class: "elements"}, elements.join("")) +
      terms.join("") + edges.join("") + tag("g", {id: "ring"}, "") + labels.join("") + tag("g", {id: "chosen"}, "") +
      tag("g", {id: "nodes"}, targets.join("")); // after the handles: the nodes' own Tab stop
  }

  // Outlines element e above all, with a round handle on each of its inner
  // sides (in the order of its corners); one not drawn clears.
  function choose(e) {
    const drawn = state.drawn;
    const corners = drawn.triangles[e - 1];
    if (!corners) {
      state.drawn.chosen = 0;
      return $("chosen").replaceChildren();
    }
    state.drawn.chosen = e;
    const xy = corners.map((k) => px(drawn.nodes[k]));
    const handles = [0, 1, 2].map((k) => [corners[k] + 1, corners[(k + 1) % 3] + 1, xy[k], xy[(k + 1) % 3]])
      .filter(([a, b]) => drawn.inner.has(sideKey(a, b)))
      .map(([a, b, p, q]) => {
        const [x, y] = [(p[0] + q[0]) / 2, (p[1] + q[1]) / 2];
        return tag("g", {class: "handle", "data-side": sideKey(a, b), tabindex: 0, role: "button", "aria-label": `flip side ${sideKey(a, b)}`},
                   tag("circle", {cx: x, cy: y, r: TARGET}) + tag("text", {x, y: y + 4.5, "aria-hidden": "true"}, "⇄"));
      });
    const points = pointsOf(view.clipPolygon(xy));
    $("chosen").innerHTML = tag("polygon", {class: "chosen casing", points}) + tag("polygon", {class: "chosen", points}) +
      handles.join("");
    roveTo(e, false);
  }
  // Gives element e (node n, with node) the triangles' (nodes') Tab stop, and
  // the focus when asked.
  function roveTo(e, focus, node = false) {
    const kind = node ? "circle[data-node" : "polygon[data-element";
    const target = document.querySelector(`#drawing ${kind}="${e}"]`);
    if (!target) return;
    for (const other of document.querySelectorAll(`#drawing ${kind}][tabindex]`)) other.setAttribute("tabindex", "-1");
    target.setAttribute("tabindex", "0");
    state.drawn[node ? "nodeStop" : "stop"] = e;
    if (focus) target.focus();
  }

  // The keyboard's focus on element e (node e, with node), a ring of two tones (dark outside,
  // light inside, 2 px each whatever the scale) that shows on any colour of
  // the field; 0 takes it away.
  function ring(e, node = false) {
    const corners = node ? [e - 1] : state.drawn.triangles[e - 1];
    if (!e || !corners) return $("ring").replaceChildren();
    if (node) {
      const [cx, cy] = px(state.drawn.nodes[e - 1]);
      $("ring").innerHTML = tag("circle", {class: "ring dark", cx, cy, r: TARGET}) + tag("circle", {class: "ring light", cx, cy, r: TARGET});
      return;
    }
    const points = pointsOf(view.clipPolygon(corners.map((k) => px(state.drawn.nodes[k]))));
    $("ring").innerHTML = tag("polygon", {class: "ring dark", points}) + tag("polygon", {class: "ring light", points});
  }

  // A side that is not drawn, drawn for a fault that names it.
  function drawSide(core, [a, b]) {
    last.named.push([a, b]);
    $("chosen").insertAdjacentHTML("beforebegin", segment(core.nodes[a - 1], core.nodes[b - 1], {class: "named", "data-side": `${a}-${b}`}));
  }

  // Marks what the selector finds in the drawing; null clears.
  function mark(selector) {
    last.marked = selector;
    for (const node of document.querySelectorAll("#drawing .marked")) node.classList.remove("marked");
    if (selector) for (const node of document.querySelectorAll(selector)) node.classList.add("marked");
  }

  // Draws what was drawn again, in the view as it is now: the sides named by
  // faults, the marks, the chosen triangle and the focus as they were.
  function redraw() {
    if (!last.given) return;
    const focused = document.activeElement, keys = ["element", "node", "side"];
    const hook = focused && $("drawing").contains(focused) &&
      focused.localName + keys.filter((k) => focused.dataset[k]).map((k) => `[data-${k}="${focused.dataset[k]}"]`).join("");
    render(...last.given);
    const [core] = last.given, named = last.named.splice(0);
    for (const side of named) drawSide(core, side);
    mark(last.marked);
    if (state.drawn.chosen) choose(state.drawn.chosen);
    const again = hook && document.querySelector(`#drawing ${hook}`);
    if (again) again.focus({preventScroll: true});
  }

  return {colour, place, redraw, get frame() { return frame; }, px, draw, showScale, choose, roveTo, ring, drawSide, mark};
})();
