// Splits the command line: flags up to the first other character, then the file name as the whole
// rest of the line; a print-to request also carries the printer, driver and port at its end.
#include "app/CommandLine.h"
#include <windows.h>
#include <vector>

namespace {

bool IsBlank(wchar_t c) {
    return c == L' ' || c == L'\t';
}

bool IsFlag(std::wstring_view word, std::wstring_view name) {
    return ::CompareStringOrdinal(word.data(), static_cast<int>(word.size()), name.data(),
                                  static_cast<int>(name.size()), TRUE) == CSTR_EQUAL;
}

void ApplyFlag(std::wstring_view word, ParsedCommandLine& info) {
    if (IsFlag(word, L"pt"))
        info.m_nShellCommand = ParsedCommandLine::FilePrintTo;
    else if (IsFlag(word, L"p"))
        info.m_nShellCommand = ParsedCommandLine::FilePrint;
    else if (IsFlag(word, L"dde"))
        info.m_nShellCommand = ParsedCommandLine::FileDDE;
    else if (IsFlag(word, L"Register") || IsFlag(word, L"Regserver"))
        info.m_nShellCommand = ParsedCommandLine::AppRegister;
    else if (IsFlag(word, L"Unregister") || IsFlag(word, L"Unregserver"))
        info.m_nShellCommand = ParsedCommandLine::AppUnregister;
    else if (IsFlag(word, L"Embedding"))
        info.m_bRunEmbedded = true;
    else if (IsFlag(word, L"Automation"))
        info.m_bRunAutomated = true;
}

// Windows paths cannot hold a double quote, so every one of them is quoting, wherever it stands.
std::wstring WithoutQuotes(std::wstring_view text) {
    std::wstring out;
    out.reserve(text.size());
    for (wchar_t c : text)
        if (c != L'"')
            out += c;
    return out;
}

struct Argument {
    size_t nStart;
    std::wstring strValue;
};

// Blank-separated arguments; a stretch in double quotes may hold blanks, and the quotes go.
std::vector<Argument> SplitArguments(std::wstring_view text) {
    std::vector<Argument> args;
    size_t i = 0;
    while (true) {
        while (i < text.size() && IsBlank(text[i]))
            ++i;
        if (i == text.size())
            return args;
        Argument arg{i, {}};
        bool bQuoted = false;
        for (; i < text.size() && (bQuoted || !IsBlank(text[i])); ++i) {
            if (text[i] == L'"')
                bQuoted = !bQuoted;
            else
                arg.strValue += text[i];
        }
        args.push_back(std::move(arg));
    }
}

// The shell's print-to command line is: /pt "file" "printer" "driver" "port". Taking the rest of
// the line whole would make one file name of all four, so the last three arguments are peeled off
// and the file name stays everything before them, which keeps an unquoted path with spaces whole.
void SplitPrintTo(std::wstring_view rest, ParsedCommandLine& info) {
    std::vector<Argument> args = SplitArguments(rest);
    if (args.size() < 4) {
        info.m_strFileName = WithoutQuotes(rest);
        return;
    }
    const size_t n = args.size();
    info.m_strPrinterName = args[n - 3].strValue;
    info.m_strDriverName = args[n - 2].strValue;
    info.m_strPortName = args[n - 1].strValue;
    std::wstring_view file = rest.substr(0, args[n - 3].nStart);
    while (!file.empty() && IsBlank(file.back()))
        file.remove_suffix(1);
    info.m_strFileName = WithoutQuotes(file);
}

} // namespace

ParsedCommandLine SplitCommandLine(std::wstring_view text) {
    ParsedCommandLine info;
    size_t i = 0;
    while (true) {
        while (i < text.size() && IsBlank(text[i]))
            ++i;
        if (i == text.size())
            break;
        if (text[i] == L'-' || text[i] == L'/') {
            size_t nEnd = i + 1;
            while (nEnd < text.size() && !IsBlank(text[nEnd]))
                ++nEnd;
            ApplyFlag(text.substr(i + 1, nEnd - i - 1), info);
            i = nEnd;
            continue;
        }
        // From here on everything is the file name: spaces, tabs and further names included.
        const std::wstring_view rest = text.substr(i);
        if (info.m_nShellCommand == ParsedCommandLine::FilePrintTo)
            SplitPrintTo(rest, info);
        else
            info.m_strFileName = WithoutQuotes(rest);
        break;
    }
    // A name of nothing but quotes and blanks ("" or " ") names no file; looking it up would only
    // offer to create a file without a name.
    if (info.m_strFileName.find_first_not_of(L" \t") == std::wstring::npos)
        info.m_strFileName.clear();
    if (info.m_nShellCommand == ParsedCommandLine::FileNew && !info.m_strFileName.empty())
        info.m_nShellCommand = ParsedCommandLine::FileOpen;
    return info;
}
