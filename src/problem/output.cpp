#include "problem/output.h"

#include "problem/status.h"

#include <cerrno>
#include <string>

int open_output(std::ofstream& stream, const char* name) {
    errno = 0;
    stream.open(name);
    return stream.is_open() ? 0 : errno;
}

void close_output(std::ofstream& stream, int open_error, const char* name) {
    const std::string message = std::string("cannot write ") + name;
    if (!stream.is_open()) {
        report_failure(with_reason(message, open_error));
        return;
    }
    // A write that failed left its data in the buffer: closing tries it again
    // and sets errno.
    errno = 0;
    stream.close();
    if (stream.fail()) {
        report_failure(with_reason(message, errno));
    }
}
