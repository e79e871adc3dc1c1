// String-table access and the one formatter of the program's message texts.
#include "framework/Strings.h"

std::wstring LoadStringResource(UINT nID) {
    // With a zero buffer size LoadStringW hands out a read-only pointer into the resource itself,
    // so strings of any length load without a fixed buffer.
    const wchar_t* p = nullptr;
    int n = ::LoadStringW(::GetModuleHandleW(nullptr), nID, reinterpret_cast<LPWSTR>(&p), 0);
    return n > 0 && p ? std::wstring(p, static_cast<size_t>(n)) : std::wstring();
}

std::wstring FormatText(std::wstring_view strFormat, std::initializer_list<std::wstring_view> args) {
    std::wstring strOut;
    strOut.reserve(strFormat.size());
    auto next = args.begin();
    for (size_t i = 0; i < strFormat.size(); ++i) {
        if (strFormat[i] != L'%' || i + 1 == strFormat.size()) {
            strOut += strFormat[i];
            continue;
        }
        const wchar_t ch = strFormat[i + 1];
        if (ch == L'%') {
            strOut += L'%';
            ++i;
            continue;
        }
        if (ch >= L'1' && ch <= L'9' && static_cast<size_t>(ch - L'1') < args.size()) {
            strOut += *(args.begin() + (ch - L'1'));
            ++i;
            continue;
        }
        size_t j = i + 1;
        while (j < strFormat.size() && strFormat[j] >= L'0' && strFormat[j] <= L'9')
            ++j;
        if (j < strFormat.size() && (strFormat[j] == L's' || strFormat[j] == L'd' || strFormat[j] == L'X') &&
            next != args.end()) {
            strOut += *next++;
            i = j;
            continue;
        }
        strOut += strFormat[i];
    }
    return strOut;
}

std::wstring FormatString(UINT nID, std::initializer_list<std::wstring_view> args) {
    return FormatText(LoadStringResource(nID), args);
}

std::wstring DocStringField(std::wstring_view strDocString, int nField) {
    size_t nStart = 0;
    for (int n = 0; n < nField; ++n) {
        nStart = strDocString.find(L'\n', nStart);
        if (nStart == std::wstring_view::npos)
            return {};
        ++nStart;
    }
    const size_t nEnd = strDocString.find(L'\n', nStart);
    return std::wstring(strDocString.substr(nStart, nEnd == std::wstring_view::npos ? nEnd : nEnd - nStart));
}

std::wstring MakeFileFilter(std::initializer_list<std::pair<std::wstring_view, std::wstring_view>> entries) {
    std::wstring strFilter;
    for (const auto& [name, pattern] : entries) {
        strFilter += name;
        strFilter += L'\0';
        strFilter += pattern;
        strFilter += L'\0';
    }
    return strFilter;
}
