#pragma once
// A watchdog over this process's message boxes: one that stays up unanswered longer than its
// patience is closed, with the answer that changes least (Cancel, No, then OK), and the test that
// was running fails, naming the box. A failed expectation that leaves a box open otherwise blocks
// the test inside the box's loop until CTest ends the whole executable.
#include <windows.h>
#include <atomic>
#include <thread>

class CBoxWatchdog {
public:
    // nPatienceMs: how long a box may stay up; TESSARIN_TEST_BOX_PATIENCE_MS in the environment
    // overrides it.
    explicit CBoxWatchdog(DWORD nPatienceMs);
    ~CBoxWatchdog();
    CBoxWatchdog(const CBoxWatchdog&) = delete;
    CBoxWatchdog& operator=(const CBoxWatchdog&) = delete;

private:
    void Watch();

    DWORD m_nPatienceMs;
    std::atomic<bool> m_bStop{false};
    std::thread m_thread;
};
