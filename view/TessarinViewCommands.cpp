// CTessarinView: creation from the stored settings and their storing at the end, the word-wrap
// command, the file watch's ticks, Go to line, date and time, and the Font dialog.
#include "view/TextControl.h"
#include "view/TessarinView.h"
#include "framework/Document.h"
#include "framework/Dpi.h"
#include "framework/GdiHandles.h"
#include "framework/ModalScope.h"
#include "framework/WaitCursor.h"
#include "res/resource.h"
#include "view/GotoLineDlg.h"
#include <algorithm>
#include <commdlg.h>

namespace {
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

} // namespace

// ---- Creation and end -------------------------------------------------------------------------

bool CTessarinView::PreCreateWindow(CREATESTRUCTW& cs) {
    if (!CEditView::PreCreateWindow(cs))
        return false;
    if (!CTextControl::Register())
        return false;
    cs.lpszClass = CTextControl::kClassName;
    // The word-wrap switch has chosen the style of the control it replaces the old one with.
    if (m_wrap.IsSwitching())
        return true;
    // Word wrap is decided before the control exists: without horizontal scrolling it wraps.
    bool bWrap = false;
    if (ReadWrapSetting(bWrap) && bWrap)
        cs.style &= ~static_cast<LONG>(WS_HSCROLL | ES_AUTOHSCROLL);
    return true;
}

int CTessarinView::OnCreate(CREATESTRUCTW* pCreate) {
    if (CEditView::OnCreate(pCreate) == -1)
        return -1;
    // The control's default limit would silently cut typing and pasting short of what was
    // recorded.
    RaiseTextLimit();
    // A control that replaces the old one for word wrap takes the font and the rest from the
    // switch and the view as they are.
    if (m_wrap.IsSwitching())
        return 0;
    m_dragDrop.Register();
    m_settings = DefaultViewSettings();
    ApplyStoredFont();
    if (m_bDefaultFont)
        OnDpiChanged();
    return 0;
}

void CTessarinView::ApplyStoredFont() {
    // On a first run (no key) the control keeps its own font; the defaults are stored at the end
    // and take effect on the next run.
    if (!ReadViewSettings(m_settings))
        return;
    m_bDefaultFont = false;
    MakeSettingsFont();
}

bool CTessarinView::MakeSettingsFont() {
    // The size is in points: the font is made for the DPI of the monitor the window is on.
    const UINT nDpi = GetWindowDpi(m_hWnd);
    LOGFONTW lf = m_settings.m_lf;
    lf.lfHeight = FontHeightFromPointSize(m_settings.m_nPointSize, static_cast<int>(nDpi));
    lf.lfWidth = 0;
    CFontHandle hFont(::CreateFontIndirectW(&lf));
    if (!hFont)
        return false;
    SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(hFont.Get()), TRUE);
    m_hFont = std::move(hFont); // the old font goes only once the control has let go of it
    m_nFontDpi = nDpi;
    return true;
}

void CTessarinView::OnDpiChanged() {
    const UINT nDpi = GetWindowDpi(m_hWnd);
    if (m_bDefaultFont && nDpi == kDefaultDpi) {
        // At 96 DPI the control's own stock font is right again.
        if (m_hFont) {
            SendMessage(WM_SETFONT, 0, TRUE);
            m_hFont.Close();
        }
        return;
    }
    // The stock font is a bitmap font made for 96 DPI, cut off or blurred at any other: there the
    // control shows the default font of the settings (the one the next run starts with) instead.
    if (!m_hFont || nDpi != m_nFontDpi)
        MakeSettingsFont();
}

void CTessarinView::OnDestroy() {
    StoreSettings();
    StopFileWatch();
    m_dragDrop.Revoke();
    CEditView::OnDestroy();
    ClearHistory(false);
}

void CTessarinView::StoreSettings() {
    m_settings.m_bWrap = IsWordWrap();
    WriteViewSettings(m_settings);
}

void CTessarinView::ToggleWordWrap() {
    // What hangs on the window goes with it: the drop target is registered again on whichever
    // control the view has now, and the watch's timer moves to the new control.
    m_dragDrop.Revoke();
    const bool bReplaced = m_wrap.Toggle();
    m_dragDrop.Register();
    if (bReplaced) {
        m_watch.MoveTo(m_hWnd);
        ClearHistory(IsDocumentModified());
    }
}

void CTessarinView::OnTimer(UINT_PTR nIDEvent) {
    if (!m_watch.IsTick(nIDEvent)) {
        Default(); // the control's own timers
        return;
    }
    switch (m_watch.Check()) {
    case CFileWatch::Change::Gone:
        // Gone or out of reach: the text on screen is now the only copy.
        if (CDocument* pDoc = GetDocument())
            pDoc->SetModifiedFlag(true);
        break;
    case CFileWatch::Change::Rewritten: PostMessage(WM_FILECHANGED); break;
    case CFileWatch::Change::None: break;
    }
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
        // The control keeps a caret a program puts between the halves of a surrogate pair, and the
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
    // The font dialog measures sizes at the system DPI, the window's font is at its monitor's.
    if (m_hFont) {
        lf.lfHeight = RescaleForDpi(lf.lfHeight, m_nFontDpi, GetSystemDpi());
        lf.lfWidth = 0;
    }
    CHOOSEFONTW cf{};
    cf.lStructSize = sizeof cf;
    cf.lpLogFont = &lf;
    cf.Flags = CF_SCREENFONTS | CF_INITTOLOGFONTSTRUCT;
    bool bChosen = false;
    {
        CModalScope modal;
        cf.hwndOwner = modal.Owner() ? modal.Owner() : ::GetAncestor(m_hWnd, GA_ROOT);
        bChosen = ::ChooseFontW(&cf) != FALSE;
    }
    if (bChosen)
        SetScreenFont(lf, cf.iPointSize);
}

bool CTessarinView::SetScreenFont(const LOGFONTW& lf, int nPointSize) {
    // The description is at the system DPI, as the font dialog gives it; the window may be on a
    // monitor of another.
    const UINT nDpi = GetWindowDpi(m_hWnd);
    LOGFONTW lfShown = lf;
    lfShown.lfHeight = RescaleForDpi(lf.lfHeight, GetSystemDpi(), nDpi);
    lfShown.lfWidth = RescaleForDpi(lf.lfWidth, GetSystemDpi(), nDpi);
    CFontHandle hFont(::CreateFontIndirectW(&lfShown));
    if (!hFont)
        return false;
    CWaitCursor wait;
    SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(hFont.Get()), TRUE);
    m_hFont = std::move(hFont); // the old font goes only once the control has let go of it
    m_nFontDpi = nDpi;
    m_bDefaultFont = false;
    m_settings.m_lf = lf;
    m_settings.m_nPointSize = nPointSize;
    return true;
}
