"use strict";
// Zoom and pan on the drawing. The view is a window on the drawing's frame,
// zoom times smaller, and everything drawn goes through `at`: the drawing's
// coordinates are the view's, small at any zoom, and what reaches across the
// view's edge is clipped to it first, in double precision (an SVG and a
// canvas hold single-precision coordinates, which would blur a deep zoom).
// The wheel with Ctrl (a trackpad's pinch comes so; the wheel alone scrolls
// the page), two fingers, a drag, the keys (+ and -, Shift with the arrows,
// 0) and the buttons under the drawing move it; the drawing is drawn again,
// sharp, once a frame.

const view = (() => {
  const {$, ask} = dom;
  const MOST = 1e5; // the deepest zoom: the page's finest step's smallest triangles fill the view long before
  const MARGIN = 40; // what is drawn reaches this far past the view's edges
  const v = state.view;

  // A point of the frame in the view's coordinates.
  const at = ([u, w]) => [(u - v.left) * v.zoom, (w - v.top) * v.zoom];

  // A polygon's points clipped to the view and its margin (Sutherland and Hodgman).
  function clipPolygon(points, [width, height] = [v.width, v.height]) {
    let out = points;
    for (const [k, sign, edge] of [[0, -1, -MARGIN], [0, 1, width + MARGIN], [1, -1, -MARGIN], [1, 1, height + MARGIN]]) {
      const given = out;
      out = [];
      given.forEach((p, i) => {
        const q = given[(i + 1) % given.length], pIn = sign * (p[k] - edge) <= 0, qIn = sign * (q[k] - edge) <= 0;
        if (pIn) out.push(p);
        if (pIn !== qIn) {
          const s = (edge - p[k]) / (q[k] - p[k]);
          out.push([p[0] + s * (q[0] - p[0]), p[1] + s * (q[1] - p[1])]);
        }
      });
    }
    return out;
  }

  // A segment clipped to the view and its margin (Liang and Barsky), or null when it lies outside.
  function clipSegment(p, q, [width, height] = [v.width, v.height]) {
    let from = 0, to = 1;
    const d = [q[0] - p[0], q[1] - p[1]];
    for (const [k, sign, edge] of [[0, -1, -MARGIN], [0, 1, width + MARGIN], [1, -1, -MARGIN], [1, 1, height + MARGIN]]) {
      const a = sign * d[k], b = sign * (edge - p[k]); // inside while a s <= b
      if (a === 0 && b < 0) return null;
      if (a > 0) to = Math.min(to, b / a);
      if (a < 0) from = Math.max(from, b / a);
    }
    return from > to ? null : [from, to].map((s) => [p[0] + s * d[0], p[1] + s * d[1]]);
  }

  // Draws again once a frame, however often the view moves.
  let pending = 0;
  function moved() {
    v.left = Math.min(Math.max(v.left, 0), v.width - v.width / v.zoom);
    v.top = Math.min(Math.max(v.top, 0), v.height - v.height / v.zoom);
    document.body.toggleAttribute("data-zoomed", v.zoom > 1);
    $("zoom-level").textContent = `×${Number(v.zoom.toPrecision(3)).toLocaleString("en")}`;
    $("zoom-out").disabled = $("zoom-reset").disabled = v.zoom === 1;
    $("zoom-in").disabled = v.zoom === MOST;
    if (!pending) pending = requestAnimationFrame(() => { pending = 0; ask("redraw"); });
  }

  // Zooms by a factor, within 1 and MOST, about a point of the view (its
  // middle by default), and brings what was there to another point (two
  // fingers' middle moves as they spread).
  function zoomBy(factor, [x, y] = [v.width / 2, v.height / 2], [toX, toY] = [x, y]) {
    const zoom = Math.min(Math.max(v.zoom * factor, 1), MOST);
    v.left += x / v.zoom - toX / zoom;
    v.top += y / v.zoom - toY / zoom;
    v.zoom = zoom;
    moved();
  }
  // Moves the view by an amount of the view's own coordinates.
  function panBy(dx, dy) {
    v.left += dx / v.zoom;
    v.top += dy / v.zoom;
    moved();
  }
  function reset() {
    Object.assign(v, {zoom: 1, left: 0, top: 0});
    moved();
  }

  // A place of the window in the view's coordinates.
  function local(clientX, clientY) {
    const box = $("drawing").getBoundingClientRect();
    return [((clientX - box.left) * v.width) / box.width, ((clientY - box.top) * v.height) / box.height];
  }

  // The keys on the drawing: + and - zoom about the focused triangle or node,
  // Shift with an arrow moves a quarter of the view, 0 shows the whole plate
  // (with Ctrl, Alt or Meta the keys are the browser's). True when the key was one of them.
  function onKey(event) {
    if (event.ctrlKey || event.altKey || event.metaKey) return false;
    const arrow = {ArrowRight: [1, 0], ArrowLeft: [-1, 0], ArrowUp: [0, -1], ArrowDown: [0, 1]}[event.key];
    const box = event.target.getBoundingClientRect ? event.target.getBoundingClientRect() : null;
    const middle = box && box.width ? local(box.left + box.width / 2, box.top + box.height / 2) : undefined;
    if (arrow && event.shiftKey) panBy((arrow[0] * v.width) / 4, (arrow[1] * v.height) / 4);
    else if (event.key === "+" || event.key === "=") zoomBy(2, middle);
    else if (event.key === "-") zoomBy(1 / 2, middle);
    else if (event.key === "0") reset();
    else return false;
    event.preventDefault();
    return true;
  }

  // The pointers down on the drawing, where each was last; a drag that moved
  // the view is not a click.
  const pointers = new Map();
  let dragged = false;
  function onPointerMove(event) {
    const last = pointers.get(event.pointerId);
    if (!last) return;
    const now = local(event.clientX, event.clientY);
    if (pointers.size === 2) { // two fingers: the zoom follows their spread, the view their middle
      const [other] = [...pointers].filter(([id]) => id !== event.pointerId).map(([, p]) => p);
      const spread = (p) => Math.hypot(p[0] - other[0], p[1] - other[1]);
      const middle = (p) => [(p[0] + other[0]) / 2, (p[1] + other[1]) / 2];
      zoomBy(spread(last) > 0 ? spread(now) / spread(last) : 1, middle(last), middle(now));
      dragged = true;
    } else if (v.zoom > 1 && (event.buttons & 1) && (dragged || Math.hypot(now[0] - last[0], now[1] - last[1]) > 4)) {
      panBy(last[0] - now[0], last[1] - now[1]);
      dragged = true;
    } else if (!dragged) {
      return; // not yet a drag: measured from where it went down
    }
    pointers.set(event.pointerId, now);
  }

  function listen() {
    const field = $("field");
    let told = 0;
    field.addEventListener("wheel", (event) => {
      if (!event.ctrlKey && !event.metaKey) { // the page scrolls on; the hint says how to zoom
        $("zoom-hint").classList.add("asked");
        clearTimeout(told);
        told = setTimeout(() => $("zoom-hint").classList.remove("asked"), 1500);
        return;
      }
      event.preventDefault();
      zoomBy(Math.exp(-Math.sign(event.deltaY) * Math.min(Math.abs(event.deltaY), 240) / 240), local(event.clientX, event.clientY));
    }, {passive: false});
    field.addEventListener("pointerdown", (event) => {
      pointers.set(event.pointerId, local(event.clientX, event.clientY));
      if (pointers.size === 1) dragged = false;
    });
    field.addEventListener("pointermove", onPointerMove);
    for (const kind of ["pointerup", "pointercancel", "pointerleave"]) field.addEventListener(kind, (event) => pointers.delete(event.pointerId));
    field.addEventListener("click", (event) => {
      if (dragged) event.stopPropagation();
      dragged = false;
    }, true);
    $("zoom-in").addEventListener("click", () => zoomBy(2));
    $("zoom-out").addEventListener("click", () => zoomBy(1 / 2));
    $("zoom-reset").addEventListener("click", reset);
    moved();
  }

  return {MOST, at, clipPolygon, clipSegment, zoomBy, panBy, reset, onKey, listen, get dragged() { return dragged; }};
})();
