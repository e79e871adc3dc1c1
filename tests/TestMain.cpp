// Entry point of the test executables: GoogleTest's own flags, plus --seed=N and --steps=N for
// the randomized tests (or TESSARIN_TEST_SEED and TESSARIN_TEST_STEPS in the environment, for runs
// through ctest; the command line wins).
#include "TestMain.h"
#include <gtest/gtest.h>
#include <cstdlib>
#include <cstring>

TestRunSettings g_testRun;

namespace {
void TakeSeed(const char* psz) {
    if (psz && *psz)
        g_testRun.seed = static_cast<uint32_t>(std::strtoul(psz, nullptr, 10));
}
void TakeSteps(const char* psz) {
    if (psz && *psz)
        g_testRun.steps = std::atoi(psz);
}
} // namespace

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    TakeSeed(std::getenv("TESSARIN_TEST_SEED"));
    TakeSteps(std::getenv("TESSARIN_TEST_STEPS"));
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--seed=", 7) == 0)
            TakeSeed(argv[i] + 7);
        else if (std::strncmp(argv[i], "--steps=", 8) == 0)
            TakeSteps(argv[i] + 8);
    }
    return RUN_ALL_TESTS();
}
