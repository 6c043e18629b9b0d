#include "refine/refined_run.h"

#include "assembly/triangulation.h"
#include "mesh/connectivity.h"
#include "mesh/mesh.h"
#include "platform/process.h"
#include "problem/problem.h"
#include "problem/status.h"
#include "refine/refine.h"

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

const char* const refined_files[] = {"refined_mesh.txt", "refined_elements.txt",
                                     "refined_write_.txt"};

// A double in the shortest form that reads back to it.
void append(std::string& text, double value) {
    char digits[32];
#if defined(__EMSCRIPTEN__)
    const int length = std::snprintf(digits, sizeof digits, "%.17g", value);
    text.append(digits, static_cast<std::size_t>(length));
#else
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    text.append(digits, end);
#endif
}

// Writes the lines that line(i, text) appends for i < count to name's
// temporary neighbour, in blocks; false, reported, when it fails.
template <typename writer>
bool write_aside(const std::string& name, std::size_t count, writer line) {
    const std::string aside = name + ".part";
    std::FILE* file = std::fopen(aside.c_str(), "wb");
    if (file == nullptr) {
        report_failure(with_reason("cannot write " + name, errno));
        return false;
    }
    std::string block;
    bool good = true;
    for (std::size_t i = 0; i < count && good; i++) {
        line(i, block);
        if (block.size() > (1 << 20) || i + 1 == count) {
            good = std::fwrite(block.data(), 1, block.size(), file) == block.size();
            block.clear();
        }
    }
    int error = good ? 0 : errno;
    if (std::fclose(file) != 0 && good) {
        good = false;
        error = errno;
    }
    if (!good) {
        std::remove(aside.c_str());
        report_failure(with_reason("cannot write " + name, error));
        return false;
    }
    return true;
}

// The three files of the finest level: written aside, then renamed in turn.
// A target that is a folder is refused before anything is written.
void write_files(const level_mesh& mesh, const std::vector<double>& T) {
    for (const char* name : refined_files) {
        struct stat seen {};
        if (stat(name, &seen) == 0 && S_ISDIR(seen.st_mode)) {
            report_failure(std::string("cannot write ") + name + ": is a folder");
            return;
        }
    }
    const bool written =
        write_aside(refined_files[0], mesh.node_count(),
                    [&](std::size_t i, std::string& text) {
                        append(text, mesh.x[i]);
                        text += ' ';
                        append(text, mesh.y[i]);
                        text += '\n';
                    }) &&
        write_aside(refined_files[1], mesh.triangle_count(),
                    [&](std::size_t t, std::string& text) {
                        for (int k = 0; k < 3; k++) {
                            text += std::to_string(mesh.triangles[3 * t + k] + 1);
                            text += k < 2 ? ' ' : '\n';
                        }
                    }) &&
        write_aside(refined_files[2], T.size(), [&](std::size_t i, std::string& text) {
            text += std::to_string(i + 1);
            text += ' ';
            append(text, T[i]);
            text += '\n';
        });
    for (const char* name : refined_files) {
        const std::string aside = std::string(name) + ".part";
        if (!written) {
            std::remove(aside.c_str());
        } else if (std::rename(aside.c_str(), name) != 0) {
            report_failure(with_reason(std::string("cannot write ") + name, errno));
        }
    }
}

std::string megabytes(double bytes) {
    return std::to_string(static_cast<long long>(std::ceil(bytes / (1 << 20)))) + " MB";
}

// The finest level's temperature at heat2d's nodes, with the error left in
// each from level 2 on.
void print_nodes(const refinement& levels) {
    const bool estimated = levels.levels() >= 3;
    const std::vector<error_left> estimate =
        estimated ? levels.estimate() : std::vector<error_left>(node_count);
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

int run_refined(int level) {
    prepare_process();
    allocate_storage();
    place_nodes(nodes);
    try {
        read_elements(elements);
    } catch (const input_error& error) {
        report_failure(error.what());
        return run_status();
    }
    check_triangulation(elements, nodes);
    if (run_status() != 0) {
        return run_status();
    }
    const double available = available_memory();
    if (level_bytes(level) > available) {
        int fits = level;
        while (fits > 0 && level_bytes(fits) > available) {
            fits--;
        }
        report_failure("level " + std::to_string(level) + " needs about " +
                       megabytes(level_bytes(level)) + ", more than the " + megabytes(available) +
                       " available: the largest level that fits is " + std::to_string(fits));
        return run_status();
    }
    refinement levels(elements, nodes);
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
        text << std::setw(5) << l << std::setw(11) << line.triangles << std::setw(11) << line.nodes
             << std::setprecision(7) << std::setw(11) << line.hottest << std::setw(9)
             << line.hottest_node << std::setprecision(3) << std::setw(11) << line.change
             << std::setprecision(9) << std::setw(11) << line.balance.in << std::setw(11)
             << line.balance.out << std::setprecision(2) << std::setw(11) << line.residual
             << std::setw(9) << std::fixed << line.seconds;
        std::cout << text.str() << std::endl;
        if (!line.converged) {
            report_failure("level " + std::to_string(l) + " did not converge: its residual is " +
                           std::to_string(line.residual) + " after " +
                           std::to_string(line.iterations) + " iterations");
            return run_status();
        }
    }
    print_nodes(levels);
    check_console();
    write_files(levels.finest(), levels.temperatures());
    finish_console();
    return run_status();
}
