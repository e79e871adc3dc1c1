#pragma once
// Scoped clipboard access: CClipboard keeps the clipboard open for its lifetime; CGlobalLock keeps
// a global memory block locked. Both let go in their destructors.
#include <windows.h>
#include <string>

class CGlobalLock {
public:
    explicit CGlobalLock(HGLOBAL h) : m_h(h), m_p(h ? ::GlobalLock(h) : nullptr) {}
    CGlobalLock(const CGlobalLock&) = delete;
    CGlobalLock& operator=(const CGlobalLock&) = delete;
    ~CGlobalLock() {
        if (m_p)
            ::GlobalUnlock(m_h);
    }
    void* Get() const { return m_p; }
    template <typename T> T* As() const { return static_cast<T*>(m_p); }

private:
    HGLOBAL m_h;
    void* m_p;
};

class CClipboard {
public:
    explicit CClipboard(HWND hOwner) : m_bOpen(::OpenClipboard(hOwner) != FALSE) {}
    CClipboard(const CClipboard&) = delete;
    CClipboard& operator=(const CClipboard&) = delete;
    ~CClipboard() {
        if (m_bOpen)
            ::CloseClipboard();
    }
    bool IsOpen() const { return m_bOpen; }

    // The CF_UNICODETEXT text up to its NUL; false when the clipboard holds none.
    bool GetText(std::wstring& text) const;
    // Empties the clipboard and puts text on it as CF_UNICODETEXT.
    bool SetText(const std::wstring& text) const;

private:
    bool m_bOpen;
};
