// The walk of a find-in-files run, and its files decoded on background threads in walk order.
#include "search/DecodeAhead.h"
#include "document/Converter.h"
#include "framework/Exception.h"
#include "framework/File.h"
#include "framework/ScopeExit.h"
#include "res/resource.h"
#include <algorithm>
#include <cwchar>

bool NameLeadsBack(std::wstring_view name) {
    if (name.empty() || name.back() == L' ' || name.back() == L'.')
        return name == L"." || name == L"..";
    for (wchar_t ch : name)
        if (ch < 0x20 || ch == 0xFFFD || std::wcschr(L"\\/:*?\"<>|", ch))
            return false;
    return true;
}

std::wstring EntryPath(const std::wstring& strFolder, const WIN32_FIND_DATAW& data) {
    if (NameLeadsBack(data.cFileName))
        return strFolder + data.cFileName;
    if (data.cAlternateFileName[0] && NameLeadsBack(data.cAlternateFileName))
        return strFolder + data.cAlternateFileName;
    // A name with U+FFFD may open another entry of the same text: only a name without it is tried.
    std::wstring strPath = strFolder + data.cFileName;
    if (std::wcschr(data.cFileName, 0xFFFD) == nullptr &&
        ::GetFileAttributesW(strPath.c_str()) != INVALID_FILE_ATTRIBUTES)
        return strPath;
    return {};
}

WalkExclusions ParseExclusions(std::wstring_view strTyped) {
    WalkExclusions exclusions;
    auto isBlank = [](wchar_t ch) { return ch == L' ' || ch == L'\t' || ch == 0x3000; };
    while (!strTyped.empty()) {
        const size_t nSemicolon = strTyped.find(L';');
        std::wstring_view piece = strTyped.substr(0, nSemicolon);
        strTyped = nSemicolon == std::wstring_view::npos ? std::wstring_view() : strTyped.substr(nSemicolon + 1);
        while (!piece.empty() && isBlank(piece.front()))
            piece.remove_prefix(1);
        while (!piece.empty() && isBlank(piece.back()))
            piece.remove_suffix(1);
        if (!piece.empty() && piece.back() == L'\\') {
            piece.remove_suffix(1);
            if (!piece.empty())
                exclusions.folders.emplace_back(piece);
        } else if (!piece.empty()) {
            exclusions.files.emplace_back(piece);
        }
    }
    return exclusions;
}

bool WildcardMatch(std::wstring_view pattern, std::wstring_view name) {
    auto same = [](wchar_t a, wchar_t b) { return a == b || ::CompareStringOrdinal(&a, 1, &b, 1, TRUE) == CSTR_EQUAL; };
    // The classic two-pointer match: on a mismatch, the last * takes one more character.
    size_t p = 0, n = 0, nStar = std::wstring_view::npos, nResume = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == L'*') {
            nStar = p++;
            nResume = n;
        } else if (p < pattern.size() && (pattern[p] == L'?' || same(pattern[p], name[n]))) {
            ++p;
            ++n;
        } else if (nStar != std::wstring_view::npos) {
            p = nStar + 1;
            n = ++nResume;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == L'*')
        ++p;
    return p == pattern.size();
}

bool CFileWalk::IsExcluded(const std::vector<std::wstring>& patterns, const WIN32_FIND_DATAW& data) const {
    for (const std::wstring& pattern : patterns)
        if (WildcardMatch(pattern, data.cFileName))
            return true;
    return false;
}

CFileWalk::CFileWalk(std::wstring strFolder, std::vector<std::wstring> patterns, bool bSubfolders,
                     WalkExclusions exclusions)
    : m_patterns(std::move(patterns)), m_bSubfolders(bSubfolders), m_exclusions(std::move(exclusions)),
      m_strFolder(std::move(strFolder)) {
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
            std::wcscmp(data.cFileName, L"..") != 0) {
            // A folder no path leads to is left out: nothing in it could be opened.
            std::wstring strPath = EntryPath(strFolder, data);
            if (IsExcluded(m_exclusions.folders, data))
                m_excludedFolders.push_back(strFolder + data.cFileName + L'\\');
            else if (!strPath.empty())
                m_folderQueue.push_back(strPath + L'\\');
        }
    } while (::FindNextFileW(hFind.Get(), &data));
}

bool CFileWalk::IsSecondLossyName(const wchar_t* pszName) {
    if (!std::wcschr(pszName, 0xFFFD))
        return false;
    // Wine finds such a name by comparing every entry's name without regard to case.
    std::wstring strUpper = pszName;
    ::CharUpperBuffW(strUpper.data(), static_cast<DWORD>(strUpper.size()));
    if (std::find(m_lossyNames.begin(), m_lossyNames.end(), strUpper) != m_lossyNames.end())
        return true;
    m_lossyNames.push_back(std::move(strUpper));
    return false;
}

bool CFileWalk::Next(std::wstring& strPath, UINT& nReason) {
    for (;;) {
        if (!m_excludedFolders.empty()) {
            strPath = std::move(m_excludedFolders.back());
            m_excludedFolders.pop_back();
            nReason = IDS_FIF_REASON_EXCLUDED_FOLDER;
            return true;
        }
        if (m_hFind) {
            if (!m_bHaveEntry)
                m_bHaveEntry = ::FindNextFileW(m_hFind.Get(), &m_data) != FALSE;
            if (m_bHaveEntry) {
                m_bHaveEntry = false;
                // An entry that is anything besides a plain folder is taken for a file; a folder
                // with extra attributes then cannot be read and is listed as unreadable.
                if (m_data.dwFileAttributes != FILE_ATTRIBUTE_DIRECTORY) {
                    strPath = EntryPath(m_strFolder, m_data);
                    nReason = 0;
                    if (IsSecondLossyName(m_data.cFileName)) {
                        strPath = m_strFolder + m_data.cFileName;
                        nReason = IDS_FIF_REASON_SAME_NAME;
                    } else if (strPath.empty()) {
                        strPath = m_strFolder + m_data.cFileName;
                        nReason = IDS_FIF_REASON_NAME;
                    } else if (m_data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                        nReason = IDS_FIF_REASON_FOLDER;
                    }
                    // Left out by name, whatever else would be said of it: a folder taken for a
                    // file (one with more attributes than the folder bit, such as a hidden .git)
                    // by the folders' patterns as well.
                    if (IsExcluded(m_exclusions.files, m_data) ||
                        ((m_data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
                         IsExcluded(m_exclusions.folders, m_data)))
                        nReason = IDS_FIF_REASON_EXCLUDED;
                    return true;
                }
                continue;
            }
            m_hFind.Close();
            ++m_nPattern;
        }
        if (m_nPattern < m_patterns.size()) {
            m_lossyNames.clear();
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
    return nAhead < m_slots.size() && (nAhead < m_nAlwaysAhead || m_nHeldBytes < kBytesAhead);
}

size_t CDecodeAhead::FilesAhead() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_nNextClaim - m_nNextHanded;
}

bool CDecodeAhead::ThreadsAtRest() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_nThreadsWaiting + m_nThreadsEnded == m_threads.size();
}

namespace {
void SetOsErrorReason(DecodedFile& file, LONG nOsError) {
    switch (nOsError) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND: file.nReason = IDS_FIF_REASON_NOT_FOUND; break;
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME: file.nReason = IDS_FIF_REASON_NAME; break;
    case ERROR_ACCESS_DENIED: file.nReason = IDS_FIF_REASON_ACCESS; break;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION: file.nReason = IDS_FIF_REASON_SHARING; break;
    case ERROR_FILE_TOO_LARGE: file.nReason = IDS_FIF_REASON_TOO_LARGE; break;
    default:
        file.nReason = IDS_FIF_REASON_ERROR;
        file.nOsError = nOsError;
        break;
    }
}
} // namespace

void ReadAndDecode(DecodedFile& file, CConverter* pConverter, CReusableBuffer& bytes, CReusableBuffer& text) {
    file.bRead = false;
    file.text.clear();
    file.error = nullptr;
    file.nOsError = 0;
    if (file.nReason)
        return;
    try {
        CFile f;
        CFileException openError;
        if (!f.Open(file.strPath, CFile::modeRead | CFile::shareDenyNone, &openError)) {
            SetOsErrorReason(file, openError.m_lOsError);
            return;
        }
        // Every file's encoding is detected afresh; the format found is of no use here.
        EncodingId encoding = EncodingId::Unspecified;
        LineEndingId lineEnding = LineEndingId::Unspecified;
        file.text = DecodeFileTextReusing(f, bytes, text, encoding, lineEnding, pConverter);
        file.bRead = true;
    } catch (const CFileException& e) {
        SetOsErrorReason(file, e.m_lOsError);
    } catch (const CMemoryException&) {
        file.nReason = IDS_FIF_REASON_MEMORY;
    } catch (const CConversionException&) {
        file.nReason = IDS_FIF_REASON_CONVERSION;
    } catch (const CException&) {
        file.nReason = IDS_FIF_REASON_READ; // a short read
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
            bFound = m_walk.Next(file.strPath, file.nReason);
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
        if (!m_walk.Next(slot.file.strPath, slot.file.nReason))
            return Result::Done;
        ReadAndDecode(slot.file, nullptr, m_bytes, m_text);
        *ppFile = &slot.file;
        return Result::Ready;
    }
    std::unique_lock<std::mutex> lock(m_mutex);
    const bool bSettled = m_fileReady.wait_for(lock, std::chrono::milliseconds(nWaitMs),
                                               [&] { return slot.bReady || m_nNextHanded >= m_nFileCount; });
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
