"use strict";
// The page's wiring: a run in three steps (prepare the box, run heat2d, show
// what it did), the clicks and keys on the drawing, a flip, and the start.
// It answers the other scripts' requests; none of them calls it.

(() => {
  const {$, html, notice, said, sideKey} = dom;

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
    state.problem = {nodes: core.nodeCount, elements: core.elementCount, notchCorner: core.notchCorner, notchTop: core.notchTop};
    for (const node of document.querySelectorAll("[data-count]")) node.textContent = state.problem[node.dataset.count];
    for (const node of document.querySelectorAll("[data-named-node]")) node.textContent = state.problem[node.dataset.namedNode];
    $("elements").rows = core.elementCount;
    $("input").style.setProperty("--rows", core.elementCount);
    $("table").tBodies[0].replaceChildren(...core.table.map(({element, term, first, second}) =>
      html("tr", {}, [element, term, `${first}-${second}`].map((cell) => html("td", {textContent: String(cell)})))));
    levels.offer(core);
    const line = whatIf.offer(core); // the address's plate taken
    drawing.place(core);
    return line;
  }

  // Before a run: the box's text within bounds, numbered when asked; false when
  // it is not to run.
  function prepare(core, options) {
    const bytes = new TextEncoder().encode($("elements").value).length;
    if (bytes > box.LIMIT) {
      notice(`elements.txt is ${bytes} bytes, more than 1 MiB: not run.`);
      return false;
    }
    const numbered = options.numbered || (options.asIs ? null : box.number(core));
    if (Array.isArray(numbered)) notice("Numbered for the boundary table, as heat2d-elements does:", ...(numbered.length ? numbered : ["nothing to change"]));
    else if (!numbered && !options.keepNotice) notice();
    return true;
  }

  // The run's results in the page's state. A run with faults gives no answer:
  // no temperature of it is shown anywhere.
  function take(core, text, result) {
    const run = state.run, files = result.files;
    run.numbers = core.read(text);
    run.triangles = run.numbers ? box.triples(run.numbers).map((corners) => corners.map((n) => n - 1)) : null;
    run.K = files["K.txt"] ? numbersOf(files["K.txt"]) : null;
    run.f = files["f.txt"] ? numbersOf(files["f.txt"]).map((row) => row[0]) : null;
    run.faults = faults.count(result.named);
    run.temperatures = files["write_.txt"] && !run.faults ? numbersOf(files["write_.txt"]).map((row) => row[1]) : null;
    run.extremes = run.faults ? "No valid answer: heat2d refused this elements.txt (see its faults), so no temperature is shown."
                              : extremesOf(run.temperatures || []);
  }

  // The hottest and the coolest of temperatures t (of the finite ones), in words; "" for none.
  function extremesOf(t) {
    const finite = t.filter(Number.isFinite);
    if (!finite.length) return "";
    const hot = t.indexOf(Math.max(...finite)), cool = t.indexOf(Math.min(...finite));
    return `Hottest: node ${hot + 1}, ${dom.sixDigits(t[hot])}. Coolest: node ${cool + 1}, ${dom.sixDigits(t[cool])}.`;
  }

  // After a run: the console, the files, the drawing, the extremes and the
  // faults. A file that was not read still shows the nodes and the outline.
  function show(core, result, took) {
    const run = state.run, t = run.temperatures;
    $("console").textContent = result.console.map((line) => line + "\n").join("");
    showFiles(result.files);
    if (run.triangles) drawing.draw(core, run.triangles, core.sides(run.numbers), t);
    else drawing.draw(core, [], [], null);
    let description = run.numbers ? `The half plate's ${core.elementCount} triangles over its ${core.nodeCount} numbered nodes`
                                  : `The half plate's outline and its ${core.nodeCount} numbered nodes: elements.txt was not read`;
    const finite = t ? t.filter(Number.isFinite) : [];
    if (finite.length) description += `, coloured by temperature from ${Math.min(...finite)} (dark) to ${Math.max(...finite)} (light)`;
    $("description").textContent = description + ".";
    $("extremes").textContent = run.extremes;
    $("extremes").classList.toggle("refused", run.faults > 0);
    faults.show(result.errors, result.named, core);
    levels.reset(Boolean(t));
    $("status").textContent = `exit status ${result.status}, ${run.faults ? run.faults + (run.faults === 1 ? " fault" : " faults") : "no faults"}, ` +
                              `${Math.round(took)} ms`;
  }

  // What the inspector showed before the run, shown again for this one.
  function inspectAgain(core) {
    const chosen = state.inspected;
    if (!chosen || !state.run.numbers) return;
    if (chosen.kind === "element") inspector.element(core, chosen.number);
    else inspector.node(chosen.number);
  }

  async function run(options = {}) {
    const core = await heat2d.core;
    if (!options.keepNotice) said();
    if (!prepare(core, options)) return;
    const text = $("elements").value;
    $("run").disabled = true;
    $("status").textContent = "running...";
    const started = performance.now();
    const result = await heat2d.run(text, whatIf.options());
    take(core, text, result);
    show(core, result, performance.now() - started);
    inspectAgain(core);
    faults.markNodes(result.named);
    document.body.dataset.runs = String(Number(document.body.dataset.runs || 0) + 1);
    $("run").disabled = false;
    if (options.scroll) {
      const top = $("picture").getBoundingClientRect().top;
      if (top < 0 || top > window.innerHeight / 2) $("picture").scrollIntoView({block: "start"});
    }
  }

  // While a value's slider moves: the triangulation solved by the core kept
  // loaded (a call, not a run), drawn with its extremes, and K, f and the
  // temperatures of these values for the inspector.
  function preview(core) {
    const run = state.run;
    if (!run.numbers || run.faults || Object.keys(state.values.faults).length) return;
    levels.back();
    const solved = core.solve(run.numbers, state.values.given);
    if (!solved.temperatures) return;
    Object.assign(run, {K: solved.K, f: solved.f, temperatures: solved.temperatures, extremes: extremesOf(solved.temperatures)});
    drawing.draw(core, run.triangles, core.sides(run.numbers), run.temperatures);
    $("extremes").textContent = run.extremes;
    inspectAgain(core);
  }

  // Chooses element e: its numbers in the inspector, its handles on the drawing.
  async function inspectElement(e) {
    state.inspected = {kind: "element", number: e};
    inspector.element(await heat2d.core, e);
  }

  // Where the chosen element's numbers are: brought into view when they are
  // beside the drawing (a wide window), pointed to below it otherwise.
  function pointToNumbers(e, nodes) {
    const beside = $("inspect").getBoundingClientRect().left >= $("picture").getBoundingClientRect().right;
    const top = $("inspect").getBoundingClientRect().top;
    if (beside && (top < 0 || top > innerHeight - 120)) $("inspect").scrollIntoView({block: "start"});
    const link = html("a", {href: "#inspect", textContent: beside ? "beside the drawing" : "below the drawing"});
    said(`Element ${e}, nodes ${nodes.join(" ")}: its numbers are `, link,
         document.querySelector("#chosen .handle") ? "; a round handle (⇄) on one of its sides flips that side." : ".");
  }

  // Flips side a-b, numbers the result and runs it; says why when it cannot,
  // and why no temperature changed when none did. The element with the new
  // side is chosen after, its handle focused.
  async function flip(a, b) {
    const core = await heat2d.core;
    if (!state.run.triangles) return;
    const given = state.run.triangles.map((corners) => corners.map((k) => k + 1));
    const flipped = core.flip(given, a, b);
    if (flipped.reason) return said(flipped.reason[0].toUpperCase() + flipped.reason.slice(1) + ".");
    const result = core.number(flipped.triangles, false);
    if (result.faults) return said(`Side ${a}-${b} is not flipped: ${box.whyNot(core, flipped.triangles, a, b, result.faults)}.`);
    const [c, d] = flipped.triangles.filter((corners, k) => corners.join() !== given[k].join()).flat()
      .filter((n, k, all) => n !== a && n !== b && all.indexOf(n) === k).sort((p, q) => p - q);
    const before = state.run.temperatures;
    box.set(box.fileOf(result.elements), true);
    await run({keepNotice: true});
    const after = state.run.temperatures, triangles = state.run.triangles;
    const e = triangles ? triangles.findIndex((corners) => corners.includes(c - 1) && corners.includes(d - 1)) + 1 : 0;
    if (e) {
      await inspectElement(e);
      document.querySelector(`#drawing .handle[data-side="${c}-${d}"]`).focus();
    }
    const same = before && after && before.every((value, k) => value === after[k]);
    said(`Flipped side ${a}-${b} to ${c}-${d}.` + (same && box.rectangle([a, c, b, d].map((n) => core.nodes[n - 1]))
      ? ` No temperature changed, and none should: nodes ${a}, ${c}, ${b} and ${d} make a rectangle, whose diagonal adds ` +
        "nothing to K (the angles opposite it are right angles), so K is the same either way." : ""));
  }

  // A click (or Enter or Space) on the drawing: choose an element, inspect a
  // node, flip a side by its handle, or hear that a side of the outline
  // cannot flip; the inspector and the flips are level 0's. At a finer level
  // a click or tap reads the temperature where it lands, and the level stays:
  // going back to the triangles of elements.txt is the Fineness control's.
  async function onDrawingClick(event) {
    const target = event.target.closest("[data-element], .handle, [data-node], [data-outline]");
    if (!target || !$("drawing").contains(target)) return;
    notice();
    const level = state.levels.shown, t = level ? finer.temperatureAt(event.clientX, event.clientY) : NaN;
    if (level) {
      return said(Number.isFinite(t) ? `Level ${level}: temperature ${Number(t.toPrecision(4))} here. The ${state.problem.elements} triangles, ` +
                                        "their numbers and their flips are the Fineness control's level 0." : "");
    }
    said();
    levels.back();
    const triangles = state.drawn.triangles;
    if (target.classList.contains("handle")) {
      const [a, b] = target.dataset.side.split("-").map(Number);
      flip(a, b);
    } else if (target.dataset.element) {
      const e = Number(target.dataset.element);
      await inspectElement(e);
      pointToNumbers(e, triangles[e - 1].map((k) => k + 1));
    } else if (target.dataset.node) {
      const n = Number(target.dataset.node), t = state.run.temperatures;
      state.inspected = {kind: "node", number: n};
      inspector.node(n);
      said(`Node ${n}: ${t ? `temperature ${t[n - 1]}` : "no temperature in this run"}.`);
    } else {
      const [a, b] = target.dataset.outline.split("-").map(Number);
      const e = triangles.findIndex((corners) => [a, b].every((n) => corners.includes(n - 1))) + 1;
      if (e) await inspectElement(e);
      const side = (await heat2d.core).outline.find((s) => sideKey(s.a, s.b) === sideKey(a, b));
      said(`Side ${sideKey(a, b)} is on the outline, ${side.place}: it cannot be flipped.`);
    }
  }

  download("elements.txt", () => $("elements").value, $("download"));
  $("drawing").addEventListener("click", onDrawingClick);
  $("drawing").addEventListener("keydown", keys.onDrawing);
  // On the drawing's box, not the drawing: an SVG element that hears focus events takes the focus itself.
  for (const kind of ["focusin", "focusout"]) $("field").addEventListener(kind, keys.onFocus);
  $("run").addEventListener("click", () => run({scroll: true}));
  dom.answer("run", run);
  dom.answer("redraw", () => { drawing.redraw(); levels.redraw(); });
  // A value changed: while its slider moves, level 0 previewed (or the finer
  // level shown solved again); let go, a run, the finer level kept.
  dom.answer("values", async ({final, placed}) => {
    const level = state.levels.shown;
    if (placed) { drawing.place(await heat2d.core); if (state.view.zoom !== 1) view.reset(); } // drawn once, below
    if (!final) return level ? levels.follow() : preview(await heat2d.core);
    await run({asIs: true, keepNotice: true});
    if (level && state.run.temperatures) levels.solve(level);
  });
  [box, levels, view].forEach((part) => part.listen());
  heat2d.core.then(showProblem).then((line) => { notice(line); return run({keepNotice: true}); },
                                     (error) => { $("status").textContent = error.message; });
})();
