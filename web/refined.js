"use strict";
// The page at a finer level: the fineness control, the refined field drawn as
// an image under the drawing (each pixel coloured by the linear field of its
// triangle, the same scale as level 0), the temperature of the place under
// the pointer, and the way back to level 0, where the inspector and the flips
// are.

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
        said(`Level ${level} is not solved: ${message.refused.join("; ")}.`);
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
        $("error-map").hidden = !message.indicators;
        drawField(message);
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

  // The scale's colours as 32-bit pixels (little-endian RGBA), 256 levels.
  const PIXELS = new Uint32Array(Array.from({length: 256}, (_, k) => {
    const [r, g, b] = drawing.colour(k / 255).match(/\d+/g).map(Number);
    return (255 << 24 | b << 16 | g << 8 | r) >>> 0;
  }));

  // Draws the refined field into the canvas under the drawing, pixel by pixel,
  // keeping each pixel's temperature for the pointer; its mesh's lines up to level 3.
  function drawField({nodes, temperatures, triangles, line, indicators}) {
    const map = Boolean(state.levels.map && indicators);
    const canvas = $("refined-field"), ratio = devicePixelRatio || 1;
    const width = canvas.width = Math.round($("field").clientWidth * ratio);
    const height = canvas.height = Math.round($("field").clientHeight * ratio);
    const scale = width / drawing.frame.width, count = temperatures.length;
    const x = new Float64Array(count), y = new Float64Array(count);
    for (let k = 0; k < count; k++) [x[k], y[k]] = drawing.px([nodes[2 * k], nodes[2 * k + 1]]).map((v) => v * scale);
    // The error map: each triangle's indicator over the root of its area (a
    // density, since the marking evens out the indicators themselves), log10.
    const density = map ? Float64Array.from({length: triangles.length / 3}, (_, t) => {
      const [a, b, c] = [0, 1, 2].map((j) => triangles[3 * t + j] - 1), [ax, ay] = [nodes[2 * a], nodes[2 * a + 1]];
      const area = Math.abs((nodes[2 * b] - ax) * (nodes[2 * c + 1] - ay) - (nodes[2 * c] - ax) * (nodes[2 * b + 1] - ay)) / 2;
      return Math.log10(indicators[t] / Math.sqrt(area));
    }) : null;
    let low = Infinity, high = -Infinity;
    for (const t of map ? density.filter(Number.isFinite) : temperatures) { low = Math.min(low, t); high = Math.max(high, t); }
    const span = high > low ? 255 / (high - low) : 0;
    const image = new ImageData(width, height), pixels = new Uint32Array(image.data.buffer);
    const owner = new Int32Array(width * height).fill(-1); // each pixel's triangle (its first corner's index)
    state.levels.field = {owner, width, height, x, y, temperatures, triangles};
    for (let k = 0; k < triangles.length; k += 3) {
      const a = triangles[k] - 1, b = triangles[k + 1] - 1, c = triangles[k + 2] - 1;
      const det = (x[b] - x[a]) * (y[c] - y[a]) - (x[c] - x[a]) * (y[b] - y[a]);
      const left = Math.max(0, Math.floor(Math.min(x[a], x[b], x[c]))), right = Math.min(width - 1, Math.ceil(Math.max(x[a], x[b], x[c])));
      const top = Math.max(0, Math.floor(Math.min(y[a], y[b], y[c]))), bottom = Math.min(height - 1, Math.ceil(Math.max(y[a], y[b], y[c])));
      for (let row = top; row <= bottom; row++) {
        const py = row + 0.5;
        for (let column = left; column <= right; column++) {
          const p = column + 0.5;
          const wa = ((x[b] - p) * (y[c] - py) - (x[c] - p) * (y[b] - py)) / det;
          const wb = ((x[c] - p) * (y[a] - py) - (x[a] - p) * (y[c] - py)) / det;
          const wc = 1 - wa - wb;
          if (wa < -1e-9 || wb < -1e-9 || wc < -1e-9) continue;
          const t = map ? density[k / 3] : wa * temperatures[a] + wb * temperatures[b] + wc * temperatures[c];
          owner[row * width + column] = k;
          pixels[row * width + column] = Number.isFinite(t) ? PIXELS[Math.round((t - low) * span)] : PIXELS[0];
        }
      }
    }
    const context = canvas.getContext("2d");
    context.putImageData(image, 0, 0);
    if (!map && (line.step !== undefined || line.level <= 3)) { // an adapted mesh's lines are its picture, but not the map's
      context.strokeStyle = "rgba(255, 255, 255, 0.35)";
      context.lineWidth = ratio * 0.6;
      context.beginPath();
      for (let k = 0; k < triangles.length; k += 3) {
        const [a, b, c] = [0, 1, 2].map((j) => triangles[k + j] - 1);
        context.moveTo(x[a], y[a]);
        context.lineTo(x[b], y[b]);
        context.lineTo(x[c], y[c]);
        context.closePath();
      }
      context.stroke();
    }
    drawing.showScale(low, high, map ? "error density (log10)" : "temperature");
    $("scale-unit").hidden = map; // the map's numbers are powers of ten of the indicator over the root of the area
  }

  // The temperature of the field at a place of the window, from the triangle
  // under it, or NaN.
  function temperatureAt(clientX, clientY) {
    const box = $("refined-field").getBoundingClientRect();
    const {owner, width, height, x, y, temperatures, triangles} = state.levels.field;
    const p = ((clientX - box.left) * width) / box.width, q = ((clientY - box.top) * height) / box.height;
    const column = Math.floor(p), row = Math.floor(q);
    const k = owner && column >= 0 && column < width && row >= 0 && row < height ? owner[row * width + column] : -1;
    if (k < 0) return NaN;
    // The field of the pixel's triangle at the very point: linear on it.
    const [a, b, c] = [0, 1, 2].map((j) => triangles[k + j] - 1);
    const det = (x[b] - x[a]) * (y[c] - y[a]) - (x[c] - x[a]) * (y[b] - y[a]);
    const wa = ((x[b] - p) * (y[c] - q) - (x[c] - p) * (y[b] - q)) / det;
    const wb = ((x[c] - p) * (y[a] - q) - (x[a] - p) * (y[c] - q)) / det;
    return wa * temperatures[a] + wb * temperatures[b] + (1 - wa - wb) * temperatures[c];
  }

  // Shows the temperature under the pointer beside it (a mouse's hover, a touch held); NaN hides.
  function probe(event) {
    const t = state.levels.shown ? temperatureAt(event.clientX, event.clientY) : NaN;
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
      if (state.levels.solved) drawField(state.levels.solved);
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

  return {offer, reset, back, show, solve, follow, temperatureAt, listen};
})();
