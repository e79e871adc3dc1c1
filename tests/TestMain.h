#pragma once
// Settings that long randomized runs take from the command line (--seed=N --steps=N) or the
// environment (TESSARIN_TEST_SEED, TESSARIN_TEST_STEPS); CI keeps the short defaults.
#include <cstdint>

struct TestRunSettings {
    uint32_t seed = 20261208;
    int steps = 0; // 0: each test's own short default
};
extern TestRunSettings g_testRun;
