"use strict";
// The box that holds elements.txt: its line numbers, its history for undo,
// a file opened or dropped into it, the numbering of its triangles for the
// boundary table, and why a flip that the numbering refuses is not made. It
// asks the page to run (dom.ask("run", options)).

const box = (() => {
  const {$, html, notice, ask} = dom;

  const LIMIT = 1 << 20; // bytes of elements.txt taken, as the tools take

  // The text of elements.txt for triangles.
  const fileOf = (triangles) => triangles.map((corners) => corners.join(" ") + "\n").join("");

  // The box's line numbers, one for each line it shows (the empty one after a
  // last line end too), scrolled with it.
  function gutter() {
    const area = $("elements"), lines = area.value.split("\n").length;
    $("gutter").textContent = Array.from({length: lines}, (_, k) => k + 1).join("\n");
    $("gutter").scrollTop = area.scrollTop;
  }

  function set(text, remember) {
    const area = $("elements");
    if (remember) {
      state.history.push(area.value);
      $("undo").disabled = false;
    }
    area.value = text;
    gutter();
  }

  function undo() {
    if (!state.history.length) return;
    $("elements").value = state.history.pop();
    $("undo").disabled = !state.history.length;
    gutter();
    ask("run", {scroll: true, asIs: true});
  }

  // Selects line n of the box.
  function selectLine(n) {
    const area = $("elements");
    const lines = area.value.split("\n");
    const start = lines.slice(0, n - 1).reduce((sum, line) => sum + line.length + 1, 0);
    area.focus({preventScroll: true});
    area.setSelectionRange(start, start + (lines[n - 1] || "").length);
    // The line in view, a third down the box.
    const height = area.scrollHeight / Math.max(lines.length, 1);
    area.scrollTop = Math.max(0, (n - 1) * height - area.clientHeight / 3);
    const top = area.getBoundingClientRect().top + (n - 1) * height - area.scrollTop;
    if (top < 0 || top + height > innerHeight) scrollBy(0, top - innerHeight / 3);
  }

  // The triples of a flat list of node numbers.
  const triples = (flat) => Array.from({length: flat.length / 3}, (_, e) => flat.slice(3 * e, 3 * e + 3));

  // Numbers the box's triangles for the table when heat2d would not take them as
  // they are and the numbering can; says what it did.
  function number(core) {
    const numbers = core.read($("elements").value);
    if (!numbers || !$("number").checked || !core.judge(numbers).length) return;
    const given = triples(numbers);
    const result = core.number(given, false);
    if (result.faults && result.flips.length) { // only corners, which flips mend: asked first
      const button = html("button", {type: "button", id: "flip-corner", textContent: "Flip these sides and number"});
      button.addEventListener("click", () => {
        const flipped = core.number(given, true);
        if (flipped.elements) {
          set(fileOf(flipped.elements), true);
          ask("run", {numbered: describe(given, flipped)});
        }
      });
      $("notice").replaceChildren(html("p", {textContent: "The numbering needs corner sides flipped first:"}),
                                  ...result.faults.map((line) => html("p", {textContent: line})), button);
      return "asked";
    }
    if (result.elements) {
      set(fileOf(result.elements), true);
      return describe(given, result);
    }
  }

  // What the numbering did: its corner flips, and each triangle's slot and
  // whether it was turned.
  function describe(given, result) {
    const key = (corners) => [...corners].sort((a, b) => a - b).join(" ");
    const slots = new Map(result.elements.map((corners, e) => [key(corners), e]));
    const lines = result.flips.map(({a, b, c, d}) => `flipped side ${a}-${b} to ${c}-${d}`);
    given.forEach((triangle, k) => {
      const e = slots.get(key(triangle));
      if (e === undefined) return; // made by a corner flip
      const made = result.elements[e];
      const same = [...made, ...made].join(" ").includes(triangle.join(" "));
      const what = same ? (made.join(" ") === triangle.join(" ") ? "" : ", rotated") : ", turned counter-clockwise";
      if (e !== k || what) lines.push(`line ${k + 1}, ${triangle.join(" ")}: element ${e + 1}, ${made.join(" ")}${what}`);
    });
    return lines;
  }

  // Takes a file's text into the box, refusing more than 1 MiB unread.
  function openFile(file) {
    if (!file) return;
    if (file.size > LIMIT) return notice(`${file.name} is ${file.size} bytes, more than 1 MiB: not opened.`);
    file.text().then((text) => {
      set(text, true);
      ask("run", {scroll: true});
    });
  }

  // A small count in words: "two".
  const words = (n) => ["no", "one", "two", "three", "four", "five", "six", "seven", "eight", "nine"][n] || String(n);

  // Why a flip that the numbering refuses is not made, worded for the flip: what
  // it would do at the corners the table constrains (the core's counts).
  function whyNot(core, triangles, a, b, faults) {
    const wrong = core.corners(triangles).filter(({count, least, most}) => count < least || count > most);
    if (!wrong.length) return faults.join("; ");
    return wrong.map(({node, count, least, most}) => `flipping ${a}-${b} would make node ${node} a corner of ` +
      `${words(count)} triangle${count === 1 ? "" : "s"}, and the boundary table needs ` +
      `${least === most ? words(least) : `${words(least)} or more`} there`).join("; and ");
  }

  // Whether the quadrilateral with corners p, q, r, s (in turn) has four right angles.
  function rectangle(corners) {
    return corners.every((p, k) => {
      const q = corners[(k + 1) % 4], r = corners[(k + 2) % 4];
      return (q[0] - p[0]) * (r[0] - q[0]) + (q[1] - p[1]) * (r[1] - q[1]) === 0;
    });
  }

  function listen() {
    const area = $("elements");
    area.addEventListener("keydown", (event) => {
      if (event.key === "Enter" && (event.ctrlKey || event.metaKey)) {
        event.preventDefault();
        ask("run", {scroll: true});
      }
    });
    area.addEventListener("input", gutter);
    area.addEventListener("scroll", () => { $("gutter").scrollTop = area.scrollTop; });
    new ResizeObserver(() => { $("gutter").style.height = `${area.offsetHeight}px`; }).observe(area);
    area.addEventListener("paste", (event) => {
      const text = event.clipboardData.getData("text");
      if (text.length > LIMIT) {
        event.preventDefault();
        notice(`The pasted text is ${text.length} characters, more than 1 MiB: not taken.`);
      }
    });
    $("undo").addEventListener("click", undo);
    $("open").addEventListener("change", (event) => openFile(event.target.files[0]));
    $("input").addEventListener("dragover", (event) => event.preventDefault());
    $("input").addEventListener("drop", (event) => {
      event.preventDefault();
      openFile(event.dataTransfer.files[0]);
    });
    gutter();
  }

  return {LIMIT, fileOf, triples, set, selectLine, number, whyNot, rectangle, listen};
})();
