"use strict";
// The page around heat2d's module: each run is a new instance of the program
// (nothing of one run is left for the next), with elements.txt in its file
// system and standard input at its end, so that the final pause returns at once.

const OUTPUTS = ["mesh.txt", "mesh.geo", "f.txt", "K.txt", "write_.txt"];
// Colour scale from cool to hot (stops of a perceptually even map).
const STOPS = [[0, 0, 4], [87, 16, 110], [188, 55, 84], [249, 142, 9], [252, 255, 164]];
const SVG = "http://www.w3.org/2000/svg";

async function runHeat2d(text) {
  const run = {console: [], errors: [], files: {}, status: null};
  const program = await createHeat2d({
    print: (line) => run.console.push(line),
    printErr: (line) => run.errors.push(line),
    stdin: () => null,
    onExit: (status) => { run.status = status; },
  });
  program.FS.writeFile("elements.txt", text);
  try {
    program.callMain([]);
  } catch (thrown) {
    if (run.status === null) throw thrown;
  }
  for (const name of OUTPUTS) {
    if (program.FS.analyzePath(name).exists) run.files[name] = program.FS.readFile(name, {encoding: "utf8"});
  }
  return run;
}

// heat2d's rules, from the module's exports: one instance, kept for the page.
function coreOf(module) {
  const withBuffer = (bytes, use) => {
    const pointer = module._malloc(Math.max(bytes, 8));
    try { return use(pointer); } finally { module._free(pointer); }
  };
  const ints = (count, fill) => withBuffer(4 * count, (pointer) => {
    const found = fill(pointer, count);
    return Array.from(module.HEAP32.subarray(pointer / 4, pointer / 4 + 4 * Math.max(found, 0)));
  });
  const rows = (flat, width, count) => Array.from({length: count}, (_, k) => flat.slice(width * k, width * k + width));
  const termName = (kind) => module.UTF8ToString(module._heat2d_term_name(kind));
  const nodes = withBuffer(8 * 36, (pointer) => {
    module._heat2d_nodes(pointer, 36);
    return rows(Array.from(module.HEAPF64.subarray(pointer / 8, pointer / 8 + 36)), 2, 18);
  });
  const table = rows(ints(64, (pointer, count) => module._heat2d_boundary_table(pointer, count)), 4, 9)
    .map(([element, kind, first, second]) => ({element, term: termName(kind), first, second}));
  const outline = ints(64, (pointer, count) => module._heat2d_outline_sides(pointer, count));
  return {
    nodes, table,
    outline: rows(outline, 4, outline.length / 4).map(([a, b, part, kind]) => ({a, b, part, term: termName(kind)})),
    // The 60 numbers of elements.txt as heat2d reads them, or null.
    read(text) {
      const bytes = new TextEncoder().encode(text);
      return withBuffer(bytes.length + 1, (textPointer) => withBuffer(8 * 60 + 8, (values) => {
        module.HEAPU8.set(bytes, textPointer);
        module.HEAPU8[textPointer + bytes.length] = 0; // an empty name: only the numbers are used
        const message = values + 8 * 60;
        const status = module._heat2d_read_elements(textPointer, bytes.length, textPointer + bytes.length,
                                                    textPointer + bytes.length, values, 60, message);
        module._heat2d_free(module.HEAP32[message / 4]);
        return status === 0 ? Array.from(module.HEAPF64.subarray(values / 8, values / 8 + 60)) : null;
      }));
    },
    // The side that each line of the boundary table gives its term: {term, a, b}.
    sides(numbers) {
      return withBuffer(8 * 60, (values) => {
        module.HEAPF64.set(numbers, values / 8);
        return rows(ints(27, (pointer, count) => module._heat2d_boundary_sides(values, 60, pointer, count)), 3, 9)
          .map(([kind, a, b]) => ({term: termName(kind), a, b}));
      });
    },
  };
}

function element(name, attributes, text, parent) {
  const node = document.createElementNS(SVG, name);
  for (const [key, value] of Object.entries(attributes)) node.setAttribute(key, value);
  if (text !== undefined) node.textContent = text;
  if (parent) parent.appendChild(node);
  return node;
}

function colour(t) {
  const s = Math.min(Math.max(t, 0), 1) * (STOPS.length - 1);
  const k = Math.min(Math.floor(s), STOPS.length - 2);
  const mix = STOPS[k].map((v, i) => Math.round(v + (STOPS[k + 1][i] - v) * (s - k)));
  return `rgb(${mix.join(",")})`;
}

// The run's field: mesh.txt, the triangles as heat2d reads elements.txt
// (truncated node numbers, 0-based here), the sides the table gives a term,
// write_.txt.
function fieldOf(run, text, core) {
  const rows = (name) => run.files[name].trim().split("\n").map((line) => line.trim().split(/\s+/).map(Number));
  const numbers = core.read(text);
  const triangles = [];
  for (let e = 0; e < 20; e++) triangles.push(numbers.slice(3 * e, 3 * e + 3).map((n) => Math.trunc(n) - 1));
  return {xy: rows("mesh.txt"), triangles, sides: core.sides(numbers), t: rows("write_.txt").map((row) => row[1])};
}

// Drawings of the region: a point's place on the page, 60 to a unit, y up.
const scale = 60, pad = 24;
const px = ([x, y]) => [pad + x * scale, pad + (6 - y) * scale];

// A side that carries a term, coloured by it, between points xy[a - 1] and xy[b - 1].
function termSide(term, a, b, xy, parent) {
  const [x1, y1] = px(xy[a - 1]), [x2, y2] = px(xy[b - 1]);
  element("line", {x1, y1, x2, y2, class: term === "heat flux" ? "flux" : "convection",
                   "data-side": `${Math.min(a, b)}-${Math.max(a, b)}`}, undefined, parent);
}

function drawField(field) {
  const bar = 70;
  const {xy, triangles, t} = field;
  const finite = t.filter(Number.isFinite);
  const low = Math.min(...finite), high = Math.max(...finite);
  const svg = element("svg", {viewBox: `0 0 ${2 * pad + 4.5 * scale + bar} ${2 * pad + 6 * scale}`, role: "img",
                              "aria-label": `Temperature field from ${low} to ${high}`});
  const level = (value) => (high > low ? (value - low) / (high - low) : 0.5);
  const n = 8; // each triangle split into n * n pieces, each coloured at its centre
  for (const [a, b, c] of triangles) {
    const at = (i, j) => {
      const u = i / n, v = j / n, w = 1 - u - v;
      return {p: [0, 1].map((k) => w * xy[a][k] + u * xy[b][k] + v * xy[c][k]), t: w * t[a] + u * t[b] + v * t[c]};
    };
    for (let i = 0; i < n; i++) {
      for (let j = 0; i + j < n; j++) {
        const pieces = [[at(i, j), at(i + 1, j), at(i, j + 1)]];
        if (i + j < n - 1) pieces.push([at(i + 1, j), at(i + 1, j + 1), at(i, j + 1)]);
        for (const piece of pieces) {
          const mean = (piece[0].t + piece[1].t + piece[2].t) / 3;
          element("polygon", {points: piece.map((q) => px(q.p).join(",")).join(" "), fill: colour(level(mean)),
                              stroke: colour(level(mean)), "stroke-width": 0.4}, undefined, svg);
        }
      }
    }
  }
  triangles.forEach((corners, e) => {
    element("polygon", {points: corners.map((k) => px(xy[k]).join(",")).join(" "), class: "edge",
                        "data-element": e + 1}, undefined, svg);
    const [cx, cy] = px([0, 1].map((k) => corners.reduce((sum, m) => sum + xy[m][k], 0) / 3));
    element("text", {x: cx, y: cy + 4, class: "element"}, String(e + 1), svg);
  });
  for (const {term, a, b} of field.sides) termSide(term, a, b, xy, svg);
  xy.forEach((point, k) => {
    const [x, y] = px(point);
    element("circle", {cx: x, cy: y, r: 3, class: "node", "data-node": k + 1}, undefined, svg);
    element("text", {x: x + 4, y: y - 4, class: "node"}, String(k + 1), svg);
  });
  // The colour scale, hot at the top.
  const left = 2 * pad + 4.5 * scale, height = 6 * scale;
  for (let k = 0; k < 50; k++) {
    element("rect", {x: left, y: pad + (k * height) / 50, width: 16, height: height / 50 + 0.5,
                     fill: colour(1 - (k + 0.5) / 50)}, undefined, svg);
  }
  element("text", {x: left + 20, y: pad + 8, class: "scale"}, String(high), svg);
  element("text", {x: left + 20, y: pad + height, class: "scale"}, String(low), svg);
  return svg;
}

function showFiles(files) {
  const list = document.getElementById("files");
  list.replaceChildren();
  for (const [name, content] of Object.entries(files)) {
    const item = document.createElement("details");
    const summary = document.createElement("summary");
    summary.textContent = name;
    const link = document.createElement("a");
    link.href = "data:text/plain;charset=utf-8," + encodeURIComponent(content);
    link.download = name;
    link.textContent = "download";
    const text = document.createElement("pre");
    text.textContent = content;
    item.append(summary, link, text);
    list.appendChild(item);
  }
}

// The sketch of the problem and the boundary table, from the core: the
// outline's sides coloured by the term they need, the nodes numbered.
function showProblem(core) {
  const sketch = document.getElementById("sketch");
  const corners = core.outline.map(({a}) => px(core.nodes[a - 1]).join(",")).join(" ");
  element("polygon", {points: corners, class: "region"}, undefined, sketch);
  for (const {a, b, term} of core.outline) {
    if (term) termSide(term, a, b, core.nodes, sketch);
  }
  core.nodes.forEach((point, k) => {
    const [x, y] = px(point);
    element("circle", {cx: x, cy: y, r: 3, class: "node", "data-node": k + 1}, undefined, sketch);
    element("text", {x: x + 5, y: y - 5, class: "node"}, String(k + 1), sketch);
  });
  const body = document.querySelector("#table tbody");
  for (const {element: e, term, first, second} of core.table) {
    const row = document.createElement("tr");
    for (const cell of [e, term, `${first}-${second}`]) row.appendChild(Object.assign(document.createElement("td"), {textContent: cell}));
    body.appendChild(row);
  }
}

async function run() {
  const button = document.getElementById("run");
  const status = document.getElementById("status");
  const text = document.getElementById("elements").value;
  button.disabled = true;
  status.textContent = "running...";
  const started = performance.now();
  const result = await runHeat2d(text);
  const took = performance.now() - started;
  document.getElementById("console").textContent = result.console.map((line) => line + "\n").join("");
  const errors = document.getElementById("errors");
  errors.replaceChildren(...result.errors.map((line) => Object.assign(document.createElement("li"), {textContent: line})));
  showFiles(result.files);
  const extremes = document.getElementById("extremes");
  const field = document.getElementById("field");
  field.replaceChildren();
  extremes.textContent = "";
  if ("write_.txt" in result.files) {
    const values = fieldOf(result, text, await corePromise);
    const finite = values.t.filter(Number.isFinite);
    if (finite.length) {
      const hot = values.t.indexOf(Math.max(...finite)), cool = values.t.indexOf(Math.min(...finite));
      extremes.textContent = `Hottest: node ${hot + 1}, ${values.t[hot]}. Coolest: node ${cool + 1}, ${values.t[cool]}.`;
      field.appendChild(drawField(values));
    }
  }
  status.textContent = `exit status ${result.status}, ${result.errors.length ? result.errors.length + " faults" : "no faults"}, ` +
                       `${Math.round(took)} ms`;
  document.body.dataset.runs = String(Number(document.body.dataset.runs || 0) + 1);
  button.disabled = false;
}

const corePromise = createHeat2d({print: () => {}, printErr: () => {}}).then(coreOf);
corePromise.then(showProblem);
document.getElementById("run").addEventListener("click", run);
document.getElementById("elements").addEventListener("keydown", (event) => {
  if (event.key === "Enter" && (event.ctrlKey || event.metaKey)) {
    event.preventDefault();
    run();
  }
});
run();
