#include "problem/status.h"

#include <cerrno>
#include <cstring>
#include <iostream>

namespace {
bool run_failed = false;
// The reason standard output failed, once it has; -1 before.
int console_error = -1;
} // namespace

void report_failure(const std::string& message) {
    std::cerr << "heat2d: " << message << std::endl;
    run_failed = true;
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
