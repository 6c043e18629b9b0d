// Output files of a run. Each is opened for writing (an existing file is
// replaced) and checked when it is closed: a file that could not be opened or
// written is reported through report_failure, and the run goes on.
#pragma once

#include <fstream>

// Opens name for writing in text mode; returns why an opening failed (errno),
// or 0.
int open_output(std::ofstream& stream, const char* name);

// Closes the stream and reports the file if anything about it failed.
void close_output(std::ofstream& stream, int open_error, const char* name);
