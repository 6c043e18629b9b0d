"use strict";
// The page's wiring: what it knows of the last run, a run in three steps
// (prepare the box, run heat2d, show what it did), the clicks and keys on the
// drawing, and the start.

const $ = (id) => document.getElementById(id);

function html(name, attributes, children) {
  const node = Object.assign(document.createElement(name), attributes);
  if (children) node.append(...children);
  return node;
}

const state = {numbers: null, triangles: null, K: null, f: null, t: null, history: [], chosen: null, nodeCount: 0};

function say(...lines) {
  $("notice").replaceChildren(...lines.map((line) => html("p", {textContent: line})));
}

// Says, beside the drawing, what a click or key on it did: text and links.
function tell(...parts) {
  $("said").replaceChildren(...parts);
  const box = $("said").getBoundingClientRect();
  if (parts.length && (box.top < 0 || box.bottom > innerHeight)) $("said").scrollIntoView({block: "nearest"});
}

// A link that downloads what content() gives when clicked.
function download(name, content, link = html("a", {textContent: "download"})) {
  Object.assign(link, {download: name, href: "#"});
  link.onclick = () => { link.href = "data:text/plain;charset=utf-8," + encodeURIComponent(content()); };
  return link;
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

// The table and its numbers in a run file: rows of numbers.
const numbersOf = (content) => content.trim().split("\n").map((line) => line.trim().split(/\s+/).map(Number));

// The problem's table, its sizes and the legend's values, from the core.
function showProblem(core) {
  state.nodeCount = core.nodeCount;
  for (const node of document.querySelectorAll("[data-parameter]")) node.textContent = core.parameter(node.dataset.parameter);
  for (const node of document.querySelectorAll("[data-count]")) {
    node.textContent = node.dataset.count === "nodes" ? core.nodeCount : core.elementCount;
  }
  $("elements").rows = core.elementCount;
  $("input").style.setProperty("--rows", core.elementCount);
  $("table").tBodies[0].replaceChildren(...core.table.map(({element, term, first, second}) =>
    html("tr", {}, [element, term, `${first}-${second}`].map((cell) => html("td", {textContent: String(cell)})))));
  placeDrawing(core);
  offerLevels(core);
}

// Before a run: the box's text within bounds, numbered when asked; false when
// it is not to run.
function prepare(core, options) {
  const bytes = new TextEncoder().encode($("elements").value).length;
  if (bytes > LIMIT) {
    say(`elements.txt is ${bytes} bytes, more than 1 MiB: not run.`);
    return false;
  }
  const numbered = options.numbered || (options.asIs ? null : numberBox(core));
  if (Array.isArray(numbered)) say("Numbered for the boundary table, as heat2d-elements does:", ...(numbered.length ? numbered : ["nothing to change"]));
  else if (!numbered && !options.keepNotice) say();
  return true;
}

// The run's results in the page's state.
function takeResults(core, text, result) {
  state.numbers = core.read(text);
  state.K = result.files["K.txt"] ? numbersOf(result.files["K.txt"]) : null;
  state.f = result.files["f.txt"] ? numbersOf(result.files["f.txt"]).map((row) => row[0]) : null;
  // A run with faults gives no answer: no temperature of it is shown anywhere.
  state.t = result.files["write_.txt"] && !faultCount(result.errors)
    ? numbersOf(result.files["write_.txt"]).map((row) => row[1]) : null;
  state.triangles = state.numbers ? triples(state.numbers).map((t) => t.map((n) => n - 1)) : null;
}

// After a run: the console, the files, the drawing, the extremes and the faults.
// A run with faults gives no answer: its field is not coloured, and the
// extremes say so; a file that was not read still shows the nodes and the outline.
function show(core, result, took) {
  $("console").textContent = result.console.map((line) => line + "\n").join("");
  showFiles(result.files);
  const faults = faultCount(result.errors), t = state.t;
  if (state.triangles) draw(core, state.triangles, core.sides(state.numbers), t);
  else draw(core, [], [], null);
  const finite = t ? t.filter(Number.isFinite) : [];
  let description = state.numbers ? `The half plate's ${core.elementCount} triangles over its ${core.nodeCount} numbered nodes`
                                  : `The half plate's outline and its ${core.nodeCount} numbered nodes: elements.txt was not read`;
  $("extremes").textContent = faults ? "No valid answer: heat2d refused this elements.txt (see its faults), so no temperature is shown." : "";
  $("extremes").classList.toggle("refused", faults > 0);
  if (finite.length) {
    const hot = t.indexOf(Math.max(...finite)), cool = t.indexOf(Math.min(...finite));
    $("extremes").textContent = `Hottest: node ${hot + 1}, ${t[hot]}. Coolest: node ${cool + 1}, ${t[cool]}.`;
    description += `, coloured by temperature from ${t[cool]} (dark) to ${t[hot]} (light)`;
  }
  $("description").textContent = description + ".";
  state.extremes = $("extremes").textContent;
  showFaults(result.errors, core);
  resetLevels(Boolean(t));
  $("status").textContent = `exit status ${result.status}, ${faults ? faults + (faults === 1 ? " fault" : " faults") : "no faults"}, ` +
                            `${Math.round(took)} ms`;
}

async function run(options = {}) {
  const core = await corePromise;
  if (!options.keepNotice) tell();
  if (!prepare(core, options)) return;
  const text = $("elements").value;
  $("run").disabled = true;
  $("status").textContent = "running...";
  const started = performance.now();
  const result = await runHeat2d(text);
  const took = performance.now() - started;
  takeResults(core, text, result);
  show(core, result, took);
  if (state.chosen && state.numbers) await state.chosen();
  markPivot(result.errors);
  document.body.dataset.runs = String(Number(document.body.dataset.runs || 0) + 1);
  $("run").disabled = false;
  if (options.scroll) {
    const top = $("picture").getBoundingClientRect().top;
    if (top < 0 || top > window.innerHeight / 2) $("picture").scrollIntoView({block: "start"});
  }
}

// Chooses element e: its numbers in the inspector, its handles on the
// drawing, chosen again after each run.
function chooseElement(e) {
  state.chosen = () => corePromise.then((core) => inspectElement(core, e));
  return state.chosen();
}

// Where the chosen element's numbers are: brought into view when they are
// beside the drawing (a wide window), pointed to below it otherwise.
function pointToNumbers(e, nodes) {
  const beside = $("inspect").getBoundingClientRect().left >= $("picture").getBoundingClientRect().right;
  const top = $("inspect").getBoundingClientRect().top;
  if (beside && (top < 0 || top > innerHeight - 120)) $("inspect").scrollIntoView({block: "start"});
  const link = html("a", {href: "#inspect", textContent: beside ? "beside the drawing" : "below the drawing"});
  tell(`Element ${e}, nodes ${nodes.join(" ")}: its numbers are `, link,
       document.querySelector("#chosen .handle") ? "; a round handle (⇄) on one of its sides flips that side." : ".");
}

// A click, Enter or Space on the drawing: choose an element, inspect a node,
// flip a side by its handle, or hear that a side of the outline cannot flip.
function act(event) {
  const target = event.target.closest("[data-element], .handle, [data-node], [data-outline]");
  if (!target || !$("drawing").contains(target)) return;
  say();
  tell();
  if (refined.shown || refined.stop) { // the inspector and the flips are level 0's
    endSolve();
    showLevel(0);
  }
  if (target.classList.contains("handle")) {
    const [a, b] = target.dataset.side.split("-").map(Number);
    flip(a, b);
  } else if (target.dataset.element) {
    const e = Number(target.dataset.element);
    chooseElement(e).then(() => pointToNumbers(e, drawn.triangles[e - 1].map((k) => k + 1)));
  } else if (target.dataset.node) {
    const n = Number(target.dataset.node);
    state.chosen = () => inspectNode(n);
    state.chosen();
    tell(`Node ${n}: ${state.t ? `temperature ${state.t[n - 1]}` : "no temperature in this run"}.`);
  } else {
    const [a, b] = target.dataset.outline.split("-").map(Number);
    const e = drawn.triangles.findIndex((corners) => [a, b].every((n) => corners.includes(n - 1))) + 1;
    if (e) chooseElement(e);
    corePromise.then((core) => {
      const side = core.outline.find((s) => sideKey(s.a, s.b) === sideKey(a, b));
      tell(`Side ${sideKey(a, b)} is on the outline, ${side.place}: it cannot be flipped.`);
    });
  }
}

download("elements.txt", () => $("elements").value, $("download"));
$("drawing").addEventListener("click", act);
$("drawing").addEventListener("keydown", onDrawingKey);
$("run").addEventListener("click", () => run({scroll: true}));
listenToBox();
listenToLevels();
corePromise.then(showProblem).then(() => run(), (error) => { $("status").textContent = error.message; });
