"use strict";
// The conventions of heat2d's C API (src/api/heat2d.h) on an instance of the
// compiled module: scratch memory for a call, strings and arrays in and out,
// text handed out and freed, outputs asked their size first, results read by
// name, and the statuses as the library numbers them (heat2d_code, whose
// "ok" is checked by its own return). core.js binds the calls with them; the
// source of both goes into the Worker that solves the finer levels.

function coreMarshal(module, BadCall, Refused) {
  const STATUS = {};
  // Scratch memory for one call: alloc(bytes) gives a pointer, all freed after.
  const scratch = (use) => {
    const taken = [];
    const alloc = (bytes) => { const pointer = module._malloc(Math.max(bytes, 8)); taken.push(pointer); return pointer; };
    try { return use(alloc); } finally { taken.forEach((pointer) => module._free(pointer)); }
  };
  const ints = (pointer, count) => Array.from(module.HEAP32.subarray(pointer / 4, pointer / 4 + count));
  const rows = (flat, width) => Array.from({length: flat.length / width}, (_, k) => flat.slice(width * k, width * k + width));
  const string = (alloc, text) => {
    const bytes = new TextEncoder().encode(text);
    const pointer = alloc(bytes.length + 1);
    module.HEAPU8.set(bytes, pointer);
    module.HEAPU8[pointer + bytes.length] = 0;
    return [pointer, bytes.length];
  };
  const intsIn = (alloc, values) => { const pointer = alloc(4 * values.length); module.HEAP32.set(values, pointer / 4); return pointer; };
  const checked = (status) => {
    if (status !== STATUS.ok && status !== STATUS.refused) throw new BadCall(module.UTF8ToString(module._heat2d_error()));
    return status;
  };
  // The lines of text handed out at *at, freed.
  const taken = (at) => {
    const pointer = module.HEAP32[at / 4];
    const text = pointer ? module.UTF8ToString(pointer) : "";
    module._heat2d_free(pointer);
    return text.split("\n").filter(Boolean);
  };
  // The values that fill(pointer, capacity, count) writes, its size asked
  // first: an array, or a typed array when asked.
  const sized = (heap, fill, typed) => scratch((alloc) => {
    const count = alloc(4);
    if (![STATUS.ok, STATUS.tooSmall].includes(fill(0, 0, count))) checked(STATUS.badCall);
    const size = module.HEAP32[count / 4], width = heap === "HEAPF64" ? 8 : 4;
    const buffer = alloc(width * size);
    checked(fill(buffer, size, count));
    const values = module[heap].subarray(buffer / width, buffer / width + module.HEAP32[count / 4]);
    return typed ? values.slice() : Array.from(values);
  });
  // The arrays of a result, read by name.
  const reader = (result) => (heap, name, typed) => scratch((alloc) => {
    const [pointer] = string(alloc, name);
    const call = heap === "HEAPF64" ? module._heat2d_result_doubles : module._heat2d_result_ints;
    return sized(heap, (buffer, capacity, count) => call(result, pointer, buffer, capacity, count), typed);
  });
  const named = (call, name, heap) => scratch((alloc) => {
    const value = alloc(8);
    checked(call(string(alloc, name)[0], value));
    return heap === "HEAPF64" ? module.HEAPF64[value / 8] : module.HEAP32[value / 4];
  });
  const statics = (call, ...argument) => scratch((alloc) => {
    const at = alloc(4);
    checked(call(...argument, at));
    return module.UTF8ToString(module.HEAP32[at / 4]);
  });
  // A number of the library by its name (heat2d_code).
  const code = (name) => scratch((alloc) => {
    const at = alloc(4), status = module._heat2d_code(string(alloc, name)[0], at);
    if (status !== (name === "ok" ? module.HEAP32[at / 4] : STATUS.ok)) throw new BadCall(`the module has no code "${name}"`);
    return module.HEAP32[at / 4];
  });
  STATUS.ok = code("ok");
  Object.assign(STATUS, {refused: code("refused"), tooSmall: code("too_small"), badCall: code("bad_call")});
  // The problem's values given ({conductivity: 75, ...}; none: the design's)
  // as the core's handle for use(handle), freed after; Refused when one is
  // out of its range.
  const withValues = (given, use) => scratch((alloc) => {
    if (!given) return use(0);
    const at = alloc(4), why = alloc(4);
    checked(module._heat2d_values_new(at));
    const handle = module.HEAP32[at / 4];
    try {
      for (const [name, value] of Object.entries(given)) {
        const status = checked(module._heat2d_values_set(handle, string(alloc, name)[0], value, why));
        if (status !== STATUS.ok) throw new Refused(taken(why)[0]);
      }
      return use(handle);
    } finally {
      module._heat2d_values_free(handle);
    }
  });
  return {STATUS, code, scratch, ints, rows, string, intsIn, checked, taken, sized, reader, named, statics, withValues};
}
