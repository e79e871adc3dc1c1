// CRecoveryKeeper: when a snapshot is due, the copy on the window's thread, and the keeper's thread
// that makes buffers, writes, flushes and renames snapshot files and removes them.
#include "document/RecoveryKeeper.h"
#include <algorithm>
#include <chrono>
#include <cstring>
#include <new>

namespace {
constexpr size_t kWriteChunkBytes = 4u << 20;

bool WriteAll(HANDLE h, const void* pData, size_t nBytes) {
    const auto* p = static_cast<const unsigned char*>(pData);
    while (nBytes) {
        DWORD nChunk = static_cast<DWORD>(std::min(nBytes, kWriteChunkBytes)), nWritten = 0;
        if (!::WriteFile(h, p, nChunk, &nWritten, nullptr) || nWritten != nChunk)
            return false;
        p += nChunk;
        nBytes -= nChunk;
    }
    return true;
}

bool IsSpaceError(DWORD dwError) {
    return dwError == ERROR_DISK_FULL || dwError == ERROR_HANDLE_DISK_FULL;
}

// A buffer for nChars units whose pages are already in memory, so copying into it costs no faults.
std::unique_ptr<wchar_t[]> TouchedBuffer(size_t nChars) {
    std::unique_ptr<wchar_t[]> p(new (std::nothrow) wchar_t[nChars]);
    if (p)
        for (size_t i = 0; i < nChars; i += 2048)
            p[i] = 0;
    return p;
}
} // namespace

CRecoveryKeeper::CRecoveryKeeper(IRecoverySource& source, std::wstring strFolder, bool bTimer)
    : m_source(source), m_strFolder(strFolder.empty() ? RecoveryFolder() : std::move(strFolder)),
      m_strId(NewRecoveryInstanceId()), m_bTimer(bTimer) {}

CRecoveryKeeper::~CRecoveryKeeper() {
    Shutdown();
}

void CRecoveryKeeper::Changed() {
    ULONGLONG now = ::GetTickCount64();
    if (!m_bDirty)
        m_tFirstDirty = now;
    m_bDirty = true;
    ++m_nGeneration;
    m_tLastChange = now;
    StartTimer();
}

void CRecoveryKeeper::Settled() {
    m_bDirty = false;
    m_pCopy.reset();
    if (!m_bMayHaveFile)
        return;
    Job job{Job::Kind::Remove};
    Enqueue(std::move(job));
    m_bMayHaveFile = false;
}

void CRecoveryKeeper::Shutdown() {
    Settled();
    StopTimer();
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_bStop = true;
    }
    m_cv.notify_all();
    if (m_thread.joinable())
        m_thread.join();
    std::lock_guard<std::mutex> lock(m_mutex);
    m_pSpare.reset();
    m_hLock.Close(); // deletes the lock file
}

bool CRecoveryKeeper::Adopt(const std::wstring& strFile) {
    bool bDone = RunAdopt(strFile);
    if (bDone) {
        m_bDirty = false;
        m_bMayHaveFile = true;
    }
    return bDone;
}

bool CRecoveryKeeper::RunAdopt(const std::wstring& strFile) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!EnsureLockLocked())
        return false;
    return ::MoveFileExW(strFile.c_str(), Names().strSnapshot.c_str(), MOVEFILE_REPLACE_EXISTING) != FALSE;
}

bool CRecoveryKeeper::IsIdle() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return !m_bDirty && m_jobs.empty() && !m_bBusy;
}

void CRecoveryKeeper::OnTick() {
    bool bProblemNew, bWrittenNew;
    RecoveryProblem problem;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        bProblemNew = std::exchange(m_bProblemNew, false);
        bWrittenNew = std::exchange(m_bWrittenNew, false);
        problem = m_problem;
    }
    if (bWrittenNew)
        m_bProblemShown = false; // a later failure is worth telling again
    if (bProblemNew && problem != RecoveryProblem::None && !m_bProblemShown) {
        m_bProblemShown = true;
        m_source.ReportRecoveryProblem(problem);
    }
    if (m_bDirty) {
        ULONGLONG now = ::GetTickCount64();
        bool bDue = now - m_tLastChange >= kPauseMs || now - m_tFirstDirty >= kMaxDelayMs;
        bool bBusy;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            bBusy = m_bBusy || !m_jobs.empty();
        }
        bool bAtOnce = now - m_tFirstDirty >= kMaxDelayMs; // changes keep coming: no giving way
        if (!bDue || bBusy || !TakeSnapshot(bAtOnce)) {
            SetTimerInterval(m_pCopy ? kResumeMs : kTickMs);
            // Not yet: a large text needs its buffer made beforehand, while typing goes on.
            size_t nChars = m_source.RecoveryTextLength() + 1;
            if (nChars > kDirectCopyChars && !(m_pCopy && m_nCopyCapacity >= nChars)) {
                std::lock_guard<std::mutex> lock(m_mutex);
                if (m_nSpareChars < nChars && !m_bSparePending) {
                    m_bSparePending = true;
                    Job job{Job::Kind::Prepare};
                    job.nChars = nChars + nChars / 8 + 4096;
                    m_jobs.push_back(std::move(job));
                    m_cv.notify_all();
                    EnsureThread();
                }
            }
            return;
        }
    }
    SetTimerInterval(kTickMs);
    if (IsIdle())
        StopTimer();
}

bool CRecoveryKeeper::SnapshotNow() {
    if (!m_bDirty)
        return false;
    return TakeSnapshot(true);
}

bool CRecoveryKeeper::TakeSnapshot(bool bAtOnce) {
    auto t0 = std::chrono::steady_clock::now();
    if (!m_pCopy || m_nCopyGen != m_nGeneration) {
        // A new copy, or the text changed under one that gave way: start again, in the same
        // buffer when it is large enough.
        size_t nChars = m_source.RecoveryTextLength();
        size_t nCapacity = nChars + 1;
        if (m_pCopy && m_nCopyCapacity < nCapacity)
            m_pCopy.reset();
        if (!m_pCopy && nCapacity <= kDirectCopyChars) {
            m_pCopy.reset(new (std::nothrow) wchar_t[nCapacity]);
            m_nCopyCapacity = nCapacity;
        } else if (!m_pCopy) {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (m_nSpareChars >= nCapacity) {
                m_pCopy = std::move(m_pSpare);
                m_nCopyCapacity = m_nSpareChars;
                m_nSpareChars = 0;
            }
        }
        if (!m_pCopy)
            return false;
        m_nCopyChars = nChars;
        m_nCopyDone = 0;
        m_nCopyGen = m_nGeneration;
        m_copyState = {};
        m_source.DescribeRecovery(m_copyState);
        m_dLastCopyMs = 0;
        m_tCopyStart = std::chrono::steady_clock::now();
    }
    while (m_nCopyDone < m_nCopyChars) {
        size_t n = std::min(kSliceChars, m_nCopyChars - m_nCopyDone);
        if (!m_source.CopyRecoveryText(m_pCopy.get() + m_nCopyDone, m_nCopyDone, n)) {
            m_pCopy.reset();
            return false;
        }
        m_nCopyDone += n;
        // Typing or anything else waiting goes first; the copy goes on when the queue is idle.
        if (!bAtOnce && m_nCopyDone < m_nCopyChars &&
            HIWORD(::GetQueueStatus(QS_INPUT | QS_POSTMESSAGE | QS_SENDMESSAGE)) != 0) {
            m_dLastCopyMs += std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
            return false;
        }
    }
    m_pCopy[m_nCopyChars] = L'\0';
    Job job{Job::Kind::Write};
    job.nChars = m_nCopyChars;
    job.state = std::move(m_copyState);
    FILETIME ft{};
    ::GetSystemTimeAsFileTime(&ft);
    job.state.nTakenAt = (static_cast<uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
    job.pText = std::move(m_pCopy);
    job.nRemoveGen = m_nRemoveGen.load();
    m_bDirty = false;
    m_bMayHaveFile = true;
    Enqueue(std::move(job));
    m_dLastCopyMs += std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
    return true;
}

void CRecoveryKeeper::Enqueue(Job job) {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (job.kind == Job::Kind::Remove) {
            // Writes not yet begun are dropped, one under way stops before its rename.
            ++m_nRemoveGen;
            std::erase_if(m_jobs, [](const Job& j) { return j.kind == Job::Kind::Write; });
        }
        m_jobs.push_back(std::move(job));
        EnsureThread();
    }
    m_cv.notify_all();
    StartTimer();
}

void CRecoveryKeeper::EnsureThread() {
    if (!m_thread.joinable() && !m_bStop)
        m_thread = std::thread([this] { ThreadMain(); });
}

void CRecoveryKeeper::ThreadMain() {
    // Below the window's thread, which must never wait for a snapshot.
    ::SetThreadPriority(::GetCurrentThread(), THREAD_PRIORITY_BELOW_NORMAL);
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        m_cv.wait(lock, [this] { return m_bStop || !m_jobs.empty(); });
        if (m_jobs.empty())
            return; // stopping, and everything asked for is done
        Job job = std::move(m_jobs.front());
        m_jobs.pop_front();
        m_bBusy = true;
        lock.unlock();
        switch (job.kind) {
        case Job::Kind::Write: RunWrite(job); break;
        case Job::Kind::Remove: RunRemove(); break;
        case Job::Kind::Prepare: {
            std::unique_ptr<wchar_t[]> p = TouchedBuffer(job.nChars);
            lock.lock();
            if (p && !m_bStop) {
                m_pSpare = std::move(p);
                m_nSpareChars = job.nChars;
            }
            m_bSparePending = false;
            lock.unlock();
            break;
        }
        }
        job.pText.reset(); // the copy's memory goes back before the next job
        lock.lock();
        m_bBusy = false;
    }
}

void CRecoveryKeeper::SetProblem(RecoveryProblem problem) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_problem = problem;
    if (problem == RecoveryProblem::None)
        m_bWrittenNew = true;
    else
        m_bProblemNew = true;
}

bool CRecoveryKeeper::EnsureLockLocked() {
    if (m_hLock)
        return true;
    if (!CreateRecoveryFolder(m_strFolder))
        return false;
    m_hLock = TakeRecoveryLock(Names().strLock);
    return static_cast<bool>(m_hLock);
}

void CRecoveryKeeper::RunWrite(Job& job) {
    RecoveryNames names = Names();
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!EnsureLockLocked()) {
            m_problem = ::GetLastError() == ERROR_DISK_FULL ? RecoveryProblem::NoSpace : RecoveryProblem::NotWritable;
            m_bProblemNew = true;
            return;
        }
    }
    std::vector<unsigned char> header = RecoveryFormat::Header(job.state, job.nChars);
    const uint64_t nBytes = header.size() + job.nChars * sizeof(wchar_t) + 8;
    ULARGE_INTEGER freeBytes{};
    if (::GetDiskFreeSpaceExW((m_strFolder + L"\\").c_str(), &freeBytes, nullptr, nullptr) &&
        freeBytes.QuadPart < nBytes + kReserveBytes) {
        SetProblem(RecoveryProblem::NoSpace);
        return;
    }
    bool bOk = false;
    DWORD dwError = 0;
    {
        CFileHandle h(::CreateFileW(names.strTemp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
        if (h) {
            RecoveryFormat::CChecksum sum;
            sum.Add(header.data(), header.size());
            bOk = WriteAll(h.Get(), header.data(), header.size());
            const auto* pBytes = reinterpret_cast<const unsigned char*>(job.pText.get());
            for (size_t nLeft = job.nChars * sizeof(wchar_t); bOk && nLeft;) {
                if (m_nRemoveGen.load() != job.nRemoveGen)
                    break; // settled meanwhile: this snapshot is not wanted any more
                size_t n = std::min(nLeft, kWriteChunkBytes);
                sum.Add(pBytes, n);
                bOk = WriteAll(h.Get(), pBytes, n);
                pBytes += n;
                nLeft -= n;
            }
            uint64_t nSum = sum.Value();
            unsigned char trailer[8];
            for (int i = 0; i < 8; ++i)
                trailer[i] = static_cast<unsigned char>(nSum >> (8 * i));
            bOk = bOk && m_nRemoveGen.load() == job.nRemoveGen && WriteAll(h.Get(), trailer, 8) &&
                  ::FlushFileBuffers(h.Get());
        }
        if (!bOk)
            dwError = ::GetLastError();
    }
    // The rename makes the new snapshot the instance's in one step; until then the previous one
    // stays whole under its name.
    if (bOk && m_nRemoveGen.load() == job.nRemoveGen &&
        ::MoveFileExW(names.strTemp.c_str(), names.strSnapshot.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        m_nBytesWritten += nBytes;
        ++m_nWritten;
        SetProblem(RecoveryProblem::None);
        return;
    }
    if (bOk)
        dwError = ::GetLastError();
    ::DeleteFileW(names.strTemp.c_str());
    if (m_nRemoveGen.load() == job.nRemoveGen)
        SetProblem(IsSpaceError(dwError) ? RecoveryProblem::NoSpace : RecoveryProblem::NotWritable);
}

void CRecoveryKeeper::RunRemove() {
    RecoveryNames names = Names();
    ::DeleteFileW(names.strTemp.c_str());
    ::DeleteFileW(names.strSnapshot.c_str());
}

void CRecoveryKeeper::StartTimer() {
    if (!m_bTimer || m_nTimer)
        return;
    s_pTimerKeeper = this;
    m_dwTimerMs = kTickMs;
    m_nTimer = ::SetTimer(nullptr, 0, kTickMs, &CRecoveryKeeper::OnTimer);
}

void CRecoveryKeeper::SetTimerInterval(DWORD dwMs) {
    if (!m_nTimer || m_dwTimerMs == dwMs)
        return;
    m_dwTimerMs = dwMs;
    // A thread timer's id given back replaces that timer's interval.
    if (UINT_PTR nTimer = ::SetTimer(nullptr, m_nTimer, dwMs, &CRecoveryKeeper::OnTimer); nTimer && nTimer != m_nTimer) {
        ::KillTimer(nullptr, m_nTimer);
        m_nTimer = nTimer;
    }
}

void CRecoveryKeeper::StopTimer() {
    if (m_nTimer)
        ::KillTimer(nullptr, m_nTimer);
    m_nTimer = 0;
    if (s_pTimerKeeper == this)
        s_pTimerKeeper = nullptr;
}

void CALLBACK CRecoveryKeeper::OnTimer(HWND, UINT, UINT_PTR nIDEvent, DWORD) {
    CRecoveryKeeper* pKeeper = s_pTimerKeeper;
    if (!pKeeper || pKeeper->m_nTimer != nIDEvent) {
        ::KillTimer(nullptr, nIDEvent);
        return;
    }
    pKeeper->OnTick();
}
