// CClipboard: reading and writing Unicode text while the clipboard is open.
#include "framework/Clipboard.h"
#include <cwchar>

bool CClipboard::GetText(std::wstring& text) const {
    if (!m_bOpen)
        return false;
    HANDLE hData = ::GetClipboardData(CF_UNICODETEXT);
    if (!hData)
        return false;
    CGlobalLock lock(hData);
    const wchar_t* p = lock.As<const wchar_t>();
    if (!p)
        return false;
    // The block may be larger than its text and, from careless programs, lack the NUL.
    size_t nMax = ::GlobalSize(hData) / sizeof(wchar_t);
    text.assign(p, wcsnlen(p, nMax));
    return true;
}

bool CClipboard::SetText(const std::wstring& text) const {
    if (!m_bOpen || !::EmptyClipboard())
        return false;
    HGLOBAL hData = ::GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(wchar_t));
    if (!hData)
        return false;
    {
        CGlobalLock lock(hData);
        if (!lock.Get()) {
            ::GlobalFree(hData);
            return false;
        }
        std::wmemcpy(lock.As<wchar_t>(), text.c_str(), text.size() + 1);
    }
    if (!::SetClipboardData(CF_UNICODETEXT, hData)) {
        ::GlobalFree(hData);
        return false;
    }
    return true; // the clipboard owns the block now
}
