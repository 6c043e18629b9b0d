"use strict";
// The faults of a run: each line a link to what the core says it names in the
// drawing (elements, a side, a node: the row of a pivot), with the element's
// line selected in the box; and their count as the program counts them. The
// lines' words are only shown, never read.

const faults = (() => {
  const {$, html, sideKey} = dom;

  // What a line names, from its values (kind, a, b, ...; the kind in
  // heat2d.run's words): {elements: [e], sides: [[a, b]], nodes: [n], stands:
  // the faults it stands for}.
  function named(values) {
    const found = {elements: [], sides: [], nodes: [], stands: 1};
    for (let k = 0; k < values.length; k += 3) {
      const [kind, a, b] = values.slice(k, k + 3);
      if (kind === "element") found.elements.push(a);
      else if (kind === "side") found.sides.push([Math.min(a, b), Math.max(a, b)]);
      else if (kind === "node") found.nodes.push(a);
      else if (kind === "faults") found.stands = a;
    }
    return found;
  }

  // The drawing's selector of what a line names; "" for nothing.
  const selector = ({elements, sides, nodes}) => [
    ...elements.map((e) => `#drawing polygon[data-element="${e}"]`),
    ...sides.map(([a, b]) => `#drawing [data-side="${sideKey(a, b)}"]`),
    ...nodes.map((n) => `#drawing circle[data-node="${n}"]`)].join(", ");

  // The fault lines, each a link to what it names, if anything.
  function show(errors, lines, core) {
    $("errors").replaceChildren(...errors.map((line, k) => {
      const target = named(lines[k]), chosen = selector(target);
      if (!chosen) return html("li", {textContent: line});
      const link = html("a", {href: "#drawing", textContent: line});
      link.dataset.names = [...target.elements.map((e) => `element ${e}`), ...target.sides.map(([a, b]) => `side ${a}-${b}`),
                            ...target.nodes.map((n) => `node ${n}`)].join(", ");
      link.addEventListener("click", (event) => {
        event.preventDefault();
        for (const side of target.sides) if (!document.querySelector(`#drawing [data-side="${sideKey(...side)}"]`)) drawing.drawSide(core, side);
        drawing.mark(chosen);
        $("drawing").scrollIntoView({block: "nearest"});
        if (target.elements.length) box.selectLine(target.elements[0]);
      });
      return html("li", {}, [link]);
    }));
  }

  // How many faults the lines stand for ("and 8 more faults" for 8).
  const count = (lines) => lines.reduce((sum, values) => sum + named(values).stands, 0);

  // The nodes that the lines name (a pivot's row, a node in no triangle), marked.
  function markNodes(lines) {
    const nodes = lines.flatMap((values) => named(values).nodes);
    if (nodes.length) drawing.mark(selector({elements: [], sides: [], nodes}));
  }

  return {show, count, markNodes};
})();
