"use strict";
// The page at a finer level: the fineness control, its solves in the Worker,
// the refined field shown under the drawing, the temperature of the place
// under the pointer, and the way back to level 0, where the inspector and the
// flips are.

const levels = (() => {
  const {$, html, said} = dom;
  const LEVELS = 7; // the finest level offered
  const ERRORS = [0.01, 0.001, 0.0001]; // the adaptive steps' errors offered
  // The solve under way: the function that ends it, and the timer that shows
  // its progress when it is slow, and whether to solve again with newer
  // values when it ends; a touch held on the field: its timer, and
  // whether it read a temperature.
  const solving = {stop: null, slow: 0, again: false};
  const touch = {timer: 0, read: false};

  // The control's choices (once the core is there): everywhere, the uniform
  // levels by their triangles; where the error is, the adaptive steps until
  // the error left at every one of heat2d's nodes is at most an error.
  function offer(core) {
    const option = (value, textContent) => html("option", {value, textContent});
    $("fineness").replaceChildren(
      html("optgroup", {label: "everywhere: uniform levels"}, Array.from({length: LEVELS + 1}, (_, level) => option(String(level),
        `${level}: ${(core.elementCount * 4 ** level).toLocaleString("en")} triangles` + (level ? "" : " (elements.txt)")))),
      html("optgroup", {label: "where the error is: adaptive steps"}, ERRORS.map((error) => option(`adapt:${error}`,
        `steps until the error left is at most ${error}`))));
  }

  function end() {
    if (solving.stop) solving.stop();
    solving.stop = null;
    clearTimeout(solving.slow);
    $("refining").hidden = true;
  }

  // Shows level 0 or the refined field last drawn; level 0 gives the scale
  // and the extremes of the run back.
  function show(level) {
    state.levels.shown = level;
    $("fineness").value = String(level);
    document.body.dataset.level = String(level);
    $("refined-field").hidden = level === 0;
    $("refined").hidden = level === 0;
    if (level === 0) {
      $("refining-text").textContent = ""; // what it said of a finer level is not what is drawn
      $("error-map").hidden = true;
      $("scale-unit").hidden = false;
      const t = state.run.temperatures || [];
      drawing.showScale(Math.min(...t), Math.max(...t));
      $("extremes").textContent = state.run.extremes;
    }
  }

  // After a run: level 0, and a refined run offered only for a triangulation
  // that heat2d takes; the levels solved before belong to another one.
  function reset(taken) {
    end();
    state.levels.lines.clear();
    state.levels.steps.clear();
    show(0);
    $("fineness").disabled = !taken;
    $("fineness-why").textContent = taken ? "" : "A finer level needs a triangulation that heat2d takes: mend the faults first.";
    convergence.plot();
  }

  // Back to level 0, where the inspector and the flips are; a solve ends.
  function back() {
    end();
    show(0);
  }

  // Solves levels 0 to a level of the box's triangulation in the Worker, or
  // its adaptive steps (choice "adapt:0.001"); a solve that takes over half a
  // second shows progress. A new choice ends it.
  function solve(choice) {
    end();
    said();
    const error = String(choice).startsWith("adapt:") ? Number(String(choice).slice(6)) : 0;
    const level = error ? choice : Number(choice);
    if (!level || !state.run.numbers) return show(0);
    const started = performance.now();
    $("refining-text").textContent = error ? `solving steps until the error left is at most ${error}...` : `solving level ${level}...`;
    $("refining").value = 0;
    if (error) state.levels.steps.clear();
    solving.slow = setTimeout(() => { $("refining").hidden = false; }, 500);
    solving.stop = refiner.solve(state.run.numbers, {level, error}, (message) => {
      if (message.refused) {
        end();
        $("refining-text").textContent = "";
        said(`${error ? `The steps to ${error} are` : `Level ${level} is`} not solved: ${message.refused.join("; ")}.`);
        $("fineness").value = String(state.levels.shown);
        return;
      }
      if (message.levelZero) state.levels.levelZero = message.levelZero;
      if (message.line && error) {
        state.levels.steps.set(message.line.step, message.line);
        const done = Math.log(message.line.error) / Math.log(error); // how far the error has come, in decades
        $("refining").value = Number.isFinite(done) ? Math.max(0, Math.min(1, done)) : 0;
      } else if (message.line) {
        state.levels.lines.set(message.line.level, message.line);
        $("refining").value = (message.line.level + 1) / (level + 1);
      }
      if (message.nodes) {
        state.levels.solved = message;
        $("error-map").hidden = !(message.indicators || (message.below || []).length);
        finer.draw(message);
        show(level);
        convergence.compare(level, error ? {...message, temperatures: message.answer} : message); // a step's answer at the nodes
        end();
        const {triangles, nodes, step} = message.line, took = Math.round(performance.now() - started);
        $("refining-text").textContent = (error ? `step ${step}` : `level ${level}`) + `: ${triangles.toLocaleString("en")} ` +
          `triangles and ${nodes.toLocaleString("en")} nodes, solved and drawn in ${took} ms`;
        if (solving.again) follow();
      }
    }, state.values.given);
  }

  // The level shown, solved again with the values as they are now: a
  // slider's moves come faster than a level solves, so one solve at a time,
  // and one more with the last values when it ends.
  function follow() {
    solving.again = Boolean(solving.stop);
    if (!solving.again) solve(state.levels.shown);
  }

  // Shows the temperature under the pointer beside it (a mouse's hover, a touch held); NaN hides.
  function probe(event) {
    const t = state.levels.shown ? finer.temperatureAt(event.clientX, event.clientY) : NaN;
    $("probe").hidden = !Number.isFinite(t);
    if (!Number.isFinite(t)) return;
    const box = $("field").getBoundingClientRect();
    $("probe").textContent = String(Number(t.toPrecision(4)));
    Object.assign($("probe").style, {left: `${event.clientX - box.left + 12}px`, top: `${event.clientY - box.top - 28}px`});
  }

  function listen() {
    $("fineness").addEventListener("change", (event) => solve(event.target.value));
    $("node-curves").addEventListener("change", (event) => {
      state.levels.byNode = event.target.checked;
      convergence.plot();
    });
    $("error-map").addEventListener("click", () => {
      state.levels.map = !state.levels.map;
      $("error-map").setAttribute("aria-pressed", String(state.levels.map));
      if (state.levels.solved) finer.draw(state.levels.solved);
    });
    const field = $("field");
    field.addEventListener("pointermove", (event) => { if (event.pointerType === "mouse") probe(event); });
    field.addEventListener("pointerleave", () => { $("probe").hidden = true; });
    field.addEventListener("pointerdown", (event) => {
      if (event.pointerType === "mouse" || !state.levels.shown) return;
      touch.timer = setTimeout(() => { probe(event); touch.read = true; }, 450);
    });
    field.addEventListener("pointerup", () => clearTimeout(touch.timer));
    field.addEventListener("pointercancel", () => clearTimeout(touch.timer));
    // A touch held to read a temperature is not a click.
    field.addEventListener("click", (event) => {
      if (touch.read) event.stopPropagation();
      touch.read = false;
    }, true);
  }

  // The field shown drawn again (the view moved).
  function redraw() {
    if (state.levels.shown && state.levels.solved) finer.draw(state.levels.solved);
  }

  return {offer, reset, back, show, solve, follow, redraw, listen};
})();
