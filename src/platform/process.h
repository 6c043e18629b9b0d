// What the run needs from the operating system: sound standard streams at the
// start and the final pause. All code that differs between systems is here.
#pragma once

#include <string>
#include <vector>

// Called first. On POSIX systems: opens the null device on each of the
// descriptors 0, 1 and 2 that is closed, so that no file the run opens takes
// the place of a standard stream, and ignores SIGPIPE, so that a closed pipe
// shows as a failed write rather than ending the process. A closed standard
// output counts as a console that cannot be written (see status.h).
void prepare_process();

// Waits for one key press. On Windows the command processor's "pause" does the
// waiting. Elsewhere the prompt "Press any key to continue . . . " goes to
// standard output and one key is read: on a terminal a single key press
// (Ctrl-C included), without Enter and without echo; otherwise one byte. At end
// of input it returns at once. The terminal's settings are restored afterwards,
// and also when SIGTERM, SIGHUP, SIGINT or SIGQUIT ends the process during the
// wait.
void wait_for_key();

// The bytes this process can still take now: on Linux the least of the
// memory available (MemAvailable), what the control group's limit leaves and
// what the address-space limit leaves; on Windows the physical memory
// available; in a browser, what the module's memory may still grow by.
double available_memory();

// Hands what fault line `line` (0 for the first) names, three ints a thing
// (kind, a, b: see status.h), to whoever runs the program in a browser: the
// page's function onNames(line, values) on the module, when it has one. Does
// nothing elsewhere.
void pass_names(int line, const std::vector<int>& values);

// Appends a double that reads back as the same number: in the shortest such
// form, or in a browser, whose library has no shortest form, in 17
// significant digits.
void append_number(std::string& text, double value);

// Whether standard error is a terminal (progress is shown only there).
bool error_is_terminal();
