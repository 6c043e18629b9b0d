"use strict";
// The page around heat2d's module. The module is compiled once a page load;
// each run is a new instance of it (nothing of one run is left for the next),
// with elements.txt in its file system and standard input at its end, so that
// the final pause returns at once. One more instance, kept, answers the
// core's questions: the nodes, the table, the reading, the numbering, a flip,
// an element's values.

const OUTPUTS = ["mesh.txt", "mesh.geo", "f.txt", "K.txt", "write_.txt"];
const LIMIT = 1 << 20; // bytes of elements.txt taken, as the tools take
// Colour scale from cool to hot (stops of a perceptually even map).
const STOPS = [[0, 0, 4], [87, 16, 110], [188, 55, 84], [249, 142, 9], [252, 255, 164]];
const $ = (id) => document.getElementById(id);

// The module: the bytes decoded and compiled once, an instance on demand.
const compiled = (() => {
  const text = atob(HEAT2D_WASM);
  const bytes = new Uint8Array(text.length);
  for (let k = 0; k < text.length; k++) bytes[k] = text.charCodeAt(k);
  return WebAssembly.compile(bytes);
})();

function instance(settings) {
  return compiled.then((module) => createHeat2d(Object.assign({
    instantiateWasm(imports, receive) {
      WebAssembly.instantiate(module, imports).then((made) => receive(made, module));
      return {};
    },
  }, settings)));
}

// A fresh program, ready before it is needed: the next run's.
function freshRun() {
  const run = {console: [], errors: [], files: {}, status: null};
  return instance({
    print: (line) => run.console.push(line),
    printErr: (line) => run.errors.push(line),
    stdin: () => null,
    onExit: (status) => { run.status = status; },
  }).then((program) => ({program, run}));
}
let spare = freshRun();

async function runHeat2d(text) {
  const {program, run} = await spare;
  spare = freshRun();
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

// heat2d's rules, from the module's exports.
function coreOf(module) {
  const withBuffer = (bytes, use) => {
    const pointer = module._malloc(Math.max(bytes, 8));
    try { return use(pointer); } finally { module._free(pointer); }
  };
  const doubles = (pointer, count) => Array.from(module.HEAPF64.subarray(pointer / 8, pointer / 8 + count));
  const ints = (pointer, count) => Array.from(module.HEAP32.subarray(pointer / 4, pointer / 4 + count));
  const rows = (flat, width) => Array.from({length: flat.length / width}, (_, k) => flat.slice(width * k, width * k + width));
  const termName = (kind) => module.UTF8ToString(module._heat2d_term_name(kind));
  // Rows of width ints that call(pointer, capacity) writes, as it counts them.
  const table = (call, capacity, width) => withBuffer(4 * capacity, (pointer) =>
    rows(ints(pointer, width * Math.max(call(pointer, capacity), 0)), width));
  // Text handed out at *at, taken and freed: its lines.
  const taken = (at) => {
    const pointer = module.HEAP32[at / 4];
    const text = pointer ? module.UTF8ToString(pointer) : "";
    module._heat2d_free(pointer);
    return text.split("\n").filter(Boolean);
  };
  // call(numbers, ...) with 60 numbers (doubles or ints) in the module's memory.
  const withNumbers = (numbers, heap, use) => withBuffer(8 * 60, (pointer) => {
    module[heap].set(numbers, pointer / (heap === "HEAPF64" ? 8 : 4));
    return use(pointer);
  });
  const flat = (triples) => triples.flat();
  const nodes = withBuffer(8 * 36, (pointer) => {
    module._heat2d_nodes(pointer, 36);
    return rows(doubles(pointer, 36), 2);
  });
  // Triples of the 60 ints at pointer.
  const triples = (pointer) => rows(ints(pointer, 60), 3);
  return {
    nodes,
    table: table(module._heat2d_boundary_table, 64, 4)
      .map(([element, kind, first, second]) => ({element, term: termName(kind), first, second})),
    // A value of the problem, by its name in the API.
    parameter(name) {
      const bytes = new TextEncoder().encode(name + "\0");
      return withBuffer(bytes.length, (pointer) => {
        module.HEAPU8.set(bytes, pointer);
        return module._heat2d_parameter(pointer);
      });
    },
    // The 60 numbers of elements.txt as heat2d reads them, or null.
    read(text) {
      const bytes = new TextEncoder().encode(text);
      return withBuffer(bytes.length + 1, (textPointer) => withBuffer(8 * 60 + 8, (values) => {
        module.HEAPU8.set(bytes, textPointer);
        module.HEAPU8[textPointer + bytes.length] = 0; // an empty name: only the numbers are used
        const message = values + 8 * 60;
        const status = module._heat2d_read_elements(textPointer, bytes.length, textPointer + bytes.length,
                                                    textPointer + bytes.length, values, 60, message);
        taken(message);
        return status === 0 ? doubles(values, 60) : null;
      }));
    },
    // The side that each line of the boundary table gives its term: {term, a, b}.
    sides: (numbers) => withNumbers(numbers, "HEAPF64", (values) =>
      table((pointer, capacity) => module._heat2d_boundary_sides(values, 60, pointer, capacity), 27, 3)
        .map(([kind, a, b]) => ({term: termName(kind), a, b}))),
    // The faults of a triangulation as heat2d judges it: [] when none.
    judge: (numbers) => withNumbers(numbers, "HEAPF64", (values) => withBuffer(4, (lines) =>
      module._heat2d_judge(values, 60, 1, lines) === 0 ? (taken(lines), []) : taken(lines))),
    // Triangles numbered for the table: {elements, lines} or {faults}.
    number: (given, flipCorner) => withNumbers(flat(given), "HEAP32", (input) => withBuffer(4 * 61, (output) => {
      const status = module._heat2d_number(input, 60, flipCorner ? 1 : 0, output, 60, output + 240);
      const lines = taken(output + 240);
      return status === 0 ? {elements: triples(output), lines} : {faults: lines};
    })),
    // The triangles with inner side a-b flipped: {triangles} or {reason}.
    flip: (given, a, b) => withNumbers(flat(given), "HEAP32", (input) => withBuffer(4 * 61, (output) => {
      const status = module._heat2d_flip(input, 60, a, b, output, 60, output + 240);
      const [reason] = taken(output + 240);
      return status === 0 ? {triangles: triples(output)} : {reason};
    })),
    // Element e's values as the assembly computes them (struct heat2d_element).
    element: (numbers, e) => withNumbers(numbers, "HEAPF64", (values) => withBuffer(520, (at) => {
      if (module._heat2d_element(values, 60, e, at) !== 0) return null;
      const matrix = (offset) => rows(doubles(at + offset, 9), 3);
      const terms = Array.from({length: module.HEAP32[at / 4 + 48]}, (_, k) => {
        const term = at + 200 + 112 * k;
        const [kind, first, second, a, b] = ints(term, 5);
        const [length, load] = doubles(term + 24, 2);
        return {term: termName(kind), first, second, a, b, length, load, matrix: matrix(term + 40 - at)};
      });
      return {nodes: ints(at, 3), x: doubles(at + 16, 3), y: doubles(at + 40, 3), area: doubles(at + 64, 1)[0],
              b: doubles(at + 72, 3), c: doubles(at + 96, 3), conduction: matrix(120), terms,
              matrix: matrix(424), loads: doubles(at + 496, 3)};
    })),
  };
}

const corePromise = instance({print: () => {}, printErr: () => {}}).then(coreOf);

function html(name, attributes, children) {
  const node = Object.assign(document.createElement(name), attributes);
  if (children) node.append(...children);
  return node;
}

function colour(t) {
  const s = Math.min(Math.max(t, 0), 1) * (STOPS.length - 1);
  const k = Math.min(Math.floor(s), STOPS.length - 2);
  const mix = STOPS[k].map((v, i) => Math.round(v + (STOPS[k + 1][i] - v) * (s - k)));
  return `rgb(${mix.join(",")})`;
}

// Six significant digits, as the program writes its numbers.
const shown = (value) => String(Number(value.toPrecision(6)));

// The drawing: a point's place, 60 to a unit, y up.
const scale = 60, pad = 28;
const px = ([x, y]) => [pad + x * scale, pad + (6 - y) * scale];

// What the page knows of the last run and the box.
const state = {numbers: null, triangles: null, K: null, f: null, t: null, history: [], chosen: null};

// The text of elements.txt for triangles.
const fileOf = (triangles) => triangles.map((t) => t.join(" ") + "\n").join("");

// An SVG element's markup: the drawing is made as text, set at once.
const tag = (name, attributes, text) => `<${name}${Object.entries(attributes).map(([key, value]) => ` ${key}="${value}"`).join("")}` +
  (text === undefined ? "/>" : `>${text}</${name}>`);

// One linear gradient paints a triangle exactly: its temperature is linear,
// so the colour changes only along its gradient, through the scale's stops.
// Returns [fill, the gradient's markup].
function paint(id, corners, temperatures, level) {
  const [p, q, r] = corners.map(px);
  const [ta, tb, tc] = temperatures;
  const det = (q[0] - p[0]) * (r[1] - p[1]) - (r[0] - p[0]) * (q[1] - p[1]);
  const gx = ((tb - ta) * (r[1] - p[1]) - (tc - ta) * (q[1] - p[1])) / det;
  const gy = ((tc - ta) * (q[0] - p[0]) - (tb - ta) * (r[0] - p[0])) / det;
  const low = Math.min(ta, tb, tc), high = Math.max(ta, tb, tc);
  const g2 = gx * gx + gy * gy;
  if (!(g2 > 0) || !(high > low)) return [colour(level(ta)), ""];
  const at = (t) => [p[0] + (gx * (t - ta)) / g2, p[1] + (gy * (t - ta)) / g2];
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

// Draws the triangles (0-based corners) over the nodes, coloured by t when
// known, with the sides the table gives a term, every inner side ready to
// flip and the scale.
function draw(core, triangles, sides, t) {
  const xy = core.nodes;
  const finite = t ? t.filter(Number.isFinite) : [];
  const low = Math.min(...finite), high = Math.max(...finite);
  const level = (value) => (high > low ? (value - low) / (high - low) : 0.5);
  const points = (corners) => corners.map((k) => px(xy[k]).join(",")).join(" ");
  const line = ([a, b], attributes) => {
    const [x1, y1] = px(xy[a - 1]), [x2, y2] = px(xy[b - 1]);
    return tag("line", Object.assign({x1, y1, x2, y2}, attributes));
  };
  const defs = [], elements = [], inner = [], terms = [], labels = [];
  triangles.forEach((corners, e) => {
    const temperatures = corners.map((k) => (t ? t[k] : NaN));
    const [fill, gradient] = temperatures.every(Number.isFinite)
      ? paint(`e${e + 1}`, corners.map((k) => xy[k]), temperatures, level) : ["#e8eef4", ""];
    defs.push(gradient);
    elements.push(tag("polygon", {points: points(corners), fill, class: "element", "data-element": e + 1, tabindex: 0,
                                  role: "button", "aria-label": `element ${e + 1}, nodes ${corners.map((k) => k + 1).join(" ")}: its numbers`}));
    const [cx, cy] = px([0, 1].map((k) => corners.reduce((sum, m) => sum + xy[m][k], 0) / 3));
    labels.push(tag("text", {x: cx, y: cy + 4, class: "element", "aria-hidden": "true"}, e + 1));
  });
  // Inner sides: in two triangles.
  const count = new Map();
  for (const corners of triangles) {
    for (let k = 0; k < 3; k++) {
      const a = corners[k] + 1, b = corners[(k + 1) % 3] + 1;
      const key = `${Math.min(a, b)}-${Math.max(a, b)}`;
      count.set(key, (count.get(key) || 0) + 1);
    }
  }
  for (const [key, times] of count) {
    if (times === 2) {
      inner.push(line(key.split("-"), {class: "inner", "data-side": key, tabindex: 0, role: "button", "aria-label": `side ${key}: flip`}));
    }
  }
  for (const {term, a, b} of sides) {
    terms.push(line([a, b], {class: "casing"}),
               line([a, b], {class: term === "heat flux" ? "flux" : "convection", "data-side": `${Math.min(a, b)}-${Math.max(a, b)}`}));
  }
  xy.forEach((point, k) => {
    const [x, y] = px(point);
    const temperature = t && Number.isFinite(t[k]) ? `, temperature ${t[k]}` : "";
    labels.push(tag("circle", {cx: x, cy: y, r: 5, class: "node", "data-node": k + 1, tabindex: 0, role: "button",
                               "aria-label": `node ${k + 1}${temperature}`}),
                tag("text", {x: x + 6, y: y - 6, class: "node", "aria-hidden": "true"}, k + 1));
  });
  if (finite.length) {
    // The colour scale, hot at the top, with its title.
    const left = 2 * pad + 4.5 * scale + 10, height = 6 * scale;
    defs.push(tag("linearGradient", {id: "scale", x1: 0, y1: 1, x2: 0, y2: 0},
                  STOPS.map((_, k) => tag("stop", {offset: k / (STOPS.length - 1), "stop-color": colour(k / (STOPS.length - 1))})).join("")));
    labels.push(tag("rect", {x: left, y: pad, width: 16, height, fill: "url(#scale)"}),
                tag("text", {x: left + 20, y: pad + 10, class: "scale"}, high),
                tag("text", {x: left + 20, y: pad + height, class: "scale"}, low),
                tag("text", {x: left - 4, y: pad - 12, class: "scale title"}, "temperature"),
                tag("text", {x: left + 8, y: pad + height + 18, class: "scale"}, "(the air's units)"));
  }
  $("drawing").innerHTML = tag("defs", {}, defs.join("")) + tag("g", {class: "elements"}, elements.join("")) +
    tag("g", {class: "inner"}, inner.join("")) + terms.join("") + labels.join("");
}

// The run's files, each shown when opened and downloaded as it is.
function showFiles(files) {
  $("files").replaceChildren(...Object.entries(files).map(([name, content]) => {
    const text = html("pre");
    const item = html("details", {}, [html("summary", {textContent: name}), download(name, () => content), text]);
    item.addEventListener("toggle", () => { text.textContent = content; }, {once: true});
    return item;
  }));
}

// A link that downloads what content() gives when clicked.
function download(name, content, link = html("a", {textContent: "download"})) {
  Object.assign(link, {download: name, href: "#"});
  link.onclick = () => { link.href = "data:text/plain;charset=utf-8," + encodeURIComponent(content()); };
  return link;
}

// The table and its numbers in a run file: rows of numbers.
const numbersOf = (content) => content.trim().split("\n").map((line) => line.trim().split(/\s+/).map(Number));

function say(...lines) {
  $("notice").replaceChildren(...lines.map((line) => html("p", {textContent: line})));
}

// Marks what a fault names; null clears.
function mark(selector) {
  for (const node of document.querySelectorAll("#drawing .marked")) node.classList.remove("marked");
  if (selector) for (const node of document.querySelectorAll(selector)) node.classList.add("marked");
}

// Selects line n of the box.
function selectLine(n) {
  const box = $("elements");
  const lines = box.value.split("\n");
  const start = lines.slice(0, n - 1).reduce((sum, line) => sum + line.length + 1, 0);
  box.focus({preventScroll: true});
  box.setSelectionRange(start, start + (lines[n - 1] || "").length);
}

// What a fault line names: an element, a side, or a node (a row of K).
function follow(line) {
  const element = /\belement (\d+)/.exec(line), side = /\bside (\d+)-(\d+)/.exec(line);
  const node = /\b(?:node|row) (\d+)/.exec(line);
  if (element) return {what: `element ${element[1]}`, selector: `#drawing polygon[data-element="${element[1]}"]`,
                       line: Number(element[1])};
  if (side) {
    const [a, b] = [Number(side[1]), Number(side[2])].sort((p, q) => p - q);
    return {what: `side ${a}-${b}`, selector: `#drawing [data-side="${a}-${b}"]`, side: [a, b]};
  }
  if (node) return {what: `node ${node[1]}`, selector: `#drawing circle[data-node="${node[1]}"]`};
  return null;
}

function showFaults(errors, core) {
  $("errors").replaceChildren(...errors.map((line) => {
    const target = follow(line);
    if (!target) return html("li", {textContent: line});
    const link = html("a", {href: "#drawing", textContent: line});
    link.dataset.names = target.what;
    link.addEventListener("click", (event) => {
      event.preventDefault();
      if (target.side && !document.querySelector(target.selector)) {
        // A side that is not drawn: drawn for the fault.
        const [x1, y1] = px(core.nodes[target.side[0] - 1]), [x2, y2] = px(core.nodes[target.side[1] - 1]);
        $("drawing").insertAdjacentHTML("beforeend", tag("line", {x1, y1, x2, y2, class: "named", "data-side": target.side.join("-")}));
      }
      mark(target.selector);
      if (target.line) selectLine(target.line);
      $("drawing").scrollIntoView({block: "nearest"});
    });
    return html("li", {}, [link]);
  }));
}

// The faults as the program counts them: "and N more faults" stands for N.
function faultCount(errors) {
  return errors.reduce((sum, line) => {
    const more = /^heat2d: and (\d+) more faults/.exec(line);
    return sum + (more ? Number(more[1]) : 1);
  }, 0);
}

// The K and f views: 18 x 18 cells, those of the chosen entries marked.
function matrixView(K, f, marked, row) {
  const table = html("table", {className: "kview"});
  table.setAttribute("aria-label", "K and f, the chosen entries marked");
  for (let i = 0; i < 18; i++) {
    const cells = [html("th", {textContent: String(i + 1), scope: "row"})];
    for (let j = 0; j < 18; j++) {
      const value = K ? K[i][j] : 0;
      const cell = html("td", {title: `K[${i + 1}][${j + 1}] = ${value}`});
      if (value !== 0) cell.classList.add("nonzero");
      if (marked.has(`${i + 1} ${j + 1}`) || row === i + 1) cell.classList.add("chosen");
      cells.push(cell);
    }
    const load = html("td", {className: "f", title: `f[${i + 1}] = ${f ? f[i] : ""}`});
    if (marked.has(`${i + 1}`)) load.classList.add("chosen");
    cells.push(load);
    table.appendChild(html("tr", {}, cells));
  }
  return table;
}

// A small matrix with its rows and columns named by nodes.
function matrixTable(caption, matrix, names, hook) {
  const head = html("tr", {}, [html("th", {textContent: ""}), ...names.map((n) => html("th", {textContent: n, scope: "col"}))]);
  const rows = matrix.map((row, i) => html("tr", {}, [html("th", {textContent: names[i], scope: "row"}), ...row.map((value, j) => {
    const cell = html("td", {textContent: shown(value)});
    if (hook) Object.assign(cell.dataset, hook(i, j), {value: String(value)});
    return cell;
  })]));
  return html("table", {className: "numbers"}, [html("caption", {textContent: caption}), head, ...rows]);
}

function inspectElement(core, e) {
  const values = core.element(state.numbers, e);
  if (!values) return;
  const named = values.nodes.map((n) => `node ${n}`);
  const list = (name, items) => html("p", {textContent: `${name}: ${items.map(shown).join(", ")}`});
  const parts = [
    html("h3", {textContent: `Element ${e}: nodes ${values.nodes.join(" ")}`}),
    html("p", {textContent: values.nodes.map((n, k) => `node ${n} at (${values.x[k]}, ${values.y[k]})`).join("; ")}),
    html("p", {textContent: `area ${shown(values.area)}` + (values.area > 0 ? "" : " (not counter-clockwise)")}),
    list("b = y2 - y3, y3 - y1, y1 - y2", values.b),
    list("c = x3 - x2, x1 - x3, x2 - x1", values.c),
    matrixTable(`conduction: k (b bT + c cT) / (4 area), k = ${core.parameter("conductivity")}`, values.conduction, named),
  ];
  const marked = new Set();
  for (const term of values.terms) {
    parts.push(html("p", {textContent: `${term.term} on local side ${term.first}-${term.second} (nodes ${term.a}-${term.b}), ` +
                                        `length ${shown(term.length)}: each of its nodes gets ${shown(term.load)} in f`}));
    if (term.term === "convection") {
      parts.push(matrixTable(`convection edge matrix: h length / 6 (2 1; 1 2) on its nodes, h = ${core.parameter("convection_coeff")}`,
                             term.matrix, named));
    }
  }
  parts.push(matrixTable("added into K", values.matrix, named, (i, j) => ({row: values.nodes[i], column: values.nodes[j]})));
  const loads = html("p", {className: "loads"}, ["added into f: "]);
  values.loads.forEach((load, k) => {
    const entry = html("span", {textContent: `f[${values.nodes[k]}] += ${shown(load)}`});
    Object.assign(entry.dataset, {entry: values.nodes[k], value: String(load)});
    loads.append(entry, k < 2 ? ", " : "");
    marked.add(`${values.nodes[k]}`);
  });
  parts.push(loads);
  for (const i of values.nodes) for (const j of values.nodes) marked.add(`${i} ${j}`);
  parts.push(html("p", {textContent: "Where they go: the marked cells of K (18 x 18) and f, the last column:"}));
  parts.push(matrixView(state.K, state.f, marked, null));
  $("inspector").replaceChildren(...parts);
  mark(`#drawing polygon[data-element="${e}"]`);
}

function inspectNode(n) {
  const t = state.t && Number.isFinite(state.t[n - 1]) ? `temperature ${state.t[n - 1]}` : "no temperature in this run";
  const row = state.K ? state.K[n - 1].map((value, j) => (value !== 0 ? `K[${n}][${j + 1}] = ${value}` : null)).filter(Boolean) : [];
  $("inspector").replaceChildren(
    html("h3", {textContent: `Node ${n}: ${t}`}),
    html("p", {textContent: row.length ? `Its row of K: ${row.join(", ")}; f[${n}] = ${state.f[n - 1]}` : "No K.txt in this run."}),
    matrixView(state.K, state.f, new Set(), n));
  mark(`#drawing circle[data-node="${n}"]`);
}

// The box's line numbers.
function gutter() {
  const lines = $("elements").value.split("\n").length;
  $("gutter").textContent = Array.from({length: Math.max(lines, 1)}, (_, k) => k + 1).join("\n");
}

function setBox(text, remember) {
  const box = $("elements");
  if (remember) {
    state.history.push(box.value);
    $("undo").disabled = false;
  }
  box.value = text;
  gutter();
}

// Numbers the box's triangles for the table when heat2d would not take them as
// they are and the numbering can; says what it did.
function numberBox(core) {
  const numbers = core.read($("elements").value);
  if (!numbers || !$("number").checked || !core.judge(numbers).length) return;
  const given = Array.from({length: 20}, (_, e) => numbers.slice(3 * e, 3 * e + 3).map(Math.trunc));
  const result = core.number(given, false);
  const corners = result.faults && result.faults.every((line) => line.endsWith(", or run again with --flip-corner"));
  if (corners) {
    const asked = result.faults.map((line) => line.replace(", or run again with --flip-corner", ""));
    const button = html("button", {type: "button", id: "flip-corner", textContent: "Flip these sides and number"});
    button.addEventListener("click", () => {
      const flipped = core.number(given, true);
      if (flipped.elements) {
        setBox(fileOf(flipped.elements), true);
        run({numbered: describe(given, flipped)});
      }
    });
    $("notice").replaceChildren(html("p", {textContent: "The numbering needs corner sides flipped first:"}),
                                ...asked.map((line) => html("p", {textContent: line})), button);
    return "asked";
  }
  if (result.elements) {
    setBox(fileOf(result.elements), true);
    return describe(given, result);
  }
}

// What the numbering did to each triangle: its slot, whether it was turned.
function describe(given, result) {
  const key = (t) => [...t].sort((a, b) => a - b).join(" ");
  const slots = new Map(result.elements.map((t, e) => [key(t), e]));
  const lines = result.lines.slice();
  given.forEach((t, k) => {
    const e = slots.get(key(t));
    if (e === undefined) return; // made by a corner flip
    const made = result.elements[e];
    const same = [...made, ...made].join(" ").includes(t.join(" "));
    const what = same ? (made.join(" ") === t.join(" ") ? "" : ", rotated") : ", turned counter-clockwise";
    if (e !== k || what) lines.push(`line ${k + 1}, ${t.join(" ")}: element ${e + 1}, ${made.join(" ")}${what}`);
  });
  return lines;
}

async function run(options = {}) {
  const core = await corePromise;
  const button = $("run");
  const bytes = new TextEncoder().encode($("elements").value).length;
  if (bytes > LIMIT) {
    say(`elements.txt is ${bytes} bytes, more than 1 MiB: not run.`);
    return;
  }
  const numbered = options.numbered || (options.asIs ? null : numberBox(core));
  if (Array.isArray(numbered)) say("Numbered for the boundary table, as heat2d-elements does:", ...(numbered.length ? numbered : ["nothing to change"]));
  else if (!numbered && !options.keepNotice) say();
  const text = $("elements").value;
  button.disabled = true;
  $("status").textContent = "running...";
  const started = performance.now();
  const result = await runHeat2d(text);
  const took = performance.now() - started;
  $("console").textContent = result.console.map((line) => line + "\n").join("");
  showFiles(result.files);
  state.numbers = core.read(text);
  state.K = result.files["K.txt"] ? numbersOf(result.files["K.txt"]) : null;
  state.f = result.files["f.txt"] ? numbersOf(result.files["f.txt"]).map((row) => row[0]) : null;
  state.t = result.files["write_.txt"] ? numbersOf(result.files["write_.txt"]).map((row) => row[1]) : null;
  $("extremes").textContent = "";
  if (state.numbers) {
    state.triangles = Array.from({length: 20}, (_, e) => state.numbers.slice(3 * e, 3 * e + 3).map((n) => Math.trunc(n) - 1));
    draw(core, state.triangles, core.sides(state.numbers), state.t);
  } else {
    state.triangles = null;
    $("drawing").replaceChildren();
  }
  const finite = state.t ? state.t.filter(Number.isFinite) : [];
  let description = state.numbers ? "The half plate's 20 triangles over its 18 numbered nodes" : "No triangles: elements.txt was not read";
  if (finite.length) {
    const hot = state.t.indexOf(Math.max(...finite)), cool = state.t.indexOf(Math.min(...finite));
    $("extremes").textContent = `Hottest: node ${hot + 1}, ${state.t[hot]}. Coolest: node ${cool + 1}, ${state.t[cool]}.`;
    description += `, coloured by temperature from ${state.t[cool]} (dark) to ${state.t[hot]} (light)`;
  }
  $("description").textContent = description + ".";
  showFaults(result.errors, core);
  const faults = faultCount(result.errors);
  $("status").textContent = `exit status ${result.status}, ${faults ? faults + (faults === 1 ? " fault" : " faults") : "no faults"}, ` +
                            `${Math.round(took)} ms`;
  if (state.chosen && state.numbers) await state.chosen();
  const row = result.errors.map((line) => /pivot of row (\d+)/.exec(line)).find(Boolean);
  if (row) mark(`#drawing circle[data-node="${row[1]}"]`);
  document.body.dataset.runs = String(Number(document.body.dataset.runs || 0) + 1);
  button.disabled = false;
  if (options.scroll) {
    const top = $("picture").getBoundingClientRect().top;
    if (top < 0 || top > window.innerHeight / 2) $("picture").scrollIntoView({block: "start"});
  }
}

// Flips side a-b, numbers the result and runs it; says why when it cannot.
async function flip(a, b) {
  const core = await corePromise;
  if (!state.triangles) return;
  const flipped = core.flip(state.triangles.map((t) => t.map((k) => k + 1)), a, b);
  if (flipped.reason) return say(flipped.reason);
  const result = core.number(flipped.triangles, false);
  if (result.faults) return say(`side ${a}-${b} is not flipped: ` + result.faults.join("; ").replace(/, or run again with --flip-corner/g, ""));
  setBox(fileOf(result.elements), true);
  await run({keepNotice: true});
  say(`Flipped side ${a}-${b}.`);
}

// The table, and the legend's values.
function showTable(core) {
  for (const node of document.querySelectorAll("[data-parameter]")) node.textContent = core.parameter(node.dataset.parameter);
  $("table").tBodies[0].replaceChildren(...core.table.map(({element, term, first, second}) =>
    html("tr", {}, [element, term, `${first}-${second}`].map((cell) => html("td", {textContent: String(cell)})))));
}

// Takes a file's text into the box, refusing more than 1 MiB unread.
function openFile(file) {
  if (!file) return;
  if (file.size > LIMIT) return say(`${file.name} is ${file.size} bytes, more than 1 MiB: not opened.`);
  file.text().then((text) => {
    setBox(text, true);
    run({scroll: true});
  });
}

function act(event) {
  const target = event.target.closest("[data-element], [data-side], [data-node]");
  if (!target || !$("drawing").contains(target)) return;
  if (target.dataset.element) {
    const e = Number(target.dataset.element);
    state.chosen = () => corePromise.then((core) => inspectElement(core, e));
    state.chosen();
  } else if (target.dataset.node) {
    const n = Number(target.dataset.node);
    state.chosen = () => inspectNode(n);
    state.chosen();
  } else if (target.classList.contains("inner")) {
    const [a, b] = target.dataset.side.split("-").map(Number);
    flip(a, b);
  }
}

corePromise.then(showTable);
download("elements.txt", () => $("elements").value, $("download"));
$("drawing").addEventListener("click", act);
$("drawing").addEventListener("keydown", (event) => {
  if (event.key === "Enter" || event.key === " ") {
    event.preventDefault();
    act(event);
  }
});
$("run").addEventListener("click", () => run({scroll: true}));
$("undo").addEventListener("click", () => {
  if (!state.history.length) return;
  $("elements").value = state.history.pop();
  $("undo").disabled = !state.history.length;
  gutter();
  run({scroll: true, asIs: true});
});
$("open").addEventListener("change", (event) => openFile(event.target.files[0]));
const box = $("elements");
box.addEventListener("keydown", (event) => {
  if (event.key === "Enter" && (event.ctrlKey || event.metaKey)) {
    event.preventDefault();
    run({scroll: true});
  }
});
box.addEventListener("input", gutter);
box.addEventListener("scroll", () => { $("gutter").scrollTop = box.scrollTop; });
box.addEventListener("paste", (event) => {
  const text = event.clipboardData.getData("text");
  if (text.length > LIMIT) {
    event.preventDefault();
    say(`The pasted text is ${text.length} characters, more than 1 MiB: not taken.`);
  }
});
$("input").addEventListener("dragover", (event) => event.preventDefault());
$("input").addEventListener("drop", (event) => {
  event.preventDefault();
  openFile(event.dataTransfer.files[0]);
});
gutter();
run();
