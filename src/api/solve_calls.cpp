// heat2d's own problem through the core: one element's values, and the
// 18 nodes solved.
#include "api/calls.h"

#include "assembly/element.h"
#include "problem/status.h"
#include "solver/plate_solve.h"

#include <memory>

using namespace api;

extern "C" {

int heat2d_element(const int* elements, int count, int e, const heat2d_values* values,
                   heat2d_result** result) {
    return guarded([&]() -> int {
        not_null(result, "result");
        *result = nullptr;
        element_table t;
        take_elements(elements, count, "elements", t);
        if (e < 1 || e > element_count) {
            return bad_call("there is no element " + std::to_string(e));
        }
        const int corners[3] = {t.node(e, 1), t.node(e, 2), t.node(e, 3)};
        const element_values v = plate_element(plate_of(values, nullptr), corners, e);
        auto made = std::make_unique<heat2d_result>();
        auto& ints = made->ints;
        auto& doubles = made->doubles;
        const auto three = [](const double* slots) {
            return std::vector<double>{slots[1], slots[2], slots[3]};
        };
        const auto nine = [](const double(*matrix)[4], std::vector<double>& to) {
            for (int i = 1; i <= 3; i++) {
                to.insert(to.end(), {matrix[i][1], matrix[i][2], matrix[i][3]});
            }
        };
        ints["nodes"].assign(corners, corners + 3);
        doubles["x"] = three(v.x);
        doubles["y"] = three(v.y);
        doubles["area"] = {v.area};
        doubles["b"] = three(v.b);
        doubles["c"] = three(v.c);
        nine(v.conduction, doubles["conduction"]);
        nine(v.matrix, doubles["matrix"]);
        doubles["loads"] = three(v.loads);
        for (const char* name : {"term_kinds", "term_sides", "term_nodes"}) {
            ints[name];
        }
        for (const char* name : {"term_lengths", "term_loads", "term_matrices"}) {
            doubles[name];
        }
        for (int k = 0; k < v.term_count; k++) {
            const term_values& term = v.terms[k];
            ints["term_kinds"].push_back(static_cast<int>(term.side.kind));
            ints["term_sides"].insert(ints["term_sides"].end(),
                                      {term.side.first, term.side.second});
            ints["term_nodes"].insert(
                ints["term_nodes"].end(),
                {ints["nodes"][term.side.first - 1], ints["nodes"][term.side.second - 1]});
            doubles["term_lengths"].push_back(term.length);
            doubles["term_loads"].push_back(term.load);
            nine(term.matrix, doubles["term_matrices"]);
        }
        *result = made.release();
        return good(HEAT2D_OK);
    });
}

int heat2d_solve(const int* elements, int count, const heat2d_values* values,
                 heat2d_result** result, char** lines) {
    return guarded([&]() -> int {
        element_table t;
        solve_input(elements, count, result, "result", lines, t);
        const plate problem = plate_of(values, lines);
        auto made = std::make_unique<heat2d_result>();
        std::vector<int>& named = made->ints["named"];
        const faults found = judged(t, problem, true);
        for (std::size_t k = 0; k < found.named.size(); k++) {
            for (const mention& m : found.named[k]) {
                named.insert(named.end(),
                             {static_cast<int>(k), static_cast<int>(m.kind), m.a, m.b});
            }
        }
        if (!found.lines.empty()) {
            const int status = refused(found.lines, lines);
            if (status == HEAT2D_REFUSED) {
                *result = made.release();
            }
            return status;
        }
        const plate_solution solved = solve_plate(t, problem);
        if (solved.T.empty()) {
            return refused({"the system is not positive definite"}, lines);
        }
        made->doubles["K"] = solved.K;
        made->doubles["f"] = solved.f;
        made->doubles["temperatures"] = solved.T;
        made->doubles["heat_in"] = {solved.heat_in};
        made->doubles["heat_out"] = {solved.heat_out};
        *result = made.release();
        return good(HEAT2D_OK);
    });
}

} // extern "C"
