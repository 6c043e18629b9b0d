"use strict";
// Writes the page's module as a script, so that the page opens from the file
// system too: its bytes, var HEAT2D_WASM = "<base64>", and its loader's text,
// var HEAT2D_LOADER = "...", for the Worker made from it.
// Usage: node embed_wasm.js WASM LOADER OUT
const fs = require("fs");
const [wasm, loader, output] = process.argv.slice(2);
fs.writeFileSync(output, `var HEAT2D_WASM = "${fs.readFileSync(wasm).toString("base64")}";\n` +
                         `var HEAT2D_LOADER = ${JSON.stringify(fs.readFileSync(loader, "utf8"))};\n`);
