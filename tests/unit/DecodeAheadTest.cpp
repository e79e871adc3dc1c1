// Decoding on several threads at once: the converter's spare copies against the GUI thread's copy
// on every fixture, the files of a walk decoded ahead and handed back in walk order, and the
// memory figures the decoding checks when read from two threads.
#include <gtest/gtest.h>
#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>
#include "TestFiles.h"
#include "document/Converter.h"
#include "document/TextCodec.h"
#include "framework/Exception.h"
#include "framework/File.h"
#include "framework/Handles.h"
#include "search/DecodeAhead.h"

namespace {

struct Decoded {
    bool bRead = false;
    std::wstring text;
    EncodingId encoding = EncodingId::Unspecified;
    LineEndingId lineEnding = LineEndingId::Unspecified;
    bool operator==(const Decoded&) const = default;
};

Decoded DecodeWith(const std::wstring& path, CReusableBuffer& bytes, CReusableBuffer& text, CConverter* pConverter) {
    Decoded d;
    try {
        CFile file(path, CFile::modeRead | CFile::shareDenyNone);
        d.text = DecodeFileTextReusing(file, bytes, text, d.encoding, d.lineEnding, pConverter);
        d.bRead = true;
    } catch (const CException&) {
        d.bRead = false;
    }
    return d;
}

// Every fixture: the round-trip and fidelity corpora in all encodings and the converter's crash
// inputs.
std::vector<std::wstring> FixturePaths() {
    std::vector<std::wstring> paths;
    for (const wchar_t* folder : {L"roundtrip", L"fidelity", L"crash"}) {
        WIN32_FIND_DATAW data;
        std::wstring base = TestDataPath(folder) + L"\\";
        CFindHandle h(::FindFirstFileW((base + L"*.txt").c_str(), &data));
        if (!h)
            continue;
        do
            paths.push_back(base + data.cFileName);
        while (::FindNextFileW(h.Get(), &data));
    }
    return paths;
}

} // namespace

// Two spare copies decoding every fixture at the same time, over and over, each on its own
// thread, give what the GUI thread's copy gives alone: the copies share no state.
TEST(DecodeAheadTest, SpareConverterCopiesDecodeAloneOnTheirThreads) {
    const std::vector<std::wstring> paths = FixturePaths();
    ASSERT_GE(paths.size(), 60u);
    std::vector<Decoded> expected;
    {
        CReusableBuffer bytes, text;
        for (const auto& path : paths)
            expected.push_back(DecodeWith(path, bytes, text, nullptr));
    }

    std::unique_ptr<CConverter> spares[2] = {CConverter::ClaimSpare(), CConverter::ClaimSpare()};
    ASSERT_TRUE(spares[0] && spares[1]);
    EXPECT_FALSE(CConverter::ClaimSpare()) << "two spare copies, both taken";
    std::atomic<int> mismatches{0};
    auto decodeAll = [&](CConverter* pConverter, bool bBackwards) {
        CReusableBuffer bytes, text;
        for (int round = 0; round < 6; ++round) {
            for (size_t k = 0; k < paths.size(); ++k) {
                size_t i = bBackwards ? paths.size() - 1 - k : k;
                if (!(DecodeWith(paths[i], bytes, text, pConverter) == expected[i]))
                    ++mismatches;
            }
        }
    };
    std::thread a(decodeAll, spares[0].get(), false), b(decodeAll, spares[1].get(), true);
    a.join();
    b.join();
    EXPECT_EQ(mismatches, 0);
    // A copy given back can be claimed again.
    spares[1].reset();
    EXPECT_TRUE(CConverter::ClaimSpare());
}

// The files of a walk come back in walk order with the text each decodes to alone, whether the
// caller keeps up with the threads or falls behind them, and with no thread at all.
TEST(DecodeAheadTest, HandsFilesBackInWalkOrderWithTheirOwnText) {
    const std::vector<std::wstring> fixtures = FixturePaths();
    CTempDir dir;
    for (size_t i = 0; i < 3 * fixtures.size(); ++i) {
        wchar_t name[32];
        swprintf(name, 32, L"%04zu.txt", i);
        WriteAllBytes(dir.File(name), ReadAllBytes(fixtures[i % fixtures.size()]));
    }
    // A folder Wine shows as hidden (its name starts with a dot) is taken for a file: unreadable.
    ASSERT_TRUE(::CreateDirectoryW(dir.File(L".unreadable.txt").c_str(), nullptr));
    const std::wstring folder = dir.Path() + L"\\";

    std::vector<std::wstring> walked;
    {
        CFileWalk walk(folder, {L"*.txt"}, true);
        UINT nReason = 0;
        for (std::wstring path; walk.Next(path, nReason);)
            walked.push_back(path);
    }
    ASSERT_EQ(walked.size(), 3 * fixtures.size() + 1);
    std::vector<Decoded> expected;
    {
        CReusableBuffer bytes, text;
        for (const auto& path : walked)
            expected.push_back(DecodeWith(path, bytes, text, nullptr));
    }

    for (int nThreads : {2, 1, 0}) {
        for (bool bSlowCaller : {false, true}) {
            SCOPED_TRACE(testing::Message() << nThreads << " threads, slow caller " << bSlowCaller);
            std::unique_ptr<CConverter> spares[2];
            if (nThreads == 0) // the spare copies are all taken: the caller's thread decodes
                spares[0] = CConverter::ClaimSpare(), spares[1] = CConverter::ClaimSpare();
            CDecodeAhead files(CFileWalk(folder, {L"*.txt"}, true), nThreads);
            EXPECT_EQ(files.ThreadCount(), static_cast<size_t>(nThreads));
            size_t n = 0;
            for (;;) {
                const DecodedFile* pFile = nullptr;
                const CDecodeAhead::Result result = files.Next(&pFile, 10);
                if (result == CDecodeAhead::Result::Done)
                    break;
                if (result == CDecodeAhead::Result::Waiting)
                    continue;
                ASSERT_LT(n, walked.size());
                EXPECT_EQ(pFile->strPath, walked[n]);
                EXPECT_EQ(pFile->bRead, expected[n].bRead) << pFile->strPath;
                EXPECT_EQ(pFile->text, expected[n].text) << pFile->strPath;
                if (bSlowCaller && n % 16 == 0)
                    std::this_thread::sleep_for(std::chrono::milliseconds(5));
                files.FileDone();
                ++n;
            }
            EXPECT_EQ(n, walked.size());
        }
    }
    // Left early, with the threads ahead: the object stops them and goes.
    {
        CDecodeAhead files(CFileWalk(folder, {L"*.txt"}, true), 2);
        const DecodedFile* pFile = nullptr;
        while (files.Next(&pFile, 10) == CDecodeAhead::Result::Waiting) {
        }
    }
    ::RemoveDirectoryW(dir.File(L".unreadable.txt").c_str());
}

// A walk longer than the ring of files decoded ahead, with a caller that lets the threads go as
// far as they may before it looks at each file: they stop with 1,024 files ahead, and no file
// takes the slot of one the caller still holds, however far the ring has turned.
TEST(DecodeAheadTest, ACallerBehindTheThreadsGetsEveryFileOfAWalkLongerThanTheRing) {
    CTempDir dir;
    constexpr int kFiles = 1024 + 90;
    for (int i = 0; i < kFiles; ++i) {
        const std::string text = "file " + std::to_string(i) + "\r\n";
        WriteAllBytes(dir.File(L"f" + std::to_wstring(i) + L".txt"), text.data(), text.size());
    }
    const std::wstring folder = dir.Path() + L"\\";
    std::vector<std::wstring> walked;
    {
        CFileWalk walk(folder, {L"*.txt"}, false);
        UINT nReason = 0;
        for (std::wstring path; walk.Next(path, nReason);)
            walked.push_back(path);
    }
    ASSERT_EQ(walked.size(), static_cast<size_t>(kFiles));
    // The text a file holds, from its name: "f12.txt" holds "file 12".
    auto expectedText = [](const std::wstring& path) {
        const size_t nName = path.rfind(L'\\') + 2;
        return L"file " + path.substr(nName, path.size() - nName - 4) + L"\r\n";
    };
    auto waitFor = [](const std::function<bool()>& condition) {
        for (const DWORD dwStart = ::GetTickCount(); !condition();) {
            if (::GetTickCount() - dwStart > 30000)
                return false;
            ::Sleep(1);
        }
        return true;
    };

    CDecodeAhead files(CFileWalk(folder, {L"*.txt"}, false), 2);
    ASSERT_EQ(files.ThreadCount(), 2u);
    size_t n = 0;
    for (DWORD dwWaitingSince = ::GetTickCount();;) {
        const DecodedFile* pFile = nullptr;
        const CDecodeAhead::Result result = files.Next(&pFile, 10);
        if (result == CDecodeAhead::Result::Done)
            break;
        if (result == CDecodeAhead::Result::Waiting) {
            ASSERT_LT(::GetTickCount() - dwWaitingSince, 30000u) << "file " << n << " never came";
            continue;
        }
        ASSERT_TRUE(waitFor([&] { return files.ThreadsAtRest(); })) << "file " << n;
        ASSERT_LT(n, walked.size());
        ASSERT_EQ(pFile->strPath, walked[n]);
        ASSERT_TRUE(pFile->bRead) << pFile->strPath;
        ASSERT_EQ(pFile->text, expectedText(walked[n]));
        ASSERT_LE(files.FilesAhead(), 1024u) << "file " << n;
        files.FileDone();
        ++n;
        dwWaitingSince = ::GetTickCount();
    }
    EXPECT_EQ(n, walked.size());
}

// Large files are decoded ahead only while the files waiting hold less than 64 MB of text (two a
// thread always), not a thousand; and every file still comes back whole.
TEST(DecodeAheadTest, LargeFilesAreDecodedOnlyAFewAhead) {
    CTempDir dir;
    const std::string line = std::string(98, 'x') + "\r\n";
    std::string content;
    while (content.size() < (6u << 20))
        content += line;
    for (int i = 0; i < 10; ++i)
        WriteAllBytes(dir.File(L"big" + std::to_wstring(i) + L".txt"), content.data(), content.size());

    CDecodeAhead files(CFileWalk(dir.Path() + L"\\", {L"*.txt"}, false), 2);
    const DecodedFile* pFile = nullptr;
    while (files.Next(&pFile, 10) == CDecodeAhead::Result::Waiting) {
    }
    // The caller holds the first file; the threads go as far as they may, then wait.
    for (const DWORD dwStart = ::GetTickCount(); !files.ThreadsAtRest();) {
        ASSERT_LT(::GetTickCount() - dwStart, 30000u);
        ::Sleep(1);
    }
    const size_t nAhead = files.FilesAhead();
    // Each file's text takes 12 MB: five stay under 64 MB, and two more may be on the way.
    EXPECT_GE(nAhead, 4u);
    EXPECT_LE(nAhead, 7u);
    size_t nFiles = 0;
    for (CDecodeAhead::Result result = CDecodeAhead::Result::Ready; result != CDecodeAhead::Result::Done;
         result = files.Next(&pFile, 10)) {
        if (result == CDecodeAhead::Result::Waiting)
            continue;
        ASSERT_TRUE(pFile->bRead);
        EXPECT_EQ(pFile->text.size(), content.size());
        files.FileDone();
        ++nFiles;
    }
    EXPECT_EQ(nFiles, 10u);
}

// Wine keeps the memory figures of its last call for a second, and a call on a second thread
// while the first call of the process is still filling them in gets them empty: no memory
// available. Two background threads starting a run made just those calls, and a file of the walk
// was refused as needing too much memory. Each try is a fresh process of this program whose first
// two calls come from two threads at once.
TEST(DecodeAheadTest, FirstMemoryFiguresOfAProcessAreWholeOnEveryThread) {
    if (::GetEnvironmentVariableW(L"TESSARIN_FIRST_MEMORY_CALLS", nullptr, 0) != 0) {
        AvailableMemoryFunction pfnSystem = SetAvailableMemoryFunction(nullptr);
        std::atomic<int> nReady{0};
        ULONGLONG values[2] = {};
        auto first = [&](int i) {
            ++nReady;
            while (nReady < 2) {
            }
            values[i] = pfnSystem();
        };
        std::thread a(first, 0), b(first, 1);
        a.join();
        b.join();
        EXPECT_GT(values[0], 0u);
        EXPECT_GT(values[1], 0u);
        return;
    }
    wchar_t exe[MAX_PATH];
    ASSERT_GT(::GetModuleFileNameW(nullptr, exe, MAX_PATH), 0u);
    ::SetEnvironmentVariableW(L"TESSARIN_FIRST_MEMORY_CALLS", L"1");
    int nFailed = 0;
    for (int i = 0; i < 8; ++i) {
        std::wstring command = L"\"" + std::wstring(exe) +
                               L"\" --gtest_filter=DecodeAheadTest.FirstMemoryFiguresOfAProcessAreWholeOnEveryThread";
        STARTUPINFOW si{sizeof si};
        PROCESS_INFORMATION pi{};
        ASSERT_TRUE(::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
        CKernelHandle hProcess(pi.hProcess), hThread(pi.hThread);
        ASSERT_EQ(::WaitForSingleObject(hProcess.Get(), 60000), WAIT_OBJECT_0);
        DWORD dwExit = 1;
        ::GetExitCodeProcess(hProcess.Get(), &dwExit);
        nFailed += dwExit != 0;
    }
    ::SetEnvironmentVariableW(L"TESSARIN_FIRST_MEMORY_CALLS", nullptr);
    EXPECT_EQ(nFailed, 0) << "of 8 processes";
}
