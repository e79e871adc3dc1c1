// The find-in-files command: the dialog, the run with its message pump and its output gathered for
// the results pane, the stop command, and the menu item's text.
#include "search/FindInFilesRun.h"
#include "framework/FrameWnd.h"
#include "framework/MessageBox.h"
#include "framework/Strings.h"
#include "framework/WaitCursor.h"
#include "res/resource.h"
#include "search/FindInFiles.h"
#include "search/FindInFilesDlg.h"
#include "search/FindResultsBar.h"
#include <exception>
#include <memory>

namespace {

// Lines found are gathered and appended to the pane every 100 ms: an append costs the pane about
// what its characters do (it lays out only the rows on screen), and ten a second keep the list
// current without repainting it for every hit. Waiting input is dispatched every 20 ms, so the
// window answers within 50.
constexpr ULONGLONG kAppendEveryMs = 100;
constexpr ULONGLONG kPumpEveryMs = 20;

class CPaneOutput : public IFindInFilesOutput {
public:
    CPaneOutput(CFindResultsBar& pane, const CFindInFilesRunState& state)
        : m_pane(pane), m_state(state), m_pAlive(pane.GetLifeToken()), m_nLastPump(::GetTickCount64()) {}

    bool IsAlive() const { return *m_pAlive; }

    void Append(std::wstring_view text) override {
        m_strPending.append(text);
        if (::GetTickCount64() - m_nLastFlush >= kAppendEveryMs)
            Flush();
    }

    void Poll() override {
        const ULONGLONG nNow = ::GetTickCount64();
        if (nNow - m_nLastPump < kPumpEveryMs)
            return;
        if (nNow - m_nLastFlush >= kAppendEveryMs)
            Flush();
        Pump();
        m_nLastPump = ::GetTickCount64();
    }

    bool IsRunning() override { return IsAlive() && !m_bQuit && !m_state.IsStopRequested(); }

    void Flush() {
        if (IsAlive() && !m_strPending.empty())
            m_pane.AppendResultLine(m_strPending);
        m_strPending.clear();
        m_nLastFlush = ::GetTickCount64();
    }

    // A WM_QUIT taken out of the queue by the pump is put back once the run is over.
    void RepostQuit() const {
        if (m_bQuit)
            ::PostQuitMessage(m_nQuitCode);
    }

private:
    void Pump() {
        MSG msg;
        while (!m_bQuit && ::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                m_bQuit = true;
                m_nQuitCode = static_cast<int>(msg.wParam);
                break;
            }
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
    }

    CFindResultsBar& m_pane;
    const CFindInFilesRunState& m_state; // the frame's: read only while the pane is alive
    std::shared_ptr<const bool> m_pAlive;
    std::wstring m_strPending;
    ULONGLONG m_nLastFlush = 0; // the start line shows at once
    ULONGLONG m_nLastPump;
    bool m_bQuit = false;
    int m_nQuitCode = 0;
};

std::wstring Widen(const char* psz) {
    int n = ::MultiByteToWideChar(CP_ACP, 0, psz, -1, nullptr, 0);
    std::wstring s(n > 0 ? static_cast<size_t>(n) : 0, L'\0');
    if (n > 0)
        ::MultiByteToWideChar(CP_ACP, 0, psz, -1, s.data(), n);
    if (!s.empty())
        s.pop_back();
    return s;
}

} // namespace

void SetFindInFilesMenuText(CFrameWnd& frame, bool bRunning) {
    HMENU hMenu = ::GetMenu(frame.m_hWnd);
    if (!hMenu)
        return;
    const std::wstring strText = LoadStringResource(bRunning ? IDS_MENU_STOP_FIND_IN_FILES : IDS_MENU_FIND_IN_FILES);
    ::ModifyMenuW(hMenu, ID_EDIT_FIND_IN_FILES, MF_BYCOMMAND | MF_STRING, ID_EDIT_FIND_IN_FILES, strText.c_str());
    ::DrawMenuBar(frame.m_hWnd);
}

void CFindInFilesRunState::RequestStop(CFrameWnd& frame) {
    if (m_bRunning && !m_bStopRequested) {
        m_bStopRequested = true;
        SetFindInFilesMenuText(frame, false);
    }
}

bool FindInFiles(CFrameWnd& frame, CFindResultsBar& pane, CFindInFilesRunState& state,
                 const std::wstring& strWordChars) {
    state.Start();
    {
        CFindInFilesDlg dlg(&frame);
        if (dlg.DoModal() != IDOK) {
            state.End();
            SetFindInFilesMenuText(frame, false);
            return true;
        }
    }
    const FindInFilesInputs& inputs = RememberedFindInFilesInputs();
    FindInFilesQuery query;
    query.strFind = inputs.strFind;
    query.patterns = SplitFileTypes(inputs.strTypes);
    query.strFolder = WithTrailingBackslash(inputs.strFolder);
    query.bSubfolders = inputs.bSubfolders;
    query.fMatchCase = inputs.fMatchCase;
    query.fWholeWord = inputs.fWholeWord;
    query.fRegex = inputs.fRegex;
    query.strWordChars = strWordChars;
    query.exclusions = ParseExclusions(inputs.strExclude);
    if (query.fRegex) {
        // A pattern that does not compile searches nothing: the user hears why, and no run starts.
        CRegex regex(query.strFind, query.fMatchCase);
        if (!regex.IsValid()) {
            AfxMessageBox(RegexErrorText(regex, query.strFind), MB_OK | MB_ICONEXCLAMATION);
            state.End();
            SetFindInFilesMenuText(frame, false);
            return true;
        }
    }

    CPaneOutput output(pane, state);
    {
        CWaitCursor wait;
        SetFindInFilesMenuText(frame, true);
        frame.ShowControlBar(&pane, true, false);
        pane.ClearResults();
        try {
            CFindInFiles run(query, output);
            run.Run();
            output.Flush();
        } catch (const std::exception& e) {
            // No end line; what was found so far stays listed.
            output.Flush();
            if (output.IsAlive())
                AfxMessageBox(Widen(e.what()), MB_OK);
        }
    }
    output.RepostQuit();
    if (!output.IsAlive())
        return false;
    state.End();
    SetFindInFilesMenuText(frame, false);
    return true;
}
