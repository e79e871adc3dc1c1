// Entry point of the test executables: GoogleTest's own flags, plus --seed=N and --steps=N for
// the randomized tests.
#include "TestMain.h"
#include <gtest/gtest.h>
#include <cstdlib>
#include <cstring>

TestRunSettings g_testRun;

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--seed=", 7) == 0)
            g_testRun.seed = static_cast<uint32_t>(std::strtoul(argv[i] + 7, nullptr, 10));
        else if (std::strncmp(argv[i], "--steps=", 8) == 0)
            g_testRun.steps = std::atoi(argv[i] + 8);
    }
    return RUN_ALL_TESTS();
}
