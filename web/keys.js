"use strict";
// The keyboard on the drawing, as the ARIA practices have it: the triangles
// are one Tab stop (a roving tabindex); Right and Down go to the next by
// number, Left and Up to the one before, Home and End to the first and the
// last; Enter or Space chooses one, as a click does. Tab then reaches the
// chosen triangle's side handles, where Enter or Space flips and Escape goes
// back to it.

const keys = (() => {
  function onDrawing(event) {
    const polygon = event.target.closest("polygon[data-element]"), handle = event.target.closest(".handle");
    if (polygon) {
      const e = Number(polygon.dataset.element), last = state.drawn.triangles.length;
      const to = {ArrowRight: e + 1, ArrowDown: e + 1, ArrowLeft: e - 1, ArrowUp: e - 1, Home: 1, End: last}[event.key];
      if (to !== undefined) {
        event.preventDefault();
        drawing.roveTo(Math.min(Math.max(to, 1), last), true);
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

  return {onDrawing};
})();
