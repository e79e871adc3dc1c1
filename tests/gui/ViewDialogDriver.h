#pragma once
// Works dialogs that a modal loop shows (Go to line, message boxes, the Font dialog) from a thread
// timer, which every modal loop dispatches: each step waits until a dialog with the given caption
// is up, then acts on it with real messages. A step that finds nothing in time closes whatever
// dialogs are open, so a failing test ends instead of hanging in the loop.
#include <windows.h>
#include <functional>
#include <string>
#include <vector>

class CDialogDriver {
public:
    using Action = std::function<void(HWND hDlg)>;

    CDialogDriver() { s_pDriver = this; }
    ~CDialogDriver() {
        Stop();
        s_pDriver = nullptr;
    }
    CDialogDriver(const CDialogDriver&) = delete;
    CDialogDriver& operator=(const CDialogDriver&) = delete;

    // Queues a step: when a visible, enabled dialog of this thread with this caption (any caption
    // when empty) is up, act.
    CDialogDriver& When(const std::wstring& strCaption, Action act) {
        m_steps.push_back({strCaption, std::move(act)});
        if (!m_nTimer)
            m_nTimer = ::SetTimer(nullptr, 0, 20, &CDialogDriver::OnTick);
        m_dwStepStart = ::GetTickCount();
        return *this;
    }
    bool Done() const { return m_nNext == m_steps.size(); }
    bool TimedOut() const { return m_bTimedOut; }

    // The visible, enabled dialog of this thread with this caption, or null.
    static HWND FindDialog(const std::wstring& strCaption) {
        struct Search {
            const std::wstring* pCaption;
            HWND hFound;
        } search{&strCaption, nullptr};
        ::EnumThreadWindows(
            ::GetCurrentThreadId(),
            [](HWND hWnd, LPARAM lParam) -> BOOL {
                auto* p = reinterpret_cast<Search*>(lParam);
                wchar_t szClass[16] = {};
                ::GetClassNameW(hWnd, szClass, 16);
                if (std::wstring(szClass) != L"#32770" || !::IsWindowVisible(hWnd) || !::IsWindowEnabled(hWnd))
                    return TRUE;
                if (!p->pCaption->empty() && WindowText(hWnd) != *p->pCaption)
                    return TRUE;
                p->hFound = hWnd;
                return FALSE;
            },
            reinterpret_cast<LPARAM>(&search));
        return search.hFound;
    }
    static std::wstring WindowText(HWND hWnd) {
        std::wstring text(static_cast<size_t>(::GetWindowTextLengthW(hWnd)) + 1, L'\0');
        text.resize(static_cast<size_t>(::GetWindowTextW(hWnd, text.data(), static_cast<int>(text.size()))));
        return text;
    }
    static std::wstring ItemText(HWND hDlg, int nID) { return WindowText(::GetDlgItem(hDlg, nID)); }
    // The text of a message box (its static text control).
    static std::wstring MessageBoxText(HWND hBox) { return ItemText(hBox, 0xFFFF); }
    static void Press(HWND hDlg, int nID) {
        ::PostMessageW(hDlg, WM_COMMAND, MAKEWPARAM(nID, BN_CLICKED),
                       reinterpret_cast<LPARAM>(::GetDlgItem(hDlg, nID)));
    }

    DWORD m_dwTimeoutMs = 10000;

private:
    struct Step {
        std::wstring strCaption;
        Action act;
    };

    void Stop() {
        if (m_nTimer)
            ::KillTimer(nullptr, m_nTimer);
        m_nTimer = 0;
    }

    static void CALLBACK OnTick(HWND, UINT, UINT_PTR, DWORD) {
        CDialogDriver* p = s_pDriver;
        if (!p || p->m_bBusy || p->Done())
            return;
        const Step& step = p->m_steps[p->m_nNext];
        if (HWND hDlg = FindDialog(step.strCaption)) {
            ++p->m_nNext;
            p->m_dwStepStart = ::GetTickCount();
            p->m_bBusy = true; // an action may run a nested loop that dispatches our timer
            step.act(hDlg);
            p->m_bBusy = false;
            if (p->Done())
                p->Stop();
        } else if (::GetTickCount() - p->m_dwStepStart > p->m_dwTimeoutMs) {
            p->m_bTimedOut = true;
            p->Stop();
            CloseAllDialogs();
        }
    }

    static void CloseAllDialogs() {
        ::EnumThreadWindows(
            ::GetCurrentThreadId(),
            [](HWND hWnd, LPARAM) -> BOOL {
                wchar_t szClass[16] = {};
                ::GetClassNameW(hWnd, szClass, 16);
                if (std::wstring(szClass) == L"#32770") {
                    ::PostMessageW(hWnd, WM_COMMAND, IDCANCEL, 0);
                    ::PostMessageW(hWnd, WM_COMMAND, IDNO, 0); // Yes/No boxes cannot be cancelled
                }
                return TRUE;
            },
            0);
    }

    static inline CDialogDriver* s_pDriver = nullptr;
    std::vector<Step> m_steps;
    size_t m_nNext = 0;
    UINT_PTR m_nTimer = 0;
    DWORD m_dwStepStart = 0;
    bool m_bBusy = false;
    bool m_bTimedOut = false;
};
