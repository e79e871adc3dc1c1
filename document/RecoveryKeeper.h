#pragma once
// CRecoveryKeeper: keeps a recovery snapshot of the document's unsaved text on disk. When typing
// pauses for 2 s, and at least every 30 s while changes keep coming, the window's thread copies
// the text and its state into memory, and a thread of the keeper's own writes them to a temporary
// file, flushes it and renames it over the instance's snapshot, so a snapshot on disk is always
// whole. The snapshot goes when the document is settled (saved, given up, replaced) and at a
// clean exit.
#include "document/RecoveryFile.h"
#include "framework/Handles.h"
#include <windows.h>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

// Why no snapshot could be written; told to the user once, until a snapshot is written again.
enum class RecoveryProblem { None, NoSpace, NotWritable };

// What the keeper needs of the document; called on the window's thread only.
class IRecoverySource {
public:
    virtual ~IRecoverySource() = default;
    // The text's length in UTF-16 units.
    virtual size_t RecoveryTextLength() = 0;
    // Copies nCount units of the text from nOffset on into pDest; false when the text is shorter.
    virtual bool CopyRecoveryText(wchar_t* pDest, size_t nOffset, size_t nCount) = 0;
    // The document's path, pair, modified mark and selection.
    virtual void DescribeRecovery(RecoveryState& state) = 0;
    virtual void ReportRecoveryProblem(RecoveryProblem problem) = 0;
};

class CRecoveryKeeper {
public:
    static constexpr DWORD kPauseMs = 2000;     // typing paused this long: take a snapshot
    static constexpr DWORD kMaxDelayMs = 30000; // changes kept coming this long: take one anyway
    static constexpr DWORD kTickMs = 250;
    // A copy goes in slices of this many units; between slices it gives way to waiting messages
    // (typing), and goes on once the queue is idle, unless the text changed meanwhile.
    static constexpr size_t kSliceChars = 1u << 20;
    static constexpr DWORD kResumeMs = 10;
    // Texts up to this size are copied into a buffer made on the spot; larger ones into one the
    // keeper's thread made (and touched) beforehand, so the window's thread only copies.
    static constexpr size_t kDirectCopyChars = 1u << 19;
    // Free space that must remain once a snapshot is written.
    static constexpr uint64_t kReserveBytes = 64ull << 20;

    // strFolder: where snapshots go (empty: the user's recovery folder). With bTimer the keeper
    // runs its own thread timer; without, the owner calls OnTick (tests, benchmarks).
    explicit CRecoveryKeeper(IRecoverySource& source, std::wstring strFolder = {}, bool bTimer = true);
    ~CRecoveryKeeper(); // as Shutdown
    CRecoveryKeeper(const CRecoveryKeeper&) = delete;
    CRecoveryKeeper& operator=(const CRecoveryKeeper&) = delete;

    // The text changed or the document became modified.
    void Changed();
    // The document holds what its file holds, or the user gave its changes up: the snapshot goes.
    void Settled();
    // Clean exit: the snapshot goes, the thread ends, the instance's lock is let go.
    void Shutdown();
    // Takes over a restored snapshot file of another instance as this instance's snapshot (renamed,
    // so that a snapshot exists at every moment); the text it holds counts as written.
    bool Adopt(const std::wstring& strFile);

    // Checks the timing and hands a due snapshot to the thread; the timer calls it every kTickMs.
    void OnTick();
    // Takes a snapshot now when the document has changes not yet written (waits for none).
    bool SnapshotNow();
    // Nothing waits to be written and the thread is idle.
    bool IsIdle() const;

    const std::wstring& Folder() const { return m_strFolder; }
    const std::wstring& InstanceId() const { return m_strId; }
    RecoveryNames Names() const { return RecoveryFileNames(m_strFolder, m_strId); }
    // Milliseconds the window's thread spent on the last snapshot, and the bytes it wrote.
    double LastCopyMs() const { return m_dLastCopyMs; }
    std::chrono::steady_clock::time_point LastCopyStart() const { return m_tCopyStart; }
    uint64_t BytesWritten() const { return m_nBytesWritten.load(); }
    uint64_t SnapshotsWritten() const { return m_nWritten.load(); }

private:
    struct Job {
        enum class Kind { Write, Remove, Prepare } kind;
        std::unique_ptr<wchar_t[]> pText;
        size_t nChars = 0;
        RecoveryState state;
        uint64_t nRemoveGen = 0; // a write is dropped when a removal came after it
    };

    void Enqueue(Job job);
    void EnsureThread();
    void ThreadMain();
    void RunWrite(Job& job);
    void RunRemove();
    bool RunAdopt(const std::wstring& strFile);
    // Creates the folder and takes this instance's lock (under m_mutex); false when it cannot.
    bool EnsureLockLocked();
    void SetProblem(RecoveryProblem problem);
    void StartTimer();
    void StopTimer();
    static void CALLBACK OnTimer(HWND, UINT, UINT_PTR, DWORD);
    // Copies the text (or goes on copying it) and hands it to the thread; false when no buffer is
    // ready yet or the copy gave way to waiting messages. With bAtOnce it never gives way.
    bool TakeSnapshot(bool bAtOnce);
    void SetTimerInterval(DWORD dwMs);

    IRecoverySource& m_source;
    std::wstring m_strFolder;
    std::wstring m_strId;
    bool m_bTimer;
    UINT_PTR m_nTimer = 0;

    // Window thread's state.
    bool m_bDirty = false;           // changes not yet handed to the thread
    bool m_bMayHaveFile = false;     // something may be on disk that a removal must take away
    ULONGLONG m_tLastChange = 0;     // tick of the last change
    ULONGLONG m_tFirstDirty = 0;     // tick of the first change not yet handed over
    bool m_bProblemShown = false;
    double m_dLastCopyMs = 0;
    std::chrono::steady_clock::time_point m_tCopyStart{};
    uint64_t m_nGeneration = 0; // counts changes
    DWORD m_dwTimerMs = 0;
    // A copy under way: the text as it was at generation m_nCopyGen, m_nCopyDone units so far.
    std::unique_ptr<wchar_t[]> m_pCopy;
    size_t m_nCopyChars = 0, m_nCopyDone = 0, m_nCopyCapacity = 0;
    uint64_t m_nCopyGen = 0;
    RecoveryState m_copyState;

    // Shared with the thread, under m_mutex.
    mutable std::mutex m_mutex;
    std::condition_variable m_cv;
    std::deque<Job> m_jobs;
    bool m_bBusy = false;
    bool m_bStop = false;
    std::unique_ptr<wchar_t[]> m_pSpare; // a buffer made and touched by the thread
    size_t m_nSpareChars = 0;
    bool m_bSparePending = false;
    CFileHandle m_hLock;
    RecoveryProblem m_problem = RecoveryProblem::None;
    bool m_bProblemNew = false;
    bool m_bWrittenNew = false;
    std::atomic<uint64_t> m_nRemoveGen{0};
    std::atomic<uint64_t> m_nBytesWritten{0};
    std::atomic<uint64_t> m_nWritten{0};
    std::thread m_thread;

    static inline CRecoveryKeeper* s_pTimerKeeper = nullptr;
};
