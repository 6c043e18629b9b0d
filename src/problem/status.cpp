#include "problem/status.h"

#include "platform/process.h"

#include <cerrno>
#include <cstring>
#include <iostream>

namespace {
bool run_failed = false;
// The reason standard output failed, once it has; -1 before.
int console_error = -1;
int lines_reported = 0;
std::vector<std::array<int, 4>> named_rows;
} // namespace

void report_failure(const std::string& message, const mentions& named_things) {
    std::cerr << "heat2d: " << message << std::endl;
    run_failed = true;
    std::vector<int> passed;
    for (const mention& thing : named_things) {
        named_rows.push_back({lines_reported, static_cast<int>(thing.kind), thing.a, thing.b});
        passed.insert(passed.end(), {static_cast<int>(thing.kind), thing.a, thing.b});
    }
    pass_names(lines_reported, passed);
    lines_reported++;
}

const std::vector<std::array<int, 4>>& reported_names() {
    return named_rows;
}

std::string with_reason(const std::string& message, int error) {
    return error == 0 ? message : message + ": " + std::strerror(error);
}

void check_console() {
    if (console_error < 0 && !std::cout) {
        console_error = errno;
    }
}

void console_failed(int error) {
    console_error = error;
}

void finish_console() {
    check_console();
    if (console_error >= 0) {
        report_failure(with_reason("cannot write standard output", console_error));
    }
}

int run_status() {
    return run_failed ? 1 : 0;
}
