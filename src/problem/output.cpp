#include "problem/output.h"

#include "problem/status.h"

#include <cerrno>
#include <cstring>
#include <string>

void open_output(std::ofstream& stream, int& open_error, const char* name) {
    errno = 0;
    stream.open(name);
    open_error = stream.is_open() ? 0 : errno;
}

void close_output(std::ofstream& stream, int open_error, const char* name) {
    if (!stream.is_open()) {
        std::string message = std::string("cannot write ") + name;
        if (open_error != 0) {
            message += std::string(": ") + std::strerror(open_error);
        }
        report_failure(message);
        return;
    }
    stream.close();
    if (stream.fail()) {
        report_failure(std::string("cannot write ") + name);
    }
}
