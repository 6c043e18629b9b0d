#include "refine/adapted_run.h"

#include "platform/process.h"
#include "problem/status.h"
#include "refine/adapt.h"
#include "refine/limits.h"
#include "refine/refine.h"
#include "refine/run_files.h"

#include <cmath>
#include <cstdlib>
#include <iomanip>
#include <iostream>
#include <sstream>
#include <string>

namespace {

// The smallest error worth naming: e rounded up to two digits.
std::string rounded_up(double e) {
    const double scale = std::pow(10.0, std::floor(std::log10(e)) - 1);
    std::ostringstream text;
    text << std::ceil(e / scale - 1e-9) * scale;
    return text.str();
}

void print_answer(const adapt_answer& answer) {
    std::cout << std::endl << "node  temperature     error left  order" << std::endl;
    for (int i = 0; i < node_count; i++) {
        std::cout << std::setw(4) << i + 1 << "  " << std::setw(11) << std::setprecision(9)
                  << answer.T[i] << "  " << std::setw(13) << std::setprecision(3) << answer.error[i]
                  << "  " << std::setw(5) << answer.order[i] << " extrapolated" << std::endl;
    }
    std::cout << "The temperatures are " << adapt_obtained << "." << std::endl;
}

} // namespace

bool adapt_error(const char* text, double& error) {
    return read_decimal(text, false, error) && error >= least_error && error <= most_error;
}

int run_adapted(double error, const problem_values& values) {
    const plate problem(values);
    element_table elements;
    if (!judged_elements(problem, elements)) {
        return run_status();
    }
    adaptation steps(table_mesh(elements, problem), problem);
    const bool progress = error_is_terminal();
    std::cout << "step  triangles      nodes  side at " << plate::notch_corner
              << "        eta    hottest  at node     node " << plate::notch_top
              << "     change    heat in   heat out   residual error left  seconds" << std::endl;
    double seconds = 0, last_estimate = INFINITY;
    std::size_t last_nodes = 0;
    while (true) {
        const double available = available_memory();
        if (steps.next_bytes() > available) {
            const double fits = adapt_nodes(available);
            std::string smallest = "none";
            if (std::isfinite(last_estimate) && fits > 0) {
                smallest = rounded_up(last_estimate * static_cast<double>(last_nodes) / fits);
            }
            report_failure(memory_words("step " + std::to_string(steps.steps()), steps.next_bytes(),
                                        available) +
                           ": the smallest error that fits is about " + smallest);
            return run_status();
        }
        const bool shown = progress && 4 * seconds > 1;
        if (shown) {
            std::cerr << "heat2d: solving step " << steps.steps() << "..." << std::flush;
        }
        const adapt_line line = steps.next();
        seconds = line.seconds;
        if (shown) {
            std::cerr << "\r\033[K" << std::flush;
        }
        std::ostringstream text;
        text << std::setw(4) << line.step << column{11} << line.triangles << column{11}
             << line.nodes << std::setprecision(3) << column{11} << line.smallest_side << column{11}
             << line.eta << std::setprecision(7) << column{11} << line.hottest << column{9}
             << line.hottest_node << column{11} << line.node_8 << std::setprecision(3) << column{11}
             << line.change << std::setprecision(9) << column{11} << line.balance.in << column{11}
             << line.balance.out << std::setprecision(2) << column{11} << line.residual
             << column{11};
        if (std::isfinite(line.estimate)) {
            text << line.estimate;
        } else {
            text << "-";
        }
        text << column{9} << std::fixed << line.seconds
             << rounding_words(line.at_rounding, line.backward);
        std::cout << text.str() << std::endl;
        if (!line.converged) {
            std::ostringstream why;
            why << "step " << line.step << " did not converge: its residual is " << line.residual
                << " after " << line.iterations << " iterations";
            report_failure(why.str());
            return run_status();
        }
        last_estimate = line.estimate;
        last_nodes = line.nodes;
        if (line.estimate <= error) {
            break;
        }
        if (steps.stalled()) {
            report_failure(stall_words(line.step, line.estimate));
            return run_status();
        }
    }
    print_answer(steps.answer());
    check_console();
    write_fine_files("adapted", steps.split_mesh(), steps.split_temperatures());
    write_values(values, "adapted_");
    finish_console();
    return run_status();
}
