#include "refine/refined_run.h"

#include "platform/process.h"
#include "problem/status.h"
#include "refine/refine.h"
#include "refine/run_files.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <iomanip>
#include <iostream>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace {

// The finest level's temperature at heat2d's nodes, with the error left in
// each from level 2 on.
void print_nodes(const refinement& levels) {
    const std::vector<error_left> estimate = levels.estimate();
    const bool estimated = !estimate.empty();
    std::cout << std::endl
              << (estimated ? "node  temperature     error left  order" : "node  temperature")
              << std::endl;
    for (int i = 0; i < node_count; i++) {
        std::cout << std::setw(4) << i + 1 << "  " << std::setw(11) << std::setprecision(9)
                  << levels.temperatures()[i];
        if (estimated) {
            std::cout << "  " << std::setw(13) << std::setprecision(3) << estimate[i].left << "  "
                      << std::setw(5) << estimate[i].order
                      << (estimate[i].observed ? " observed" : " assumed");
        }
        std::cout << std::endl;
    }
}

} // namespace

bool refine_level(const char* text, int& level) {
    if (text == nullptr || *text == '\0') {
        return false;
    }
    const char* end = text + std::char_traits<char>::length(text);
    const auto read = std::from_chars(text, end, level);
    return read.ec == std::errc() && read.ptr == end && level >= 0 && level <= most_level;
}

int run_refined(int level, const problem_values& values) {
    const plate problem(values);
    element_table elements;
    if (!judged_elements(problem, elements)) {
        return run_status();
    }
    const double available = available_memory();
    if (level_bytes(level) > available) {
        int fits = level;
        while (fits > 0 && level_bytes(fits) > available) {
            fits--;
        }
        report_failure(
            memory_words("level " + std::to_string(level), level_bytes(level), available) +
            ": the largest level that fits is " + std::to_string(fits));
        return run_status();
    }
    refinement levels(table_mesh(elements, problem), problem);
    const bool progress = error_is_terminal();
    double seconds = 0;
    std::cout << "level  triangles      nodes    hottest  at node     change    heat in   heat out"
                 "   residual  seconds"
              << std::endl;
    for (int l = 0; l <= level; l++) {
        // A level that may take more than a second is shown while it runs.
        const bool shown = progress && 4 * seconds > 1;
        if (shown) {
            std::cerr << "heat2d: solving level " << l << "..." << std::flush;
        }
        const level_line line = levels.next();
        seconds = line.seconds;
        if (shown) {
            std::cerr << "\r\033[K" << std::flush;
        }
        std::ostringstream text;
        text << std::setw(5) << l << column{11} << line.triangles << column{11} << line.nodes
             << std::setprecision(7) << column{11} << line.hottest << column{9} << line.hottest_node
             << std::setprecision(3) << column{11} << line.change << std::setprecision(9)
             << column{11} << line.balance.in << column{11} << line.balance.out
             << std::setprecision(2) << column{11} << line.residual << column{9} << std::fixed
             << line.seconds << rounding_words(line.at_rounding, line.backward);
        std::cout << text.str() << std::endl;
        if (!line.converged) {
            std::ostringstream why;
            why << "level " << l << " did not converge: its residual is " << line.residual
                << " after " << line.iterations << " iterations";
            report_failure(why.str());
            return run_status();
        }
    }
    print_nodes(levels);
    check_console();
    write_fine_files("refined", levels.finest(), levels.temperatures());
    write_values(values, "refined_");
    finish_console();
    return run_status();
}
