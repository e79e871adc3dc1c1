// Starts an installed or unpacked Tessarin.exe the way the shell would and checks that it opened a
// file: through a Start menu shortcut (its target, arguments and folder), through a document type's
// open command in HKEY_CLASSES_ROOT ("Open with"), or directly. The package test runs it.
//
//   PackageCheck shortcut LNK FILE     prints the shortcut's target, starts it with FILE
//   PackageCheck command CLASSKEY FILE starts HKCR\CLASSKEY\shell\open\command with %1 = FILE
//   PackageCheck exe EXE FILE          starts EXE with FILE
//
// Exit code 0 when the main window's title names FILE ("NAME - Tessarin") and the program ends
// cleanly when closed; otherwise 1, with the reason on stderr.
#include <windows.h>
#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>
#include <cstdio>
#include <string>
#include "Driver.h"
#include "WindowQuery.h"

namespace {

// Long enough for a first start in a fresh prefix on a loaded machine.
constexpr DWORD kStartTimeoutMs = 60000;

int Fail(const wchar_t* pszWhat, const std::wstring& detail = L"") {
    fwprintf(stderr, L"PackageCheck: %ls %ls\n", pszWhat, detail.c_str());
    return 1;
}

struct Launch {
    std::wstring exe;
    std::wstring args; // with the file's place marked by %1
    std::wstring dir;
};

bool FromShortcut(const std::wstring& lnk, Launch& launch) {
    IShellLinkW* pLink = nullptr;
    if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                  reinterpret_cast<void**>(&pLink))))
        return false;
    IPersistFile* pFile = nullptr;
    bool bOk = SUCCEEDED(pLink->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&pFile))) &&
               SUCCEEDED(pFile->Load(lnk.c_str(), STGM_READ));
    wchar_t szPath[MAX_PATH] = {}, szArgs[1024] = {}, szDir[MAX_PATH] = {};
    bOk = bOk && SUCCEEDED(pLink->GetPath(szPath, MAX_PATH, nullptr, SLGP_RAWPATH)) &&
          SUCCEEDED(pLink->GetArguments(szArgs, 1024)) && SUCCEEDED(pLink->GetWorkingDirectory(szDir, MAX_PATH));
    if (pFile)
        pFile->Release();
    pLink->Release();
    launch = {szPath, szArgs[0] ? std::wstring(szArgs) + L" \"%1\"" : L"\"%1\"", szDir};
    return bOk && szPath[0];
}

bool FromClassKey(const std::wstring& key, Launch& launch) {
    wchar_t szCommand[2048] = {};
    DWORD cb = sizeof(szCommand);
    if (::RegGetValueW(HKEY_CLASSES_ROOT, (key + L"\\shell\\open\\command").c_str(), nullptr, RRF_RT_REG_SZ,
                       nullptr, szCommand, &cb) != ERROR_SUCCESS)
        return false;
    // "C:\...\Tessarin.exe" "%1": the program, then its arguments as they stand.
    int argc = 0;
    LPWSTR* argv = ::CommandLineToArgvW(szCommand, &argc);
    if (!argv || argc < 1)
        return false;
    launch.exe = argv[0];
    ::LocalFree(argv);
    std::wstring command = szCommand;
    const size_t exeEnd = command[0] == L'"' ? command.find(L'"', 1) : command.find(L' ');
    launch.args = exeEnd == std::wstring::npos || exeEnd + 2 > command.size() ? L"" : command.substr(exeEnd + 2);
    return true;
}

std::wstring FileNameOf(const std::wstring& path) {
    return path.substr(path.find_last_of(L"\\/") + 1);
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 4)
        return Fail(L"usage: PackageCheck shortcut LNK FILE | command CLASSKEY FILE | exe EXE FILE");
    const std::wstring mode = argv[1], what = argv[2], file = argv[3];
    ::CoInitialize(nullptr);
    Launch launch;
    if (mode == L"shortcut") {
        if (!FromShortcut(what, launch))
            return Fail(L"cannot read the shortcut", what);
        wprintf(L"%ls\n", launch.exe.c_str());
        fflush(stdout);
    } else if (mode == L"command") {
        if (!FromClassKey(what, launch))
            return Fail(L"no open command under HKEY_CLASSES_ROOT\\", what);
    } else if (mode == L"exe") {
        launch = {what, L"\"%1\"", L""};
    } else {
        return Fail(L"unknown mode", mode);
    }
    const size_t mark = launch.args.find(L"%1");
    if (mark == std::wstring::npos)
        return Fail(L"the command has no place for the file:", launch.args);
    launch.args.replace(mark, 2, file);

    e2e::CTargetProcess app;
    if (!app.Start(launch.exe, launch.args, launch.dir))
        return Fail(L"cannot start", launch.exe);
    HWND hWnd = app.WaitForMainWindow(nullptr, kStartTimeoutMs);
    if (!hWnd)
        return Fail(L"no main window from", launch.exe);
    const std::wstring expected = FileNameOf(file) + L" - Tessarin";
    if (!e2e::WaitUntil([&] { return e2e::WindowText(hWnd) == expected; }, kStartTimeoutMs))
        return Fail(L"the title is not the file's:", e2e::WindowText(hWnd) + L" (expected " + expected + L")");
    if (!app.Close(kStartTimeoutMs))
        return Fail(L"the program did not end when closed");
    if (app.ExitCode() != 0)
        return Fail(L"the program ended with", std::to_wstring(app.ExitCode()));
    return 0;
}
