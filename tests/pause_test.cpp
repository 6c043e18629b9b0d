#include "problem/pause.h"

#include <gtest/gtest.h>

#ifndef _WIN32

#include <fcntl.h>
#include <unistd.h>

namespace {

const char* const prompt = "Press any key to continue . . . \n";

// Puts fd in place of standard input for the lifetime of the object.
class StdinFrom {
  public:
    explicit StdinFrom(int fd) : saved_(dup(STDIN_FILENO)) {
        if (fd >= 0) {
            dup2(fd, STDIN_FILENO);
            close(fd);
        } else {
            close(STDIN_FILENO);
        }
    }
    ~StdinFrom() {
        dup2(saved_, STDIN_FILENO);
        close(saved_);
    }
    StdinFrom(const StdinFrom&) = delete;
    StdinFrom& operator=(const StdinFrom&) = delete;

  private:
    int saved_;
};

std::string pause_output() {
    testing::internal::CaptureStdout();
    wait_for_key();
    return testing::internal::GetCapturedStdout();
}

} // namespace

TEST(Pause, ReturnsAtEndOfInput) {
    StdinFrom null_input(open("/dev/null", O_RDONLY));
    EXPECT_EQ(pause_output(), prompt);
}

TEST(Pause, ReturnsWithStandardInputClosed) {
    StdinFrom closed(-1);
    EXPECT_EQ(pause_output(), prompt);
}

TEST(Pause, ReadsExactlyOneByte) {
    int ends[2];
    ASSERT_EQ(pipe(ends), 0);
    ASSERT_EQ(write(ends[1], "ab", 2), 2);
    close(ends[1]);
    StdinFrom piped(ends[0]);
    EXPECT_EQ(pause_output(), prompt);
    char next = 0;
    EXPECT_EQ(read(STDIN_FILENO, &next, 1), 1);
    EXPECT_EQ(next, 'b');
}

#endif
