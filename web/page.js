"use strict";
// The page around heat2d's module: each run is a new instance of the program
// (nothing of one run is left for the next), with elements.txt in its file
// system and standard input at its end, so that the final pause returns at once.

const OUTPUTS = ["mesh.txt", "mesh.geo", "f.txt", "K.txt", "write_.txt"];
// heat2d's boundary table: element, term, local nodes of the side.
const BOUNDARY = [[4, "flux", 1, 3], [12, "flux", 1, 3], [9, "flux", 2, 3], [11, "flux", 2, 3],
                  [14, "convection", 2, 3], [16, "convection", 2, 3], [18, "convection", 2, 3],
                  [20, "convection", 2, 3], [20, "flux", 1, 3]];
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

// The run's field: mesh.txt, the triangles as heat2d reads elements.txt (the
// first 60 numbers, truncated), write_.txt.
function fieldOf(run, text) {
  const rows = (name) => run.files[name].trim().split("\n").map((line) => line.trim().split(/\s+/).map(Number));
  const numbers = text.trim().split(/\s+/).slice(0, 60).map((token) => Math.trunc(Number(token)) - 1);
  const triangles = [];
  for (let e = 0; e < 20; e++) triangles.push(numbers.slice(3 * e, 3 * e + 3));
  return {xy: rows("mesh.txt"), triangles, t: rows("write_.txt").map((row) => row[1])};
}

function drawField(field) {
  const scale = 60, pad = 24, bar = 70;
  const {xy, triangles, t} = field;
  const finite = t.filter(Number.isFinite);
  const low = Math.min(...finite), high = Math.max(...finite);
  const px = ([x, y]) => [pad + x * scale, pad + (6 - y) * scale];
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
    element("polygon", {points: corners.map((k) => px(xy[k]).join(",")).join(" "), class: "edge"}, undefined, svg);
    const [cx, cy] = px([0, 1].map((k) => corners.reduce((sum, m) => sum + xy[m][k], 0) / 3));
    element("text", {x: cx, y: cy + 4, class: "element"}, String(e + 1), svg);
  });
  for (const [e, term, i, j] of BOUNDARY) {
    const [x1, y1] = px(xy[triangles[e - 1][i - 1]]), [x2, y2] = px(xy[triangles[e - 1][j - 1]]);
    element("line", {x1, y1, x2, y2, class: term}, undefined, svg);
  }
  xy.forEach((point, k) => {
    const [x, y] = px(point);
    element("circle", {cx: x, cy: y, r: 3, class: "node"}, undefined, svg);
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
    const values = fieldOf(result, text);
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

document.getElementById("run").addEventListener("click", run);
document.getElementById("elements").addEventListener("keydown", (event) => {
  if (event.key === "Enter" && (event.ctrlKey || event.metaKey)) {
    event.preventDefault();
    run();
  }
});
run();
