#include "mesh/mesh.h"
#include "platform/process.h"
#include "problem/problem.h"

#include <gtest/gtest.h>

#include "support.h"

#ifndef _WIN32
#include <fcntl.h>
#include <unistd.h>
#endif

TEST(Foundation, ZeroSystemAfterAllocationThenTheNodeTable) {
    ScratchDir dir;
    for (double entry : convection_matrix) {
        EXPECT_EQ(entry, 0.0);
    }
    fresh_storage(); // the first call in this process: allocate_storage itself
    for (int i = 1; i <= 18; i++) {
        EXPECT_EQ(f[i], 0.0) << "f[" << i << "]";
        for (int j = 1; j <= 18; j++) {
            EXPECT_EQ(K[i][j], 0.0) << "K[" << i << "][" << j << "]";
        }
    }
    generate_mesh(nodes);
    for (int i = 1; i <= 18; i++) {
        EXPECT_EQ(nodes[i][1], expected_node_xy[i][0]) << "x of node " << i;
        EXPECT_EQ(nodes[i][2], expected_node_xy[i][1]) << "y of node " << i;
    }
}

#ifndef _WIN32
// The pause with standard input at its end, holding two bytes, and closed.
TEST(Foundation, PauseReadsOneByteAndReturnsAtEndOfInput) {
    const int saved = dup(STDIN_FILENO), null_input = open("/dev/null", O_RDONLY);
    auto pause_output = [] {
        testing::internal::CaptureStdout();
        wait_for_key();
        return testing::internal::GetCapturedStdout();
    };
    const std::string prompt = "Press any key to continue . . . \n";
    dup2(null_input, STDIN_FILENO);
    EXPECT_EQ(pause_output(), prompt);
    int ends[2];
    ASSERT_EQ(pipe(ends), 0);
    ASSERT_EQ(write(ends[1], "ab", 2), 2);
    dup2(ends[0], STDIN_FILENO);
    EXPECT_EQ(pause_output(), prompt);
    char next = 0;
    EXPECT_EQ(read(STDIN_FILENO, &next, 1), 1);
    EXPECT_EQ(next, 'b') << "the pause must take exactly one byte";
    close(STDIN_FILENO);
    EXPECT_EQ(pause_output(), prompt);
    dup2(saved, STDIN_FILENO);
    for (int fd : {saved, null_input, ends[0], ends[1]}) {
        close(fd);
    }
}
#endif
