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

struct MemoryDCTraits {
    using handle_type = HDC;
    static HDC Invalid() { return nullptr; }
    static void Close(HDC h) { ::DeleteDC(h); }
};
// A memory DC of our own (CreateCompatibleDC), deleted once.
using CMemoryDC = CScopedHandle<MemoryDCTraits>;

// The client-area device context of a window (GetDC), released at the end of the scope.
class CClientDC {
public:
    explicit CClientDC(HWND hWnd) : m_hWnd(hWnd), m_hDC(::GetDC(hWnd)) {}
    CClientDC(const CClientDC&) = delete;
    CClientDC& operator=(const CClientDC&) = delete;
    ~CClientDC() {
        if (m_hDC)
            ::ReleaseDC(m_hWnd, m_hDC);
    }
    HDC Get() const { return m_hDC; }

private:
    HWND m_hWnd;
    HDC m_hDC;
};

// The whole-window DC of a window (GetWindowDC), or with flags a GetDCEx one; released at the end
// of the scope. A null window gives the screen.
class CWindowDC {
public:
    explicit CWindowDC(HWND hWnd) : m_hWnd(hWnd), m_hDC(::GetWindowDC(hWnd)) {}
    CWindowDC(HWND hWnd, DWORD dwFlags) : m_hWnd(hWnd), m_hDC(::GetDCEx(hWnd, nullptr, dwFlags)) {}
    CWindowDC(const CWindowDC&) = delete;
    CWindowDC& operator=(const CWindowDC&) = delete;
    ~CWindowDC() {
        if (m_hDC)
            ::ReleaseDC(m_hWnd, m_hDC);
    }
    HDC Get() const { return m_hDC; }

private:
    HWND m_hWnd;
    HDC m_hDC;
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
