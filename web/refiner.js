"use strict";
// The refined problem, solved in a Web Worker so that the page keeps
// answering. The Worker is made from a Blob (a page opened from the file
// system may not start one from a script's file): the module's loader,
// embedded as text at build time, the core's binding (marshal.js, core.js) and solveInWorker
// below. It is posted the module that the page compiled, and makes its
// instance before it is asked anything: one Worker is kept ready so. A new
// solve ends one still running and takes the ready one; a Worker whose solve
// has ended with its answer takes the next itself, its instance warm (its
// code compiled to the full, its memory grown: a level 5 solves three times
// faster so). One that refused is ended: a refusal may be the instance's own
// failure.

const refiner = (() => {
  // In the Worker: solves levels 0 to `level` of `elements` through the core's
  // binding, posting each level as it comes, its arrays handed over.
  function solveInWorker() {
    let made = null; // the core, once the module is posted
    onmessage = ({data: {module, elements, level, error, given}}) => {
      if (module) {
        const binding = coreBinding();
        made = binding.create(module, {print() {}, printErr() {}}).then((instance) => binding.bind(instance));
        return;
      }
      made.then((core) => {
        const post = (message) =>
          postMessage(message, Object.values(message).filter((values) => values.buffer).map((values) => values.buffer));
        if (error) core.adapt(elements, {error}, post, given);
        else core.refine(elements, level, post, given);
      }).catch((error) => postMessage({refused: [String(error.message || error)]}));
    };
  }

  const address = URL.createObjectURL(new Blob([HEAT2D_LOADER, `\n${coreMarshal}\n${coreBinding}\n(${solveInWorker})();\n`],
                                               {type: "text/javascript"}));
  // The Worker of the last solve, the solve (its job), and whether it ended with its answer.
  let worker = null, ready = null, current = null, warm = false;
  // A Worker with its instance made or on its way.
  function fresh() {
    const made = new Worker(address);
    heat2d.compiled.then((module) => made.postMessage({module}));
    return made;
  }

  // Solves levels 0 to level of elements (flat node numbers), or the
  // adaptive steps until the error left is at most error, with the values
  // given (none: the design's) in a Worker, ending any solve still running;
  // hear(message) hears each of its messages. Returns a function that ends it.
  function solve(elements, {level, error}, hear, given) {
    if (worker && !warm) worker.terminate();
    const mine = worker = worker && warm ? worker : ready;
    if (mine === ready) ready = fresh(); // the next one's
    const job = current = {elements: Int32Array.from(elements), level, error, given};
    warm = false;
    mine.onmessage = ({data}) => {
      if (current !== job) return;
      warm = Boolean(data.nodes); // the last level or step: the solve has ended with its answer
      hear(data);
    };
    mine.onerror = (event) => {
      if (current !== job) return;
      mine.terminate();
      worker = current = null;
      hear({refused: [event.message || "the solve failed"]});
    };
    heat2d.compiled.then(() => mine.postMessage(job)); // after the module, which fresh() posts once compiled
    // Ends the solve, unless it has ended with its answer.
    return () => {
      if (current !== job || warm) return;
      mine.terminate();
      worker = current = null;
    };
  }

  ready = fresh();

  return {solve};
})();
