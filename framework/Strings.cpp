// String-table access and the framework's "%1" message formatting.
#include "framework/Strings.h"

std::wstring LoadStringResource(UINT nID) {
    // With a zero buffer size LoadStringW hands out a read-only pointer into the resource itself,
    // so strings of any length load without a fixed buffer.
    const wchar_t* p = nullptr;
    int n = ::LoadStringW(::GetModuleHandleW(nullptr), nID, reinterpret_cast<LPWSTR>(&p), 0);
    return n > 0 && p ? std::wstring(p, static_cast<size_t>(n)) : std::wstring();
}

std::wstring FormatString1(const std::wstring& strFormat, const std::wstring& strArg) {
    std::wstring out;
    out.reserve(strFormat.size() + strArg.size());
    for (size_t i = 0; i < strFormat.size(); ++i) {
        if (strFormat[i] == L'%' && i + 1 < strFormat.size() && strFormat[i + 1] == L'1') {
            out += strArg;
            ++i;
        } else {
            out += strFormat[i];
        }
    }
    return out;
}
