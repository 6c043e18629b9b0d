#include "refine/run_files.h"

#include "assembly/triangulation.h"
#include "mesh/connectivity.h"
#include "platform/process.h"
#include "problem/status.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <iomanip>
#include <sys/stat.h>

namespace {

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

} // namespace

std::ostream& operator<<(std::ostream& out, column c) {
    return out << ' ' << std::setw(c.width - 1);
}

std::string rounding_words(bool at_rounding, double backward) {
    if (!at_rounding) {
        return "";
    }
    char digits[32];
    std::snprintf(digits, sizeof digits, "%.2g", backward);
    return std::string("  limited by rounding: backward error ") + digits;
}

void write_fine_files(const std::string& prefix, const level_mesh& mesh,
                      const std::vector<double>& T) {
    const std::string names[] = {prefix + "_mesh.txt", prefix + "_elements.txt",
                                 prefix + "_write_.txt"};
    const char* refined_files[] = {names[0].c_str(), names[1].c_str(), names[2].c_str()};
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
                        append_number(text, mesh.x[i]);
                        text += ' ';
                        append_number(text, mesh.y[i]);
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
            append_number(text, T[i]);
            text += '\n';
        });
    for (const char* name : refined_files) {
        const std::string aside = std::string(name) + ".part";
        if (!written) {
            std::remove(aside.c_str());
        } else {
            // std::rename would not replace an existing file on Windows.
            std::error_code failed;
            std::filesystem::rename(aside, name, failed);
            if (failed) {
                report_failure(std::string("cannot write ") + name + ": " + failed.message());
            }
        }
    }
}

bool judged_elements(const plate& problem, element_table& elements) {
    prepare_process();
    try {
        read_elements(elements.rows());
    } catch (const input_error& error) {
        report_failure(error.what(), error.named_things());
        return false;
    }
    check_triangulation(elements.rows(), problem);
    return run_status() == 0;
}
