#include "problem/status.h"

#include <cstring>
#include <iostream>

namespace {
bool run_failed = false;
}

void report_failure(const std::string& message) {
    std::cerr << "heat2d: " << message << std::endl;
    run_failed = true;
}

std::string with_reason(const std::string& message, int error) {
    return error == 0 ? message : message + ": " + std::strerror(error);
}

int run_status() {
    return run_failed ? 1 : 0;
}
