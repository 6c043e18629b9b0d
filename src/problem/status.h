// The run's outcome. A stage that meets a fault it can survive (an output file
// that cannot be written, an inverted element, a pivot that is not positive)
// says so on stderr and carries on; the run then ends with status 1.
#pragma once

#include <array>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

// What a line of a fault names, so that a reader can follow it without
// reading its words: element a (line a of elements.txt), side a-b, node a
// (row a of K), or a faults: the count of faults that the line stands for
// ("and 9 more faults ..."). A line that names nothing stands for one fault.
enum class naming { element = 1, side = 2, node = 3, faults = 4 };
struct mention {
    naming kind;
    int a;
    int b;
};
using mentions = std::vector<mention>;

// Writes "heat2d: <message>" as one line on stderr and marks the run as
// failed; what the line names goes with it (see process.h's pass_names).
void report_failure(const std::string& message, const mentions& named_things = {});

// What the lines reported so far name, four ints a thing: the line's number (0
// for the first line reported), the kind (a naming), a and b.
const std::vector<std::array<int, 4>>& reported_names();

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
    explicit input_error(const std::string& message, mentions named_things = {})
        : std::runtime_error(message), named_(std::move(named_things)) {}
    // What the message names.
    const mentions& named_things() const {
        return named_;
    }

  private:
    mentions named_;
};
