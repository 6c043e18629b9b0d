"use strict";
// The page's small helpers: an element by id, elements and SVG markup made,
// numbers as the program writes them, the two places where the page speaks,
// and requests to the page, which the scripts loaded before page.js make and
// page.js answers, so that calls go one way.

const dom = (() => {
  const $ = (id) => document.getElementById(id);

  function html(name, attributes, children) {
    const node = Object.assign(document.createElement(name), attributes);
    if (children) node.append(...children);
    return node;
  }

  // An SVG element's markup.
  const tag = (name, attributes, text) => `<${name}${Object.entries(attributes).map(([key, value]) => ` ${key}="${value}"`).join("")}` +
    (text === undefined ? "/>" : `>${text}</${name}>`);

  // Six significant digits, as the program writes its numbers.
  const sixDigits = (value) => String(Number(value.toPrecision(6)));

  // A side's key, lower node first: "4-10".
  const sideKey = (a, b) => `${Math.min(a, b)}-${Math.max(a, b)}`;

  // The notice under the box, a paragraph a line; none clears.
  function notice(...lines) {
    $("notice").replaceChildren(...lines.map((line) => html("p", {textContent: line})));
  }

  // What a click or key on the drawing did, beside it: text and links, in
  // view; none clears.
  function said(...parts) {
    $("said").replaceChildren(...parts);
    const box = $("said").getBoundingClientRect();
    if (parts.length && (box.top < 0 || box.bottom > innerHeight)) $("said").scrollIntoView({block: "nearest"});
  }

  // Requests by name ("run", with its options), answered by page.js.
  const requests = new EventTarget();
  const ask = (name, detail) => requests.dispatchEvent(new CustomEvent(name, {detail}));
  const answer = (name, handle) => requests.addEventListener(name, (event) => handle(event.detail));

  return {$, html, tag, sixDigits, sideKey, notice, said, ask, answer};
})();
