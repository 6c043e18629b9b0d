// The final pause of a run: waits for one key press before the program ends.
#pragma once

// On Windows the command processor's "pause" does the waiting. Elsewhere the
// prompt "Press any key to continue . . . " goes to standard output and one key
// is read: on a terminal a single key press (Ctrl-C included), without Enter
// and without echo, the terminal's settings restored afterwards;
// otherwise one byte. At end of input, or with standard input closed, it
// returns at once.
void wait_for_key();
