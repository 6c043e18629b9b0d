"use strict";
// The page's module under node: its reader, called as the page calls it, reads
// every token of data/refusals.txt as the native program does, and its
// boundary sides are those of the shipped triangulation, by hand.
// Usage: node module_test.js SITE
const fs = require("fs");
const path = require("path");

const here = __dirname;
const createHeat2d = require(path.join(process.argv[2], "heat2d_module.js"));
const shipped = fs.readFileSync(path.join(here, "..", "examples", "elements.txt"), "latin1").trim().split("\n");
// Python's escapes of the data file, as the tests in Python read them.
const unescape = (text) => text.replace(/\\x([0-9a-f]{2})|\\\\/g, (all, hex) => (hex ? String.fromCharCode(parseInt(hex, 16)) : "\\"));
const tokens = fs.readFileSync(path.join(here, "data", "refusals.txt"), "utf8").split("\n")
  .filter((line) => line && !line.startsWith("#")).map((line) => line.split("\t")).map(([token, said]) => [unescape(token), said]);

// The module as the page makes it: its bytes from heat2d_wasm.js, compiled once.
const bytes = Buffer.from(new Function(fs.readFileSync(path.join(process.argv[2], "heat2d_wasm.js"), "utf8") +
                                       "; return HEAT2D_WASM;")(), "base64");
const compiled = WebAssembly.compile(bytes);
const instantiateWasm = (imports, receive) => {
  compiled.then((module) => WebAssembly.instantiate(module, imports).then((made) => receive(made, module)));
  return {};
};
createHeat2d({print: () => {}, printErr: () => {}, instantiateWasm}).then((module) => {
  let passed = 0, failed = 0;
  const check = (ok, what) => {
    if (ok) passed++;
    else { failed++; console.log("FAIL: " + what); }
  };
  // Reads text (bytes as Latin-1) as elements.txt: [status, numbers, message].
  const read = (text) => {
    const bytes = Buffer.from(text, "latin1");
    const source = Buffer.from("elements.txt\0element\0", "latin1");
    const input = module._malloc(bytes.length + source.length + 8 * 60 + 8);
    module.HEAPU8.set(bytes, input);
    module.HEAPU8.set(source, input + bytes.length);
    const values = input + bytes.length + source.length + (8 - (bytes.length + source.length) % 8) % 8;
    const message = module._malloc(4);
    const status = module._heat2d_read_elements(input, bytes.length, input + bytes.length, input + bytes.length + 13,
                                                values, 60, message);
    const numbers = Array.from(module.HEAPF64.subarray(values / 8, values / 8 + 60));
    const said = status === 1 ? module.UTF8ToString(module.HEAP32[message / 4]) : "";
    module._heat2d_free(module.HEAP32[message / 4]);
    module._free(message);
    module._free(input);
    return [status, numbers, said];
  };
  for (const [token, said] of tokens) {
    if (said.startsWith("node ")) {
      const node = said.slice(5);
      const lines = shipped.map((line) => line.split(" ").map((n) => (n === node ? token : n)).join(" "));
      const [status, numbers] = read(lines.join("\n") + "\n");
      check(status === 0 && numbers.map(Math.trunc).join(" ") === shipped.join(" ").split(/\s+/).join(" "), token);
    } else {
      const lines = shipped.slice(0, 6).concat([`5 ${token} 11`], shipped.slice(7));
      const [status, , message] = read(lines.join("\n") + "\n");
      check(status === 1 && message === "elements.txt: element 7, node 2: " + said, `${JSON.stringify(token)}: ${message}`);
    }
  }
  console.log(`module: ${passed} passed, ${failed} failed`);
  process.exit(failed ? 1 : 0);
});
