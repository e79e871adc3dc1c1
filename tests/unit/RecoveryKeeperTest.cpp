// Recovery snapshots without a window: random texts (lone surrogates and NULs included) written by
// the keeper's thread come back exactly; every cut or damaged copy of a snapshot file is refused;
// removal, the instance lock and the search for snapshots of instances that are gone.
#include "TestFiles.h"
#include "TestMain.h"
#include "document/RecoveryKeeper.h"
#include <gtest/gtest.h>
#include <random>

namespace {

// The document as the keeper sees it: a text and a state.
class CFakeSource : public IRecoverySource {
public:
    std::wstring m_strText;
    RecoveryState m_state;
    std::vector<RecoveryProblem> m_problems;

    size_t RecoveryTextLength() override { return m_strText.size(); }
    bool CopyRecoveryText(wchar_t* pDest, size_t nOffset, size_t nCount) override {
        if (m_strText.size() < nOffset + nCount)
            return false;
        std::copy(m_strText.begin() + static_cast<long>(nOffset), m_strText.begin() + static_cast<long>(nOffset + nCount),
                  pDest);
        return true;
    }
    void DescribeRecovery(RecoveryState& state) override { state = m_state; }
    void ReportRecoveryProblem(RecoveryProblem problem) override { m_problems.push_back(problem); }
};

std::wstring RandomText(std::mt19937& rng, size_t nMax) {
    std::wstring text(rng() % (nMax + 1), L'\0');
    for (wchar_t& ch : text) {
        switch (rng() % 4) {
        case 0: ch = static_cast<wchar_t>(rng() % 0x10000); break; // anything, halves of pairs too
        case 1: ch = static_cast<wchar_t>(0x3041 + rng() % 0x56); break;
        default: ch = static_cast<wchar_t>(0x20 + rng() % 0x5F); break;
        }
    }
    return text;
}

bool WaitIdle(CRecoveryKeeper& keeper) {
    for (int i = 0; i < 2000; ++i) {
        keeper.OnTick();
        if (keeper.IsIdle())
            return true;
        ::Sleep(5);
    }
    return false;
}

bool Exists(const std::wstring& path) {
    return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

} // namespace

TEST(RecoveryKeeper, RandomSnapshotsComeBackExactlyAndDamagedCopiesAreRefused) {
    std::mt19937 rng(g_testRun.seed);
    const int steps = g_testRun.steps > 0 ? g_testRun.steps : 40;
    CTempDir dir;
    CFakeSource source;
    CRecoveryKeeper keeper(source, dir.Path(), false);
    const std::wstring file = keeper.Names().strSnapshot;
    for (int step = 0; step < steps; ++step) {
        SCOPED_TRACE("step " + std::to_string(step) + ", seed " + std::to_string(g_testRun.seed));
        source.m_strText = RandomText(rng, step % 8 == 7 ? 300000 : 2000);
        source.m_state.strPath = rng() % 3 ? L"C:\\docs\\" + RandomText(rng, 20) + L".txt" : L"";
        source.m_state.encoding = static_cast<EncodingId>(rng() % kEncodingCount);
        source.m_state.lineEnding = static_cast<LineEndingId>(rng() % kLineEndingCount);
        source.m_state.nSelStart = static_cast<int>(rng() % (source.m_strText.size() + 1));
        source.m_state.nSelEnd = source.m_state.nSelStart;
        keeper.Changed();
        ASSERT_TRUE(keeper.SnapshotNow());
        ASSERT_TRUE(WaitIdle(keeper));
        uint64_t nChars = 0;
        auto snap = RecoveryFormat::Read(file, true, nChars);
        ASSERT_TRUE(snap.has_value());
        EXPECT_EQ(snap->strText, source.m_strText);
        EXPECT_EQ(nChars, source.m_strText.size());
        EXPECT_EQ(snap->state.strPath, source.m_state.strPath);
        EXPECT_EQ(snap->state.encoding, source.m_state.encoding);
        EXPECT_EQ(snap->state.lineEnding, source.m_state.lineEnding);
        EXPECT_EQ(snap->state.nSelStart, source.m_state.nSelStart);
        EXPECT_NE(snap->state.nTakenAt, 0u);
        EXPECT_FALSE(Exists(keeper.Names().strTemp));

        // A copy cut anywhere, or with any one byte changed, is not a snapshot.
        std::vector<unsigned char> bytes = ReadAllBytes(file);
        const std::wstring copy = dir.File(L"copy.bin");
        std::vector<unsigned char> cut(bytes.begin(), bytes.begin() + static_cast<long>(rng() % bytes.size()));
        WriteAllBytes(copy, cut);
        EXPECT_FALSE(RecoveryFormat::Read(copy, false, nChars).has_value()) << "cut at " << cut.size();
        std::vector<unsigned char> flipped = bytes;
        size_t at = rng() % flipped.size();
        flipped[at] ^= static_cast<unsigned char>(1 + rng() % 255);
        WriteAllBytes(copy, flipped);
        EXPECT_FALSE(RecoveryFormat::Read(copy, false, nChars).has_value()) << "byte " << at << " changed";
    }
    EXPECT_TRUE(source.m_problems.empty());
    keeper.Settled();
    ASSERT_TRUE(WaitIdle(keeper));
    EXPECT_FALSE(Exists(file));
    EXPECT_TRUE(Exists(keeper.Names().strLock)); // held while the instance runs
    keeper.Shutdown();
    EXPECT_FALSE(Exists(keeper.Names().strLock));
}

// Only the snapshots of instances that no longer run are claimed; a torn temporary file of a gone
// instance is removed, a damaged snapshot is neither offered nor deleted.
TEST(RecoveryKeeper, ClaimsOnlySnapshotsOfGoneInstances) {
    CTempDir dir;
    CFakeSource running, gone;
    CRecoveryKeeper keeper(running, dir.Path(), false);
    running.m_strText = L"running";
    keeper.Changed();
    ASSERT_TRUE(keeper.SnapshotNow());
    ASSERT_TRUE(WaitIdle(keeper));
    {
        CRecoveryKeeper other(gone, dir.Path(), false);
        gone.m_strText = L"left behind";
        other.Changed();
        ASSERT_TRUE(other.SnapshotNow());
        ASSERT_TRUE(WaitIdle(other));
        // As a killed instance leaves it: the snapshot and a torn temporary file, no lock holder.
        ::CopyFileW(other.Names().strSnapshot.c_str(), dir.File(L"gone.tsr").c_str(), FALSE);
        WriteAllBytes(dir.File(L"gone.tmp"), {'T', 'S', 'R'});
    }
    WriteAllBytes(dir.File(L"damaged.tsr"), {'T', 'S', 'R', 'E', 'C', 'O', 'V', '1', 0, 0});

    std::vector<ClaimedSnapshot> claimed = ClaimOrphanSnapshots(dir.Path());
    ASSERT_EQ(claimed.size(), 1u);
    EXPECT_EQ(claimed[0].strId, L"gone");
    EXPECT_EQ(claimed[0].nTextChars, 11u);
    EXPECT_FALSE(Exists(dir.File(L"gone.tmp")));
    EXPECT_TRUE(Exists(dir.File(L"damaged.tsr")));
    // While claimed, no one else gets it; once let go, it is there for the next start.
    EXPECT_TRUE(ClaimOrphanSnapshots(dir.Path()).empty());
    claimed.clear();
    EXPECT_FALSE(Exists(dir.File(L"gone.lock")));
    claimed = ClaimOrphanSnapshots(dir.Path());
    ASSERT_EQ(claimed.size(), 1u);

    // Restored: this instance takes the file over as its own snapshot.
    ASSERT_TRUE(keeper.Adopt(claimed[0].strFile));
    claimed.clear();
    uint64_t nChars = 0;
    auto snap = RecoveryFormat::Read(keeper.Names().strSnapshot, true, nChars);
    ASSERT_TRUE(snap.has_value());
    EXPECT_EQ(snap->strText, L"left behind");
    EXPECT_FALSE(Exists(dir.File(L"gone.tsr")));
    keeper.Shutdown();
    EXPECT_FALSE(Exists(keeper.Names().strSnapshot));
    ::DeleteFileW(dir.File(L"damaged.tsr").c_str());
}
