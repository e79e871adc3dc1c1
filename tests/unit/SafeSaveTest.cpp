// Saving never destroys the file it replaces: success, a full disk, a read-only file, a folder
// that vanished and a failing writer all leave the original intact and no stray file behind; a
// passing reader is waited out; links, permissions and other names of the file survive; and a
// save killed at any moment leaves the old or the new file, whole.
#include <gtest/gtest.h>
#include <algorithm>
#include <memory>
#include <optional>
#include <tuple>
#include <random>
#include <sstream>
#include <stdexcept>
#include <thread>
#include <vector>
#include "TestFiles.h"
#include "TestMain.h"
#include "UnixShell.h"
#include "tools/SaveLoopContent.h"
#include "document/SafeSave.h"
#include "framework/Exception.h"
#include "framework/File.h"
#include "framework/Handles.h"

namespace {

std::vector<unsigned char> Text(const std::string& s) {
    return {s.begin(), s.end()};
}

auto Writes(const std::vector<unsigned char>& bytes) {
    return [bytes](CFile& f) { f.Write(bytes.data(), bytes.size()); };
}

// Runs a save that must fail with a file exception naming the target; returns its cause.
CFileException::Cause FailingSave(const std::wstring& path, const std::function<void(CFile&)>& write) {
    try {
        WriteFileSafely(path, write);
    } catch (const CFileException& e) {
        EXPECT_EQ(e.m_strFileName, path);
        return e.m_cause;
    }
    ADD_FAILURE() << "the save should have failed";
    return CFileException::none;
}

} // namespace

TEST(SafeSave, ReplacesContentAndKeepsAttributes) {
    CTempDir dir;
    std::wstring path = dir.File(L"memo.txt");
    WriteFileSafely(path, Writes(Text("first")));
    EXPECT_EQ(ReadAllBytes(path), Text("first"));

    ASSERT_TRUE(::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_HIDDEN));
    WriteFileSafely(path, Writes(Text("second, longer")));
    EXPECT_EQ(ReadAllBytes(path), Text("second, longer"));
    EXPECT_TRUE(::GetFileAttributesW(path.c_str()) & FILE_ATTRIBUTE_HIDDEN);
    EXPECT_EQ(dir.List(), std::vector<std::wstring>{L"memo.txt"});
}

TEST(SafeSave, ReadOnlyFileIsRefusedAndKept) {
    CTempDir dir;
    std::wstring path = dir.File(L"locked.txt");
    WriteAllBytes(path, Text("keep me"));
    ASSERT_TRUE(::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(FailingSave(path, Writes(Text("lost?"))), CFileException::accessDenied);
    EXPECT_EQ(ReadAllBytes(path), Text("keep me"));
    EXPECT_EQ(dir.List(), std::vector<std::wstring>{L"locked.txt"});
}

TEST(SafeSave, VanishedFolderFailsCleanly) {
    CTempDir dir;
    std::wstring folder = dir.File(L"gone");
    ASSERT_TRUE(::CreateDirectoryW(folder.c_str(), nullptr));
    ASSERT_TRUE(::RemoveDirectoryW(folder.c_str()));
    std::wstring path = folder + L"\\memo.txt";
    EXPECT_EQ(FailingSave(path, Writes(Text("x"))), CFileException::badPath);
    EXPECT_TRUE(dir.List().empty());
}

TEST(SafeSave, FailingWriterLeavesOriginalAndNoTemporaryFile) {
    CTempDir dir;
    std::wstring path = dir.File(L"memo.txt");
    WriteAllBytes(path, Text("original"));
    EXPECT_THROW(WriteFileSafely(path,
                                 [](CFile& f) {
                                     f.Write("partial", 7);
                                     throw CMemoryException();
                                 }),
                 CMemoryException);
    EXPECT_EQ(ReadAllBytes(path), Text("original"));
    EXPECT_EQ(dir.List(), std::vector<std::wstring>{L"memo.txt"});
}

TEST(SafeSave, FullDiskLeavesOriginalIntact) {
    std::wstring folder = SmallFileSystemFolder();
    if (folder.empty())
        GTEST_SKIP() << "no small file system mounted (the test script mounts one when it runs as root)";
    std::wstring path = folder + L"\\full.txt";
    std::wstring filler = folder + L"\\filler.bin";
    std::vector<unsigned char> original(64 * 1024, 'o');
    WriteAllBytes(path, original);

    // Leave less room than the new contents need.
    FillDiskLeaving(folder, filler, 32 * 1024);

    std::vector<unsigned char> bigger(256 * 1024, 'n');
    EXPECT_EQ(FailingSave(path, Writes(bigger)), CFileException::diskFull);
    EXPECT_EQ(ReadAllBytes(path), original);
    ::DeleteFileW(filler.c_str());
    WIN32_FIND_DATAW fd;
    CFindHandle leftover(::FindFirstFileW((folder + L"\\~*").c_str(), &fd));
    EXPECT_FALSE(leftover) << "a temporary file was left behind";
    ::DeleteFileW(path.c_str());
}

namespace {

std::wstring FinalPath(const std::wstring& path) {
    CFileHandle h(::CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    wchar_t buffer[1024] = {};
    if (!h || !::GetFinalPathNameByHandleW(h.Get(), buffer, 1024, FILE_NAME_NORMALIZED | VOLUME_NAME_DOS))
        return {};
    std::wstring final = buffer;
    return final.rfind(L"\\\\?\\", 0) == 0 ? final.substr(4) : final;
}

DWORD LinkCount(const std::wstring& path) {
    CFileHandle h(::CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, 0, nullptr));
    BY_HANDLE_FILE_INFORMATION info{};
    return h && ::GetFileInformationByHandle(h.Get(), &info) ? info.nNumberOfLinks : 0;
}

// Runs a shell script that must succeed.
std::string Shell(const std::string& script) {
    std::optional<UnixShellResult> result = RunUnixShell(script);
    if (!result)
        throw std::runtime_error("the shell did not run");
    if (result->status != 0)
        throw std::runtime_error("shell script failed: " + result->output);
    return result->output;
}

} // namespace

TEST(SafeSave, WaitsOutAPassingReaderAndReportsOneThatStays) {
    CTempDir dir;
    std::wstring path = dir.File(L"scanned.txt");
    WriteAllBytes(path, Text("original"));

    // A scanner that reads the file for a moment, allowing other readers only.
    CFileHandle reader(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(reader);
    std::thread scanner([&] {
        ::Sleep(400);
        reader.Close();
    });
    EXPECT_NO_THROW(WriteFileSafely(path, Writes(Text("saved while scanned"))));
    scanner.join();
    EXPECT_EQ(ReadAllBytes(path), Text("saved while scanned"));
    EXPECT_EQ(dir.List(), std::vector<std::wstring>{L"scanned.txt"});

    // One that does not let go is reported, and the file is left as it was.
    CFileHandle holder(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(holder);
    EXPECT_EQ(FailingSave(path, Writes(Text("never"))), CFileException::sharingViolation);
    holder.Close();
    EXPECT_EQ(ReadAllBytes(path), Text("saved while scanned"));
    EXPECT_EQ(dir.List(), std::vector<std::wstring>{L"scanned.txt"});
}

TEST(SafeSave, SavesThroughSymbolicLinksIntoTheFileTheyNameAndKeepsThem) {
    if (!IsWine())
        GTEST_SKIP() << "symbolic links are made with the Unix ln, under Wine";
    CTempDir dir;
    std::wstring real = dir.File(L"real.txt");
    WriteAllBytes(real, Text("old"));
    // Another file system for the second link: /dev/shm is a tmpfs.
    std::string farUnix = "/dev/shm/tessarin-safesave-" + std::to_string(::GetCurrentProcessId());
    std::wstring farFolder = WindowsPathOfUnix(farUnix);
    std::string here = UnixPathOf(dir.Path());
    // The folder and the links go however the test ends: Windows cannot delete a dangling link
    // under Wine.
    struct CRemoveFar {
        std::string strFolder, strHere;
        ~CRemoveFar() {
            RunUnixShell("/bin/rm -rf " + ShellQuote(strFolder) + " " + ShellQuote(strHere + "/near.txt") + " " +
                         ShellQuote(strHere + "/far.txt"));
        }
    } removeFar{farUnix, here};
    Shell("/bin/mkdir -p " + ShellQuote(farUnix) + " && /bin/echo -n far-old >" + ShellQuote(farUnix + "/far.txt") +
          " && /bin/ln -s real.txt " + ShellQuote(here + "/near.txt") + " && /bin/ln -s " +
          ShellQuote(farUnix + "/far.txt") + " " + ShellQuote(here + "/far.txt"));
    std::wstring nearLink = dir.File(L"near.txt"), farLink = dir.File(L"far.txt");
    ASSERT_EQ(FinalPath(nearLink), real);

    WriteFileSafely(nearLink, Writes(Text("new")));
    EXPECT_EQ(ReadAllBytes(real), Text("new"));
    EXPECT_EQ(FinalPath(nearLink), real) << "the link is still a link to the same file";

    WriteFileSafely(farLink, Writes(Text("far-new")));
    EXPECT_EQ(ReadAllBytes(farFolder + L"\\far.txt"), Text("far-new"));
    EXPECT_EQ(FinalPath(farLink), farFolder + L"\\far.txt");

    std::vector<std::wstring> names = dir.List();
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::wstring>{L"far.txt", L"near.txt", L"real.txt"}));
    EXPECT_EQ(Shell("/bin/ls -A " + ShellQuote(farUnix)), "far.txt\n") << "nothing else was left there";
}

TEST(SafeSave, EveryNameOfAHardLinkedFileSeesTheNewText) {
    CTempDir dir;
    std::wstring first = dir.File(L"first.txt"), second = dir.File(L"second.txt");
    WriteAllBytes(first, Text("shared old text"));
    ASSERT_TRUE(::CreateHardLinkW(second.c_str(), first.c_str(), nullptr));

    WriteFileSafely(first, Writes(Text("new")));
    EXPECT_EQ(ReadAllBytes(first), Text("new"));
    EXPECT_EQ(ReadAllBytes(second), Text("new"));
    WriteFileSafely(second, Writes(Text("newer and longer")));
    EXPECT_EQ(ReadAllBytes(first), Text("newer and longer"));
    EXPECT_EQ(LinkCount(first), 2u);
    EXPECT_EQ(dir.List().size(), 2u) << "no copy was left behind";
}

TEST(SafeSave, HardLinkedFileThatCannotGrowKeepsItsOldTextUnderEveryName) {
    std::wstring folder = SmallFileSystemFolder();
    if (folder.empty())
        GTEST_SKIP() << "no small file system mounted (the test script mounts one when it runs as root)";
    std::wstring first = folder + L"\\linked-a.txt", second = folder + L"\\linked-b.txt";
    std::wstring filler = folder + L"\\linked-filler.bin";
    std::vector<unsigned char> original(96 * 1024, 'o');
    WriteAllBytes(first, original);
    ASSERT_TRUE(::CreateHardLinkW(second.c_str(), first.c_str(), nullptr));
    // Room for the new file and a copy of the old one, not for the original to grow in place.
    std::vector<unsigned char> bigger(256 * 1024, 'n');
    FillDiskLeaving(folder, filler, bigger.size() + original.size() + 64 * 1024);

    EXPECT_EQ(FailingSave(first, Writes(bigger)), CFileException::diskFull);
    EXPECT_EQ(ReadAllBytes(first), original);
    EXPECT_EQ(ReadAllBytes(second), original);
    ::DeleteFileW(filler.c_str());
    WIN32_FIND_DATAW fd;
    CFindHandle leftover(::FindFirstFileW((folder + L"\\~*").c_str(), &fd));
    EXPECT_FALSE(leftover) << "a temporary file was left behind";
    ::DeleteFileW(first.c_str());
    ::DeleteFileW(second.c_str());
}

TEST(SafeSave, KeepsTheUnixPermissions) {
    if (!IsWine())
        GTEST_SKIP() << "Unix modes exist under Wine only";
    CTempDir dir;
    std::string here = UnixPathOf(dir.Path());
    const std::vector<std::string> modes = {"600", "755", "640", "444"};
    std::string chmod;
    for (const std::string& mode : modes) {
        WriteAllBytes(dir.File(L"m" + std::wstring(mode.begin(), mode.end())), Text("old " + mode));
        chmod += "/bin/chmod " + mode + " " + ShellQuote(here + "/m" + mode) + " && ";
    }
    Shell(chmod + "true");
    for (const std::string& mode : modes) {
        std::wstring path = dir.File(L"m" + std::wstring(mode.begin(), mode.end()));
        if (mode == "444") // read-only to Windows: refused, and untouched
            EXPECT_EQ(FailingSave(path, Writes(Text("new"))), CFileException::accessDenied);
        else
            WriteFileSafely(path, Writes(Text("new " + mode)));
    }
    std::string stat = "/usr/bin/stat -c %a";
    for (const std::string& mode : modes)
        stat += " " + ShellQuote(here + "/m" + mode);
    EXPECT_EQ(Shell(stat), "600\n755\n640\n444\n");
    EXPECT_EQ(ReadAllBytes(dir.File(L"m755")), Text("new 755"));
    EXPECT_EQ(ReadAllBytes(dir.File(L"m444")), Text("old 444"));
    Shell("/bin/chmod 644 " + ShellQuote(here + "/m444"));
}

// Files that merely look like a save's leftovers are the user's: the names an earlier version of
// the program used, and random names close to ours, survive any number of saves untouched, while
// what a save cut short really left (made here by saves that fail in their last step) goes.
TEST(SafeSave, LeavesFilesThatOnlyLookLikeItsLeftoversAlone) {
    CTempDir dir;
    std::wstring path = dir.File(L"memo.txt");
    WriteAllBytes(path, Text("old"));
    std::vector<std::wstring> others = {L"~memo.txt.cafe.tmp",      L"~memo.txt.beef.bak",      L"~memo.txt.1.tmp",
                                        L"~memo.txt.123456789.bak", L"~memo.txt.1a2b.tmp.keep", L"~memo.txt..tmp",
                                        L"~other.txt.1234.tmp",     L"memo.txt.1234.tmp"};
    // Names of our exact shape with a tag whose check does not fit: 16 random hex digits.
    std::mt19937 random(g_testRun.seed);
    const wchar_t* suffixes[] = {L".tmp", L".new", L".bak", L".old"};
    // The check is FNV-1a over the file's name, "|" and the first twelve digits, folded to 16 bits;
    // the one name in 65,536 whose check fits would be taken for ours, as it would be by the
    // program, and is left out.
    auto checkFits = [](const std::wstring& tag) {
        unsigned long long hash = 14695981039346656037ull;
        for (wchar_t c : L"memo.txt|" + tag.substr(0, 12)) {
            hash ^= static_cast<unsigned long long>(c);
            hash *= 1099511628211ull;
        }
        return std::stoul(tag.substr(12), nullptr, 16) ==
               ((hash ^ (hash >> 16) ^ (hash >> 32) ^ (hash >> 48)) & 0xffff);
    };
    for (int i = 0; i < 40; ++i) {
        std::wstring tag;
        for (int d = 0; d < 16; ++d)
            tag += L"0123456789abcdef"[random() % 16];
        if (!checkFits(tag))
            others.push_back(L"~memo.txt." + tag + suffixes[random() % 4]);
    }
    for (const std::wstring& name : others)
        WriteAllBytes(dir.File(name), Text("someone else's: " + std::string(name.begin(), name.end())));

    for (int save = 0; save < 3; ++save)
        WriteFileSafely(path, Writes(Text("new " + std::to_string(save))));
    EXPECT_FALSE(FinishInterruptedSave(path));
    EXPECT_EQ(ReadAllBytes(path), Text("new 2"));
    std::vector<std::wstring> expected = others;
    expected.push_back(L"memo.txt");
    std::vector<std::wstring> names = dir.List();
    std::sort(expected.begin(), expected.end());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, expected);
    for (const std::wstring& name : others)
        EXPECT_EQ(ReadAllBytes(dir.File(name)), Text("someone else's: " + std::string(name.begin(), name.end())));
}

namespace {

// A SafeSaveLoop process, killed when the object goes.
class CSaveLoop {
public:
    CSaveLoop(const std::wstring& path, bool bOnce) {
        wchar_t self[MAX_PATH] = {};
        ::GetModuleFileNameW(nullptr, self, MAX_PATH);
        std::wstring exe = self;
        exe = exe.substr(0, exe.find_last_of(L"\\/") + 1) + L"SafeSaveLoop.exe";
        static LONG s_nLoops = 0;
        std::wstring ready = L"SafeSaveLoopReady-" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
                             std::to_wstring(::InterlockedIncrement(&s_nLoops));
        m_hReady.Attach(::CreateEventW(nullptr, TRUE, FALSE, ready.c_str()));
        std::wstring commandLine = L"\"" + exe + L"\" \"" + path + L"\" --ready=" + ready + (bOnce ? L" --once" : L"");
        STARTUPINFOW si{sizeof si};
        PROCESS_INFORMATION pi{};
        if (!::CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
            throw std::runtime_error("cannot start SafeSaveLoop.exe");
        m_hProcess.Attach(pi.hProcess);
        CKernelHandle thread(pi.hThread);
    }
    ~CSaveLoop() { Kill(); }
    // Waits until the program has started saving.
    bool WaitUntilSaving() { return ::WaitForSingleObject(m_hReady.Get(), 30000) == WAIT_OBJECT_0; }
    void Kill() {
        if (m_hProcess && ::WaitForSingleObject(m_hProcess.Get(), 0) == WAIT_TIMEOUT) {
            ::TerminateProcess(m_hProcess.Get(), 9);
            ::WaitForSingleObject(m_hProcess.Get(), 30000);
        }
    }
    // Waits for a normal end and returns the exit code (-1 when it did not end in time).
    int Wait() {
        DWORD code = 0;
        if (::WaitForSingleObject(m_hProcess.Get(), 60000) != WAIT_OBJECT_0 ||
            !::GetExitCodeProcess(m_hProcess.Get(), &code))
            return -1;
        return static_cast<int>(code);
    }

private:
    CKernelHandle m_hProcess;
    CKernelHandle m_hReady;
};

} // namespace

namespace {

// What the Unix side says of a file: octal mode, owner's uid, inode and link count.
struct UnixStat {
    unsigned mode = 0, uid = 0, links = 0;
    unsigned long long inode = 0;
    bool operator==(const UnixStat&) const = default;
};

// Every file of a folder by name, with its Unix facts.
std::vector<std::pair<std::string, UnixStat>> UnixStats(const std::wstring& folder) {
    std::string out = Shell("cd " + ShellQuote(UnixPathOf(folder)) + " && /usr/bin/stat -c '%n %a %u %i %h' -- *");
    std::vector<std::pair<std::string, UnixStat>> files;
    std::istringstream lines(out);
    std::string name, mode;
    UnixStat st;
    while (lines >> name >> mode >> st.uid >> st.inode >> st.links) {
        st.mode = static_cast<unsigned>(std::stoul(mode, nullptr, 8));
        files.emplace_back(name, st);
    }
    return files;
}

// Watches a folder from the Unix side (tests/tools/ModeWatch.c, built with the machine's C
// compiler) for the life of the object, and gives the mode of every file that appeared there with
// a given prefix, taken the moment it appeared. The watcher ends with the object.
class CModeWatch {
public:
    CModeWatch(const std::wstring& folder, const std::string& prefix) {
        const std::string work = UnixPathOf(m_work.Path());
        const std::string exe = ShellQuote(work + "/modewatch");
        std::optional<UnixShellResult> built = RunUnixShell(
            "cc -O2 -o " + exe + " " + ShellQuote(std::string(TESSARIN_TEST_DATA) + "/../tools/ModeWatch.c") + " && (" +
            exe + " " + ShellQuote(UnixPathOf(folder)) + " " + ShellQuote(prefix) + " " + ShellQuote(work + "/log") +
            " " + ShellQuote(work + "/stop") + " 1800 </dev/null >/dev/null 2>&1 &)");
        if (!built || built->status != 0) {
            m_strWhy = built ? built->output : "the shell did not run";
            return;
        }
        m_bRunning = WaitForLog([](const std::string& log) { return log.starts_with("ready\n"); });
        if (!m_bRunning)
            m_strWhy = "the watcher did not start";
    }
    ~CModeWatch() { Stop(); }
    bool Running() const { return m_bRunning; }
    const std::string& Why() const { return m_strWhy; }
    // Ends the watcher and returns (name, mode, inode) for every file seen; a file that went before
    // it could be looked at has mode ~0u.
    std::vector<std::tuple<std::string, unsigned, unsigned long long>> Stop() {
        std::vector<std::tuple<std::string, unsigned, unsigned long long>> seen;
        if (!m_bRunning)
            return seen;
        m_bRunning = false;
        WriteAllBytes(m_work.File(L"stop"), "", 0);
        std::string log;
        EXPECT_TRUE(WaitForLog([&](const std::string& text) {
            log = text;
            return text.ends_with("done\n");
        })) << "the watcher did not end";
        std::istringstream lines(log);
        std::string line;
        while (std::getline(lines, line)) {
            std::istringstream fields(line);
            std::string name, mode;
            unsigned long long inode = 0;
            if (!(fields >> name >> mode) || line == "ready" || line == "done")
                continue;
            fields >> inode;
            seen.emplace_back(name, mode == "gone" ? ~0u : static_cast<unsigned>(std::stoul(mode, nullptr, 8)), inode);
        }
        return seen;
    }

private:
    template <typename Done> bool WaitForLog(Done done) {
        const ULONGLONG deadline = ::GetTickCount64() + 20000;
        for (;;) {
            std::vector<unsigned char> bytes = TryReadAllBytes(m_work.File(L"log"));
            if (done(std::string(bytes.begin(), bytes.end())))
                return true;
            if (::GetTickCount64() > deadline)
                return false;
            ::Sleep(10);
        }
    }

    CTempDir m_work;
    bool m_bRunning = false;
    std::string m_strWhy;
};

} // namespace

// Kills a program that saves a few megabytes over and over at random moments: the file must hold
// one whole version after every kill, and after the next touch of the file (which finishes a save
// cut short) the same file as before, with its mode, owner and links; no file that holds the text
// may ever grant more than the file does. The file is private (0640) and, under Wine, another
// user's. --steps=N sets the number of kills (20 by default, for CI), --seed=N the moments.
TEST(SafeSave, KilledAtAnyMomentLeavesTheOldOrTheNewFile) {
    const int kills = g_testRun.steps > 0 ? g_testRun.steps : 20;
    std::mt19937 random(g_testRun.seed);
    std::uniform_int_distribution<int> delayMs(0, 500);
    CTempDir dir;
    std::wstring path = dir.File(L"big.txt");
    const std::vector<unsigned char> a = SaveLoopContent('A', kSaveLoopBytesA);
    const std::vector<unsigned char> b = SaveLoopContent('B', kSaveLoopBytesB);
    WriteAllBytes(path, a);
    const bool bUnix = IsWine();
    const std::string unixPath = bUnix ? ShellQuote(UnixPathOf(path)) : std::string();
    UnixStat original;
    if (bUnix) {
        Shell("/bin/chmod 640 " + unixPath + " && /bin/chown 4321 " + unixPath);
        original = UnixStats(dir.Path()).at(0).second;
    }
    int nOld = 0, nNew = 0, nLost = 0, nModeKept = 0, nExposed = 0, nFinished = 0;
    std::unique_ptr<CModeWatch> watch;
    if (bUnix) {
        watch = std::make_unique<CModeWatch>(dir.Path(), "~big.txt.");
        if (!watch->Running())
            std::printf("no watch of the files as they appear (%s): their modes are checked after each kill only\n",
                        watch->Why().c_str());
    }
    for (int kill = 0; kill < kills; ++kill) {
        const std::vector<unsigned char> before = TryReadAllBytes(path);
        {
            CSaveLoop loop(path, false);
            ASSERT_TRUE(loop.WaitUntilSaving());
            ::Sleep(static_cast<DWORD>(delayMs(random))); // the random moment of the kill
            loop.Kill();
        }
        std::vector<unsigned char> now = TryReadAllBytes(path);
        EXPECT_TRUE(now == a || now == b) << "kill " << kill << " left " << now.size() << " bytes under the name";
        if (bUnix) {
            for (const auto& [name, st] : UnixStats(dir.Path()))
                if (st.inode != original.inode && (st.mode & ~original.mode & 0777)) {
                    ++nExposed;
                    ADD_FAILURE() << name << " has mode " << std::oct << st.mode << " after kill " << std::dec << kill;
                }
        }
        // The next touch of the file, as an open does it.
        nFinished += FinishInterruptedSave(path);
        now = TryReadAllBytes(path);
        if (now.empty() || (now != a && now != b)) {
            ++nLost;
            ADD_FAILURE() << "no whole version after kill " << kill << ": " << now.size() << " bytes";
            WriteAllBytes(path, a);
            continue;
        }
        ++(now == before ? nOld : nNew);
        EXPECT_EQ(dir.List(), std::vector<std::wstring>{L"big.txt"}) << "after kill " << kill;
        if (bUnix) {
            const UnixStat st = UnixStats(dir.Path()).at(0).second;
            nModeKept += st == original;
            EXPECT_EQ(st, original) << "after kill " << kill << ": mode " << std::oct << st.mode << std::dec << " uid "
                                    << st.uid << " inode " << st.inode << " links " << st.links;
        }
    }
    // The next save leaves nothing of its own and the file as it was.
    CSaveLoop once(path, true);
    EXPECT_EQ(once.Wait(), 0);
    EXPECT_EQ(dir.List(), std::vector<std::wstring>{L"big.txt"});

    // Every file that appeared beside it, as it appeared.
    int nWatched = 0, nUnseen = 0;
    if (watch && watch->Running()) {
        for (const auto& [name, mode, inode] : watch->Stop()) {
            ++nWatched;
            if (mode == ~0u) {
                ++nUnseen;
            } else if (inode != original.inode && (mode & ~original.mode & 0777)) {
                ++nExposed;
                ADD_FAILURE() << name << " appeared with mode " << std::oct << mode;
            }
        }
        EXPECT_GT(nWatched, kills) << "the watcher saw too little";
    }
    std::printf("kills: %d, old kept %d, new kept %d, lost %d, mode kept %d of %d, private text exposed %d "
                "(files watched as they appeared %d, gone before a look %d), saves finished by the next touch %d\n",
                kills, nOld, nNew, nLost, nModeKept, bUnix ? kills : 0, nExposed, nWatched, nUnseen, nFinished);
    EXPECT_EQ(nLost, 0);
    EXPECT_EQ(nExposed, 0);
    EXPECT_GT(nOld, 0);
    EXPECT_GT(nNew, 0);
    if (bUnix) {
        EXPECT_EQ(UnixStats(dir.Path()).at(0).second, original);
        Shell("/bin/chown 0 " + unixPath);
    }
}

namespace {
// Plays another program that takes the temporary file's name between the check and the creation:
// the first name a save picks is created with these bytes just before the save creates it.
std::vector<std::wstring> g_intruders;
void TakeTheNameFirst(const std::wstring& tempPath) {
    if (!g_intruders.empty())
        return;
    g_intruders.push_back(tempPath);
    WriteAllBytes(tempPath, Text("another program's file"));
}
} // namespace

TEST(SafeSave, ATemporaryNameTakenInBetweenIsLeftAloneAndAnotherIsUsed) {
    CTempDir dir;
    const std::wstring path = dir.File(L"memo.txt");
    WriteAllBytes(path, Text("original"));
    g_intruders.clear();
    TempCreateHook previous = SetBeforeTempCreateHook(TakeTheNameFirst);
    try {
        WriteFileSafely(path, Writes(Text("new text")));
    } catch (...) {
        SetBeforeTempCreateHook(previous);
        throw;
    }
    SetBeforeTempCreateHook(previous);
    ASSERT_EQ(g_intruders.size(), 1u);
    EXPECT_EQ(ReadAllBytes(path), Text("new text"));
    EXPECT_EQ(ReadAllBytes(g_intruders[0]), Text("another program's file"));
    EXPECT_EQ(dir.List().size(), 2u); // the file and the other program's, nothing of the save's
    ::DeleteFileW(g_intruders[0].c_str());
}
