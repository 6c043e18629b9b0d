"use strict";
// The faults of a run: each line a link to the first thing it names in the
// drawing (an element, a side, a node or the row of a pivot), and their count
// as the program counts them.

// What a fault line names: an element, a side, or a node (a row of K).
function follow(line) {
  const overlap = /\belement (\d+) overlaps (.*)/.exec(line);
  if (overlap) { // every element it names
    const named = [overlap[1], ...[...overlap[2].matchAll(/\belement (\d+)/g)].map((found) => found[1])];
    return {what: named.map((e) => `element ${e}`).join(", "), line: Number(named[0]),
            selector: named.map((e) => `#drawing polygon[data-element="${e}"]`).join(", ")};
  }
  const element = /\belement (\d+)/.exec(line), side = /\bside (\d+)-(\d+)/.exec(line);
  const node = /\b(?:node|row) (\d+)/.exec(line);
  if (element) return {what: `element ${element[1]}`, selector: `#drawing polygon[data-element="${element[1]}"]`,
                       line: Number(element[1])};
  if (side) {
    const [a, b] = [Number(side[1]), Number(side[2])].sort((p, q) => p - q);
    return {what: `side ${a}-${b}`, selector: `#drawing [data-side="${a}-${b}"]`, side: [a, b]};
  }
  if (node) return {what: `node ${node[1]}`, selector: `#drawing circle[data-node="${node[1]}"]`};
  return null;
}

function showFaults(errors, core) {
  $("errors").replaceChildren(...errors.map((line) => {
    const target = follow(line);
    if (!target) return html("li", {textContent: line});
    const link = html("a", {href: "#drawing", textContent: line});
    link.dataset.names = target.what;
    link.addEventListener("click", (event) => {
      event.preventDefault();
      if (target.side && !document.querySelector(target.selector)) drawNamedSide(core, target.side);
      mark(target.selector);
      $("drawing").scrollIntoView({block: "nearest"});
      if (target.line) selectLine(target.line);
    });
    return html("li", {}, [link]);
  }));
}

// The faults as the program counts them: "and N more faults" stands for N.
function faultCount(errors) {
  return errors.reduce((sum, line) => {
    const more = /^heat2d: and (\d+) more faults/.exec(line);
    return sum + (more ? Number(more[1]) : 1);
  }, 0);
}

// The row of K whose pivot a fault names, marked as its node.
function markPivot(errors) {
  const row = errors.map((line) => /pivot of row (\d+)/.exec(line)).find(Boolean);
  if (row) mark(`#drawing circle[data-node="${row[1]}"]`);
}
