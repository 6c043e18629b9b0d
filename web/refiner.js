"use strict";
// The refined problem, solved in a Web Worker so that the page keeps
// answering. The Worker is made from a Blob (a page opened from the file
// system may not start one from a script's file): the module's loader,
// embedded as text at build time, and refinerMain below. It is posted the
// module that the page compiled. A new solve ends one still running.

// In the Worker: solves levels 0 to `level` of `elements` through the core,
// posting each level's line as it comes ({line}), with level 0's temperatures
// ({design}) and the last level's mesh and field; or {refused: [lines]}.
function refinerMain() {
  const OK = 0;
  const solve = (m, elements, last) => {
    const at = m._malloc(16), word = (k) => m.HEAP32[at / 4 + k];
    const text = (pointer) => { const said = pointer ? m.UTF8ToString(pointer) : ""; m._heat2d_free(pointer); return said; };
    const refused = (lines) => postMessage({refused: lines.split("\n").filter(Boolean)});
    const read = (result, name, doubles) => {
      const bytes = new TextEncoder().encode(name + "\0"), named = m._malloc(bytes.length);
      m.HEAPU8.set(bytes, named);
      const call = doubles ? m._heat2d_result_doubles : m._heat2d_result_ints, width = doubles ? 8 : 4;
      call(result, named, 0, 0, at + 12);
      const count = word(3), buffer = m._malloc(width * count + 8);
      call(result, named, buffer, count, at + 12);
      const values = (doubles ? m.HEAPF64 : m.HEAP32).slice(buffer / width, buffer / width + count);
      m._free(buffer);
      m._free(named);
      return values;
    };
    // The memory the last level takes, asked of the browser before the solve starts.
    m._heat2d_refine_memory(last, at);
    const bytes = m.HEAPF64[at / 8], probe = m._malloc(bytes);
    if (!probe) {
      return refused(`level ${last} needs ${Math.ceil(bytes / 1e6)} MB of memory, more than this browser gives the page`);
    }
    m._free(probe);
    const given = m._malloc(4 * elements.length);
    m.HEAP32.set(elements, given / 4);
    if (m._heat2d_refine(given, elements.length, at, at + 4) !== OK) return refused(text(word(1)));
    const run = word(0);
    for (let level = 0; level <= last; level++) {
      if (m._heat2d_refine_next(run, at + 8, at + 4) !== OK) return refused(text(word(1)));
      const result = word(2), message = {line: read(result, "line", true)};
      if (level === 0) message.design = read(result, "temperatures", true); // heat2d's nodes, no other
      if (level === last) {
        Object.assign(message, {nodes: read(result, "nodes", true), temperatures: read(result, "temperatures", true),
                                triangles: read(result, "triangles", false)});
        if (level >= 2) Object.assign(message, {left: read(result, "error_left", true), orders: read(result, "orders", true)});
      }
      m._heat2d_result_free(result);
      postMessage(message, Object.values(message).map((values) => values.buffer));
    }
    m._heat2d_refine_free(run);
    postMessage({done: last});
  };
  onmessage = ({data: {module, elements, level}}) => {
    const made = createHeat2d({print() {}, printErr() {}, instantiateWasm(imports, receive) {
      WebAssembly.instantiate(module, imports).then((instance) => receive(instance, module));
      return {};
    }});
    made.then((m) => solve(m, elements, level)).catch((error) => postMessage({refused: [String(error.message || error)]}));
  };
}

const refinerUrl = URL.createObjectURL(new Blob([HEAT2D_LOADER, `\n(${refinerMain})();\n`], {type: "text/javascript"}));
let refiner = null;

// Solves levels 0 to level of elements (flat node numbers) in a fresh Worker,
// ending any solve still running; hear(message) hears each of its messages.
// Returns a function that ends it.
function refine(elements, level, hear) {
  if (refiner) refiner.terminate();
  const worker = refiner = new Worker(refinerUrl);
  worker.onmessage = ({data}) => { if (refiner === worker) hear(data); };
  worker.onerror = (event) => { if (refiner === worker) hear({refused: [event.message || "the solve failed"]}); };
  compiled.then((module) => worker.postMessage({module, elements: Int32Array.from(elements), level}));
  return () => { worker.terminate(); if (refiner === worker) refiner = null; };
}
