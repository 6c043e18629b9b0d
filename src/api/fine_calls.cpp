// The finer meshes through the core: uniform levels and adaptive steps, one a
// call.
#include "api/calls.h"

#include "platform/process.h"
#include "refine/adapt.h"
#include "refine/limits.h"
#include "refine/refine.h"

#include <cmath>
#include <memory>

// A refinement in progress.
struct heat2d_refinement {
    refinement levels;
};

// Adaptive steps in progress.
struct heat2d_adaptation {
    adaptation steps;
};

using namespace api;

namespace {

// The figures that a level's line and a step's have alike, into a result;
// "backward_error" only where the solve converged by it.
template <typename line_of> void put_figures(const line_of& line, heat2d_result& made) {
    auto& d = made.doubles;
    auto& i = made.ints;
    d["hottest"] = {line.hottest};
    d["change"] = {line.change};
    d["heat_in"] = {line.balance.in};
    d["heat_out"] = {line.balance.out};
    d["residual"] = {line.residual};
    d["backward_error"] =
        line.at_rounding ? std::vector<double>{line.backward} : std::vector<double>{};
    d["seconds"] = {line.seconds};
    i["triangles_count"] = {static_cast<int>(line.triangles)};
    i["nodes_count"] = {static_cast<int>(line.nodes)};
    i["hottest_node"] = {line.hottest_node};
    i["iterations"] = {line.iterations};
}

// A mesh's nodes (x y) and triangles (1-based) into a result.
void put_mesh(const level_mesh& mesh, heat2d_result& made) {
    std::vector<double>& xy = made.doubles["nodes"];
    xy.reserve(2 * mesh.node_count());
    for (std::size_t i = 0; i < mesh.node_count(); i++) {
        xy.insert(xy.end(), {mesh.x[i], mesh.y[i]});
    }
    std::vector<int>& triangles = made.ints["triangles"];
    triangles.reserve(mesh.triangles.size());
    for (const int n : mesh.triangles) {
        triangles.push_back(n + 1);
    }
}

// The arguments of a call for the next level or step: its text out and its
// result out (named what) checked and cleared, the run there.
template <typename run_of>
void next_input(const run_of* run, heat2d_result** result, const char* what, char** lines) {
    text_out(lines, "lines");
    not_null(run, "run");
    not_null(result, what);
    *result = nullptr;
}

// The next level or step of a run, what ("level 3"), that needs bytes:
// refused as heat2d words it when the memory is not available or the solve
// does not converge; otherwise a result of its figures and what fill(line,
// result) puts in.
template <typename run_of, typename filler>
int next_result(run_of& run, const std::string& what, double bytes, heat2d_result** result,
                char** lines, filler fill) {
    if (const double available = available_memory(); bytes > available) {
        return refused({memory_words(what, bytes, available)}, lines);
    }
    const auto line = run.next();
    if (!line.converged) {
        return refused({refusal_text(refusal_reason::not_converged, what)}, lines);
    }
    auto made = std::make_unique<heat2d_result>();
    put_figures(line, *made);
    fill(line, *made);
    *result = made.release();
    return good(HEAT2D_OK);
}

// Starts a run of fine meshes on elements, judged as heat2d judges
// elements.txt: *run is made(its mesh, the plate), or the faults are handed
// out.
template <typename handle, typename maker>
int start_run(const int* elements, int count, const heat2d_values* values, handle** run,
              char** lines, maker made) {
    return guarded([&]() -> int {
        element_table t;
        solve_input(elements, count, run, "run", lines, t);
        const plate problem = plate_of(values, lines);
        const faults found = judged(t, problem, true);
        if (!found.lines.empty()) {
            return refused(found.lines, lines);
        }
        *run = made(table_mesh(t, problem), problem);
        return good(HEAT2D_OK);
    });
}

} // namespace

extern "C" {

int heat2d_refine(const int* elements, int count, const heat2d_values* values,
                  heat2d_refinement** run, char** lines) {
    return start_run(elements, count, values, run, lines,
                     [](level_mesh mesh, const plate& problem) {
                         return new heat2d_refinement{refinement(std::move(mesh), problem)};
                     });
}

int heat2d_refine_memory(int level, double* bytes) {
    return guarded([&]() -> int {
        not_null(bytes, "bytes");
        if (level < 0 || level > most_level) {
            fail(HEAT2D_BAD_CALL, "level is not from 0 to " + std::to_string(most_level));
        }
        *bytes = level_bytes(level);
        return good(HEAT2D_OK);
    });
}

int heat2d_refine_next(heat2d_refinement* run, heat2d_result** level, char** lines) {
    return guarded([&]() -> int {
        next_input(run, level, "level", lines);
        refinement& levels = run->levels;
        const int next = levels.levels();
        const std::string what = "level " + std::to_string(next);
        if (next > most_level) {
            return refused({refusal_text(refusal_reason::past_the_last, what)}, lines);
        }
        return next_result(levels, what, level_bytes(next), level, lines,
                           [&](const level_line& line, heat2d_result& made) {
                               put_mesh(levels.finest(), made);
                               auto& d = made.doubles;
                               auto& i = made.ints;
                               d["temperatures"] = levels.temperatures();
                               d["below"] = levels.below();
                               i["level"] = {line.level};
                               d["error_left"];
                               d["orders"];
                               i["observed"];
                               for (const error_left& e : levels.estimate()) {
                                   d["error_left"].push_back(e.left);
                                   d["orders"].push_back(e.order);
                                   i["observed"].push_back(e.observed ? 1 : 0);
                               }
                           });
    });
}

void heat2d_refine_free(heat2d_refinement* run) {
    delete run;
}

int heat2d_adapt(const int* elements, int count, const heat2d_values* values,
                 heat2d_adaptation** run, char** lines) {
    return start_run(elements, count, values, run, lines,
                     [](const level_mesh& mesh, const plate& problem) {
                         return new heat2d_adaptation{adaptation(mesh, problem)};
                     });
}

int heat2d_adapt_next(heat2d_adaptation* run, heat2d_result** step, char** lines) {
    return guarded([&]() -> int {
        next_input(run, step, "step", lines);
        adaptation& steps = run->steps;
        const std::string what = "step " + std::to_string(steps.steps());
        if (steps.stalled()) {
            return refused({stall_words(steps.steps() - 1, steps.answer().error[0])}, lines);
        }
        return next_result(steps, what, steps.next_bytes(), step, lines,
                           [&](const adapt_line& line, heat2d_result& made) {
                               put_mesh(steps.mesh(), made);
                               auto& d = made.doubles;
                               d["temperatures"] = steps.temperatures();
                               d["indicators"] = steps.indicators();
                               made.ints["marked"].assign(steps.marked().begin(),
                                                          steps.marked().end());
                               const adapt_answer& answer = steps.answer();
                               d["answer"] = answer.T;
                               d["error_left"] = answer.error;
                               d["orders"] = answer.order;
                               d["smallest_side_at_node_6"] = {line.smallest_side};
                               d["eta"] = {line.eta};
                               d["node_8"] = {line.node_8};
                               d["error"] = {std::isfinite(line.estimate) ? line.estimate : 0.0};
                               made.ints["step"] = {line.step};
                           });
    });
}

int heat2d_adapt_estimated_by(const char** how) {
    return guarded([&]() -> int {
        not_null(how, "how");
        *how = adapt_obtained;
        return good(HEAT2D_OK);
    });
}

void heat2d_adapt_free(heat2d_adaptation* run) {
    delete run;
}

} // extern "C"
