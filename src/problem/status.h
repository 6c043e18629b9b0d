// The run's outcome. A stage that meets a fault it can survive (an output file
// that cannot be written, an inverted element, a pivot that is not positive)
// says so on stderr and carries on; the run then ends with status 1.
#pragma once

#include <stdexcept>
#include <string>

// Writes "heat2d: <message>" as one line on stderr and marks the run as failed.
void report_failure(const std::string& message);

// The message followed by ": <the system's text for error>", or the message
// alone when error is 0.
std::string with_reason(const std::string& message, int error);

// The console report. check_console remembers the system's reason when
// standard output has failed; call it right after writing, before anything
// else can change errno. console_failed records a failure whose reason is
// known. finish_console, after the last line (every line is flushed), reports
// a failure, if there was one, as "cannot write standard output: <reason>".
void check_console();
void console_failed(int error);
void finish_console();

// 0 while nothing has been reported, 1 afterwards.
int run_status();

// Input that the run cannot go on with; its text is the complete message line
// without the program name.
class input_error : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};
