#include "problem/status.h"

#include <iostream>

namespace {
bool run_failed = false;
}

void report_failure(const std::string& message) {
    std::cerr << "heat2d: " << message << std::endl;
    run_failed = true;
}

int run_status() {
    return run_failed ? 1 : 0;
}
