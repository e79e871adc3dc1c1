// Measures regular-expression search in the engine (search/RegexMatch.h, PCRE2 with its JIT):
// Find Next down across a large text whose only match is at its end, and the fast Replace All's
// output with a regular expression and a group in the replacement, each beside the plain search on
// the same text. Writes both texts in UTF-8 to the folder given (scripts/bench runs grep -P and
// sed -E over them as the anchor). Best of three; one line per figure.
//   RegexBench.exe [FOLDER] [find-MB] [replace-MB]
#include "bench/BenchText.h"
#include "search/RegexMatch.h"
#include "search/ReplaceAll.h"
#include "search/TextMatch.h"
#include <windows.h>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>

namespace {

using bench::BestOf3;
using bench::SampleText;
using bench::Seconds;

// nLines lines of 52 units (CR LF included), each with one "id=" and a number: 100,000 of them
// make 10 MB of UTF-16.
std::wstring NumberedText(size_t nLines) {
    std::wstring text;
    text.reserve(nLines * 52);
    for (size_t i = 0; i < nLines; ++i) {
        std::wstring line = L"日本語テキストの行 id=" + std::to_wstring(100000 + i) + L" ASCII and かな";
        line.resize(50, L'.');
        text += line + L"\r\n";
    }
    return text;
}

void WriteUtf8(const std::wstring& strPath, const std::wstring& text) {
    if (strPath.empty())
        return;
    int n = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<size_t>(n), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(), n, nullptr, nullptr);
    HANDLE h = ::CreateFileW(strPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return;
    DWORD nWritten = 0;
    ::WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &nWritten, nullptr);
    ::CloseHandle(h);
}

void BenchFind(const std::wstring& strFolder, size_t nMegabytes) {
    std::wstring text = SampleText(nMegabytes * 1048576 / sizeof(wchar_t) - 16);
    text += L" Needle-At-End";
    WriteUtf8(strFolder.empty() ? L"" : strFolder + L"\\regex-find.utf8", text);
    std::printf("regex find across %zu MB (%zu UTF-16 units), the only match at the end:\n", nMegabytes, text.size());
    for (bool fMatchCase : {true, false}) {
        MatchOptions options;
        options.fMatchCase = fMatchCase;
        std::optional<TextRange> literal;
        double dLiteral = BestOf3([&] { literal = MatchText(text, 0, text.size(), true, L"Needle-At-End", options); });
        CRegex regex(L"Needle-(At|In)-End", fMatchCase);
        TextRange match;
        RegexStatus status = RegexStatus::NotFound;
        double dRegex = BestOf3([&] { status = RegexFind(regex, text, 0, text.size(), true, options, false, match); });
        std::printf("  %-11s literal %.3f s at %zu | regex Needle-(At|In)-End %.3f s at %zu (JIT %s)\n",
                    fMatchCase ? "match case" : "case folded", dLiteral, literal ? literal->start : size_t(-1),
                    dRegex, status == RegexStatus::Found ? match.start : size_t(-1),
                    regex.IsJitCompiled() ? "on" : "off");
    }
    // Upwards from the end to a match at the very start: every window of start positions below.
    std::wstring head = L"Needle-At-End " + text.substr(0, text.size() - 14);
    CRegex needle(L"Needle-(At|In)-End", false);
    TextRange up;
    RegexStatus upStatus = RegexStatus::NotFound;
    double dUp = BestOf3([&] { upStatus = RegexFind(needle, head, head.size(), 0, false, MatchOptions{}, false, up); });
    std::printf("  Find Next up across it to a match at the start, folded: %.3f s at %zu\n", dUp,
                upStatus == RegexStatus::Found ? up.start : size_t(-1));
    CRegex classes(L"[A-Z]\\w+-At-\\w+$", true);
    TextRange match;
    RegexStatus status = RegexStatus::NotFound;
    double d = BestOf3([&] { status = RegexFind(classes, text, 0, text.size(), true, MatchOptions{}, false, match); });
    std::printf("  regex [A-Z]\\w+-At-\\w+$ (no literal start)  %.3f s at %zu\n", d,
                status == RegexStatus::Found ? match.start : size_t(-1));
    // Backtracking at every start position of the whole text, the limit counting for each attempt.
    for (const wchar_t* pszPattern : {L"\\w+q", L".*Needle-At-End", L"[a-z]+ \\d+z"}) {
        CRegex heavy(pszPattern, false);
        d = BestOf3([&] { status = RegexFind(heavy, text, 0, text.size(), true, MatchOptions{}, false, match); });
        std::printf("  regex %-22ls %.3f s  %s\n", pszPattern, d,
                    status == RegexStatus::Found ? "found" : status == RegexStatus::NotFound ? "not found" : "too complex");
    }
}

void BenchReplaceAll(const std::wstring& strFolder, size_t nMegabytes) {
    const size_t nLines = nMegabytes * 10000;
    std::wstring text = NumberedText(nLines);
    WriteUtf8(strFolder.empty() ? L"" : strFolder + L"\\regex-replace.utf8", text);
    std::printf("fast Replace All over %zu units, %zu matches:\n", text.size(), nLines);
    CReplaceAllBuffer buffer;
    size_t nCount = 0;
    double dLiteral = BestOf3([&] {
        nCount = BuildReplaceAll(text, L"id=", L"No.", MatchOptions{}, buffer);
        buffer.Clear();
    });
    std::printf("  literal \"id=\" -> \"No.\"                     %.3f s  %zu replaced\n", dLiteral, nCount);
    CRegex regex(L"id=(\\d+)", true);
    CRegexReplacement replacement;
    std::wstring strBad;
    replacement.Parse(L"No.$1", regex, strBad);
    for (bool bFresh : {true, false}) {
        double d = BestOf3([&] {
            CReplaceAllBuffer fresh;
            BuildRegexReplaceAll(regex, replacement, text, MatchOptions{}, bFresh ? fresh : buffer, nCount);
            buffer.Clear();
        });
        std::printf("  regex id=(\\d+) -> No.$1, %-15s  %.3f s  %zu replaced\n",
                    bFresh ? "fresh buffer" : "buffer reused", d, nCount);
    }
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    const std::wstring strFolder = argc > 1 ? argv[1] : L"";
    const size_t nFindMb = argc > 2 ? static_cast<size_t>(_wtoi(argv[2])) : 100;
    const size_t nReplaceMb = argc > 3 ? static_cast<size_t>(_wtoi(argv[3])) : 10;
    if (nFindMb)
        BenchFind(strFolder, nFindMb);
    if (nReplaceMb)
        BenchReplaceAll(strFolder, nReplaceMb);
    return 0;
}
