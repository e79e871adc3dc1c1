// Where a search dialog goes to uncover a match: random dialogs, matches and work areas against
// what a user needs, namely the dialog whole, inside the work area, and off the match whenever
// there is room above or below it.
#include <gtest/gtest.h>
#include <iostream>
#include <random>
#include "TestMain.h"
#include "search/SearchDlg.h"

namespace {
bool Overlap(const RECT& a, const RECT& b) {
    RECT rc{};
    return ::IntersectRect(&rc, &a, &b) != FALSE;
}
} // namespace

TEST(DialogPlacement, StepsOffTheMatchInsideTheWorkArea) {
    std::mt19937 random(g_testRun.seed);
    std::cout << "seed " << g_testRun.seed << "\n";
    auto in = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(random); };
    const int nSteps = g_testRun.steps > 0 ? g_testRun.steps : 20000;
    for (int i = 0; i < nSteps; ++i) {
        const RECT rcWork{in(-1280, 0), in(-100, 50), in(600, 2560), in(500, 1600)};
        const int cx = in(100, rcWork.right - rcWork.left), cy = in(80, (rcWork.bottom - rcWork.top) * 3 / 4);
        const int x = in(rcWork.left - cx / 2, rcWork.right - cx / 2),
                  y = in(rcWork.top - cy / 2, rcWork.bottom - cy / 2);
        const RECT rcDialog{x, y, x + cx, y + cy};
        const int ax = in(rcWork.left, rcWork.right - 10), ay = in(rcWork.top, rcWork.bottom - 10);
        const RECT rcAvoid{ax, ay, ax + in(1, rcWork.right - ax), ay + in(1, std::min<int>(60, rcWork.bottom - ay))};

        const RECT rc = PlaceClearOf(rcDialog, rcAvoid, rcWork);
        SCOPED_TRACE(testing::Message() << "step " << i);
        ASSERT_EQ(rc.right - rc.left, cx);
        ASSERT_EQ(rc.bottom - rc.top, cy);
        ASSERT_TRUE(rc.left >= rcWork.left && rc.right <= rcWork.right && rc.top >= rcWork.top &&
                    rc.bottom <= rcWork.bottom);
        if (!Overlap(rcDialog, rcAvoid)) {
            // Not in the way: it moves only as far as the work area asks.
            ASSERT_EQ(rc.top, std::max<LONG>(rcWork.top, std::min<LONG>(rcDialog.top, rcWork.bottom - cy)));
            continue;
        }
        ASSERT_EQ(rc.left, std::max<LONG>(rcWork.left, std::min<LONG>(rcDialog.left, rcWork.right - cx)));
        const bool bRoomBelow = rcWork.bottom - rcAvoid.bottom >= cy, bRoomAbove = rcAvoid.top - rcWork.top >= cy;
        if (bRoomBelow) {
            ASSERT_EQ(rc.top, rcAvoid.bottom) << "just below the match";
        } else if (bRoomAbove) {
            ASSERT_EQ(rc.bottom, rcAvoid.top) << "just above the match";
        }
        if (bRoomBelow || bRoomAbove) {
            ASSERT_FALSE(Overlap(rc, rcAvoid));
        }
    }
}
