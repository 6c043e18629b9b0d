"use strict";
// The binding of heat2d's core, by the API's conventions (src/api/heat2d.h):
// coreBinding() gives create(module, settings), an instance of the compiled
// module, and bind(instance), the core's calls on it. It touches no page
// global: its source also goes into the Worker that solves the finer levels.

function coreBinding() {
  const HEAT2D_INTERFACE = 11; // the API that this page speaks

  // A call the core could not take: a fault of the page. A value out of its
  // range: the core's line.
  class BadCall extends Error {}
  class Refused extends Error {}

  // An instance of the compiled module, with settings (print, printErr, ...).
  const create = (compiled, settings) => createHeat2d(Object.assign({
    instantiateWasm(imports, receive) {
      WebAssembly.instantiate(compiled, imports).then((made) => receive(made, compiled));
      return {};
    },
  }, settings));

  // The core's calls on a module instance.
  function bind(module) {
    const at = module._malloc(8); // the interface first: the statuses are the library's
    module.HEAP32[at / 4 + 1] = -1;
    module._heat2d_version(at, at + 4);
    const release = module.UTF8ToString(module.HEAP32[at / 4]), version = module.HEAP32[at / 4 + 1];
    module._free(at);
    if (version !== HEAT2D_INTERFACE) {
      throw new Error(`heat2d's module ${release} has interface ${version}, this page needs ${HEAT2D_INTERFACE}`);
    }
    const {STATUS, code, scratch, ints, rows, string, intsIn, checked, taken, sized, reader, named, statics, withValues} =
      coreMarshal(module, BadCall, Refused);
    // A run of results with the values given: start(elements, count, values,
    // &run, &lines), then each(read, k) of next(run, &result, &lines) while it
    // says more; refused({refused: [lines]}) when the core refuses; free(run)
    // at the end.
    const stepped = (start, next, free, flat, given, refused, each) => withValues(given, (values) => scratch((alloc) => {
      const handle = alloc(4), lines = alloc(4), made = alloc(4); // run**, char**, result**
      if (checked(start(intsIn(alloc, flat), flat.length, values, handle, lines)) !== STATUS.ok) return refused({refused: taken(lines)});
      const run = module.HEAP32[handle / 4];
      try {
        for (let k = 0, more = true; more; k++) {
          if (checked(next(run, made, lines)) !== STATUS.ok) return refused({refused: taken(lines)});
          const result = module.HEAP32[made / 4];
          try { more = each(reader(result), k); } finally { module._heat2d_result_free(result); }
        }
      } finally {
        free(run);
      }
    }));
    const termName = (kind) => statics(module._heat2d_term_name, kind);
    const nodeCount = named(module._heat2d_count, "nodes"), elementCount = named(module._heat2d_count, "elements");
    const numbers = 3 * elementCount;
    // The nodes that the rules name.
    const node = (name) => named(module._heat2d_node, name);
    // The value names with their options, in the core's order; a kind of name
    // of a fault line (heat2d.h's HEAT2D_NAMES_*) by its number.
    const values = Array.from({length: named(module._heat2d_count, "values")}, (_, k) => scratch((alloc) => {
      const at = alloc(8);
      checked(module._heat2d_value_name(k, at, at + 4));
      return {name: module.UTF8ToString(module.HEAP32[at / 4]), option: module.UTF8ToString(module.HEAP32[at / 4 + 1])};
    }));
    const names = Object.fromEntries(["element", "side", "node", "faults"].map((kind) => [code(`names_${kind}`), kind]));
    // The nodes and the outline of the plate of the values given (null: the
    // design's); BadCall with its line for a plate that cannot be solved.
    const placed = (given) => withValues(given, (values) => ({
      nodes: rows(sized("HEAPF64", (...buffer) => module._heat2d_nodes(values, ...buffer)), 2),
      outline: rows(sized("HEAP32", (...buffer) => module._heat2d_outline_sides(values, ...buffer)), 4)
        .map(([a, b, part, kind]) => ({a, b, place: statics(module._heat2d_outline_place, values, part), term: termName(kind)})),
    }));
    let plate = null; // the values whose plate judge, number and flip take
    const api = {
      module, release, nodeCount, elementCount, values, names, notchCorner: node("notch_corner"), notchTop: node("notch_top"),
      ...placed(null),
      // Takes the plate of the values given for nodes, outline, judge, number and
      // flip; the line that refuses it ("" when it is taken, nothing changed when not).
      usePlate: (given) => {
        try { Object.assign(api, placed(given)); } catch (fault) { if (fault instanceof BadCall) return fault.message; throw fault; }
        plate = given;
        return "";
      },
      table: rows(sized("HEAP32", module._heat2d_boundary_table), 4)
        .map(([element, kind, first, second]) => ({element, term: termName(kind), first, second})),
      parameter: (name) => named(module._heat2d_parameter, name, "HEAPF64"),
      // A value's closed range, [least, most]; why a value cannot be given ("" when it can).
      range: (name) => scratch((alloc) => {
        const at = alloc(16);
        checked(module._heat2d_value_range(string(alloc, name)[0], at, at + 8));
        return [module.HEAPF64[at / 8], module.HEAPF64[at / 8 + 1]];
      }),
      // text as heat2d reads an option's number, or null when it is not one.
      readNumber: (text) => scratch((alloc) => {
        const value = alloc(8);
        return checked(module._heat2d_read_number(string(alloc, text)[0], value)) === STATUS.ok ? module.HEAPF64[value / 8] : null;
      }),
      refusal: (name, value) => { try { return withValues({[name]: value}, () => ""); } catch (fault) { if (fault instanceof Refused) return fault.message; throw fault; } },
      // The nodes of elements.txt as heat2d reads them (flat), or null.
      read: (text) => scratch((alloc) => {
        const [pointer, length] = string(alloc, text);
        const empty = pointer + length; // only the numbers are used: no names
        const values = alloc(4 * numbers), count = alloc(4), message = alloc(4);
        const status = checked(module._heat2d_read_elements(pointer, length, empty, empty, values, numbers, count, message));
        taken(message);
        return status === STATUS.ok ? ints(values, numbers) : null;
      }),
      // The side that each line of the boundary table gives its term: {term, a, b}.
      sides: (flat) => scratch((alloc) => {
        const given = intsIn(alloc, flat);
        return rows(sized("HEAP32", (pointer, capacity, count) => module._heat2d_boundary_sides(given, flat.length, pointer, capacity, count)), 3)
          .map(([kind, a, b]) => ({term: termName(kind), a, b}));
      }),
      // The faults of a triangulation as heat2d judges it: [] when none.
      judge: (flat) => scratch((alloc) => {
        const lines = alloc(4);
        withValues(plate, (values) => checked(module._heat2d_judge(intsIn(alloc, flat), flat.length, values, 1, lines)));
        return taken(lines);
      }),
      // Triangles numbered for the table: {elements, flips} or {faults, flips}, a
      // flip {a, b, c, d} (side a-b becomes c-d).
      number: (triangles, flipCorner) => scratch((alloc) => {
        const flat = triangles.flat(), given = intsIn(alloc, flat);
        const elements = alloc(4 * numbers), written = alloc(4), count = alloc(4), lines = alloc(4);
        const call = (flips, capacity) => withValues(plate, (values) => module._heat2d_number_triangles(
          given, flat.length, values, flipCorner ? 1 : 0, elements, numbers, written, flips, capacity, count, lines));
        let flips = 0, status = call(0, 0);
        if (status === STATUS.tooSmall) status = call(flips = alloc(4 * module.HEAP32[count / 4]), module.HEAP32[count / 4]);
        checked(status);
        const made = rows(ints(flips, module.HEAP32[count / 4]), 4).map(([a, b, c, d]) => ({a, b, c, d}));
        return status === STATUS.ok ? {elements: rows(ints(elements, numbers), 3), flips: made}
                                    : {faults: taken(lines), flips: made};
      }),
      // The corners the boundary table constrains: {node, count, least, most},
      // count the triangles meeting there.
      corners: (triangles) => scratch((alloc) => {
        const flat = triangles.flat(), given = intsIn(alloc, flat);
        return rows(sized("HEAP32", (pointer, capacity, count) => module._heat2d_corner_counts(given, flat.length, pointer, capacity, count)), 4)
          .map(([node, count, least, most]) => ({node, count, least, most}));
      }),
      // The triangles with inner side a-b flipped: {triangles} or {reason}.
      flip: (triangles, a, b) => scratch((alloc) => {
        const flat = triangles.flat(), flipped = alloc(4 * flat.length), reason = alloc(4);
        const status = checked(withValues(plate, (values) => module._heat2d_flip_side(intsIn(alloc, flat), flat.length, values,
                                                                                       a, b, flipped, flat.length, alloc(4), reason)));
        return status === STATUS.ok ? {triangles: rows(ints(flipped, flat.length), 3)} : {reason: taken(reason)[0]};
      }),
      // Element e's values as the assembly computes them, read by name.
      element: (flat, e, given) => withValues(given, (values) => scratch((alloc) => {
        const handle = alloc(4);
        checked(module._heat2d_element(intsIn(alloc, flat), flat.length, e, values, handle));
        const result = module.HEAP32[handle / 4];
        try {
          const read = reader(result);
          const [i, d] = [(name) => read("HEAP32", name), (name) => read("HEAPF64", name)];
          const sides = rows(i("term_sides"), 2), ends = rows(i("term_nodes"), 2), lengths = d("term_lengths");
          const loads = d("term_loads"), matrices = rows(d("term_matrices"), 9);
          return {nodes: i("nodes"), x: d("x"), y: d("y"), area: d("area")[0], b: d("b"), c: d("c"),
                  conduction: rows(d("conduction"), 3), matrix: rows(d("matrix"), 3), loads: d("loads"),
                  terms: i("term_kinds").map((kind, k) => ({term: termName(kind), first: sides[k][0], second: sides[k][1],
                                                             a: ends[k][0], b: ends[k][1], length: lengths[k], load: loads[k],
                                                             matrix: rows(matrices[k], 3)}))};
        } finally {
          module._heat2d_result_free(result);
        }
      })),
      // heat2d's own problem on the triangulation flat with the values given,
      // solved by the core: {K (rows), f, temperatures, heatIn, heatOut}, full
      // precision; or {faults: [lines], named: [[line, kind (its word), a, b], ...]}.
      solve: (flat, given) => withValues(given, (values) => scratch((alloc) => {
        const handle = alloc(4), lines = alloc(4);
        const status = checked(module._heat2d_solve(intsIn(alloc, flat), flat.length, values, handle, lines));
        const result = module.HEAP32[handle / 4];
        try {
          const read = reader(result);
          if (status !== STATUS.ok) return {faults: taken(lines), named: result ? rows(read("HEAP32", "named"), 4).map(([line, kind, a, b]) => [line, names[kind], a, b]) : []};
          const d = (name) => read("HEAPF64", name);
          return {K: rows(d("K"), nodeCount), f: d("f"), temperatures: d("temperatures"),
                  heatIn: d("heat_in")[0], heatOut: d("heat_out")[0]};
        } finally {
          module._heat2d_result_free(result);
        }
      })),
      // Solves levels 0 to last of the triangulation flat, once the memory that
      // the last takes is had: hear(level) a level, level {line}, with level 0's
      // temperatures (levelZero) and the last level's nodes, temperatures,
      // triangles, its error left and orders (typed arrays, empty before level 2); or
      // hear({refused: [lines]}).
      refine: (flat, last, hear, given) => {
        const bytes = scratch((alloc) => {
          const at = alloc(8);
          checked(module._heat2d_refine_memory(last, at));
          return module.HEAPF64[at / 8];
        });
        const probe = module._malloc(bytes);
        if (!probe) return hear({refused: [`level ${last} needs about ${Math.ceil(bytes / 2 ** 20)} MB, more than this browser gives the page`]});
        module._free(probe);
        stepped(module._heat2d_refine, module._heat2d_refine_next, module._heat2d_refine_free, flat, given, hear, (read, level) => {
          const d = (name) => read("HEAPF64", name, true), one = (heap, name) => read(heap, name, true)[0];
          const left = d("error_left"); // at heat2d's nodes; none before level 2
          const made = {line: {level, triangles: one("HEAP32", "triangles_count"), nodes: one("HEAP32", "nodes_count"),
                               change: one("HEAPF64", "change"), heatIn: one("HEAPF64", "heat_in"),
                               heatOut: one("HEAPF64", "heat_out"), residual: one("HEAPF64", "residual"),
                               backward: one("HEAPF64", "backward_error"), // undefined but at rounding's level
                               left: Array.from(left), error: Math.max(...left.map(Math.abs))}};
          if (level === 0) made.levelZero = d("temperatures"); // heat2d's nodes, no other
          if (level === last) {
            Object.assign(made, {nodes: d("nodes"), temperatures: d("temperatures"), triangles: read("HEAP32", "triangles", true),
                                 below: d("below")}); // none at level 0
            Object.assign(made, {left, orders: d("orders")}); // none before level 2
          }
          hear(made);
          return level < last;
        });
      },
      // The adaptive steps 0 to last of the triangulation flat (or, when last
      // is {error}, until the error left is at most error, or the core's stall
      // rule refuses the next): hear(step) a step, step {line, answer, left, orders} (its answer at heat2d's nodes
      // with the error left, none at step 0), the last step with its nodes,
      // temperatures, triangles and indicators (typed arrays); or
      // hear({refused: [lines]}).
      adapt: (flat, last, hear, given) => stepped(module._heat2d_adapt, module._heat2d_adapt_next, module._heat2d_adapt_free, flat,
                                                  given, hear, (read, step) => {
        const d = (name) => read("HEAPF64", name, true), one = (heap, name) => read(heap, name, true)[0];
        const left = d("error_left");
        const made = {line: {step, triangles: one("HEAP32", "triangles_count"), nodes: one("HEAP32", "nodes_count"),
                             left: Array.from(left),
                             error: one("HEAPF64", "error"), heatIn: one("HEAPF64", "heat_in"),
                             heatOut: one("HEAPF64", "heat_out"), residual: one("HEAPF64", "residual"),
                             backward: one("HEAPF64", "backward_error")},
                      answer: d("answer"), left, orders: d("orders")};
        if (step === 0) made.levelZero = d("temperatures").slice(0, nodeCount); // the design's mesh: heat2d's nodes
        // The last step: a count of steps, or the first whose error left is at most an error.
        const lastOne = typeof last === "number" ? step === last : left.length > 0 && made.line.error <= last.error;
        if (lastOne) {
          Object.assign(made, {nodes: d("nodes"), temperatures: d("temperatures"), triangles: read("HEAP32", "triangles", true),
                               indicators: d("indicators")});
        }
        hear(made);
        return !lastOne;
      }),
    };
    return api;
  }
  return {create, bind};
}

