"use strict";
// The keyboard on the drawing, as the ARIA practices have it: the triangles
// are one Tab stop (a roving tabindex), and the nodes another, after the
// chosen triangle's handles; the arrows go to the nearest triangle (node)
// that way (its middle within 45 degrees of the arrow's direction), Home and
// End to the first and the last by number; Enter or Space chooses one, as a
// click does. Tab then reaches the chosen triangle's side handles, where Enter
// or Space flips and Escape goes back to it. The focused triangle wears a
// ring of two tones. Shift with the arrows moves the view, + and - zoom, 0
// shows the whole plate.

const keys = (() => {
  const DIRECTIONS = {ArrowRight: [1, 0], ArrowLeft: [-1, 0], ArrowUp: [0, 1], ArrowDown: [0, -1]}; // y up

  // Of the points, the one nearest point `from` (1-based) in direction [dx,
  // dy], straight ahead before aside; `from` itself when there is none that way.
  function toward(points, from, [dx, dy]) {
    const [x0, y0] = points[from - 1];
    let nearest = from, least = Infinity;
    points.forEach(([x, y], k) => {
      const along = (x - x0) * dx + (y - y0) * dy, across = Math.abs((x - x0) * dy - (y - y0) * dx);
      if (along > 1e-9 && across <= along && along + 2 * across < least) [nearest, least] = [k + 1, along + 2 * across];
    });
    return nearest;
  }

  // The triangles' middles, or the nodes, and the one that has the focus.
  function group(target) {
    const {nodes, triangles} = state.drawn, polygon = target.closest("polygon[data-element]");
    const node = target.closest("circle[data-node]");
    if (polygon) {
      const middles = triangles.map((corners) => [0, 1].map((k) => corners.reduce((sum, n) => sum + nodes[n][k], 0) / 3));
      return {points: middles, at: Number(polygon.dataset.element), node: false};
    }
    return node ? {points: nodes, at: Number(node.dataset.node), node: true} : null;
  }

  function onDrawing(event) {
    if (view.onKey(event)) return; // zoom and pan
    const moving = group(event.target), handle = event.target.closest(".handle");
    if (moving) {
      const last = moving.points.length, direction = DIRECTIONS[event.key];
      const to = direction ? toward(moving.points, moving.at, direction) : {Home: 1, End: last}[event.key];
      if (to !== undefined) {
        event.preventDefault();
        drawing.roveTo(to, true, moving.node);
        return;
      }
    }
    if ((moving || handle) && (event.key === "Enter" || event.key === " ")) {
      event.preventDefault();
      event.target.dispatchEvent(new MouseEvent("click", {bubbles: true}));
    } else if (handle && event.key === "Escape") {
      event.preventDefault();
      drawing.roveTo(state.drawn.stop, true);
    }
  }

  // The focus ring follows the focus among the triangles and the nodes.
  function onFocus(event) {
    const focused = event.type === "focusin" && group(event.target);
    drawing.ring(focused ? focused.at : 0, focused && focused.node);
  }

  return {onDrawing, onFocus};
})();
