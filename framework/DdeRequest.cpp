// DDE execute requests read from another program's block: the text within the block's bounds,
// then the open commands in it, all or nothing.
#include "framework/DdeRequest.h"
#include <string_view>

namespace {

bool IsBlank(wchar_t ch) {
    return ch == L' ' || ch == L'\t' || ch == L'\r' || ch == L'\n';
}

// The request's text up to its first zero, read from nSize bytes only; false when the block holds
// no zero (the sender meant more than it sent, or sent garbage) or the bytes are not valid text.
bool RequestText(const unsigned char* p, size_t nSize, DdeBytesToText pfnBytesToText, std::wstring& text) {
    text.clear();
    if (nSize >= 2 && p[0] != 0 && p[1] == 0) {
        // UTF-16 little-endian: a last odd byte is no unit and is ignored.
        for (size_t i = 0; i + 1 < nSize; i += 2) {
            const wchar_t unit = static_cast<wchar_t>(p[i] | (p[i + 1] << 8));
            if (unit == 0)
                return true;
            text += unit;
        }
        return false;
    }
    size_t n = 0;
    while (n < nSize && p[n] != 0)
        ++n;
    if (n == nSize || !pfnBytesToText)
        return false;
    return n == 0 || pfnBytesToText(p, n, text);
}

bool StartsWithNoCase(std::wstring_view text, size_t pos, std::wstring_view word) {
    if (text.size() - pos < word.size())
        return false;
    for (size_t i = 0; i < word.size(); ++i) {
        wchar_t ch = text[pos + i];
        if (ch >= L'A' && ch <= L'Z')
            ch = static_cast<wchar_t>(ch - L'A' + L'a');
        if (ch != word[i])
            return false;
    }
    return true;
}

// Reads one command at pos ("[open(" already matched up to pos) and moves pos past it.
bool ReadOpenArgument(std::wstring_view text, size_t& pos, std::wstring& name) {
    static constexpr std::wstring_view kClose = L")]";
    size_t nameStart = pos, nameEnd = 0;
    if (pos < text.size() && text[pos] == L'"') {
        // A quoted name ends at its closing quote: ")" and "]" may be part of a file name.
        nameStart = pos + 1;
        nameEnd = text.find(L'"', nameStart);
        if (nameEnd == std::wstring_view::npos)
            return false;
        pos = nameEnd + 1;
        if (text.substr(pos, kClose.size()) != kClose)
            return false;
    } else {
        nameEnd = text.find(kClose, pos);
        if (nameEnd == std::wstring_view::npos)
            return false;
        pos = nameEnd;
    }
    pos += kClose.size();
    if (nameEnd == nameStart)
        return false;
    name.assign(text.substr(nameStart, nameEnd - nameStart));
    for (wchar_t ch : name)
        if (ch < 0x20 || ch == 0x7F)
            return false;
    return true;
}

} // namespace

bool ParseDdeOpenRequest(const void* pData, size_t nSize, DdeBytesToText pfnBytesToText,
                         std::vector<std::wstring>& names) {
    static constexpr std::wstring_view kOpen = L"[open(";
    names.clear();
    std::wstring text;
    if (!pData || !RequestText(static_cast<const unsigned char*>(pData), nSize, pfnBytesToText, text))
        return false;
    std::vector<std::wstring> found;
    size_t pos = 0;
    for (;;) {
        while (pos < text.size() && IsBlank(text[pos]))
            ++pos;
        if (pos == text.size())
            break;
        if (!StartsWithNoCase(text, pos, kOpen))
            return false;
        pos += kOpen.size();
        std::wstring name;
        if (!ReadOpenArgument(text, pos, name))
            return false;
        found.push_back(std::move(name));
    }
    if (found.empty())
        return false;
    names = std::move(found);
    return true;
}
