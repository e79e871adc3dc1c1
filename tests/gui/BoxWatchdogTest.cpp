// The test executables' message-box watchdog, run as a user of the tests meets it: a test that
// leaves a box open no longer hangs the executable; the box is closed and that test fails.
#include <gtest/gtest.h>
#include <windows.h>
#include <string>
#include <vector>
#include "TestFiles.h"
#include "framework/Handles.h"

namespace {
const wchar_t kLeftOpenText[] = L"left open by a test";
} // namespace

// Run only by the test below, in a process of its own: the box it shows waits for an answer that
// nobody gives, as after a failed expectation.
TEST(BoxWatchdog, DISABLED_LeavesAYesNoBoxOpen) {
    const int nAnswer = ::MessageBoxW(nullptr, kLeftOpenText, L"GuiTests", MB_YESNO | MB_ICONWARNING);
    EXPECT_EQ(nAnswer, IDNO) << "closed with the answer that changes least";
}

TEST(BoxWatchdog, ClosesABoxLeftOpenAndFailsTheTestThatLeftIt) {
    CTempDir dir;
    const std::wstring strOutput = dir.File(L"output.txt");
    SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
    CFileHandle hOutput(::CreateFileW(strOutput.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &sa,
                                      CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(hOutput);
    wchar_t szExe[MAX_PATH];
    ASSERT_GT(::GetModuleFileNameW(nullptr, szExe, MAX_PATH), 0u);
    std::wstring command =
        L"\"" + std::wstring(szExe) +
        L"\" --gtest_also_run_disabled_tests --gtest_filter=BoxWatchdog.DISABLED_LeavesAYesNoBoxOpen";
    ::SetEnvironmentVariableW(L"TESSARIN_TEST_BOX_PATIENCE_MS", L"300");
    STARTUPINFOW si{sizeof si};
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = nullptr;
    si.hStdOutput = hOutput.Get();
    si.hStdError = hOutput.Get();
    PROCESS_INFORMATION pi{};
    const BOOL bStarted =
        ::CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi);
    ::SetEnvironmentVariableW(L"TESSARIN_TEST_BOX_PATIENCE_MS", nullptr);
    ASSERT_TRUE(bStarted);
    CKernelHandle hProcess(pi.hProcess), hThread(pi.hThread);
    hOutput.Close();
    const DWORD dwWait = ::WaitForSingleObject(hProcess.Get(), 60000);
    if (dwWait != WAIT_OBJECT_0) {
        ::TerminateProcess(hProcess.Get(), 99);
        ::WaitForSingleObject(hProcess.Get(), INFINITE);
    }
    ASSERT_EQ(dwWait, WAIT_OBJECT_0) << "the box hung the executable";
    DWORD dwExit = 0;
    ::GetExitCodeProcess(hProcess.Get(), &dwExit);
    EXPECT_EQ(dwExit, 1u) << "the test that left the box failed";
    const std::vector<unsigned char> bytes = ReadAllBytes(strOutput);
    const std::string output(bytes.begin(), bytes.end());
    EXPECT_NE(output.find("[  FAILED  ] BoxWatchdog.DISABLED_LeavesAYesNoBoxOpen"), std::string::npos) << output;
    EXPECT_NE(output.find("a message box was left open for 300 ms and closed: \"GuiTests\" (left open by a test)"),
              std::string::npos)
        << output;
    EXPECT_EQ(output.find("closed with the answer that changes least"), std::string::npos) << output;
}
