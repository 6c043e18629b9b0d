"use strict";
// heat2d's module: its bytes compiled once a page load, a fresh instance for
// each run of the program (nothing of one run is left for the next), with
// elements.txt in its file system and standard input at its end, so that the
// final pause returns at once; and one more instance, kept, whose calls answer
// the core's questions (heat2d.core, the promise of the bound calls).

const heat2d = (() => {
  const OUTPUTS = ["mesh.txt", "mesh.geo", "f.txt", "K.txt", "write_.txt"];
  const binding = coreBinding();

  const compiled = (() => {
    const text = atob(HEAT2D_WASM);
    const bytes = new Uint8Array(text.length);
    for (let k = 0; k < text.length; k++) bytes[k] = text.charCodeAt(k);
    return WebAssembly.compile(bytes);
  })();
  const instance = (settings) => compiled.then((module) => binding.create(module, settings));

  // A fresh program, ready before it is needed: the next run's. What each line
  // on standard error names comes with it from the core (named[k] for line k:
  // kind, a, b, ..., the kind's number as the core numbers it, its word after
  // the run: "element", "side", "node" or "faults").
  function fresh() {
    const run = {console: [], errors: [], named: [], files: {}, status: null};
    return instance({
      print: (line) => run.console.push(line),
      printErr: (line) => run.errors.push(line),
      onNames: (line, values) => { run.named[line] = values; },
      stdin: () => null,
      onExit: (status) => { run.status = status; },
    }).then((program) => ({program, run}));
  }
  let spare = fresh();

  // Runs heat2d, with its options (args), on text as elements.txt: its
  // console, faults with what they name, files and status.
  async function run(text, args = []) {
    const {program, run: made} = await spare;
    // The next one's instance is made once this run is shown, not during it.
    spare = new Promise((made) => setTimeout(() => made(fresh()), 0));
    program.FS.writeFile("elements.txt", text);
    try {
      program.callMain(args);
    } catch (thrown) {
      if (made.status === null) throw thrown;
    }
    for (const name of [...OUTPUTS, "values.txt"]) {
      if (program.FS.analyzePath(name).exists) made.files[name] = program.FS.readFile(name, {encoding: "utf8"});
    }
    const {names} = await core;
    made.named = made.errors.map((_, k) => (made.named[k] || []).map((value, v) => (v % 3 ? value : names[value])));
    return made;
  }

  const core = instance({print() {}, printErr() {}}).then(binding.bind);
  return {binding, compiled, run, core};
})();
