// Unix commands from a Windows test: Wine starts a Unix program given by its Z: path but gives no
// process handle for it, so the script writes its exit status to a file, renamed into place as
// its last step, and the test waits for that file.
#include "UnixShell.h"
#include <windows.h>
#include "TestFiles.h"
#include "framework/Handles.h"

bool IsWine() {
    HMODULE ntdll = ::GetModuleHandleW(L"ntdll");
    return ntdll && ::GetProcAddress(ntdll, "wine_get_version");
}

std::string UnixPathOf(const std::wstring& windowsPath) {
    using Convert = char*(CDECL*)(const wchar_t*);
    auto convert = reinterpret_cast<Convert>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"kernel32"), "wine_get_unix_file_name")));
    if (!convert)
        return {};
    char* unixPath = convert(windowsPath.c_str());
    if (!unixPath)
        return {};
    std::string result = unixPath;
    ::HeapFree(::GetProcessHeap(), 0, unixPath);
    return result;
}

std::string ShellQuote(const std::string& text) {
    std::string quoted = "'";
    for (char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

namespace {
std::string ToText(const std::vector<unsigned char>& bytes) {
    return {bytes.begin(), bytes.end()};
}
} // namespace

std::optional<UnixShellResult> RunUnixShell(const std::string& script) {
    if (!IsWine() || script.find('"') != std::string::npos)
        return std::nullopt;
    CTempDir work;
    std::string dir = UnixPathOf(work.Path());
    if (dir.empty())
        return std::nullopt;
    std::string out = ShellQuote(dir + "/out"), status = ShellQuote(dir + "/status");
    std::string wrapped =
        "{ " + script + "\n} >" + out + " 2>&1; echo $? >" + status + ".part && /bin/mv " + status + ".part " + status;
    std::wstring commandLine = L"sh -c \"";
    for (char c : wrapped)
        commandLine += static_cast<wchar_t>(static_cast<unsigned char>(c));
    commandLine += L"\"";
    STARTUPINFOW si{sizeof si};
    PROCESS_INFORMATION pi{};
    if (!::CreateProcessW(L"Z:\\bin\\sh", commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return std::nullopt;
    // Wine hands back no handles for a Unix process; close whatever it gave.
    CKernelHandle process(pi.hProcess), thread(pi.hThread);
    const std::wstring statusFile = work.File(L"status");
    const ULONGLONG deadline = ::GetTickCount64() + 20000;
    while (::GetFileAttributesW(statusFile.c_str()) == INVALID_FILE_ATTRIBUTES) {
        if (::GetTickCount64() > deadline)
            return std::nullopt;
        ::Sleep(10);
    }
    return UnixShellResult{std::atoi(ToText(ReadAllBytes(statusFile)).c_str()),
                           ToText(ReadAllBytes(work.File(L"out")))};
}
