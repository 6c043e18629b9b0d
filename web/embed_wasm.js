"use strict";
// Writes the page's module bytes as a script, so that the page opens from the
// file system too: var HEAT2D_WASM = "<base64>". Usage: node embed_wasm.js IN OUT
const fs = require("fs");
const [input, output] = process.argv.slice(2);
fs.writeFileSync(output, `var HEAT2D_WASM = "${fs.readFileSync(input).toString("base64")}";\n`);
