"use strict";
// What the page knows and shows, in one place and as data: written by page.js
// (a run, a choice), levels.js (a level), whatif.js (the values), drawing.js
// (the element chosen) and finer.js (the field drawn), read by the others. Nothing in it is read back from the page.

const state = {
  // The problem, from the core: how many nodes and elements, the nodes that
  // the rules name (the notch's corner, the top of its wall), the half plate's width.
  problem: {nodes: 0, elements: 0, notchCorner: 0, notchTop: 0},
  // The last run: elements.txt as read (flat node numbers, or null), its
  // triangles (0-based corners), K and f as written, its temperatures (null
  // when it gave no valid answer), how many faults, and its extremes in words.
  run: {numbers: null, triangles: null, K: null, f: null, temperatures: null, faults: 0, extremes: ""},
  // The box's texts before each change, the last first out, for undo.
  history: [],
  // What the inspector shows, shown again after each run: {kind: "element"
  // or "node", number}, or null.
  inspected: null,
  // What the drawing shows: the nodes' coordinates, the triangles (0-based
  // corners), which of their sides are inner ("4-10"), and the triangle that
  // takes the triangles' Tab stop and the node that takes the nodes' (1-based),
  // and the chosen triangle (0: none).
  drawn: {nodes: [], triangles: [], inner: new Set(), stop: 1, nodeStop: 1, chosen: 0},
  // The problem's values: those the fields hold, those given (null when they
  // are the design's), the design's, each value's range [least, most], and
  // why a field's value is not taken (by name; none when all are).
  values: {current: {}, given: null, design: {}, ranges: {}, faults: {}},
  // The finer levels: the one shown (0: elements.txt's; "adapt:0.001": the
  // adaptive steps to that error), each level's and each step's line as
  // solved, level 0's temperatures at heat2d's nodes, and the field drawn:
  // each pixel's triangle, row by row, with the mesh and its temperatures.
  // Whether the picture is the error map (an adaptive step's indicators, or
  // a level's change from the one below), the last level or step solved, to
  // draw again, and whether the plot draws the notch's corner and the top of
  // its wall as their own curves.
  levels: {shown: 0, lines: new Map(), steps: new Map(), levelZero: null, field: {owner: null, width: 0, height: 0},
           map: false, solved: null, byNode: false},
  // The drawing's view: its zoom and the frame's point at its top left, in
  // the units of the whole frame, width by height.
  view: {zoom: 1, left: 0, top: 0, width: 1, height: 1},
};
