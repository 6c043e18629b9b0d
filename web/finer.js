"use strict";
// A finer level's field, drawn as an image under the drawing: each pixel
// coloured by the linear field of its triangle (or, as the error map, by its
// triangle's error density at an adaptive step, by how much a uniform level
// changed the level below's field), in the view's coordinates; and the field read at
// a place of the window, from the triangle there.

const finer = (() => {
  const {$} = dom;

  // The scale's colours as 32-bit pixels (little-endian RGBA), 256 levels.
  const PIXELS = new Uint32Array(Array.from({length: 256}, (_, k) => {
    const [r, g, b] = drawing.colour(k / 255).match(/\d+/g).map(Number);
    return (255 << 24 | b << 16 | g << 8 | r) >>> 0;
  }));

  // Draws the refined field into the canvas under the drawing, pixel by pixel,
  // keeping each pixel's triangle for the pointer, with its mesh's lines.
  function draw({nodes, temperatures, triangles, line, indicators, below}) {
    const map = Boolean(state.levels.map && (indicators || below));
    // A uniform level's map: how much it changed the field of the level below, at each node.
    const change = map && !indicators ? temperatures.map((t, k) => t - below[k]) : null;
    const canvas = $("refined-field"), ratio = devicePixelRatio || 1;
    const width = canvas.width = Math.round($("field").clientWidth * ratio);
    const height = canvas.height = Math.round($("field").clientHeight * ratio);
    const scale = width / drawing.frame.width, count = temperatures.length;
    const x = new Float64Array(count), y = new Float64Array(count);
    for (let k = 0; k < count; k++) [x[k], y[k]] = drawing.px([nodes[2 * k], nodes[2 * k + 1]]).map((v) => v * scale);
    // The error map: each triangle's indicator over the root of its area (a
    // density, since the marking evens out the indicators themselves), log10.
    const density = map && indicators ? Float64Array.from({length: triangles.length / 3}, (_, t) => {
      const [a, b, c] = [0, 1, 2].map((j) => triangles[3 * t + j] - 1), [ax, ay] = [nodes[2 * a], nodes[2 * a + 1]];
      const area = Math.abs((nodes[2 * b] - ax) * (nodes[2 * c + 1] - ay) - (nodes[2 * c] - ax) * (nodes[2 * b + 1] - ay)) / 2;
      return Math.log10(indicators[t] / Math.sqrt(area));
    }) : null;
    const image = new ImageData(width, height), pixels = new Uint32Array(image.data.buffer);
    const owner = new Int32Array(width * height).fill(-1); // each pixel's triangle (its first corner's index)
    const values = new Float64Array(width * height).fill(NaN);
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
          owner[row * width + column] = k;
          values[row * width + column] = change ? Math.log10(Math.abs(wa * change[a] + wb * change[b] + wc * change[c]))
            : density ? density[k / 3] : wa * temperatures[a] + wb * temperatures[b] + wc * temperatures[c];
        }
      }
    }
    // The scale: the whole field's, or, zoomed in, what the view shows, so
    // that the corner's steep field has all the colours.
    let low = Infinity, high = -Infinity;
    const zoomed = state.view.zoom > 1;
    for (const t of zoomed || change ? values : density || temperatures) {
      if (!Number.isFinite(t)) continue;
      if (t < low) low = t;
      if (t > high) high = t;
    }
    // A level's change spans the top two decades: below them it only flickers
    // through zero between a level's old nodes and its new ones.
    if (change) low = Math.max(low, high - 2);
    const span = high > low ? 255 / (high - low) : 0;
    values.forEach((t, k) => {
      if (owner[k] >= 0) pixels[k] = Number.isFinite(t) ? PIXELS[Math.max(0, Math.round((t - low) * span))] : PIXELS[0];
    });
    const context = canvas.getContext("2d");
    context.putImageData(image, 0, 0);
    // An adapted mesh's lines are its picture, but not the map's; a uniform
    // level's are drawn where its triangles are wide enough to see.
    if (!map && (line.step !== undefined || line.level <= 3 + Math.log2(state.view.zoom))) {
      context.strokeStyle = "rgba(255, 255, 255, 0.35)";
      context.lineWidth = ratio * 0.6;
      context.beginPath();
      for (let k = 0; k < triangles.length; k += 3) {
        const [a, b, c] = [0, 1, 2].map((j) => triangles[k + j] - 1);
        for (const [p, q] of [[a, b], [b, c], [c, a]]) {
          const ends = view.clipSegment([x[p], y[p]], [x[q], y[q]], [width, height]); // small coordinates at any zoom
          if (!ends) continue;
          context.moveTo(...ends[0]);
          context.lineTo(...ends[1]);
        }
      }
      context.stroke();
    }
    const title = change ? `change from level ${line.level - 1} (log10)` : density ? "error density (log10)" : "temperature";
    drawing.showScale(low, high, title + (zoomed ? " in view" : ""));
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

  return {draw, temperatureAt};
})();
