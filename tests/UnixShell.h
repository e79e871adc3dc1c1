#pragma once
// Unix commands for tests that run under Wine: making symbolic links and reading Unix modes,
// which the Windows API cannot do there.
#include <optional>
#include <string>

// True when the test runs under Wine (ntdll exports wine_get_version).
bool IsWine();

// The Unix path of a Windows path, as Wine maps it; empty when it cannot.
std::string UnixPathOf(const std::wstring& windowsPath);

// Quotes a Unix path for /bin/sh.
std::string ShellQuote(const std::string& text);

struct UnixShellResult {
    int status;
    std::string output; // standard output and standard error
};

// Runs `script` with /bin/sh through Wine's start of Unix programs and waits for it to finish
// (at most 20 s); nullopt when it could not be started or did not finish. The script must not
// contain double quotes.
std::optional<UnixShellResult> RunUnixShell(const std::string& script);
