// The walk of a find-in-files run, and its files decoded on background threads in walk order.
#include "search/DecodeAhead.h"
#include "document/Converter.h"
#include "framework/Exception.h"
#include "framework/File.h"
#include "framework/ScopeExit.h"
#include <algorithm>
#include <cwchar>

CFileWalk::CFileWalk(std::wstring strFolder, std::vector<std::wstring> patterns, bool bSubfolders)
    : m_patterns(std::move(patterns)), m_bSubfolders(bSubfolders), m_strFolder(std::move(strFolder)) {
    if (m_bSubfolders)
        QueueSubfolders(m_strFolder);
}

void CFileWalk::QueueSubfolders(const std::wstring& strFolder) {
    WIN32_FIND_DATAW data;
    CFindHandle hFind(::FindFirstFileW((strFolder + L"*").c_str(), &data));
    if (!hFind)
        return;
    do {
        // Only plain folders are entered: one that is also read-only, hidden, a link (reparse
        // point) or anything else is left out, so a link cannot lead the walk in a circle.
        if (data.dwFileAttributes == FILE_ATTRIBUTE_DIRECTORY && std::wcscmp(data.cFileName, L".") != 0 &&
            std::wcscmp(data.cFileName, L"..") != 0)
            m_folderQueue.push_back(strFolder + data.cFileName + L'\\');
    } while (::FindNextFileW(hFind.Get(), &data));
}

bool CFileWalk::Next(std::wstring& strPath) {
    for (;;) {
        if (m_hFind) {
            if (!m_bHaveEntry)
                m_bHaveEntry = ::FindNextFileW(m_hFind.Get(), &m_data) != FALSE;
            if (m_bHaveEntry) {
                m_bHaveEntry = false;
                // An entry that is anything besides a plain folder is taken for a file; a folder
                // with extra attributes then cannot be read and is listed as unreadable.
                if (m_data.dwFileAttributes != FILE_ATTRIBUTE_DIRECTORY) {
                    strPath = m_strFolder + m_data.cFileName;
                    return true;
                }
                continue;
            }
            m_hFind.Close();
            ++m_nPattern;
        }
        if (m_nPattern < m_patterns.size()) {
            m_hFind.Attach(::FindFirstFileW((m_strFolder + m_patterns[m_nPattern]).c_str(), &m_data));
            if (m_hFind)
                m_bHaveEntry = true;
            else
                ++m_nPattern;
            continue;
        }
        if (m_nNextFolder == m_folderQueue.size())
            return false;
        m_strFolder = std::move(m_folderQueue[m_nNextFolder++]);
        m_nPattern = 0;
        if (m_bSubfolders)
            QueueSubfolders(m_strFolder);
    }
}

CDecodeAhead::CDecodeAhead(CFileWalk walk, int nThreads) : m_walk(std::move(walk)) {
    for (int i = 0; i < nThreads; ++i) {
        std::unique_ptr<CConverter> pConverter = CConverter::ClaimSpare();
        if (!pConverter)
            break;
        m_converters.push_back(std::move(pConverter));
    }
    m_slots.resize(m_converters.empty() ? 1 : kMaxFilesAhead);
    m_nAlwaysAhead = kFilesAheadAlwaysPerThread * m_converters.size();
    try {
        for (auto& pConverter : m_converters)
            m_threads.emplace_back(&CDecodeAhead::ThreadMain, this, pConverter.get());
    } catch (...) {
        // No thread could be started beyond these: they serve alone, or the caller's thread
        // decodes when none could be.
        m_converters.resize(m_threads.size());
    }
}

CDecodeAhead::~CDecodeAhead() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_bStop = true;
    }
    m_slotFreed.notify_all();
    for (std::thread& thread : m_threads)
        thread.join();
}

bool CDecodeAhead::MayClaim() const {
    const size_t nAhead = m_nNextClaim - m_nNextHanded;
    return nAhead < m_slots.size() &&
           (nAhead < m_nAlwaysAhead || m_nHeldBytes < kBytesAhead);
}

size_t CDecodeAhead::FilesAhead() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_nNextClaim - m_nNextHanded;
}

bool CDecodeAhead::ThreadsAtRest() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_nThreadsWaiting + m_nThreadsEnded == m_threads.size();
}

void ReadAndDecode(DecodedFile& file, CConverter* pConverter, CReusableBuffer& bytes, CReusableBuffer& text) {
    file.bRead = false;
    file.text.clear();
    file.error = nullptr;
    try {
        CFile f;
        if (f.Open(file.strPath, CFile::modeRead | CFile::shareDenyNone)) {
            // Every file's encoding is detected afresh; the format found is of no use here.
            EncodingId encoding = EncodingId::Unspecified;
            LineEndingId lineEnding = LineEndingId::Unspecified;
            file.text = DecodeFileTextReusing(f, bytes, text, encoding, lineEnding, pConverter);
            file.bRead = true;
        }
    } catch (const CException&) {
        file.bRead = false;
    } catch (...) {
        file.error = std::current_exception();
    }
}

void CDecodeAhead::ThreadMain(CConverter* pConverter) {
    // The window's thread, which searches the texts and answers the user, goes first.
    ::SetThreadPriority(::GetCurrentThread(), THREAD_PRIORITY_BELOW_NORMAL);
    // The file's bytes and its text as decoded, kept from file to file; the text is then copied
    // to the file's slot at its own size.
    CReusableBuffer bytes, text;
    std::unique_lock<std::mutex> lock(m_mutex);
    CScopeExit ended([this] { ++m_nThreadsEnded; }); // runs while the lock is still held
    for (;;) {
        ++m_nThreadsWaiting;
        m_slotFreed.wait(lock,
                         [&] { return m_bStop || m_nNextClaim >= m_nFileCount || (!m_bWalking && MayClaim()); });
        --m_nThreadsWaiting;
        if (m_bStop || m_nNextClaim >= m_nFileCount)
            return;
        // The file's number and its path are taken together, so numbers follow the walk. The walk
        // may pass many folders and file types before it finds a file, so it goes on without the
        // lock: the window's thread takes the lock to ask for its next file and would otherwise
        // stop answering its messages meanwhile. m_bWalking keeps the other threads waiting.
        const size_t nFile = m_nNextClaim;
        DecodedFile& file = m_slots[nFile % m_slots.size()].file;
        bool bFound = false;
        std::exception_ptr walkError;
        m_bWalking = true;
        lock.unlock();
        try {
            bFound = m_walk.Next(file.strPath);
        } catch (...) {
            walkError = std::current_exception();
        }
        lock.lock();
        m_bWalking = false;
        m_slotFreed.notify_all();
        if (walkError) {
            // Out of memory for a path: the caller gets the failure in this file's place.
            file.error = walkError;
            m_nNextClaim = nFile + 1;
            m_nFileCount = nFile + 1;
            m_slots[nFile % m_slots.size()].bReady = true;
            m_fileReady.notify_all();
            m_slotFreed.notify_all();
            return;
        }
        if (!bFound) {
            m_nFileCount = nFile;
            m_fileReady.notify_all();
            m_slotFreed.notify_all();
            return;
        }
        m_nNextClaim = nFile + 1;
        lock.unlock();
        ReadAndDecode(file, pConverter, bytes, text);
        lock.lock();
        Slot& slot = m_slots[nFile % m_slots.size()];
        slot.nHeldBytes = file.text.size() * sizeof(wchar_t);
        m_nHeldBytes += slot.nHeldBytes;
        slot.bReady = true;
        m_fileReady.notify_all();
    }
}

CDecodeAhead::Result CDecodeAhead::Next(const DecodedFile** ppFile, unsigned nWaitMs) {
    Slot& slot = m_slots[m_nNextHanded % m_slots.size()];
    if (m_threads.empty()) {
        // No background thread: the caller's thread walks and decodes with the GUI's copy.
        if (!m_walk.Next(slot.file.strPath))
            return Result::Done;
        ReadAndDecode(slot.file, nullptr, m_bytes, m_text);
        *ppFile = &slot.file;
        return Result::Ready;
    }
    std::unique_lock<std::mutex> lock(m_mutex);
    const bool bSettled = m_fileReady.wait_for(lock, std::chrono::milliseconds(nWaitMs), [&] {
        return slot.bReady || m_nNextHanded >= m_nFileCount;
    });
    if (!bSettled)
        return Result::Waiting;
    if (!slot.bReady)
        return Result::Done;
    *ppFile = &slot.file;
    return Result::Ready;
}

void CDecodeAhead::FileDone() {
    Slot& slot = m_slots[m_nNextHanded % m_slots.size()];
    // The caller is done with the file, and no thread takes its slot before the count below moves.
    std::wstring().swap(slot.file.text);
    if (m_threads.empty()) {
        ++m_nNextHanded;
        return;
    }
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_nHeldBytes -= slot.nHeldBytes;
        slot.nHeldBytes = 0;
        slot.bReady = false;
        ++m_nNextHanded;
    }
    m_slotFreed.notify_all();
}
