"use strict";
// The keyboard on the drawing, as the ARIA practices have it: the triangles
// are one Tab stop (a roving tabindex); the arrows go to the nearest triangle
// that way (its middle within 45 degrees of the arrow's direction), Home and
// End to the first and the last by number; Enter or Space chooses one, as a
// click does. Tab then reaches the chosen triangle's side handles, where Enter
// or Space flips and Escape goes back to it. The focused triangle wears a
// ring of two tones.

const keys = (() => {
  const DIRECTIONS = {ArrowRight: [1, 0], ArrowLeft: [-1, 0], ArrowUp: [0, 1], ArrowDown: [0, -1]}; // y up

  // The triangle nearest element e's middle in direction [dx, dy], straight
  // ahead before aside; e itself when there is none that way.
  function toward(e, [dx, dy]) {
    const {nodes, triangles} = state.drawn;
    const middle = (corners) => [0, 1].map((k) => corners.reduce((sum, n) => sum + nodes[n][k], 0) / 3);
    const [x0, y0] = middle(triangles[e - 1]);
    let nearest = e, least = Infinity;
    triangles.forEach((corners, k) => {
      const [x, y] = middle(corners);
      const along = (x - x0) * dx + (y - y0) * dy, across = Math.abs((x - x0) * dy - (y - y0) * dx);
      if (along > 1e-9 && across <= along && along + 2 * across < least) [nearest, least] = [k + 1, along + 2 * across];
    });
    return nearest;
  }

  function onDrawing(event) {
    const polygon = event.target.closest("polygon[data-element]"), handle = event.target.closest(".handle");
    if (polygon) {
      const e = Number(polygon.dataset.element), last = state.drawn.triangles.length;
      const to = DIRECTIONS[event.key] ? toward(e, DIRECTIONS[event.key]) : {Home: 1, End: last}[event.key];
      if (to !== undefined) {
        event.preventDefault();
        drawing.roveTo(to, true);
        return;
      }
    }
    if ((polygon || handle) && (event.key === "Enter" || event.key === " ")) {
      event.preventDefault();
      event.target.dispatchEvent(new MouseEvent("click", {bubbles: true}));
    } else if (handle && event.key === "Escape") {
      event.preventDefault();
      drawing.roveTo(state.drawn.stop, true);
    }
  }

  // The focus ring follows the focus among the triangles.
  function onFocus(event) {
    const polygon = event.type === "focusin" && event.target.closest("polygon[data-element]");
    drawing.ring(polygon ? Number(polygon.dataset.element) : 0);
  }

  return {onDrawing, onFocus};
})();
