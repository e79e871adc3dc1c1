#pragma once
// The files of a find-in-files run: the breadth-first walk over the folder tree, and the reading
// and decoding of the files it finds on background threads, ahead of the search, handed back in
// the walk's order. Decoding is nearly all of a run's time, and the converter exists in spare
// copies that decode on other threads at once, so a run uses every processor there is.
#include "document/TextCodec.h"
#include "framework/Handles.h"
#include <windows.h>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

class CConverter;

// Whether a name read from a folder opens the entry it came from when put in a path. Under Wine a
// Unix name that holds a character Windows forbids (\\ / : * ? " < > | or a control character),
// or that ends in a space or a dot, comes back as it is and does not open; one whose bytes are not
// UTF-8 comes back with U+FFFD in their place and opens whichever entry of that folder maps to the
// same text, so two such names lead to the same file. The short (8.3) name Wine makes for each of
// them is free of all that and opens the entry.
bool NameLeadsBack(std::wstring_view name);

// The path of a folder's entry that opens it: the folder and its name, or its short name when the
// name does not lead back, or the name when that still opens something and the short name does
// not lead back either (Wine opens "a:b.txt"). Empty when no path opens the entry.
std::wstring EntryPath(const std::wstring& strFolder, const WIN32_FIND_DATAW& data);

// What the walk leaves out, by name: files whose names match `files`, and folders (never the one
// the walk starts in) whose names match `folders`, which it does not enter. Patterns hold * and ?
// and are compared without regard to case, as the file system compares names.
struct WalkExclusions {
    std::vector<std::wstring> files;
    std::vector<std::wstring> folders;
    bool Empty() const { return files.empty() && folders.empty(); }
};

// The exclusions as typed: pieces separated by ";", blanks around them dropped, empty ones left
// out; a piece that ends in a backslash names folders (the backslash itself is not part of it).
WalkExclusions ParseExclusions(std::wstring_view strTyped);

// Whether `name` matches `pattern` (* any run of characters, ? any one), without regard to case.
bool WildcardMatch(std::wstring_view pattern, std::wstring_view name);

// The walk, one file at a time: every folder breadth first (all files of a folder, pattern by
// pattern, before any subfolder; subfolders in the order found, level by level). A file that
// matches two patterns comes twice. Only plain folders are entered. An excluded file comes with
// the reason IDS_FIF_REASON_EXCLUDED, and an excluded folder (not entered) once, as an entry of its
// own with IDS_FIF_REASON_EXCLUDED_FOLDER, so that the caller can count both.
class CFileWalk {
public:
    CFileWalk(std::wstring strFolder, std::vector<std::wstring> patterns, bool bSubfolders,
              WalkExclusions exclusions = {});

    // The next file's path, a path that opens it (EntryPath); false when the walk is over. When
    // the entry cannot be read as a file, nReason is the string id of the reason (no path opens
    // it, or it is a folder), otherwise 0.
    bool Next(std::wstring& strPath, UINT& nReason);

private:
    void QueueSubfolders(const std::wstring& strFolder);
    // True when an entry listed before in this enumeration has the same name and the name holds
    // U+FFFD: under Wine both names and both short names then open the first of them, and no path
    // leads to this one.
    bool IsSecondLossyName(const wchar_t* pszName);

    bool IsExcluded(const std::vector<std::wstring>& patterns, const WIN32_FIND_DATAW& data) const;

    std::vector<std::wstring> m_patterns;
    bool m_bSubfolders;
    WalkExclusions m_exclusions;
    std::vector<std::wstring> m_excludedFolders; // found and left out, not yet handed out
    std::vector<std::wstring> m_folderQueue;     // first in, first out (m_nNextFolder is the head)
    size_t m_nNextFolder = 0;
    std::wstring m_strFolder; // the folder being listed
    size_t m_nPattern = 0;    // the pattern being listed in it
    CFindHandle m_hFind;      // open while a pattern is being listed
    WIN32_FIND_DATAW m_data{};
    bool m_bHaveEntry = false;              // m_data holds an entry not yet looked at
    std::vector<std::wstring> m_lossyNames; // names with U+FFFD listed so far, upper case
};

// One file of the walk, read and decoded.
struct DecodedFile {
    std::wstring strPath;
    bool bRead = false;       // false: the file could not be opened, read or decoded
    UINT nReason = 0;         // false bRead: the string id of the reason, when known
    LONG nOsError = 0;        // with IDS_FIF_REASON_ERROR: the system's error code
    std::wstring text;        // the decoded text, up to its terminating zero unit
    std::exception_ptr error; // anything but the framework's file, memory and conversion failures
};

// Reads and decodes the file at file.strPath into file.text through the reading buffers given,
// with a spare converter copy on a background thread, or with the GUI thread's copy when
// pConverter is null. A file the walk already gave a reason for (file.nReason) is not opened; one
// that cannot be opened or decoded gets the reason.
void ReadAndDecode(DecodedFile& file, CConverter* pConverter, CReusableBuffer& bytes, CReusableBuffer& text);

// Walks and decodes on up to nThreads background threads, each with a spare converter copy of its
// own, ahead of the caller: as many files as hold less than 64 MB of text (at most 1,024), and
// always 2 a thread. The caller's thread searches, appends to the results pane and answers the
// window meanwhile; files decoded ahead keep the threads busy while it does. With no spare copy to
// be had, the caller's own thread decodes each file as it asks for it. Destroying the object stops
// the threads, after the files they are decoding.
class CDecodeAhead {
public:
    CDecodeAhead(CFileWalk walk, int nThreads);
    ~CDecodeAhead();
    CDecodeAhead(const CDecodeAhead&) = delete;
    CDecodeAhead& operator=(const CDecodeAhead&) = delete;

    enum class Result { Ready, Waiting, Done };
    // The next file in walk order: Ready with *ppFile set when it is decoded, Waiting when it is
    // not after nWaitMs, Done when the walk is over. The file stays valid until FileDone.
    Result Next(const DecodedFile** ppFile, unsigned nWaitMs);
    // The file Next gave is searched: its slot may take another file.
    void FileDone();

    // How many background threads decode (0 when the caller's thread does).
    size_t ThreadCount() const { return m_threads.size(); }
    // How many files the threads have taken that the caller is not done with yet.
    size_t FilesAhead();
    // Whether every thread waits for the caller to be done with a file, or has ended: nothing
    // changes until the caller moves on.
    bool ThreadsAtRest();

private:
    static constexpr size_t kMaxFilesAhead = 1024;
    static constexpr size_t kFilesAheadAlwaysPerThread = 2;
    static constexpr size_t kBytesAhead = 64u << 20;

    struct Slot {
        DecodedFile file;
        bool bReady = false;
        size_t nHeldBytes = 0; // the file's text, while ready
    };

    // Whether a thread may take the walk's next file now (m_mutex held).
    bool MayClaim() const;

    void ThreadMain(CConverter* pConverter);

    CFileWalk m_walk; // used by the one thread that set m_bWalking
    std::vector<Slot> m_slots; // file n of the walk goes to slot n % size
    CReusableBuffer m_bytes;   // the caller's thread's reading buffers, when it decodes
    CReusableBuffer m_text;
    std::mutex m_mutex;
    std::condition_variable m_fileReady; // a slot became ready
    std::condition_variable m_slotFreed; // the caller is done with a file
    size_t m_nNextClaim = 0;             // the walk's next file number, to be claimed by a thread
    size_t m_nNextHanded = 0;            // the file number the caller gets next
    size_t m_nFileCount = ~size_t{0};    // known once the walk is over
    size_t m_nHeldBytes = 0;             // of the files decoded and not yet searched
    size_t m_nAlwaysAhead = 0;           // files a thread may take whatever they hold
    bool m_bStop = false;
    size_t m_nThreadsWaiting = 0; // threads waiting for a slot
    size_t m_nThreadsEnded = 0;
    bool m_bWalking = false; // a thread walks to the next file, without m_mutex held
    std::vector<std::unique_ptr<CConverter>> m_converters;
    std::vector<std::thread> m_threads;
};
