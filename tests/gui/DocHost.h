#pragma once
// A real frame with a CTessarinDoc and its CTessarinView, an application object whose document
// manager answers the Save As prompt from the test, and a message-box answerer that presses a
// button in every box this thread shows and records the boxes' texts.
#include "TestFiles.h"
#include "ViewHost.h"
#include "document/TessarinDoc.h"
#include "framework/DocManager.h"
#include "framework/WinApp.h"
#include <memory>
#include <string>
#include <vector>

// Presses a button in each message box this thread shows while it lives. Boxes are modal, so the
// answer comes from a thread timer, which the box's own message loop dispatches.
class CBoxAnswerer {
public:
    explicit CBoxAnswerer(int nButton = IDOK) {
        s_pActive = this;
        m_nButton = nButton;
        m_nTimer = ::SetTimer(nullptr, 0, 15, &CBoxAnswerer::OnTick);
    }
    ~CBoxAnswerer() {
        ::KillTimer(nullptr, m_nTimer);
        s_pActive = nullptr;
    }
    CBoxAnswerer(const CBoxAnswerer&) = delete;
    CBoxAnswerer& operator=(const CBoxAnswerer&) = delete;

    const std::vector<std::wstring>& Texts() const { return m_texts; }
    size_t Count() const { return m_texts.size(); }
    // Runs once per box, while it is on screen, before the button is pressed.
    std::function<void()> m_onShown;
    // Keeps the box open for this many more timer ticks before answering (the box's loop runs meanwhile).
    int m_nHoldTicks = 0;
    int m_nButton;

private:
    static BOOL CALLBACK FindBox(HWND hWnd, LPARAM lParam) {
        wchar_t szClass[16] = {};
        ::GetClassNameW(hWnd, szClass, 16);
        if (std::wstring(szClass) == L"#32770" && ::IsWindowVisible(hWnd)) {
            *reinterpret_cast<HWND*>(lParam) = hWnd;
            return FALSE;
        }
        return TRUE;
    }
    static void CALLBACK OnTick(HWND, UINT, UINT_PTR, DWORD) {
        CBoxAnswerer* self = s_pActive;
        HWND hBox = nullptr;
        if (!self)
            return;
        ::EnumThreadWindows(::GetCurrentThreadId(), &CBoxAnswerer::FindBox, reinterpret_cast<LPARAM>(&hBox));
        if (!hBox || hBox == self->m_hAnswered)
            return;
        if (hBox != self->m_hSeen) {
            self->m_hSeen = hBox;
            self->m_nHeld = 0;
            wchar_t szText[2048] = {};
            ::GetDlgItemTextW(hBox, 0xFFFF, szText, 2048); // the text of a message box is item 0xFFFF
            self->m_texts.emplace_back(szText);
            if (self->m_onShown)
                self->m_onShown();
        }
        if (self->m_nHeld++ < self->m_nHoldTicks)
            return;
        self->m_hAnswered = hBox;
        ::PostMessageW(hBox, WM_COMMAND, MAKEWPARAM(self->m_nButton, BN_CLICKED),
                       reinterpret_cast<LPARAM>(::GetDlgItem(hBox, self->m_nButton)));
    }

    static inline CBoxAnswerer* s_pActive = nullptr;
    UINT_PTR m_nTimer = 0;
    HWND m_hSeen = nullptr;
    HWND m_hAnswered = nullptr;
    int m_nHeld = 0;
    std::vector<std::wstring> m_texts;
};

// A document manager whose Save As "dialog" confirms the name the test set (or is cancelled).
class CScriptedDocManager : public CDocManager {
public:
    bool DoPromptFileName(std::wstring& fileName, UINT nIDSTitle, DWORD, bool bOpenFileDialog, CDocTemplate*) override {
        ++m_nPrompts;
        m_nLastTitle = nIDSTitle;
        m_bLastOpen = bOpenFileDialog;
        if (m_strAnswer.empty())
            return false;
        fileName = m_strAnswer;
        return true;
    }
    std::wstring m_strAnswer; // empty: the user cancels
    int m_nPrompts = 0;
    UINT m_nLastTitle = 0;
    bool m_bLastOpen = false;
};

class DocHost : public ::testing::Test {
protected:
    struct Host {
        CWinApp app;
        CFrameWnd frame;
        CTessarinDoc doc;
        CTessarinView view;
        CScriptedDocManager* pManager = nullptr;
    };
    static inline Host* s_pHost = nullptr;

    CFrameWnd& m_frame = Host_().frame;
    CTessarinDoc& m_doc = Host_().doc;
    CTessarinView& m_view = Host_().view;
    CScriptedDocManager& m_manager = *Host_().pManager;

    static Host& Host_() {
        if (!s_pHost) {
            s_pHost = new Host;
            auto pManager = std::make_unique<CScriptedDocManager>();
            s_pHost->pManager = pManager.get();
            s_pHost->app.m_pDocManager = std::move(pManager);
            RECT rc{60, 60, 660, 500};
            s_pHost->frame.Create(L"DocHost", WS_OVERLAPPEDWINDOW, &rc);
            s_pHost->view.SetDocument(&s_pHost->doc);
            s_pHost->view.Create(s_pHost->frame.m_hWnd, AFX_IDW_PANE_FIRST, s_pHost->frame.GetClientRect());
            s_pHost->frame.SetActiveView(&s_pHost->view);
            s_pHost->frame.ShowWindow(SW_SHOW);
            s_pHost->app.m_pMainWnd = &s_pHost->frame;
        }
        return *s_pHost;
    }
    static void TearDownTestSuite() {
        if (s_pHost) {
            s_pHost->app.m_pMainWnd = nullptr;
            s_pHost->frame.DestroyWindow();
        }
        delete std::exchange(s_pHost, nullptr);
    }

    void SetUp() override {
        ASSERT_NE(m_view.m_hWnd, nullptr);
        m_manager.m_strAnswer.clear();
        m_manager.m_nPrompts = 0;
        m_doc.SetRequestedFormat(EncodingId::Unspecified, LineEndingId::Unspecified);
        ASSERT_TRUE(m_doc.OnNewDocument());
        m_doc.SetTitle(L"");
    }
    void TearDown() override { m_doc.OnNewDocument(); } // stops the watch before the folder goes

    // The framework's open: the document reads the file, then takes its path.
    bool Open(const std::wstring& path) {
        if (!m_doc.OnOpenDocument(path.c_str()))
            return false;
        m_doc.SetPathName(path);
        return true;
    }
    std::wstring Text() const { return m_view.GetText(); }
    std::pair<EncodingId, LineEndingId> Format() const {
        std::pair<EncodingId, LineEndingId> pair;
        m_doc.GetFileFormat(pair.first, pair.second);
        return pair;
    }
    // Types at the end of the text.
    void Append(const std::wstring& keys) {
        int n = m_view.GetTextLength();
        m_view.SetSel(n, n);
        Type(keys);
    }
    void Type(const std::wstring& keys) {
        for (wchar_t ch : keys)
            m_view.SendMessage(WM_CHAR, ch, 1);
    }
    static std::vector<unsigned char> Bytes(const std::string& s) { return {s.begin(), s.end()}; }
};

// Moves a file's last-write time (or only its last-access time) by nSeconds from what it is.
inline bool ShiftFileTime(const std::wstring& path, int nSeconds, bool bWriteTime = true) {
    CFileHandle hFile(::CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES | FILE_READ_ATTRIBUTES,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!hFile)
        return false;
    FILETIME ftAccess{}, ftWrite{};
    if (!::GetFileTime(hFile.Get(), nullptr, &ftAccess, &ftWrite))
        return false;
    FILETIME& ft = bWriteTime ? ftWrite : ftAccess;
    ULARGE_INTEGER t{{ft.dwLowDateTime, ft.dwHighDateTime}};
    t.QuadPart += static_cast<LONGLONG>(nSeconds) * 10000000LL;
    ft.dwLowDateTime = t.LowPart;
    ft.dwHighDateTime = t.HighPart;
    return ::SetFileTime(hFile.Get(), nullptr, bWriteTime ? nullptr : &ftAccess, bWriteTime ? &ftWrite : nullptr);
}
