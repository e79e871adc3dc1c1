// The order of a save's file-system steps, seen through a recording file system over the real
// one: the new contents are written whole and flushed before a rename puts them under the file's
// name, the file is never deleted or moved away, nothing is left unflushed; and a failure made at
// any single step leaves the old file whole (or, once the new one holds the name, the new one),
// every other name of the file with the same text, and nothing of the save's behind.
#include <gtest/gtest.h>
#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <vector>
#include "TestFiles.h"
#include "UnixShell.h"
#include "document/SafeSave.h"
#include "framework/Exception.h"
#include "framework/File.h"

namespace {

constexpr DWORD kInjectedError = ERROR_WRITE_FAULT; // not one a save waits out

std::string Narrow(const std::wstring& s) {
    return std::string(s.begin(), s.end()); // our names are ASCII
}

std::wstring NameOf(const std::wstring& path) {
    size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

// Passes every step to the real file system, logs it by the role of the file it touches ("file",
// "tmp", "bak" or another name), checks the rules of order as they happen, and makes the step
// numbered m_nFailAt fail instead (a write fails half way, as on a full disk).
class CRecordingFileSystem : public ISaveFileSystem {
public:
    explicit CRecordingFileSystem(std::wstring fileName) : m_strFileName(std::move(fileName)) {}

    int m_nFailAt = -1;
    int m_nAlsoFailAt = -1;                // a second step to fail
    DWORD m_dwFirstError = kInjectedError; // the error of the step m_nFailAt
    // From this step on (-1: never) every step fails without touching the disk, as if the program
    // had been killed there: what the disk holds is what a kill after the step before leaves.
    int m_nKilledAt = -1;
    std::vector<std::string> m_log;
    std::vector<std::string> m_faults; // rules broken, in words
    std::string m_strFailed;           // the step that was made to fail

    // The caller's writer: the new contents go into the temporary file in two pieces.
    void WriterWrites(CFile& file, const std::vector<unsigned char>& bytes) {
        const size_t half = bytes.size() / 2;
        for (auto [from, to] : {std::pair{size_t{0}, half}, std::pair{half, bytes.size()}}) {
            m_dirty.insert("tmp");
            if (Step("write tmp")) {
                file.Write(bytes.data() + from, (to - from) / 2);
                throw CFileException(CFileException::diskFull, ERROR_DISK_FULL, {});
            }
            file.Write(bytes.data() + from, to - from);
        }
        m_bWriterDone = true;
    }
    // Called once the save has returned or thrown.
    void AtEnd() {
        // The original file, left aside when giving it back failed, holds no text the user was
        // promised: the next touch writes it whole and flushes it before it takes the name again.
        for (const std::string& role : m_dirty)
            if (role != "bak")
                m_faults.push_back(role + " was written and never flushed");
    }
    std::string Log() const {
        std::string text;
        for (const std::string& entry : m_log)
            text += (text.empty() ? "" : ", ") + entry;
        return text;
    }

    std::wstring FinalPath(const std::wstring& path) override {
        return Step("final " + Role(path)) ? path : m_real.FinalPath(path);
    }
    DWORD GetAttributes(const std::wstring& path) override {
        return Step("attributes " + Role(path)) ? INVALID_FILE_ATTRIBUTES : m_real.GetAttributes(path);
    }
    bool SetAttributes(const std::wstring& path, DWORD attributes) override {
        return !Step("set-attributes " + Role(path)) && m_real.SetAttributes(path, attributes);
    }
    std::vector<std::wstring> ListFiles(const std::wstring& folder, const std::wstring& pattern) override {
        if (Step("list"))
            return {};
        return m_real.ListFiles(folder, pattern);
    }
    bool SecurityFor(HANDLE original, std::vector<BYTE>& descriptor) override {
        return !Step("security") && m_real.SecurityFor(original, descriptor);
    }
    bool CreateTemp(CFile& file, const std::wstring& path, PSECURITY_DESCRIPTOR pSecurity,
                    CFileException* pError) override {
        if (Step("create " + Role(path))) {
            if (pError)
                *pError = CFileException(CFileException::OsErrorToCause(static_cast<LONG>(::GetLastError())),
                                         static_cast<LONG>(::GetLastError()), path);
            return false;
        }
        return m_real.CreateTemp(file, path, pSecurity, pError);
    }
    void FlushTemp(CFile& file) override {
        if (Step("flush tmp"))
            CFileException::ThrowOsError(kInjectedError);
        m_real.FlushTemp(file);
        m_dirty.erase("tmp");
    }
    void CloseTemp(CFile& file) override {
        m_log.push_back("close tmp"); // cannot fail (and a kill closes it too)
        m_real.CloseTemp(file);
    }
    HANDLE Open(const std::wstring& path, DWORD access, DWORD share, DWORD disposition,
                PSECURITY_DESCRIPTOR pSecurity) override {
        const std::string role = Role(path);
        if (Step("open " + role))
            return INVALID_HANDLE_VALUE;
        HANDLE h = m_real.Open(path, access, share, disposition, pSecurity);
        if (h != INVALID_HANDLE_VALUE)
            m_roles[h] = role;
        return h;
    }
    bool GetInfo(HANDLE file, BY_HANDLE_FILE_INFORMATION& info) override {
        return !Step("info " + m_roles[file]) && m_real.GetInfo(file, info);
    }
    bool SeekToStart(HANDLE file) override { return !Step("seek " + m_roles[file]) && m_real.SeekToStart(file); }
    bool Read(HANDLE file, void* pBuffer, DWORD nBytes, DWORD& nRead) override {
        return !Step("read " + m_roles[file]) && m_real.Read(file, pBuffer, nBytes, nRead);
    }
    bool Write(HANDLE file, const void* pBuffer, DWORD nBytes, DWORD& nWritten) override {
        m_dirty.insert(m_roles[file]);
        if (Step("write " + m_roles[file])) {
            m_real.Write(file, pBuffer, nBytes / 2, nWritten);
            ::SetLastError(kInjectedError);
            return false;
        }
        return m_real.Write(file, pBuffer, nBytes, nWritten);
    }
    bool SetEnd(HANDLE file) override {
        m_dirty.insert(m_roles[file]);
        return !Step("truncate " + m_roles[file]) && m_real.SetEnd(file);
    }
    bool Flush(HANDLE file) override {
        if (Step("flush " + m_roles[file]) || !m_real.Flush(file))
            return false;
        m_dirty.erase(m_roles[file]);
        return true;
    }
    bool Move(const std::wstring& from, const std::wstring& to, DWORD flags) override {
        const std::string roleFrom = Role(from), roleTo = Role(to);
        if (Step("move " + roleFrom + ">" + roleTo))
            return false;
        if (roleFrom == "file")
            m_faults.push_back("the file was moved away (" + m_log.back() + ")");
        if (roleTo == "file" && !m_bWriterDone)
            m_faults.push_back("the file was replaced before the writer had written everything");
        if (m_dirty.count(roleFrom))
            m_faults.push_back(roleFrom + " was put in the file's place before it was flushed");
        if (!m_real.Move(from, to, flags))
            return false;
        if (m_dirty.erase(roleFrom))
            m_dirty.insert(roleTo);
        return true;
    }
    bool HardLink(const std::wstring& link, const std::wstring& existing) override {
        return !Step("link " + Role(link) + "=" + Role(existing)) && m_real.HardLink(link, existing);
    }
    bool Delete(const std::wstring& path) override {
        const std::string role = Role(path);
        if (Step("delete " + role))
            return false;
        if (role == "file")
            m_faults.push_back("the file was deleted");
        if (!m_real.Delete(path))
            return false;
        m_dirty.erase(role); // unflushed bytes of a file that goes are no loss
        return true;
    }
    std::wstring TempFolder() override { return m_real.TempFolder(); }

private:
    ISaveFileSystem& m_real = RealSaveFileSystem();
    std::wstring m_strFileName;
    std::map<HANDLE, std::string> m_roles;
    std::set<std::string> m_dirty;
    bool m_bWriterDone = false;

    // Logs a step; true when it is the one to fail, with its error set.
    bool Step(const std::string& entry) {
        const int n = static_cast<int>(m_log.size());
        const bool bFail = n == m_nFailAt || n == m_nAlsoFailAt || (m_nKilledAt >= 0 && n >= m_nKilledAt);
        m_log.push_back(entry);
        if (bFail) {
            m_strFailed = entry;
            ::SetLastError(n == m_nFailAt ? m_dwFirstError : kInjectedError);
        }
        return bFail;
    }
    std::string Role(const std::wstring& path) const {
        const std::wstring name = NameOf(path);
        if (name == m_strFileName)
            return "file";
        auto endsWith = [&](const wchar_t* suffix) {
            const std::wstring s = suffix;
            return name.size() > s.size() && name.compare(name.size() - s.size(), s.size(), s) == 0;
        };
        for (const wchar_t* role : {L"tmp", L"new", L"bak", L"old"})
            if (name.starts_with(L"~" + m_strFileName + L".") && endsWith((std::wstring(L".") + role).c_str()))
                return Narrow(role);
        return Narrow(name);
    }
};

std::vector<unsigned char> Bytes(const std::string& s) {
    return {s.begin(), s.end()};
}

// A file to save: absent, present, or present with a second name (a hard link).
enum class Start { Absent, Present, SecondName };

struct SaveOutcome {
    bool bThrew = false;
    std::vector<std::string> faults;
    std::string log;
    std::string failed;
    size_t nSteps = 0;
};

const std::vector<unsigned char> kOld = Bytes("the old contents, which must survive");
const std::vector<unsigned char> kNew = Bytes("the new contents, written in two pieces and longer than the old");

// Saves kNew over a fresh folder's memo.txt, made to fail at step nFailAt (-1: none), and checks
// what the folder holds afterwards.
SaveOutcome SaveAndCheck(Start start, int nFailAt) {
    CTempDir dir;
    const std::wstring path = dir.File(L"memo.txt"), other = dir.File(L"other.txt");
    if (start != Start::Absent)
        WriteAllBytes(path, kOld);
    if (start == Start::SecondName) {
        EXPECT_TRUE(::CreateHardLinkW(other.c_str(), path.c_str(), nullptr));
    }

    CRecordingFileSystem fs(L"memo.txt");
    fs.m_nFailAt = nFailAt;
    SaveOutcome outcome;
    try {
        WriteFileSafely(
            path, [&](CFile& file) { fs.WriterWrites(file, kNew); }, fs);
    } catch (const CFileException& e) {
        outcome.bThrew = true;
        EXPECT_EQ(e.m_strFileName, path) << "the error names the user's file";
    }
    fs.AtEnd();
    outcome.faults = fs.m_faults;
    outcome.log = fs.Log();
    outcome.failed = fs.m_strFailed;
    outcome.nSteps = fs.m_log.size();
    SCOPED_TRACE("steps: " + outcome.log + (outcome.failed.empty() ? "" : "; failed: " + outcome.failed));

    // A failed save leaves what was there; a save that reports success leaves the new text.
    const std::vector<unsigned char>& expected = outcome.bThrew ? kOld : kNew;
    if (outcome.bThrew && start == Start::Absent) {
        EXPECT_EQ(::GetFileAttributesW(path.c_str()), INVALID_FILE_ATTRIBUTES) << "a failed save made a file";
    } else {
        EXPECT_EQ(TryReadAllBytes(path), expected) << (outcome.bThrew ? "the old text is gone" : "not saved");
    }
    // Another name sees the same text (except when the count of names could not be learnt: the
    // save then takes the file for one with a single name).
    if (start == Start::SecondName && !outcome.failed.starts_with("info ")) {
        EXPECT_EQ(TryReadAllBytes(other), expected) << "the second name";
    }
    // Nothing of the save's stays once the file is next touched, unless removing it was the step
    // that failed; the save's original file, kept aside when giving it back failed, is given back
    // then.
    if (!outcome.failed.starts_with("delete ")) {
        FinishInterruptedSave(path);
        EXPECT_EQ(TryReadAllBytes(path),
                  outcome.bThrew && start == Start::Absent ? std::vector<unsigned char>{} : expected);
        std::vector<std::wstring> names = dir.List();
        std::erase_if(names, [](const std::wstring& name) { return name == L"memo.txt" || name == L"other.txt"; });
        EXPECT_TRUE(names.empty()) << "left behind: " << Narrow(names.empty() ? L"" : names.front());
    }
    ::DeleteFileW(other.c_str());
    return outcome;
}

const char* NameOf(Start start) {
    return start == Start::Absent ? "a new file" : start == Start::Present ? "an existing file" : "a second name";
}

} // namespace

TEST(SafeSaveSteps, TheNewTextIsWrittenWholeAndFlushedBeforeItTakesTheNameAndTheFileIsNeverRemoved) {
    for (Start start : {Start::Absent, Start::Present, Start::SecondName}) {
        SCOPED_TRACE(NameOf(start));
        SaveOutcome outcome = SaveAndCheck(start, -1);
        EXPECT_FALSE(outcome.bThrew);
        EXPECT_TRUE(outcome.faults.empty()) << outcome.faults.front() << "\nsteps: " << outcome.log;
        // The writer ran, and every path to success goes through a flush.
        EXPECT_NE(outcome.log.find("write tmp, write tmp, flush tmp"), std::string::npos) << outcome.log;
    }
}

TEST(SafeSaveSteps, AFailureAtAnyStepLeavesTheOldOrTheNewFileWholeAndNothingElse) {
    for (Start start : {Start::Absent, Start::Present, Start::SecondName}) {
        SCOPED_TRACE(NameOf(start));
        const size_t nSteps = SaveAndCheck(start, -1).nSteps;
        ASSERT_GE(nSteps, 10u);
        for (size_t k = 0; k < nSteps; ++k) {
            SCOPED_TRACE(testing::Message() << "step " << k << " fails");
            SaveOutcome outcome = SaveAndCheck(start, static_cast<int>(k));
            EXPECT_TRUE(outcome.faults.empty()) << outcome.faults.front() << "\nsteps: " << outcome.log;
        }
    }
}

namespace {

// One line of `stat` for each file of a folder: name, octal mode, owner's uid, inode, link count.
struct UnixFile {
    std::string name;
    unsigned mode = 0, uid = 0;
    unsigned long long inode = 0;
    unsigned links = 0;
};

std::vector<UnixFile> UnixFiles(const std::wstring& folder) {
    std::optional<UnixShellResult> result =
        RunUnixShell("cd " + ShellQuote(UnixPathOf(folder)) + " && /usr/bin/stat -c '%n %a %u %i %h' -- *");
    std::vector<UnixFile> files;
    if (!result || result->status != 0) {
        ADD_FAILURE() << "stat did not run: " << (result ? result->output : "");
        return files;
    }
    std::istringstream lines(result->output);
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        UnixFile f;
        std::string mode;
        fields >> f.name >> mode >> f.uid >> f.inode >> f.links;
        f.mode = static_cast<unsigned>(std::stoul(mode, nullptr, 8));
        files.push_back(f);
    }
    return files;
}

std::string Shell(const std::string& script) {
    std::optional<UnixShellResult> result = RunUnixShell(script);
    EXPECT_TRUE(result && result->status == 0) << script << ": " << (result ? result->output : "did not run");
    return result ? result->output : std::string();
}

struct KillFigures {
    int nKills = 0, nOld = 0, nNew = 0, nLost = 0, nModeKept = 0, nExposed = 0, nFinished = 0;
};

// Kills a save of memo.txt (mode `mode`, owned by `uid`, with a second name when bSecondName)
// after step nKillAt, then checks what a kill leaves: the old or the new text, whole, under the
// name, and no file holding either that grants more than the original; and after the next touch
// of the file: the same file (inode, mode, owner, names) with the old or the new text, and nothing
// of the save's left.
void KillAfterStep(unsigned mode, unsigned uid, bool bSecondName, int nKillAt, KillFigures& figures, size_t& nSteps) {
    CTempDir dir;
    const std::wstring path = dir.File(L"memo.txt"), other = dir.File(L"other.txt");
    WriteAllBytes(path, kOld);
    if (bSecondName) {
        ASSERT_TRUE(::CreateHardLinkW(other.c_str(), path.c_str(), nullptr));
    }
    char octal[8];
    std::snprintf(octal, sizeof octal, "%o", mode);
    const std::string unixPath = ShellQuote(UnixPathOf(path));
    Shell("/bin/chmod " + std::string(octal) + " " + unixPath + " && /bin/chown " + std::to_string(uid) + " " +
          unixPath);
    std::vector<UnixFile> before = UnixFiles(dir.Path());
    ASSERT_FALSE(before.empty());
    const UnixFile original = before.front(); // "memo.txt" sorts before "other.txt"
    ASSERT_EQ(original.name, "memo.txt");

    CRecordingFileSystem fs(L"memo.txt");
    fs.m_nKilledAt = nKillAt;
    try {
        WriteFileSafely(
            path, [&](CFile& file) { fs.WriterWrites(file, kNew); }, fs);
    } catch (const CFileException&) {
    }
    nSteps = fs.m_log.size();
    SCOPED_TRACE("steps: " + fs.Log());
    ++figures.nKills;

    // Right after the kill the name holds a whole text; only a file with two names, which is
    // rewritten in place, may hold a part, and then the whole new text waits in a ".new".
    std::vector<unsigned char> now = TryReadAllBytes(path);
    bool bWholeNewAside = false;
    for (const std::wstring& name : dir.List())
        bWholeNewAside = bWholeNewAside || (name.ends_with(L".new") && TryReadAllBytes(dir.File(name)) == kNew);
    EXPECT_TRUE(now == kOld || now == kNew || (bSecondName && bWholeNewAside))
        << "the name holds " << now.size() << " bytes";
    for (const UnixFile& f : UnixFiles(dir.Path()))
        if (f.inode != original.inode) { // every file that is not the original itself
            const bool bExposed = (f.mode & ~original.mode & 0777) != 0;
            figures.nExposed += bExposed;
            EXPECT_FALSE(bExposed) << f.name << " has mode " << std::oct << f.mode << " over " << original.mode;
        }

    // The next touch.
    figures.nFinished += FinishInterruptedSave(path);
    now = TryReadAllBytes(path);
    if (now == kOld)
        ++figures.nOld;
    else if (now == kNew)
        ++figures.nNew;
    else
        ++figures.nLost;
    if (bSecondName) {
        EXPECT_EQ(TryReadAllBytes(other), now) << "the second name";
    }
    std::vector<UnixFile> after = UnixFiles(dir.Path());
    ASSERT_EQ(after.size(), before.size()) << "left behind: " << (after.size() > 1 ? after[1].name : "");
    const UnixFile& kept = after.front();
    const bool bKept = kept.name == "memo.txt" && kept.mode == original.mode && kept.uid == original.uid &&
                       kept.inode == original.inode && kept.links == original.links;
    figures.nModeKept += bKept;
    EXPECT_TRUE(bKept) << "now " << kept.name << " mode " << std::oct << kept.mode << std::dec << " uid " << kept.uid
                       << " inode " << kept.inode << " links " << kept.links;
    Shell("/bin/chown 0 " + unixPath); // the folder's removal deletes as the test's user
}

} // namespace

// A save killed after any one of its steps, of a file of mode 0600, 0640 (another user's) or 0755,
// with one name or two: no file ever holds the text with more rights than the original, and the
// next touch of the file finishes or undoes the save, keeping the file itself.
TEST(SafeSaveSteps, AKillAfterAnyStepExposesNothingAndTheNextTouchKeepsTheFileItself) {
    if (!IsWine())
        GTEST_SKIP() << "Unix modes and owners exist under Wine only";
    struct Case {
        unsigned mode, uid;
        bool bSecondName;
    };
    KillFigures figures;
    for (Case c : {Case{0600, 0, false}, Case{0640, 4321, false}, Case{0755, 0, false}, Case{0600, 4321, true}}) {
        SCOPED_TRACE(testing::Message() << "mode " << std::oct << c.mode << std::dec << " uid " << c.uid
                                        << (c.bSecondName ? ", two names" : ""));
        size_t nSteps = 0; // of a save that is not killed, which counts as killed after its end
        KillAfterStep(c.mode, c.uid, c.bSecondName, 1 << 20, figures, nSteps);
        for (size_t k = 0; k < nSteps && !HasFatalFailure(); ++k) {
            SCOPED_TRACE(testing::Message() << "killed at step " << k);
            size_t nTaken = 0;
            KillAfterStep(c.mode, c.uid, c.bSecondName, static_cast<int>(k), figures, nTaken);
        }
        if (HasFatalFailure())
            return;
    }
    std::printf("kills after a step: %d, old kept %d, new kept %d, lost %d, mode kept %d of %d, private text "
                "exposed %d, saves finished by the next touch %d\n",
                figures.nKills, figures.nOld, figures.nNew, figures.nLost, figures.nModeKept, figures.nKills,
                figures.nExposed, figures.nFinished);
    EXPECT_EQ(figures.nLost, 0);
    EXPECT_EQ(figures.nExposed, 0);
    EXPECT_EQ(figures.nModeKept, figures.nKills);
    EXPECT_GT(figures.nNew, 0);
    EXPECT_GT(figures.nOld, 0);
}

namespace {

// The files of the user's temporary folder that a save of memo.txt made.
std::vector<std::wstring> CopiesInTempFolder() {
    const std::wstring folder = RealSaveFileSystem().TempFolder();
    std::vector<std::wstring> paths;
    WIN32_FIND_DATAW fd;
    HANDLE find = ::FindFirstFileW((folder + L"\\~memo.txt.*").c_str(), &fd);
    if (find == INVALID_HANDLE_VALUE)
        return paths;
    do
        paths.push_back(folder + L"\\" + fd.cFileName);
    while (::FindNextFileW(find, &fd));
    ::FindClose(find);
    return paths;
}

} // namespace

// A folder that refuses new files (access denied) with a file that may be written: the save
// rewrites the file in place. With a failure at any later step as well, the file holds the old or
// the new text, whole; a failure after the old contents were copied to the temporary folder says
// where that copy is, and the copy holds them; a success leaves nothing there.
TEST(SafeSaveSteps, AFolderThatRefusesNewFilesGetsTheFileRewrittenInPlaceWithACopyAside) {
    for (const std::wstring& stale : CopiesInTempFolder())
        ::DeleteFileW(stale.c_str());
    size_t nSteps = 0;
    int nCreate = -1;
    for (int k = -1; k < 0 || k < static_cast<int>(nSteps); ++k) {
        CTempDir dir;
        const std::wstring path = dir.File(L"memo.txt");
        WriteAllBytes(path, kOld);
        CRecordingFileSystem fs(L"memo.txt");
        fs.m_nFailAt = nCreate;
        fs.m_dwFirstError = ERROR_ACCESS_DENIED;
        fs.m_nAlsoFailAt = k > nCreate ? k : -1;
        std::wstring copyPath;
        bool bThrew = false;
        try {
            WriteFileSafely(
                path, [&](CFile& file) { fs.WriterWrites(file, kNew); }, fs);
        } catch (const CSaveCopyKeptException& e) {
            bThrew = true;
            copyPath = e.m_strCopyPath;
        } catch (const CFileException&) {
            bThrew = true;
        }
        fs.AtEnd();
        SCOPED_TRACE("steps: " + fs.Log() + "; failed: " + fs.m_strFailed);
        if (k < 0) {
            // A first run finds the step that creates the temporary file beside the file, and a
            // second one with that step refused counts the steps of the rewrite in place.
            if (nCreate < 0) {
                nCreate = 0;
                for (const std::string& entry : fs.m_log) {
                    if (entry == "create tmp")
                        break;
                    ++nCreate;
                }
                k = -2; // once more with the creation refused
                continue;
            }
            EXPECT_FALSE(bThrew);
            EXPECT_EQ(ReadAllBytes(path), kNew);
            nSteps = fs.m_log.size();
            ASSERT_GT(nSteps, static_cast<size_t>(nCreate) + 10);
            EXPECT_TRUE(CopiesInTempFolder().empty()) << "a success left a copy";
            k = nCreate; // the second failures start after the refused creation
            continue;
        }
        SCOPED_TRACE(testing::Message() << "step " << k << " fails too");
        EXPECT_TRUE(fs.m_faults.empty()) << fs.m_faults.front();
        std::vector<unsigned char> now = ReadAllBytes(path);
        EXPECT_EQ(now, bThrew ? kOld : kNew);
        EXPECT_EQ(dir.List(), std::vector<std::wstring>{L"memo.txt"}) << "nothing new in the folder";
        if (!copyPath.empty()) {
            EXPECT_EQ(ReadAllBytes(copyPath), kOld) << "the copy the message names";
        }
        for (const std::wstring& left : CopiesInTempFolder()) {
            // Only the copy the message names stays, unless removing a file was what failed.
            if (left != copyPath && !fs.m_strFailed.starts_with("delete "))
                ADD_FAILURE() << "left in the temporary folder: " << Narrow(left);
            ::DeleteFileW(left.c_str());
        }
    }
}
