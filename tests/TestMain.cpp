// Entry point of the test executables: GoogleTest's own flags, plus --seed=N and --steps=N for
// the randomized tests (or TESSARIN_TEST_SEED and TESSARIN_TEST_STEPS in the environment, for runs
// through ctest; the command line wins), and --exclude=PATTERN, which leaves tests out on top of
// whatever filter was given, so that ctest can keep a group apart while GTEST_FILTER in the
// environment still narrows a run. A watchdog closes message boxes that a failing test leaves
// open, and fails that test, so that the executable ends instead of waiting for CTest's limit.
#include "BoxWatchdog.h"
#include "TestMain.h"
#include <gtest/gtest.h>
#include <cstdlib>
#include <cstring>
#include <string>

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
void Exclude(const char* pszPattern) {
    std::string filter = GTEST_FLAG_GET(filter);
    filter += filter.find('-') == std::string::npos ? "-" : ":";
    filter += pszPattern;
    GTEST_FLAG_SET(filter, filter);
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
        else if (std::strncmp(argv[i], "--exclude=", 10) == 0)
            Exclude(argv[i] + 10);
    }
    // Longer than any test takes to answer a box it expects: their dialog drivers give up at 10 s.
    CBoxWatchdog watchdog(20000);
    return RUN_ALL_TESTS();
}
