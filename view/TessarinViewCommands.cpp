// CTessarinView: creation from the stored settings and their storing at the end, word wrap by
// re-creating the control, Go to line, date and time, the Font dialog, dragging text out and
// dropping it in, and the watch on the document's file with its reload question.
#include "view/TessarinView.h"
#include "framework/Clipboard.h"
#include "framework/Document.h"
#include "framework/GdiHandles.h"
#include "framework/MessageBox.h"
#include "framework/Strings.h"
#include "framework/WaitCursor.h"
#include "framework/WinApp.h"
#include "res/resource.h"
#include "view/DragSource.h"
#include "view/GotoLineDlg.h"
#include <algorithm>
#include <commdlg.h>

namespace {
bool SameWriteTime(const FILETIME& a, const FILETIME& b) {
    return a.dwLowDateTime == b.dwLowDateTime && a.dwHighDateTime == b.dwHighDateTime;
}

// The program's printf-style messages take the one argument at "%s".
std::wstring FormatStringS(UINT nID, const std::wstring& strArg) {
    std::wstring strText = LoadStringResource(nID);
    size_t nAt = strText.find(L"%s");
    if (nAt != std::wstring::npos)
        strText.replace(nAt, 2, strArg);
    return strText;
}

std::wstring CallFormatter(int (*pfnMeasure)(const SYSTEMTIME&, wchar_t*, int), const SYSTEMTIME& st) {
    int n = pfnMeasure(st, nullptr, 0);
    if (n <= 0)
        return {};
    std::wstring text(static_cast<size_t>(n), L'\0');
    n = pfnMeasure(st, text.data(), n);
    text.resize(n > 0 ? static_cast<size_t>(n - 1) : 0); // without the terminating NUL
    return text;
}

// The description of the font the control shows (the system font's when it has none of its own),
// with the face and character set the font mapper actually chose. The face asked for may not exist
// ("FixedSys" under Wine): given a face it cannot find, the font dialog opens on the first font of
// its list, and OK without a change would switch the view to that.
LOGFONTW ShownFontDescription(HWND hEdit) {
    auto hFont = reinterpret_cast<HFONT>(::SendMessageW(hEdit, WM_GETFONT, 0, 0));
    HGDIOBJ hObject = hFont ? static_cast<HGDIOBJ>(hFont) : ::GetStockObject(SYSTEM_FONT);
    LOGFONTW lf{};
    ::GetObjectW(hObject, sizeof lf, &lf);
    CClientDC dc(hEdit);
    CSelectObject select(dc.Get(), hObject);
    wchar_t szFace[LF_FACESIZE] = {};
    if (::GetTextFaceW(dc.Get(), LF_FACESIZE, szFace) > 0)
        ::lstrcpynW(lf.lfFaceName, szFace, LF_FACESIZE);
    TEXTMETRICW tm{};
    if (::GetTextMetricsW(dc.Get(), &tm))
        lf.lfCharSet = tm.tmCharSet;
    return lf;
}

// How a left-button press ends: released before the pointer moved far (a click), moved past the
// drag threshold with the button held (a drag), or given up (Escape, the mouse taken elsewhere).
enum class PressResult { Click, Drag, Cancel };

// Follows a press at ptClient with the mouse captured. DragDetect would do this, but Wine's
// compares the pointer's client coordinates with a rectangle around the screen point it is given,
// so there every press in a window away from the screen's corner would count as a drag.
PressResult FollowPress(HWND hWnd, POINT ptClient, MSG& msgUp) {
    const int cxDrag = ::GetSystemMetrics(SM_CXDRAG), cyDrag = ::GetSystemMetrics(SM_CYDRAG);
    const RECT rcDrag{ptClient.x - cxDrag, ptClient.y - cyDrag, ptClient.x + cxDrag + 1, ptClient.y + cyDrag + 1};
    ::SetCapture(hWnd);
    PressResult result = PressResult::Cancel;
    for (;;) {
        if (::GetCapture() != hWnd)
            break;
        MSG msg{};
        if (!::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            // Everything queued is handled and the button is up, yet no release came (a press
            // sent by another program, or a release another window took): a click where pressed.
            if (::GetKeyState(VK_LBUTTON) >= 0) {
                msgUp = MSG{hWnd, WM_LBUTTONUP, 0, MAKELPARAM(ptClient.x, ptClient.y)};
                result = PressResult::Click;
                break;
            }
            ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
            continue;
        }
        if (msg.message == WM_QUIT) {
            ::PostQuitMessage(static_cast<int>(msg.wParam)); // for the main loop to see
            break;
        }
        if (msg.message == WM_LBUTTONUP) {
            msgUp = msg;
            result = PressResult::Click;
            break;
        }
        if (msg.message == WM_MOUSEMOVE) {
            POINT pt{static_cast<short>(LOWORD(msg.lParam)), static_cast<short>(HIWORD(msg.lParam))};
            if (msg.hwnd != hWnd)
                ::MapWindowPoints(msg.hwnd, hWnd, &pt, 1);
            if (!::PtInRect(&rcDrag, pt)) {
                result = PressResult::Drag;
                break;
            }
            continue;
        }
        if ((msg.message == WM_KEYDOWN && msg.wParam == VK_ESCAPE) || msg.message == WM_RBUTTONDOWN ||
            msg.message == WM_MBUTTONDOWN)
            break;
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    if (::GetCapture() == hWnd)
        ::ReleaseCapture();
    return result;
}

constexpr UINT_PTR kWatchTimerId = 1;
constexpr UINT kWatchIntervalMs = 2000;
} // namespace

CTessarinView::~CTessarinView() {
    if (m_pDropTarget)
        m_pDropTarget->Revoke();
}

// ---- Creation and end -------------------------------------------------------------------------

bool CTessarinView::PreCreateWindow(CREATESTRUCTW& cs) {
    if (!CEditView::PreCreateWindow(cs))
        return false;
    // Word wrap is decided before the control exists: without horizontal scrolling it wraps.
    bool bWrap = false;
    if (ReadWrapSetting(bWrap) && bWrap)
        cs.style &= ~static_cast<LONG>(WS_HSCROLL | ES_AUTOHSCROLL);
    return true;
}

int CTessarinView::OnCreate(CREATESTRUCTW* pCreate) {
    if (CEditView::OnCreate(pCreate) == -1)
        return -1;
    RegisterDropTarget();
    m_settings = DefaultViewSettings();
    ApplyStoredFont();
    // The control's default limit would silently cut typing and pasting short of what was
    // recorded.
    RaiseTextLimit();
    return 0;
}

void CTessarinView::ApplyStoredFont() {
    // On a first run (no key) the control keeps its own font; the defaults are stored at the end
    // and take effect on the next run.
    if (!ReadViewSettings(m_settings))
        return;
    LOGFONTW& lf = m_settings.m_lf;
    {
        CClientDC dc(m_hWnd);
        lf.lfHeight = FontHeightFromPointSize(m_settings.m_nPointSize, ::GetDeviceCaps(dc.Get(), LOGPIXELSY));
    }
    lf.lfWidth = 0;
    CFontHandle hFont(::CreateFontIndirectW(&lf));
    if (!hFont)
        return;
    SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(hFont.Get()), TRUE);
    m_hFont = std::move(hFont);
}

void CTessarinView::OnDestroy() {
    StoreSettings();
    StopFileWatch();
    if (m_pDropTarget)
        m_pDropTarget->Revoke();
    CEditView::OnDestroy();
    ClearHistory(false);
}

void CTessarinView::StoreSettings() {
    m_settings.m_bWrap = IsWordWrap();
    WriteViewSettings(m_settings);
}

void CTessarinView::RegisterDropTarget() {
    if (!m_pDropTarget)
        m_pDropTarget = CComPtr<CDropTarget>::Adopt(new CDropTarget(*this));
    m_pDropTarget->Register(m_hWnd); // fails quietly where OLE is not initialised
}

// ---- Word wrap ----------------------------------------------------------------------------------

bool CTessarinView::IsWordWrap() const {
    return m_hWnd && !(GetStyle() & ES_AUTOHSCROLL);
}

HWND CTessarinView::CreateReplacementControl(bool bWrap) const {
    DWORD dwStyle = WS_CHILD | WS_VSCROLL | ES_NOHIDESEL | ES_AUTOVSCROLL | ES_MULTILINE;
    if (!bWrap)
        dwStyle |= WS_HSCROLL | ES_AUTOHSCROLL;
    RECT rc{};
    ::GetWindowRect(m_hWnd, &rc);
    ::MapWindowPoints(nullptr, GetParent(), reinterpret_cast<POINT*>(&rc), 2);
    return ::CreateWindowExW(
        WS_EX_CLIENTEDGE, L"edit", L"", dwStyle, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top, GetParent(),
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(GetDlgCtrlID())), ::GetModuleHandleW(nullptr), nullptr);
}

void CTessarinView::ToggleWordWrap() {
    if (m_pDropTarget)
        m_pDropTarget->Revoke();
    const bool bWrap = !IsWordWrap();
    HWND hNew = nullptr;
    {
        CWaitCursor wait;
        const int nFirstChar = LineIndex(GetFirstVisibleLine());
        int nStart = 0, nEnd = 0;
        GetSel(nStart, nEnd);
        auto hFont = reinterpret_cast<HFONT>(SendMessage(WM_GETFONT));
        const std::wstring strText = GetText();
        const bool bHadFocus = ::GetFocus() == m_hWnd;
        const int nID = GetDlgCtrlID();

        hNew = CreateReplacementControl(bWrap);
        if (hNew) {
            ::SetWindowTextW(hNew, strText.c_str());
            ::SendMessageW(hNew, WM_SETFONT, reinterpret_cast<WPARAM>(hFont), FALSE);
            // The old control leaves the view before it is emptied, so its change notice marks
            // nothing modified; it keeps its place in the parent until the new one is shown.
            HWND hOld = m_hWnd;
            ::SetWindowLongPtrW(hOld, GWLP_ID, nID + 1);
            UnsubclassWindow();
            ::SetWindowTextW(hOld, L"");
            SubclassWindow(hNew);
            ApplyTabStops();

            ::ShowWindow(hNew, SW_SHOW);
            ::SetWindowPos(hNew, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_FRAMECHANGED);
            ::InvalidateRect(hNew, nullptr, TRUE);
            ::UpdateWindow(hNew);
            ::ShowWindow(hOld, SW_HIDE);
            ::DestroyWindow(hOld);

            if (bHadFocus)
                SetFocus();
            LineScroll(LineFromChar(nFirstChar) - GetFirstVisibleLine());
            SetSel(nStart, nEnd, true);
            RaiseTextLimit();
        }
    }
    RegisterDropTarget();
    if (hNew)
        ClearHistory(IsDocumentModified());
}

// ---- Go to line, date and time, font ------------------------------------------------------------

void CTessarinView::OnEditGotoLine() {
    CGotoLineDlg dlg(this);
    if (dlg.DoModal() == IDOK)
        GoToLineColumn(dlg.m_nLine, dlg.m_nColumn);
}

void CTessarinView::GoToLineColumn(int nLine, int nColumn) {
    // The dialog takes any whole numbers. Unchecked, column 0 or a column past the end put the
    // caret between the CR and LF of a line break, where typing splits it; a line the text lacks
    // made the control answer -1. So the line is kept to the text and the column to the line.
    const int nLines = static_cast<int>(SendMessage(EM_GETLINECOUNT));
    nLine = std::clamp(nLine, 1, std::max(nLines, 1));
    const int nLineStart = LineIndex(nLine - 1);
    const int nLineLength = static_cast<int>(SendMessage(EM_LINELENGTH, static_cast<WPARAM>(nLineStart)));
    int nOffset = nLineStart + std::clamp(nColumn, 1, nLineLength + 1) - 1;
    {
        // Wine's EDIT control would keep a caret between the halves of a surrogate pair, and the
        // next edit would split it: a column on the second half goes before the pair.
        const int nLength = GetTextLength();
        CEditBufferLock lock(*this);
        if (lock.Get() && SplitsSurrogatePair(lock.Get(), nLength, nOffset))
            --nOffset;
    }
    SetSel(nOffset, nOffset, true);
}

std::wstring CTessarinView::FormatDateTime(const SYSTEMTIME& st, bool bLogForm) {
    std::wstring strTime =
        CallFormatter([](const SYSTEMTIME& t, wchar_t* p,
                         int n) { return ::GetTimeFormatW(LOCALE_USER_DEFAULT, TIME_NOSECONDS, &t, nullptr, p, n); },
                      st);
    std::wstring strDate =
        CallFormatter([](const SYSTEMTIME& t, wchar_t* p,
                         int n) { return ::GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &t, nullptr, p, n); },
                      st);
    std::wstring strText = strTime + L" " + strDate;
    return bLogForm ? L"\r\n" + strText + L"\r\n" : strText;
}

void CTessarinView::InsertDateTime(bool bLogForm) {
    SYSTEMTIME st{};
    ::GetLocalTime(&st);
    RecordInsertion(FormatDateTime(st, bLogForm).c_str(), -1, -1, true);
}

void CTessarinView::OnFormatFont() {
    LOGFONTW lf = ShownFontDescription(m_hWnd);
    CHOOSEFONTW cf{};
    cf.lStructSize = sizeof cf;
    cf.hwndOwner = ::GetAncestor(m_hWnd, GA_ROOT);
    cf.lpLogFont = &lf;
    cf.Flags = CF_SCREENFONTS | CF_INITTOLOGFONTSTRUCT;
    if (::ChooseFontW(&cf))
        SetScreenFont(lf, cf.iPointSize);
}

bool CTessarinView::SetScreenFont(const LOGFONTW& lf, int nPointSize) {
    CFontHandle hFont(::CreateFontIndirectW(&lf));
    if (!hFont)
        return false;
    CWaitCursor wait;
    SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(hFont.Get()), TRUE);
    m_hFont = std::move(hFont); // the old font goes only once the control has let go of it
    m_settings.m_lf = lf;
    m_settings.m_nPointSize = nPointSize;
    return true;
}

// ---- Drag and drop ----------------------------------------------------------------------------

RECT CTessarinView::SelectionHitRect(int nStart, int nEnd) const {
    const POINT ptFirst = PosFromChar(nStart);
    const POINT ptLast = PosFromChar(nEnd - 1);
    SIZE size{};
    {
        // Measured as the control's device context comes, with its default font.
        CClientDC dc(m_hWnd);
        CEditBufferLock lock(*this);
        if (lock.Get())
            ::GetTextExtentPoint32W(dc.Get(), lock.Get() + nEnd - 1, 1, &size);
    }
    // For a selection whose last character lies left of its first this is empty.
    return RECT{ptFirst.x, ptFirst.y, ptLast.x + size.cx, ptLast.y + size.cy};
}

void CTessarinView::OnLButtonDown(UINT, POINT point) {
    int nStart = 0, nEnd = 0;
    GetSel(nStart, nEnd);
    if (nStart == nEnd) {
        Default();
        return;
    }
    const RECT rc = SelectionHitRect(nStart, nEnd);
    if (!::PtInRect(&rc, point)) {
        Default();
        return;
    }
    // A press inside the selection drags it only once the pointer has moved past the drag
    // threshold; a plain click puts the caret where it was clicked.
    MSG msgUp{};
    switch (FollowPress(m_hWnd, point, msgUp)) {
    case PressResult::Click:
        // The control gets the press, and its release, which has already happened.
        Default();
        DefWindowProc(WM_LBUTTONUP, msgUp.wParam, msgUp.lParam);
        return;
    case PressResult::Cancel: return;
    case PressResult::Drag: break;
    }
    // The text dragged out, and removed on a move, holds whole surrogate pairs.
    const EditRange sel = SelectionOfWholePairs();
    if (sel.start != nStart || sel.end != nEnd) {
        nStart = sel.start;
        nEnd = sel.end;
        SetSel(nStart, nEnd, false);
    }
    std::wstring strText;
    {
        CEditBufferLock lock(*this);
        if (!lock.Get())
            return;
        strText.assign(lock.Get() + nStart, lock.Get() + nEnd);
    }
    // OLE runs its own loop until the button goes up; the click never reaches the control.
    m_bDraggingOut = true;
    const DWORD dwEffect = DragText(strText, DROPEFFECT_COPY | DROPEFFECT_MOVE);
    m_bDraggingOut = false;
    if (dwEffect == DROPEFFECT_MOVE)
        RecordInsertion(L"", -1, -1, true);
}

DWORD CTessarinView::OnDragEnter(IDataObject* pDataObject, DWORD dwKeyState, POINT point) {
    FORMATETC format = UnicodeTextFormat();
    m_bDropAllowed = pDataObject && pDataObject->QueryGetData(&format) == S_OK;
    return OnDragOver(pDataObject, dwKeyState, point);
}

DWORD CTessarinView::OnDragOver(IDataObject*, DWORD dwKeyState, POINT) {
    // The selection dragged over its own view would only replace itself (a drop replaces the
    // selection, not the drop point): refused, so neither the text nor the history changes.
    if (!m_bDropAllowed || m_bDraggingOut)
        return DROPEFFECT_NONE;
    return (dwKeyState & MK_ALT) ? DROPEFFECT_MOVE : DROPEFFECT_COPY;
}

bool CTessarinView::OnDrop(IDataObject* pDataObject, DWORD, POINT) {
    std::wstring strText;
    if (!GetUnicodeText(pDataObject, strText))
        return false;
    RecordInsertion(strText.c_str(), -1, -1, true);
    return true;
}

// ---- File watch ---------------------------------------------------------------------------------

void CTessarinView::StartFileWatch(const std::wstring& strPath) {
    if (m_nWatchTimer != 0 || strPath.empty() || !m_hWnd)
        return;
    m_nWatchTimer = ::SetTimer(m_hWnd, kWatchTimerId, kWatchIntervalMs, nullptr);
    m_strWatchPath = strPath;
    m_fileData = WIN32_FILE_ATTRIBUTE_DATA{};
    ::GetFileAttributesExW(strPath.c_str(), GetFileExInfoStandard, &m_fileData);
}

void CTessarinView::StopFileWatch() {
    if (m_nWatchTimer != 0 && m_hWnd)
        ::KillTimer(m_hWnd, m_nWatchTimer);
    m_nWatchTimer = 0;
}

void CTessarinView::OnTimer(UINT_PTR nIDEvent) {
    if (m_nWatchTimer == 0 || nIDEvent != m_nWatchTimer) {
        Default(); // the control's own timers
        return;
    }
    // The path the watch was started with is the document's path: the document restarts the
    // watch whenever its path changes.
    const std::wstring strPath = m_strWatchPath;
    if (::GetFileAttributesW(strPath.c_str()) == INVALID_FILE_ATTRIBUTES) {
        // Gone or out of reach: the text on screen is now the only copy.
        if (CDocument* pDoc = GetDocument())
            pDoc->SetModifiedFlag(true);
        return;
    }
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!::GetFileAttributesExW(strPath.c_str(), GetFileExInfoStandard, &data))
        return;
    if (!SameWriteTime(data.ftLastWriteTime, m_fileData.ftLastWriteTime)) {
        PostMessage(WM_FILECHANGED);
        m_fileData = data;
    }
}

void CTessarinView::OnFileChanged() {
    // Ticks go on while the question is shown; a second change then asks nothing.
    if (m_bPromptOpen)
        return;
    const std::wstring strPath = m_strWatchPath;
    m_bPromptOpen = true;
    int nAnswer = AfxMessageBox(FormatStringS(IDS_FILE_CHANGED_RELOAD, strPath), MB_YESNO | MB_ICONQUESTION, 0);
    if (nAnswer == IDYES) {
        if (CWinApp* pApp = AfxGetApp())
            pApp->OpenDocumentFile(strPath.c_str());
    }
    m_bPromptOpen = false;
}
