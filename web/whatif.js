"use strict";
// What if: the problem's four values and the plate's four dimensions as
// inputs, each a field with a slider (a log scale for k, h and the plate,
// linear for q and the air), the design's value marked on each, one reset, a
// sentence on the ratio of convection to conduction, and the page's address
// (?k=...&q=...&h=...&t=...&width=...). A plate the core refuses (its notch
// not inside, its spacings too far apart) is marked like a bad value. While a slider moves the
// page is asked for a preview (dom.ask("values", {final: false})); when it is
// let go, or a field is committed, for a run ({final: true}). A field that
// holds a bad value is marked, says why, and nothing is solved until it is
// mended.

const whatIf = (() => {
  const {$, html, ask} = dom;
  // How the page shows each of the core's values (its address's key, its
  // label, its slider's scale); VALUES, the core's values in its order, each
  // with its option and these.
  const SHOWN = {
    conductivity: {key: "k", label: "conductivity k", log: true},
    heat_flux: {key: "q", label: "heat flux q", log: false},
    convection_coeff: {key: "h", label: "convection coefficient h", log: true},
    ambient_temperature: {key: "t", label: "air temperature", log: false},
    width: {key: "width", label: "plate width", log: true},
    height: {key: "height", label: "plate height", log: true},
    notch_width: {key: "notch_width", label: "notch width", log: true},
    notch_depth: {key: "notch_depth", label: "notch depth", log: true},
  };
  let VALUES = [];
  const STEPS = 1000; // a slider's positions
  let core = null;

  // A slider's position for a value, and the value, to three digits, at one.
  const scaled = ({name, log}) => {
    const [least, most] = state.values.ranges[name];
    return log ? [Math.log(least), Math.log(most), Math.log, Math.exp] : [least, most, (v) => v, (v) => v];
  };
  const position = (entry, value) => {
    const [a, b, to] = scaled(entry);
    return Math.round(((to(value) - a) / (b - a)) * STEPS);
  };
  const valueAt = (entry, at) => {
    const [a, b, , back] = scaled(entry);
    return Number(back(a + (at / STEPS) * (b - a)).toPrecision(3));
  };

  // The values given, or null when every one is the design's.
  const current = () => ({...state.values.current});
  const given = (values) => (VALUES.every(({name}) => values[name] === state.values.design[name]) ? null : values);

  // text read as the value of name: [its number, ""], or why it cannot be one
  // ("why" not empty): a decimal number in its range.
  function taken(name, text) {
    const value = core.readNumber(text.trim());
    return value === null ? [null, `"${text}" is not a decimal number`] : [value, core.refusal(name, value)];
  }

  // Takes value for entry into the field, the slider and the state.
  function show(entry, value) {
    const field = $(`value-${entry.name}`);
    Object.assign(field, {value: String(value)});
    state.values.current[entry.name] = value;
    field.removeAttribute("aria-invalid");
    $(`slider-${entry.name}`).value = String(position(entry, value));
    $(`why-${entry.name}`).textContent = "";
    delete state.values.faults[entry.name];
  }

  // Marks the field of entry with why ("" clears it).
  function mark(entry, why) {
    $(`value-${entry.name}`)[why ? "setAttribute" : "removeAttribute"]("aria-invalid", "true");
    $(`why-${entry.name}`).textContent = why && why[0].toUpperCase() + why.slice(1) + ": nothing is solved until it is mended.";
  }

  // After a change of entry: the plate taken (or refused, marked at entry),
  // the state, the sentence, the address; then the page asked, told whether
  // the plate moved.
  function changed(final, entry) {
    const before = JSON.stringify(core.nodes), why = core.usePlate(given(current()));
    if (state.values.faults.plate) VALUES.forEach((other) => state.values.faults[other.name] || mark(other, ""));
    delete state.values.faults.plate;
    if (why) {
      state.values.faults.plate = why;
      return mark(entry, why);
    }
    if (Object.keys(state.values.faults).length) return;
    state.values.given = given(current());
    const {conductivity: k, convection_coeff: h} = current(), width = current().width / 2, biot = (h * width) / k;
    const field = biot < 0.1 ? "the plate is nearly one temperature, and the air takes the heat at the right edge"
      : biot > 10 ? "the right edge stays near the air's temperature, and the heat piles up under the flux"
        : "both shape the field";
    for (const node of document.querySelectorAll("[data-parameter]")) node.textContent = current()[node.dataset.parameter];
    $("biot").textContent = `h·${width}/k = ${Number(biot.toPrecision(3))} (a Biot number): convection against conduction ` +
      `across the plate's width; here ${field}.`;
    if (final) {
      const values = state.values.given;
      const query = values ? "?" + VALUES.map(({name, key}) => `${key}=${values[name]}`).join("&") : location.pathname;
      try { history.replaceState(null, "", query); } catch (ignored) { /* an address the browser will not change */ }
    }
    ask("values", {final, placed: JSON.stringify(core.nodes) !== before});
  }

  function listen(entry) {
    const field = $(`value-${entry.name}`), slider = $(`slider-${entry.name}`);
    // A move previews; its end runs: the change at a pointer's release or a
    // key's (Firefox's comes only at blur, so a key's release ends it too).
    let moved = false;
    const ended = () => { if (moved) { moved = false; changed(true, entry); } };
    slider.addEventListener("input", () => { moved = true; show(entry, valueAt(entry, Number(slider.value))); changed(false, entry); });
    slider.addEventListener("change", ended);
    slider.addEventListener("keyup", ended);
    field.addEventListener("change", () => {
      const [value, why] = taken(entry.name, field.value);
      if (why) {
        state.values.faults[entry.name] = why;
        return mark(entry, why);
      }
      show(entry, value);
      changed(true, entry);
    });
  }

  // The fields, from the core, at the address's values; the line that says
  // why the address's values are not taken, or "".
  function offer(bound) {
    core = bound;
    VALUES = core.values.filter(({name}) => SHOWN[name]).map((value) => ({...value, ...SHOWN[value.name]}));
    const rows = VALUES.map((entry) => {
      const {name, label} = entry;
      state.values.design[name] = core.parameter(name);
      state.values.ranges[name] = core.range(name);
      const mark = html("span", {className: "design", title: `the design's ${state.values.design[name]}`});
      return html("p", {className: "value"}, [
        html("label", {htmlFor: `value-${name}`, textContent: label}),
        html("input", {id: `value-${name}`, type: "text", inputMode: "decimal", size: 8, spellcheck: false}),
        html("span", {className: "track"}, [html("input", {id: `slider-${name}`, type: "range", min: 0, max: STEPS,
                                                           ariaLabel: `${label}, on a ${entry.log ? "log" : "linear"} scale`}), mark]),
        html("span", {id: `why-${name}`, className: "why", role: "alert"})]);
    });
    $("values-fields").replaceChildren(...rows);
    const asked = new URLSearchParams(location.search), bad = [];
    for (const entry of VALUES) {
      const text = asked.get(entry.key), [value, why] = text === null ? [null, ""] : taken(entry.name, text);
      if (why) bad.push(`${entry.key}: ${why}`);
      show(entry, value === null || why ? state.values.design[entry.name] : value);
      $(`slider-${entry.name}`).nextSibling.style.left = `${(100 * position(entry, state.values.design[entry.name])) / STEPS}%`;
      listen(entry);
    }
    const plate = bad.length ? "" : core.usePlate(given(current()));
    if (plate) bad.push(`the plate: ${plate}`);
    if (bad.length) VALUES.forEach((entry) => show(entry, state.values.design[entry.name]));
    $("design-values").addEventListener("click", () => { VALUES.forEach((entry) => show(entry, state.values.design[entry.name])); changed(true, VALUES[0]); });
    changed(false, VALUES[0]);
    return bad.length ? `The address's values are not taken (${bad.join("; ")}): the design's values are shown.` : "";
  }

  // The options of a run with the values given: none for the design's.
  const options = () => (state.values.given ? VALUES.flatMap(({name, option}) => [option, String(state.values.given[name])]) : []);

  return {offer, options};
})();
