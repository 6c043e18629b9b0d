#include "platform/process.h"

#include "problem/status.h"

#include <charconv>
#include <cstdio>
#include <limits>

#ifdef _WIN32

#include <cstdlib>
#include <io.h>
#include <windows.h>

void prepare_process() {}

void wait_for_key() {
    (void)std::system("pause");
}

double available_memory() {
    MEMORYSTATUSEX status{};
    status.dwLength = sizeof status;
    return GlobalMemoryStatusEx(&status) ? static_cast<double>(status.ullAvailPhys)
                                         : std::numeric_limits<double>::infinity();
}

bool error_is_terminal() {
    return _isatty(_fileno(stderr)) != 0;
}

void pass_names(int, const std::vector<int>&) {}

#else

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <fcntl.h>
#include <fstream>
#include <iostream>
#include <string>
#include <sys/resource.h>
#include <termios.h>
#include <unistd.h>
#ifdef __EMSCRIPTEN__
#include <emscripten/em_js.h>
#include <emscripten/heap.h>
#endif

namespace {

// The terminal's settings while the pause has it in single-key mode.
termios saved_settings{};

const int ending_signals[] = {SIGTERM, SIGHUP, SIGINT, SIGQUIT};

// A signal during the pause: the terminal gets its settings back, then the
// signal ends the process as it would have (the handler is reset on entry).
void restore_and_end(int signal) {
    tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved_settings);
    raise(signal);
}

// Reads one byte from standard input; end of input and errors end the wait.
// No signal interrupts it and lets the program go on: the only handlers
// installed end the process.
void read_one_byte() {
    char key;
    [[maybe_unused]] const ssize_t got = read(STDIN_FILENO, &key, 1);
}

} // namespace

void prepare_process() {
    for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; fd++) {
        if (fcntl(fd, F_GETFD) == -1) {
            // The lowest free descriptor is fd itself.
            open("/dev/null", O_RDWR);
            if (fd == STDOUT_FILENO) {
                console_failed(EBADF);
            }
        }
    }
    signal(SIGPIPE, SIG_IGN);
}

void wait_for_key() {
    std::cout << "Press any key to continue . . . " << std::flush;
    check_console();
    if (isatty(STDIN_FILENO) && tcgetattr(STDIN_FILENO, &saved_settings) == 0) {
        // The handlers stay: after the wait, restoring the settings again
        // changes nothing.
        struct sigaction restore {};
        restore.sa_handler = restore_and_end;
        restore.sa_flags = SA_RESETHAND;
        for (const int signal : ending_signals) {
            sigaction(signal, &restore, nullptr);
        }
        termios raw = saved_settings;
        // Without ISIG, Ctrl-C is a key like any other: the program ends
        // normally and the terminal gets its settings back.
        raw.c_lflag &= static_cast<tcflag_t>(~(ICANON | ECHO | ISIG));
        raw.c_cc[VMIN] = 1;
        raw.c_cc[VTIME] = 0;
        tcsetattr(STDIN_FILENO, TCSANOW, &raw);
        read_one_byte();
        // TCSAFLUSH drops the rest of a key that sends several bytes (an arrow
        // key, say), so that the shell does not receive it.
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved_settings);
    } else {
        read_one_byte();
    }
    // The command processor ends the prompt's line once the key is pressed.
    std::cout << std::endl;
}

namespace {

// The first number of a file, or infinity ("max", missing, unreadable).
double number_in(const char* path) {
    std::ifstream file(path);
    double value = 0;
    return file >> value ? value : std::numeric_limits<double>::infinity();
}

// The kB of a line of /proc/meminfo, in bytes.
double meminfo(const std::string& key) {
    std::ifstream file("/proc/meminfo");
    std::string name;
    double kb = 0;
    while (file >> name >> kb) {
        if (name == key + ":") {
            return kb * 1024;
        }
        file.ignore(std::numeric_limits<std::streamsize>::max(), '\n');
    }
    return std::numeric_limits<double>::infinity();
}

} // namespace

double available_memory() {
#ifdef __EMSCRIPTEN__
    // What the module's memory may still grow by (WebAssembly's at most 4 GB).
    return static_cast<double>(emscripten_get_heap_max()) -
           static_cast<double>(reinterpret_cast<std::uintptr_t>(sbrk(0)));
#endif
    double available = meminfo("MemAvailable");
    const double group = number_in("/sys/fs/cgroup/memory.max");
    available = std::min(available, group - number_in("/sys/fs/cgroup/memory.current"));
    rlimit limit{};
    if (getrlimit(RLIMIT_AS, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY) {
        // What the process's address space already holds: /proc/self/statm's
        // first number, in pages.
        const double used =
            number_in("/proc/self/statm") * static_cast<double>(sysconf(_SC_PAGESIZE));
        available = std::min(available, static_cast<double>(limit.rlim_cur) - used);
    }
    return available;
}

bool error_is_terminal() {
#ifdef __EMSCRIPTEN__
    return false; // its standard error says it is a terminal even when it is piped
#else
    return isatty(STDERR_FILENO) != 0;
#endif
}

#ifdef __EMSCRIPTEN__
// clang-format off
EM_JS(void, hand_names, (int line, const int* values, int count), {
    if (Module["onNames"]) Module["onNames"](line, Array.from(HEAP32.subarray(values >>> 2, (values >>> 2) + count)));
});
// clang-format on
#endif

void pass_names(int line, const std::vector<int>& values) {
#ifdef __EMSCRIPTEN__
    hand_names(line, values.data(), static_cast<int>(values.size()));
#else
    (void)line;
    (void)values;
#endif
}

#endif

void append_number(std::string& text, double value) {
    char digits[32];
#if defined(__EMSCRIPTEN__)
    const int length = std::snprintf(digits, sizeof digits, "%.17g", value);
    text.append(digits, static_cast<std::size_t>(length));
#else
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    text.append(digits, end);
#endif
}
