#include "problem/driver.h"

// Command-line arguments and the environment are not read.
int main() {
    return run_program();
}
