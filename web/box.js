"use strict";
// The box that holds elements.txt: its line numbers, its history for undo,
// a file opened or dropped into it, the numbering of its triangles for the
// boundary table, and the flip of a side of its triangulation.

const LIMIT = 1 << 20; // bytes of elements.txt taken, as the tools take

// The text of elements.txt for triangles.
const fileOf = (triangles) => triangles.map((t) => t.join(" ") + "\n").join("");

// The box's line numbers.
function gutter() {
  const lines = $("elements").value.split("\n").length;
  $("gutter").textContent = Array.from({length: Math.max(lines, 1)}, (_, k) => k + 1).join("\n");
}

function setBox(text, remember) {
  const box = $("elements");
  if (remember) {
    state.history.push(box.value);
    $("undo").disabled = false;
  }
  box.value = text;
  gutter();
}

function undo() {
  if (!state.history.length) return;
  $("elements").value = state.history.pop();
  $("undo").disabled = !state.history.length;
  gutter();
  run({scroll: true, asIs: true});
}

// Selects line n of the box.
function selectLine(n) {
  const box = $("elements");
  const lines = box.value.split("\n");
  const start = lines.slice(0, n - 1).reduce((sum, line) => sum + line.length + 1, 0);
  box.focus({preventScroll: true});
  box.setSelectionRange(start, start + (lines[n - 1] || "").length);
  // The line in view, a third down the box.
  const height = box.scrollHeight / Math.max(lines.length, 1);
  box.scrollTop = Math.max(0, (n - 1) * height - box.clientHeight / 3);
  box.scrollIntoView({block: "nearest"});
}

// The triples of a flat list of node numbers.
const triples = (flat) => Array.from({length: flat.length / 3}, (_, e) => flat.slice(3 * e, 3 * e + 3));

// Numbers the box's triangles for the table when heat2d would not take them as
// they are and the numbering can; says what it did.
function numberBox(core) {
  const numbers = core.read($("elements").value);
  if (!numbers || !$("number").checked || !core.judge(numbers).length) return;
  const given = triples(numbers);
  const result = core.number(given, false);
  if (result.faults && result.flips.length) { // only corners, which flips mend: asked first
    const button = html("button", {type: "button", id: "flip-corner", textContent: "Flip these sides and number"});
    button.addEventListener("click", () => {
      const flipped = core.number(given, true);
      if (flipped.elements) {
        setBox(fileOf(flipped.elements), true);
        run({numbered: describe(given, flipped)});
      }
    });
    $("notice").replaceChildren(html("p", {textContent: "The numbering needs corner sides flipped first:"}),
                                ...result.faults.map((line) => html("p", {textContent: line})), button);
    return "asked";
  }
  if (result.elements) {
    setBox(fileOf(result.elements), true);
    return describe(given, result);
  }
}

// What the numbering did: its corner flips, and each triangle's slot and
// whether it was turned.
function describe(given, result) {
  const key = (t) => [...t].sort((a, b) => a - b).join(" ");
  const slots = new Map(result.elements.map((t, e) => [key(t), e]));
  const lines = result.flips.map(({a, b, c, d}) => `flipped side ${a}-${b} to ${c}-${d}`);
  given.forEach((t, k) => {
    const e = slots.get(key(t));
    if (e === undefined) return; // made by a corner flip
    const made = result.elements[e];
    const same = [...made, ...made].join(" ").includes(t.join(" "));
    const what = same ? (made.join(" ") === t.join(" ") ? "" : ", rotated") : ", turned counter-clockwise";
    if (e !== k || what) lines.push(`line ${k + 1}, ${t.join(" ")}: element ${e + 1}, ${made.join(" ")}${what}`);
  });
  return lines;
}

// Takes a file's text into the box, refusing more than 1 MiB unread.
function openFile(file) {
  if (!file) return;
  if (file.size > LIMIT) return say(`${file.name} is ${file.size} bytes, more than 1 MiB: not opened.`);
  file.text().then((text) => {
    setBox(text, true);
    run({scroll: true});
  });
}

// Flips side a-b, numbers the result and runs it; says why when it cannot.
async function flip(a, b) {
  const core = await corePromise;
  if (!state.triangles) return;
  const flipped = core.flip(state.triangles.map((t) => t.map((k) => k + 1)), a, b);
  if (flipped.reason) return say(flipped.reason);
  const result = core.number(flipped.triangles, false);
  if (result.faults) return say(`side ${a}-${b} is not flipped: ` + result.faults.join("; "));
  setBox(fileOf(result.elements), true);
  await run({keepNotice: true});
  say(`Flipped side ${a}-${b}.`);
}

function listenToBox() {
  const box = $("elements");
  box.addEventListener("keydown", (event) => {
    if (event.key === "Enter" && (event.ctrlKey || event.metaKey)) {
      event.preventDefault();
      run({scroll: true});
    }
  });
  box.addEventListener("input", gutter);
  box.addEventListener("scroll", () => { $("gutter").scrollTop = box.scrollTop; });
  box.addEventListener("paste", (event) => {
    const text = event.clipboardData.getData("text");
    if (text.length > LIMIT) {
      event.preventDefault();
      say(`The pasted text is ${text.length} characters, more than 1 MiB: not taken.`);
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
