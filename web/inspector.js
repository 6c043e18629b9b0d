"use strict";
// The inspector: an element's own numbers as a student computes them by hand
// (from the core's element routine) and where they go in K and f; a node's
// temperature and its row of K.

const inspector = (() => {
  const {$, html, sixDigits} = dom;

  // The K and f views: a cell an entry, those of the chosen entries marked.
  function matrixView(K, f, marked, row) {
    const table = html("table", {className: "kview"});
    const size = state.problem.nodes;
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
      const cell = html("td", {textContent: sixDigits(value)});
      if (hook) Object.assign(cell.dataset, hook(i, j), {value: String(value)});
      return cell;
    })]));
    return html("table", {className: "numbers"}, [html("caption", {textContent: caption}), head, ...rows]);
  }

  // Element e of the last run: its values, where they go in K and f, and the
  // element outlined on the drawing.
  function element(core, e) {
    const values = core.element(state.run.numbers, e, state.values.given);
    const value = (name) => (state.values.given || state.values.design)[name];
    const named = values.nodes.map((n) => `node ${n}`);
    const list = (name, items) => html("p", {textContent: `${name}: ${items.map(sixDigits).join(", ")}`});
    const parts = [
      html("h3", {textContent: `Element ${e}: nodes ${values.nodes.join(" ")}`}),
      html("p", {textContent: values.nodes.map((n, k) => `node ${n} at (${values.x[k]}, ${values.y[k]})`).join("; ")}),
      html("p", {textContent: `area ${sixDigits(values.area)}` + (values.area > 0 ? "" : " (not counter-clockwise)")}),
      list("b = y2 - y3, y3 - y1, y1 - y2", values.b),
      list("c = x3 - x2, x1 - x3, x2 - x1", values.c),
      matrixTable(`conduction: k (b bT + c cT) / (4 area), k = ${value("conductivity")}`, values.conduction, named),
    ];
    const marked = new Set();
    for (const term of values.terms) {
      parts.push(html("p", {textContent: `${term.term} on local side ${term.first}-${term.second} (nodes ${term.a}-${term.b}), ` +
                                          `length ${sixDigits(term.length)}: each of its nodes gets ${sixDigits(term.load)} in f`}));
      if (term.term === "convection") {
        parts.push(matrixTable(`convection edge matrix: h length / 6 (2 1; 1 2) on its nodes, h = ${value("convection_coeff")}`,
                               term.matrix, named));
      }
    }
    parts.push(matrixTable("added into K", values.matrix, named, (i, j) => ({row: values.nodes[i], column: values.nodes[j]})));
    const loads = html("p", {className: "loads"}, ["added into f: "]);
    values.loads.forEach((load, k) => {
      const entry = html("span", {textContent: `f[${values.nodes[k]}] += ${sixDigits(load)}`});
      Object.assign(entry.dataset, {entry: values.nodes[k], value: String(load)});
      loads.append(entry, k < values.loads.length - 1 ? ", " : "");
      marked.add(`${values.nodes[k]}`);
    });
    parts.push(loads);
    for (const i of values.nodes) for (const j of values.nodes) marked.add(`${i} ${j}`);
    parts.push(html("p", {textContent: `Where they go: the marked cells of K (${core.nodeCount} x ${core.nodeCount}) and f, the last column:`}));
    parts.push(matrixView(state.run.K, state.run.f, marked, null));
    $("inspector").replaceChildren(...parts);
    drawing.choose(e);
  }

  // Node n of the last run: its temperature and its row of K, the node marked.
  function node(n) {
    const {temperatures: t, K, f} = state.run;
    const temperature = t && Number.isFinite(t[n - 1]) ? `temperature ${t[n - 1]}` : "no temperature in this run";
    const row = K ? K[n - 1].map((value, j) => (value !== 0 ? `K[${n}][${j + 1}] = ${value}` : null)).filter(Boolean) : [];
    $("inspector").replaceChildren(
      html("h3", {textContent: `Node ${n}: ${temperature}`}),
      html("p", {textContent: row.length ? `Its row of K: ${row.join(", ")}; f[${n}] = ${f[n - 1]}` : "No K.txt in this run."}),
      matrixView(K, f, new Set(), n));
    drawing.choose(0);
    drawing.mark(`#drawing circle[data-node="${n}"]`);
  }

  return {element, node};
})();
