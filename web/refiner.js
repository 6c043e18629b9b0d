"use strict";
// The refined problem, solved in a Web Worker so that the page keeps
// answering. The Worker is made from a Blob (a page opened from the file
// system may not start one from a script's file): the module's loader,
// embedded as text at build time, the core's binding and refinerMain below.
// It is posted the module that the page compiled. A new solve ends one still
// running.

// In the Worker: solves levels 0 to `level` of `elements` through the core's
// binding, posting each level as it comes, its arrays handed over.
function refinerMain() {
  onmessage = ({data: {module, elements, level}}) => {
    const made = createHeat2d({print() {}, printErr() {}, instantiateWasm(imports, receive) {
      WebAssembly.instantiate(module, imports).then((instance) => receive(instance, module));
      return {};
    }});
    made.then((m) => bindCore(m).refine(elements, level, (message) =>
      postMessage(message, Object.values(message).filter((values) => values.buffer).map((values) => values.buffer))))
      .catch((error) => postMessage({refused: [String(error.message || error)]}));
  };
}

const refinerUrl = URL.createObjectURL(new Blob([HEAT2D_LOADER, `\nconst bindCore = (${coreBinding})();\n(${refinerMain})();\n`],
                                                {type: "text/javascript"}));
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
