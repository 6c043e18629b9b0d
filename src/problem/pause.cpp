#include "problem/pause.h"

#ifdef _WIN32

#include <cstdlib>

void wait_for_key() {
    (void)std::system("pause");
}

#else

#include <cerrno>
#include <iostream>
#include <termios.h>
#include <unistd.h>

namespace {

// Reads one byte from standard input; end of input and errors end the wait.
void read_one_byte() {
    char key = 0;
    while (read(STDIN_FILENO, &key, 1) < 0 && errno == EINTR) {
    }
}

} // namespace

void wait_for_key() {
    std::cout << "Press any key to continue . . . " << std::flush;
    termios saved{};
    if (isatty(STDIN_FILENO) && tcgetattr(STDIN_FILENO, &saved) == 0) {
        termios raw = saved;
        // Without ISIG, Ctrl-C is a key like any other: the program ends
        // normally and the terminal gets its settings back.
        raw.c_lflag &= static_cast<tcflag_t>(~(ICANON | ECHO | ISIG));
        raw.c_cc[VMIN] = 1;
        raw.c_cc[VTIME] = 0;
        tcsetattr(STDIN_FILENO, TCSANOW, &raw);
        read_one_byte();
        // TCSAFLUSH drops the rest of a key that sends several bytes (an arrow
        // key, say), so that the shell does not receive it.
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved);
    } else {
        read_one_byte();
    }
    // The command processor ends the prompt's line once the key is pressed.
    std::cout << std::endl;
}

#endif
