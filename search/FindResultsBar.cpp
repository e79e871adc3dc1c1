// CFindResultsBar and CFindResultsEdit: the pane's read-only text control, its colours, and the
// jump from a hit line to the file it names.
#include "search/FindResultsBar.h"
#include "document/TessarinDoc.h"
#include "framework/FrameWnd.h"
#include "framework/FrameworkIds.h"
#include "framework/MessageBox.h"
#include "framework/Strings.h"
#include "framework/View.h"
#include "framework/WinApp.h"
#include "res/resource.h"
#include "search/FindInFiles.h"
#include "view/TextControl.h"
#include <string>
#include <string_view>
#include <vector>

CFindResultsBar::CFindResultsBar() : m_pAlive(std::make_shared<bool>(true)) {}

int CFindResultsBar::OnCreate(CREATESTRUCTW* pCreate) {
    if (CSizingControlBarG::OnCreate(pCreate) == -1)
        return -1;
    // The text control always fills the pane; the pane shows its edges but does not size by them
    // until it is docked.
    SetSCBStyle((GetSCBStyle() & ~static_cast<DWORD>(SCBS_EDGEALL)) | SCBS_SHOWEDGES | SCBS_SIZECHILD);
    // Read-only: the control takes no typing, pasting, cutting or deleting, and its context menu
    // offers only Copy and Select All; it is painted white (WindowProc below).
    const DWORD dwStyle = WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_HSCROLL | ES_MULTILINE | ES_AUTOVSCROLL |
                          ES_AUTOHSCROLL | ES_READONLY;
    if (!CTextControl::Register() ||
        !m_wndEdit.CreateEx(WS_EX_CLIENTEDGE, CTextControl::kClassName, L"", dwStyle, RECT{0, 0, 0, 0}, m_hWnd,
                            IDW_FIND_RESULTS))
        return -1;
    return 0;
}

void CFindResultsBar::OnDestroy() {
    *m_pAlive = false;
    CSizingControlBarG::OnDestroy();
}

void CFindResultsBar::ClearResults() {
    if (m_wndEdit.m_hWnd)
        ::SetWindowTextW(m_wndEdit.m_hWnd, L"");
}

void CFindResultsBar::AppendResultLine(std::wstring_view text) {
    if (!m_wndEdit.m_hWnd || text.empty())
        return;
    // The control adds the lines to its index and lays out only the rows on screen: an append
    // costs about what its characters do, however long the list already is.
    const std::wstring strText(text);
    const LPARAM nEnd = ::GetWindowTextLengthW(m_wndEdit.m_hWnd);
    DWORD dwStart = 0, dwEnd = 0;
    m_wndEdit.SendMessage(EM_GETSEL, reinterpret_cast<WPARAM>(&dwStart), reinterpret_cast<LPARAM>(&dwEnd));
    const auto nTop = static_cast<int>(m_wndEdit.SendMessage(EM_GETFIRSTVISIBLELINE));
    m_wndEdit.SendMessage(EM_SETSEL, nEnd, nEnd);
    m_wndEdit.SendMessage(EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(strText.c_str()));
    // With the caret at the end the list follows its end. A caret or selection the user put
    // elsewhere stays, and so do the lines shown: a click and double click on a hit during a run
    // must not find the caret moved to the end in between.
    if (dwStart != dwEnd || static_cast<LPARAM>(dwEnd) != nEnd) {
        m_wndEdit.SendMessage(EM_SETSEL, dwStart, dwEnd);
        const auto nNewTop = static_cast<int>(m_wndEdit.SendMessage(EM_GETFIRSTVISIBLELINE));
        m_wndEdit.SendMessage(EM_LINESCROLL, 0, nTop - nNewTop);
    }
}

LRESULT CFindResultsBar::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    // The read-only list is painted like any text the user reads, not in the dialog colour.
    if (message == WM_CTLCOLORSTATIC && reinterpret_cast<HWND>(lParam) == m_wndEdit.m_hWnd) {
        auto hdc = reinterpret_cast<HDC>(wParam);
        ::SetTextColor(hdc, ::GetSysColor(COLOR_WINDOWTEXT));
        ::SetBkColor(hdc, ::GetSysColor(COLOR_WINDOW));
        return reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_WINDOW));
    }
    return CSizingControlBarG::WindowProc(message, wParam, lParam);
}

LRESULT CFindResultsEdit::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    // The control is read-only by itself; the pane adds only the jump to a hit.
    switch (message) {
    case WM_LBUTTONDBLCLK: JumpToResult(); return 0; // instead of selecting a word
    case WM_CHAR:
        if (wParam == VK_RETURN) {
            JumpToResult();
            return 0;
        }
        break;
    default: break;
    }
    return CWnd::WindowProc(message, wParam, lParam);
}

void CFindResultsEdit::JumpToResult() {
    const int nLength = static_cast<int>(SendMessage(EM_LINELENGTH, static_cast<WPARAM>(-1)));
    std::vector<wchar_t> buffer(static_cast<size_t>(nLength) + 1, L'\0');
    buffer[0] = static_cast<wchar_t>(nLength);
    const WPARAM nLine = SendMessage(EM_LINEFROMCHAR, static_cast<WPARAM>(-1));
    // EM_GETLINE takes the buffer's size in its first unit and copies no terminating zero.
    if (nLength > 0)
        SendMessage(EM_GETLINE, nLine, reinterpret_cast<LPARAM>(buffer.data()));
    else
        buffer[0] = L'\0';
    std::wstring strPath;
    int nTarget = 0;
    const std::wstring_view line(buffer.data());
    if (IsRunStatusLine(line) || !ParseResultLine(line, strPath, nTarget))
        return;
    // A file deleted or renamed since the run is named before anything is asked: the open would
    // first offer to save the document, only to fail.
    const DWORD dwAttributes = ::GetFileAttributesW(strPath.c_str());
    if (dwAttributes == INVALID_FILE_ATTRIBUTES || (dwAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        AfxMessageBox(FormatString(AFX_IDP_FILE_NOT_FOUND, {strPath}), MB_OK | MB_ICONEXCLAMATION);
        return;
    }

    const LRESULT nStart = SendMessage(EM_LINEINDEX, static_cast<WPARAM>(-1));
    SendMessage(EM_SETSEL, nStart, nStart + SendMessage(EM_LINELENGTH, static_cast<WPARAM>(-1)));
    SendMessage(EM_SCROLLCARET);

    CWinApp* pApp = AfxGetApp();
    auto* pFrame = pApp ? dynamic_cast<CFrameWnd*>(pApp->m_pMainWnd) : nullptr;
    if (!pFrame)
        return;
    // The file is detected afresh, whatever encoding the Open dialog asked for last.
    if (auto* pDoc = dynamic_cast<CTessarinDoc*>(pFrame->GetActiveDocument()))
        pDoc->SetRequestedFormat(EncodingId::Unspecified, LineEndingId::Unspecified);
    pApp->OpenDocumentFile(strPath.c_str());
    // Whatever the open did (failed, or was cancelled at the save question), the caret goes to the
    // line in the document now shown; a line past the end leaves it where it is.
    pFrame = dynamic_cast<CFrameWnd*>(pApp->m_pMainWnd);
    CView* pView = pFrame ? pFrame->GetActiveView() : nullptr;
    if (!pView || !pView->m_hWnd)
        return;
    const LRESULT p = pView->SendMessage(EM_LINEINDEX, static_cast<WPARAM>(nTarget - 1));
    pView->SendMessage(EM_SETSEL, p, p);
    pView->SendMessage(EM_SCROLLCARET);
    ::SetFocus(pView->m_hWnd);
}
