#pragma once
// A real frame window with a document and a CTessarinView in it, plus the small helpers the view
// tests use to type, press keys and read back what the EDIT control holds.
#include "framework/Clipboard.h"
#include "framework/CmdUI.h"
#include "framework/Document.h"
#include "framework/FrameWnd.h"
#include "framework/FrameworkIds.h"
#include "view/TessarinView.h"
#include <gtest/gtest.h>
#include <imm.h>
#include <functional>
#include <string>
#include <utility>

// Dispatches waiting messages until cond holds or the time is up.
inline bool PumpUntil(const std::function<bool()>& cond, DWORD dwTimeoutMs = 5000) {
    DWORD dwStart = ::GetTickCount();
    for (;;) {
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
        if (cond())
            return true;
        if (::GetTickCount() - dwStart > dwTimeoutMs)
            return false;
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    }
}

// Commits text through the real input method path, as a user's IME would; false when the window
// has no input context or the input method refused the text.
inline bool CommitThroughIme(HWND hWnd, const std::wstring& text) {
    HIMC hImc = ::ImmGetContext(hWnd);
    if (!hImc)
        return false;
    ::ImmSetOpenStatus(hImc, TRUE);
    BOOL bSet = ::ImmSetCompositionStringW(hImc, SCS_SETSTR, const_cast<wchar_t*>(text.c_str()),
                                           static_cast<DWORD>(text.size() * sizeof(wchar_t)), nullptr, 0);
    BOOL bDone = ::ImmNotifyIME(hImc, NI_COMPOSITIONSTR, CPS_COMPLETE, 0);
    ::ImmReleaseContext(hWnd, hImc);
    return bSet && bDone;
}

// Holds modifier keys down in this thread's key state (what GetKeyState reads) for a scope.
class CHeldKeys {
public:
    explicit CHeldKeys(std::initializer_list<int> keys) {
        ::GetKeyboardState(m_saved);
        BYTE state[256];
        ::GetKeyboardState(state);
        for (int k : keys)
            state[k] |= 0x80;
        ::SetKeyboardState(state);
    }
    ~CHeldKeys() { ::SetKeyboardState(m_saved); }

private:
    BYTE m_saved[256];
};

// One shown frame per test suite: under Xvfb without a window manager, Wine waits about two
// seconds for a shown top-level window to be unmapped, so tests reuse the window and reset it.
class ViewHost : public ::testing::Test {
protected:
    struct Host {
        CFrameWnd frame;
        CDocument doc;
        CTessarinView view;
    };
    static inline Host* s_pHost = nullptr;

    CFrameWnd& m_frame = Host_().frame;
    CDocument& m_doc = Host_().doc;
    CTessarinView& m_view = Host_().view;

    static Host& Host_() {
        if (!s_pHost) {
            s_pHost = new Host;
            RECT rc{40, 40, 640, 480};
            s_pHost->frame.Create(L"ViewHost", WS_OVERLAPPEDWINDOW, &rc);
            s_pHost->view.SetDocument(&s_pHost->doc);
            s_pHost->view.Create(s_pHost->frame.m_hWnd, AFX_IDW_PANE_FIRST, s_pHost->frame.GetClientRect());
            s_pHost->frame.SetActiveView(&s_pHost->view);
            s_pHost->frame.ShowWindow(SW_SHOW);
        }
        return *s_pHost;
    }
    static void TearDownTestSuite() {
        if (s_pHost)
            s_pHost->frame.DestroyWindow();
        delete std::exchange(s_pHost, nullptr);
    }

    void SetUp() override {
        ASSERT_NE(m_frame.m_hWnd, nullptr);
        ASSERT_NE(m_view.m_hWnd, nullptr);
        m_view.SetFocus();
        Load(L"");
    }

    void Type(const std::wstring& keys) {
        for (wchar_t ch : keys)
            m_view.SendMessage(WM_CHAR, ch, 1);
    }
    void Key(UINT vk) { m_view.SendMessage(WM_KEYDOWN, vk, 1); }
    std::wstring Text() const { return m_view.GetText(); }
    std::pair<int, int> Sel() const {
        int s = 0, e = 0;
        m_view.GetSel(s, e);
        return {s, e};
    }
    void Select(int s, int e) { m_view.SetSel(s, e); }
    // Starts from a given text with an empty, unmodified history and the caret at nCaret.
    void Load(const std::wstring& text, int nCaret = -1) {
        m_view.SetWindowText(text.c_str());
        m_view.ClearHistory(false);
        m_doc.SetModifiedFlag(false);
        int n = nCaret < 0 ? static_cast<int>(text.size()) : nCaret;
        Select(n, n);
    }
    void Undo() { m_frame.ExecuteCommand(ID_EDIT_UNDO); }
    void Redo() { m_frame.ExecuteCommand(ID_EDIT_REDO); }
    // Asks the frame's command route whether a command is enabled, as a menu would.
    bool Enabled(UINT nID) {
        CCmdUI state(nID);
        state.DoUpdate(&m_frame, true);
        return state.IsEnabled();
    }
    size_t Records() const { return m_view.GetHistory().RecordCount(); }
    const EditRecord& Current() const { return m_view.GetHistory().Current(); }
    static void PutOnClipboard(const std::wstring& text, HWND hOwner) {
        CClipboard clipboard(hOwner);
        ASSERT_TRUE(clipboard.SetText(text));
    }
    static std::wstring ClipboardText(HWND hOwner) {
        CClipboard clipboard(hOwner);
        std::wstring text;
        clipboard.GetText(text);
        return text;
    }
};
