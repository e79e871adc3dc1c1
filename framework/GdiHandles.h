#pragma once
// Scoped owners for GDI objects and device contexts: an owned font (or other object) deleted once,
// a window's client-area DC released once, and an object kept selected into a DC for a scope.
#include "framework/Handles.h"
#include <windows.h>

template <typename T> struct GdiObjectTraits {
    using handle_type = T;
    static T Invalid() { return nullptr; }
    static void Close(T h) { ::DeleteObject(h); }
};

using CFontHandle = CScopedHandle<GdiObjectTraits<HFONT>>;
using CBrushHandle = CScopedHandle<GdiObjectTraits<HBRUSH>>;
using CBitmapHandle = CScopedHandle<GdiObjectTraits<HBITMAP>>;
using CPenHandle = CScopedHandle<GdiObjectTraits<HPEN>>;

struct MemoryDCTraits {
    using handle_type = HDC;
    static HDC Invalid() { return nullptr; }
    static void Close(HDC h) { ::DeleteDC(h); }
};
// A memory DC of our own (CreateCompatibleDC), deleted once.
using CMemoryDC = CScopedHandle<MemoryDCTraits>;

// Something a window lends for a scope and takes back with a call naming both: its device context
// (GetDC / ReleaseDC) or its input method context (ImmGetContext / ImmReleaseContext).
template <typename H, auto pfnGiveBack> class CWindowLoan {
public:
    CWindowLoan(HWND hWnd, H h) : m_hWnd(hWnd), m_h(h) {}
    CWindowLoan(const CWindowLoan&) = delete;
    CWindowLoan& operator=(const CWindowLoan&) = delete;
    ~CWindowLoan() {
        if (m_h)
            pfnGiveBack(m_hWnd, m_h);
    }
    H Get() const { return m_h; }

private:
    HWND m_hWnd;
    H m_h;
};

// The client-area device context of a window (GetDC), released at the end of the scope.
class CClientDC : public CWindowLoan<HDC, &::ReleaseDC> {
public:
    explicit CClientDC(HWND hWnd) : CWindowLoan(hWnd, ::GetDC(hWnd)) {}
};

// The whole-window DC of a window (GetWindowDC), or with flags a GetDCEx one; released at the end
// of the scope. A null window gives the screen.
class CWindowDC : public CWindowLoan<HDC, &::ReleaseDC> {
public:
    explicit CWindowDC(HWND hWnd) : CWindowLoan(hWnd, ::GetWindowDC(hWnd)) {}
    CWindowDC(HWND hWnd, DWORD dwFlags) : CWindowLoan(hWnd, ::GetDCEx(hWnd, nullptr, dwFlags)) {}
};

// Keeps a GDI object selected into a DC and puts the previous one back at the end of the scope.
class CSelectObject {
public:
    CSelectObject(HDC hDC, HGDIOBJ hObject) : m_hDC(hDC), m_hOld(hObject ? ::SelectObject(hDC, hObject) : nullptr) {}
    CSelectObject(const CSelectObject&) = delete;
    CSelectObject& operator=(const CSelectObject&) = delete;
    ~CSelectObject() {
        if (m_hOld)
            ::SelectObject(m_hDC, m_hOld);
    }

private:
    HDC m_hDC;
    HGDIOBJ m_hOld;
};

// BeginPaint/EndPaint for one WM_PAINT.
class CPaintDC {
public:
    explicit CPaintDC(HWND hWnd) : m_hWnd(hWnd), m_hDC(::BeginPaint(hWnd, &m_ps)) {}
    CPaintDC(const CPaintDC&) = delete;
    CPaintDC& operator=(const CPaintDC&) = delete;
    ~CPaintDC() { ::EndPaint(m_hWnd, &m_ps); }
    HDC Get() const { return m_hDC; }
    const PAINTSTRUCT& Info() const { return m_ps; }

private:
    HWND m_hWnd;
    PAINTSTRUCT m_ps{};
    HDC m_hDC;
};
