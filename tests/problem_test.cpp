#include "problem/problem.h"
#include "problem/status.h"

#include <gtest/gtest.h>

#include "support.h"

TEST(Storage, StartsWithZeroSystemAndEmptyConvectionMatrix) {
    // Static storage: zero before any convection element is assembled.
    for (double entry : convection_matrix) {
        EXPECT_EQ(entry, 0.0);
    }
    fresh_storage();
    ASSERT_NE(f, nullptr);
    for (int i = 1; i <= 18; i++) {
        EXPECT_EQ(f[i], 0.0) << "f[" << i << "]";
        for (int j = 1; j <= 18; j++) {
            EXPECT_EQ(K[i][j], 0.0) << "K[" << i << "][" << j << "]";
        }
    }
}

TEST(Storage, EveryRowIncludingRowZeroIsAllocated) {
    fresh_storage();
    // Writing every slot of every row is valid only if each row has its full size;
    // the sanitizer build turns an undersized row into a failure.
    for (int i = 0; i <= node_count; i++) {
        for (int j = 0; j <= node_count + 1; j++) {
            K[i][j] = 1.0;
        }
        for (int j = 0; j < 3; j++) {
            nodes[i][j] = 1.0;
        }
    }
    for (int e = 0; e <= element_count; e++) {
        for (int j = 0; j < 4; j++) {
            elements[e][j] = 1.0;
        }
    }
    for (int i = 0; i < 4; i++) {
        for (int j = 0; j < 4; j++) {
            local_stiffness[i][j] = 1.0;
            element_matrix[i][j] = 1.0;
        }
    }
    f[0] = 1.0;
    SUCCEED();
}

TEST(Status, FailureIsOneLineOnStderrAndFailsTheRun) {
    testing::internal::CaptureStderr();
    report_failure("cannot write K.txt");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "heat2d: cannot write K.txt\n");
    EXPECT_EQ(run_status(), 1);
}
