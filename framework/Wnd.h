#pragma once
// CWnd: a C++ object bound to one window. Creates windows of our own classes or of the platform's
// (EDIT), subclasses existing windows and dialog items, and funnels every message through one
// virtual WindowProc that cracks them into virtual handlers.
#include "framework/CmdTarget.h"
#include <windows.h>
#include <exception>
#include <string>

class CWnd : public CCmdTarget {
public:
    HWND m_hWnd = nullptr;

    CWnd() = default;
    ~CWnd() override; // destroys a window it created, lets go of one it only attached or subclassed

    // The object bound to hWnd, or null for a window no CWnd speaks for.
    static CWnd* FromHandle(HWND hWnd);

    // Registers (once) and names a window class of ours whose procedure is the framework's.
    static std::wstring RegisterWndClass(UINT nClassStyle, HCURSOR hCursor = nullptr, HBRUSH hBackground = nullptr,
                                         HICON hIcon = nullptr);

    // Creates the window and binds it before its first message (WM_NCCREATE, or WM_GETMINMAXINFO
    // for top-level windows), also for a platform class such as "EDIT", so WM_CREATE reaches
    // OnCreate. PreCreateWindow may change the class, styles and position first.
    bool CreateEx(DWORD dwExStyle, const wchar_t* pszClassName, const wchar_t* pszWindowName, DWORD dwStyle,
                  const RECT& rect, HWND hWndParent, UINT_PTR nIDorHMenu, void* lpParam = nullptr);
    bool CreateEx(DWORD dwExStyle, const wchar_t* pszClassName, const wchar_t* pszWindowName, DWORD dwStyle, int x,
                  int y, int cx, int cy, HWND hWndParent, UINT_PTR nIDorHMenu, void* lpParam = nullptr);
    virtual bool PreCreateWindow(CREATESTRUCTW& cs);
    bool DestroyWindow();

    // Binds without subclassing (messages keep going to the window's own procedure).
    bool Attach(HWND hWnd);
    HWND Detach();
    // Binds and routes the window's messages through WindowProc; the old procedure becomes the
    // default one. UnsubclassWindow puts it back and lets go.
    bool SubclassWindow(HWND hWnd);
    bool SubclassDlgItem(UINT nID, HWND hParent);
    HWND UnsubclassWindow();

    // Thin wrappers used all over the program.
    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const {
        return ::SendMessageW(m_hWnd, message, wParam, lParam);
    }
    BOOL PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const {
        return ::PostMessageW(m_hWnd, message, wParam, lParam);
    }
    DWORD GetStyle() const { return static_cast<DWORD>(::GetWindowLongPtrW(m_hWnd, GWL_STYLE)); }
    int GetDlgCtrlID() const { return ::GetDlgCtrlID(m_hWnd); }
    HWND GetParent() const { return ::GetParent(m_hWnd); }
    BOOL ShowWindow(int nCmdShow) const { return ::ShowWindow(m_hWnd, nCmdShow); }
    HWND SetFocus() const { return ::SetFocus(m_hWnd); }
    BOOL MoveWindow(const RECT& rc, BOOL bRepaint = TRUE) const {
        return ::MoveWindow(m_hWnd, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top, bRepaint);
    }
    RECT GetClientRect() const;
    // Centres the window over its owner (hAlternateOwner when given), kept inside the work area of
    // the owner's monitor; without an owner, in the middle of that work area.
    void CenterWindow(HWND hAlternateOwner = nullptr) const;
    int GetWindowTextLength() const { return ::GetWindowTextLengthW(m_hWnd); }
    std::wstring GetWindowText() const;
    BOOL SetWindowText(const wchar_t* pszText) const { return ::SetWindowTextW(m_hWnd, pszText); }

    // Called with an exception a handler let escape; it never leaves a window procedure. The
    // application may install its own reporter (message box); the default ignores it.
    static void (*s_pfnReportException)(std::exception_ptr);

protected:
    // The one place messages are cracked; classes override handlers, or WindowProc itself for
    // messages that have none, and call the base for the rest.
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // The window's original procedure (subclassed windows) or the system default.
    LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // The message being handled, passed on unchanged to DefWindowProc.
    LRESULT Default();

    // A child's notification (WM_COMMAND from a control) offered to the child first; returning
    // true ends it there.
    virtual bool OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult);
    virtual void PostNcDestroy() {}

    virtual int OnCreate(CREATESTRUCTW* pCreate);
    virtual void OnDestroy();
    virtual void OnClose();
    virtual void OnSize(UINT nType, int cx, int cy);
    virtual void OnSetFocus(HWND hOldFocus);
    virtual void OnTimer(UINT_PTR nIDEvent);
    virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam);
    virtual void OnInitMenuPopup(HMENU hPopup, UINT nIndex, BOOL bSysMenu);
    virtual void OnChar(UINT nChar, UINT nRepCnt, UINT nFlags);
    virtual void OnKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags);
    virtual void OnLButtonDown(UINT nFlags, POINT point);

private:
    struct CurrentMessage {
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
    };

    static LRESULT CALLBACK StdWndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK CbtHookProc(int nCode, WPARAM wParam, LPARAM lParam);
    void Bind(HWND hWnd);
    void Unbind();
    LRESULT DispatchGuarded(UINT message, WPARAM wParam, LPARAM lParam);

    WNDPROC m_pfnSuper = nullptr; // the procedure we replaced, null when not subclassed
    bool m_bCreated = false;      // we created the window, so ~CWnd destroys it
    CurrentMessage m_msgCur{};
    int m_nDispatchDepth = 0;         // messages of this window being handled, nested
    bool m_bNcDestroyPending = false; // WM_NCDESTROY came while a handler was still running
};
