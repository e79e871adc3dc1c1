#include "search/TextMatch.h"
#include <windows.h>

// A plain scan until the engine's matcher lands.
namespace {
wchar_t Fold(wchar_t ch) {
    return static_cast<wchar_t>(
        reinterpret_cast<ULONG_PTR>(::CharLowerW(reinterpret_cast<LPWSTR>(static_cast<ULONG_PTR>(ch)))));
}
bool IsWordChar(wchar_t ch, std::wstring_view wordChars) {
    return wordChars.find(ch) != std::wstring_view::npos;
}
} // namespace

size_t FindForward(std::wstring_view text, size_t nFrom, std::wstring_view pattern, const MatchOptions& options) {
    if (pattern.empty() || pattern.size() > text.size())
        return std::wstring_view::npos;
    for (size_t i = nFrom; i + pattern.size() <= text.size(); ++i) {
        size_t k = 0;
        for (; k < pattern.size(); ++k) {
            wchar_t a = text[i + k], b = pattern[k];
            if (a != b && (options.fMatchCase || Fold(a) != Fold(b)))
                break;
        }
        if (k != pattern.size())
            continue;
        if (options.fWholeWord && !options.wordChars.empty()) {
            size_t e = i + pattern.size();
            if ((i > 0 && IsWordChar(text[i - 1], options.wordChars)) ||
                (e < text.size() && IsWordChar(text[e], options.wordChars)))
                continue;
        }
        return i;
    }
    return std::wstring_view::npos;
}
