"use strict";
// The inspector: an element's own numbers as a student computes them by hand
// (from the core's element routine) and where they go in K and f; a node's
// temperature and its row of K.

// The K and f views: a cell an entry, those of the chosen entries marked.
function matrixView(K, f, marked, row) {
  const table = html("table", {className: "kview"});
  const size = state.nodeCount;
  table.setAttribute("aria-label", "K and f, the chosen entries marked");
  const numbers = Array.from({length: size}, (_, j) => html("th", {textContent: String(j + 1), scope: "col"}));
  table.appendChild(html("tr", {}, [html("th"), ...numbers, html("th", {textContent: "f", scope: "col"})]));
  for (let i = 0; i < size; i++) {
    const cells = [html("th", {textContent: String(i + 1), scope: "row"})];
    for (let j = 0; j < size; j++) {
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
    loads.append(entry, k < values.loads.length - 1 ? ", " : "");
    marked.add(`${values.nodes[k]}`);
  });
  parts.push(loads);
  for (const i of values.nodes) for (const j of values.nodes) marked.add(`${i} ${j}`);
  parts.push(html("p", {textContent: `Where they go: the marked cells of K (${core.nodeCount} x ${core.nodeCount}) and f, the last column:`}));
  parts.push(matrixView(state.K, state.f, marked, null));
  $("inspector").replaceChildren(...parts);
  choose(e);
}

function inspectNode(n) {
  const t = state.t && Number.isFinite(state.t[n - 1]) ? `temperature ${state.t[n - 1]}` : "no temperature in this run";
  const row = state.K ? state.K[n - 1].map((value, j) => (value !== 0 ? `K[${n}][${j + 1}] = ${value}` : null)).filter(Boolean) : [];
  $("inspector").replaceChildren(
    html("h3", {textContent: `Node ${n}: ${t}`}),
    html("p", {textContent: row.length ? `Its row of K: ${row.join(", ")}; f[${n}] = ${state.f[n - 1]}` : "No K.txt in this run."}),
    matrixView(state.K, state.f, new Set(), n));
  choose(0);
  mark(`#drawing circle[data-node="${n}"]`);
}
