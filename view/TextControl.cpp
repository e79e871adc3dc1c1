// CTextControl: the window class, its messages, layout of the rows on screen, painting, caret,
// selection by keyboard and mouse, scrolling, the clipboard and the input method.
#include "view/TextControl.h"
#include "view/TextAccessible.h"
#include "framework/Clipboard.h"
#include "framework/GdiHandles.h"
#include "framework/Strings.h"
#include "res/resource.h"
#include <imm.h>
#include <windowsx.h>
#include <algorithm>
#include <cstring>

namespace {
constexpr int kMargin = 2;          // pixels left of the text, so a caret at column 0 shows
constexpr UINT_PTR kScrollTimer = 1; // auto-scroll while the mouse drags outside the text
constexpr UINT kScrollInterval = 50;

bool IsHighSurrogate(wchar_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(wchar_t c) { return c >= 0xDC00 && c <= 0xDFFF; }
bool IsKeyDown(int vk) { return (::GetKeyState(vk) & 0x8000) != 0; }

bool IsWordChar(wchar_t c) {
    return !(c == L' ' || c == L'\t' || c == L'\r' || c == L'\n' || c == 0x3000 ||
             (c < 0x80 && !iswalnum(c) && c != L'_') || (c >= 0x3000 && c <= 0x303F) || (c >= 0xFF01 && c <= 0xFF0F));
}

// The input method context of a window, released at the end of the scope.
class CImc : public CWindowLoan<HIMC, &::ImmReleaseContext> {
public:
    explicit CImc(HWND hWnd) : CWindowLoan(hWnd, ::ImmGetContext(hWnd)) {}
};
} // namespace

bool CTextControl::Register() {
    WNDCLASSEXW wc{sizeof(wc)};
    HINSTANCE hInstance = ::GetModuleHandleW(nullptr);
    if (::GetClassInfoExW(hInstance, kClassName, &wc))
        return true;
    wc = WNDCLASSEXW{sizeof(wc)};
    wc.style = CS_DBLCLKS | CS_GLOBALCLASS;
    wc.lpfnWndProc = &CTextControl::WndProc;
    wc.cbWndExtra = sizeof(CTextControl*);
    wc.hInstance = hInstance;
    wc.hCursor = ::LoadCursorW(nullptr, IDC_IBEAM);
    wc.lpszClassName = kClassName;
    return ::RegisterClassExW(&wc) != 0;
}

unsigned CTextControl::NewStamp() {
    // One sequence for every control of the (single GUI) thread; 0 is skipped when it wraps.
    static unsigned s_nLast = 0;
    if (++s_nLast == 0)
        ++s_nLast;
    return s_nLast;
}

CTextControl::CTextControl(HWND hWnd) : m_hWnd(hWnd), m_dcMeasure(::CreateCompatibleDC(nullptr)) {}

HGDIOBJ CTextControl::Font() const {
    // Without a font of its own the control shows the system font, as the EDIT control does.
    return m_hFont ? static_cast<HGDIOBJ>(m_hFont) : ::GetStockObject(SYSTEM_FONT);
}

LRESULT CALLBACK CTextControl::WndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* pThis = reinterpret_cast<CTextControl*>(::GetWindowLongPtrW(hWnd, 0));
    if (message == WM_NCCREATE) {
        pThis = new (std::nothrow) CTextControl(hWnd);
        if (!pThis || !pThis->m_store.IsValid() || !pThis->m_dcMeasure) {
            delete pThis;
            return FALSE;
        }
        ::SetWindowLongPtrW(hWnd, 0, reinterpret_cast<LONG_PTR>(pThis));
    }
    if (!pThis)
        return ::DefWindowProcW(hWnd, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        ::SetWindowLongPtrW(hWnd, 0, 0);
        delete pThis;
        return ::DefWindowProcW(hWnd, message, wParam, lParam);
    }
    return pThis->OnMessage(message, wParam, lParam);
}

bool CTextControl::IsQuietMessage(UINT message) {
    // Selections, replacements and questions about the text that do not show where the caret is.
    switch (message) {
    case EM_SETSEL:
    case EM_GETSEL:
    case EM_REPLACESEL:
    case EM_SCROLLCARET:
    case EM_LINEFROMCHAR:
    case EM_LINEINDEX:
    case EM_LINELENGTH:
    case EM_GETLINECOUNT:
    case EM_GETLINE:
    case EM_GETFIRSTVISIBLELINE:
    case EM_POSFROMCHAR:
    case EM_GETMODIFY:
    case EM_SETMODIFY:
    case EM_CANUNDO:
    case WM_GETTEXTLENGTH:
    case WM_GETTEXT:
    case kMsgReadRange:
    case kMsgPeekRange:
    case kMsgWholeCharacters:
    case kGetChangeStamp: return true;
    default: return false;
    }
}

LRESULT CTextControl::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (m_bCaretPending && !IsQuietMessage(message))
        UpdateCaret();
    switch (message) {
    case kMsgPlaceCaret: return 0; // placed above, when it was pending
    case WM_SETREDRAW:
        // Off, edits and scrolling change nothing on the screen: no rows invalidated, no scroll
        // bars set (each a call into Wine's server). Back on, all of it is shown at once.
        m_bRedraw = wParam != 0;
        if (m_bRedraw) {
            UpdateScrollBars();
            Invalidate();
        }
        return 0;
    case WM_NCCREATE: {
        // The window name is the first text, taken without a change notice, as the EDIT control does.
        auto* pCreate = reinterpret_cast<CREATESTRUCTW*>(lParam);
        if (pCreate->lpszName && !IS_INTRESOURCE(pCreate->lpszName))
            SetText(pCreate->lpszName, false);
        // The default handling would keep a second copy of the name as the window's title (under
        // Wine, in the server: a word-wrap switch of 100 MB sent it all there). The text is ours.
        CREATESTRUCTW create = *pCreate;
        create.lpszName = nullptr;
        ::DefWindowProcW(m_hWnd, message, wParam, reinterpret_cast<LPARAM>(&create));
        return TRUE;
    }
    case WM_CREATE: UpdateScrollBars(); return 0;
    case WM_GETOBJECT: {
        // Screen readers: our own objects for the text and its caret, the system's for the rest.
        const LRESULT lResult = AnswerTextAccessible(m_hWnd, wParam, lParam);
        return lResult ? lResult : ::DefWindowProcW(m_hWnd, message, wParam, lParam);
    }
    case WM_GETDLGCODE: return DLGC_WANTCHARS | DLGC_WANTARROWS | DLGC_HASSETSEL | DLGC_WANTALLKEYS;
    case WM_PAINT: OnPaint(); return 0;
    case WM_ERASEBKGND: return TRUE; // each row paints its own background
    case WM_SIZE:
        if (IsWrapped())
            ForgetLayouts();
        ScrollTo(m_top, m_nXOffset);
        Invalidate();
        return 0;
    case WM_STYLECHANGED: ForgetLayouts(); KeepTopInText(); Invalidate(); return 0;
    case WM_SETFOCUS:
        m_bFocus = true;
        UpdateCaret();
        InvalidateRange(SelStart(), SelEnd());
        Notify(EN_SETFOCUS);
        return 0;
    case WM_KILLFOCUS:
        m_bFocus = false;
        if (m_bCaret)
            ::DestroyCaret();
        m_bCaret = false;
        InvalidateRange(SelStart(), SelEnd());
        Notify(EN_KILLFOCUS);
        return 0;
    case WM_SETFONT: SetFont(reinterpret_cast<HFONT>(wParam), LOWORD(lParam) != 0); return 0;
    case WM_GETFONT: return reinterpret_cast<LRESULT>(m_hFont);
    case WM_GETTEXTLENGTH: return m_store.Length();
    case WM_GETTEXT: {
        if (wParam == 0 || !lParam)
            return 0;
        const int n = std::min(m_store.Length(), static_cast<int>(std::min<WPARAM>(wParam - 1, 0x7FFFFFFE)));
        const std::wstring text = m_store.Text(0, n);
        std::memcpy(reinterpret_cast<wchar_t*>(lParam), text.c_str(), (text.size() + 1) * sizeof(wchar_t));
        return n;
    }
    case WM_SETTEXT: SetText(lParam ? reinterpret_cast<const wchar_t*>(lParam) : L"", true); return TRUE;
    case WM_CHAR: OnChar(static_cast<wchar_t>(wParam)); return 0;
    case WM_IME_CHAR: OnChar(static_cast<wchar_t>(wParam)); return 0;
    case WM_KEYDOWN: OnKeyDown(static_cast<UINT>(wParam)); return 0;
    case WM_LBUTTONDOWN: OnMouseDown(POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}, false); return 0;
    case WM_LBUTTONDBLCLK: OnMouseDown(POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}, true); return 0;
    case WM_MOUSEMOVE: OnMouseMove(POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}); return 0;
    case WM_LBUTTONUP:
    case WM_CAPTURECHANGED:
        if (m_bSelecting) {
            m_bSelecting = false;
            ::KillTimer(m_hWnd, kScrollTimer);
            if (message == WM_LBUTTONUP)
                ::ReleaseCapture();
        }
        return 0;
    case WM_TIMER:
        if (wParam == kScrollTimer)
            OnAutoScroll();
        return 0;
    case WM_CONTEXTMENU: OnContextMenu(POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}); return 0;
    case WM_MOUSEWHEEL: OnWheel(GET_WHEEL_DELTA_WPARAM(wParam)); return 0;
    case WM_VSCROLL: OnVScroll(LOWORD(wParam)); return 0;
    case WM_HSCROLL: OnHScroll(LOWORD(wParam)); return 0;
    case WM_CUT:
        // The text goes only once the clipboard holds it.
        if (!IsReadOnly() && SelStart() != SelEnd() && Copy())
            ReplaceSelection(L"", 0, true);
        return 0;
    case WM_COPY: Copy(); return 0;
    case WM_PASTE: Paste(); return 0;
    case WM_CLEAR:
        if (!IsReadOnly())
            ReplaceSelection(L"", 0, true);
        return 0;
    case WM_IME_STARTCOMPOSITION: OnImeStart(); return ::DefWindowProcW(m_hWnd, message, wParam, lParam);
    case WM_IME_COMPOSITION:
        if (OnImeComposition(lParam))
            return 0;
        return ::DefWindowProcW(m_hWnd, message, wParam, lParam);

    case EM_GETSEL:
        if (wParam)
            *reinterpret_cast<DWORD*>(wParam) = static_cast<DWORD>(SelStart());
        if (lParam)
            *reinterpret_cast<DWORD*>(lParam) = static_cast<DWORD>(SelEnd());
        return MAKELRESULT(std::min(SelStart(), 0xFFFF), std::min(SelEnd(), 0xFFFF));
    case EM_SETSEL: {
        int nStart = static_cast<int>(wParam), nEnd = static_cast<int>(lParam);
        if (nStart == -1) { // removes the selection, the caret stays
            SetSel(m_nCaret, m_nCaret, false);
            return 0;
        }
        if (nEnd < 0 || nEnd > m_store.Length())
            nEnd = m_store.Length();
        SetSel(std::clamp(nStart, 0, m_store.Length()), nEnd, false);
        return 0;
    }
    case EM_SCROLLCARET: ScrollCaret(); return TRUE;
    case EM_REPLACESEL: {
        auto* psz = reinterpret_cast<const wchar_t*>(lParam);
        if (psz)
            ReplaceSelection(psz, static_cast<int>(wcslen(psz)), true);
        return 0;
    }
    case EM_GETHANDLE: return reinterpret_cast<LRESULT>(m_store.ContiguousHandle());
    case kMsgReadRange: {
        auto* pRange = reinterpret_cast<ReadRange*>(lParam);
        if (!pRange || !pRange->pBuffer)
            return 0;
        const std::wstring text = m_store.Text(pRange->nStart, pRange->nEnd);
        std::memcpy(pRange->pBuffer, text.c_str(), (text.size() + 1) * sizeof(wchar_t));
        return static_cast<LRESULT>(text.size());
    }
    case kMsgPeekRange: {
        auto* pRange = reinterpret_cast<PeekRange*>(lParam);
        if (!pRange)
            return 0;
        const int nStart = std::clamp(pRange->nStart, 0, m_store.Length());
        const int nEnd = std::clamp(pRange->nEnd, nStart, m_store.Length());
        pRange->pText = m_store.ContiguousRange(nStart, nEnd);
        return nEnd - nStart;
    }
    case kMsgWholeCharacters: {
        auto* pnStart = reinterpret_cast<int*>(wParam);
        auto* pnEnd = reinterpret_cast<int*>(lParam);
        if (pnStart)
            *pnStart = m_store.FloorBoundary(std::clamp(*pnStart, 0, m_store.Length()));
        if (pnEnd)
            *pnEnd = m_store.CeilBoundary(std::clamp(*pnEnd, 0, m_store.Length()));
        return TRUE;
    }
    case EM_SETHANDLE: Adopt(reinterpret_cast<HLOCAL>(wParam)); return 0;
    case EM_GETLINECOUNT: return m_store.LineCount();
    case EM_LINEFROMCHAR: {
        // -1: the line of the selection's start, as the EDIT control answers
        int nOffset = static_cast<int>(wParam);
        return m_store.LineFromOffset(nOffset < 0 ? SelStart() : nOffset);
    }
    case EM_LINEINDEX: {
        int nLine = static_cast<int>(wParam);
        return m_store.LineStart(nLine < 0 ? m_store.LineFromOffset(m_nCaret) : nLine);
    }
    case EM_LINELENGTH: {
        int nOffset = static_cast<int>(wParam);
        int nLine = m_store.LineFromOffset(nOffset < 0 ? m_nCaret : nOffset);
        return m_store.LineEnd(nLine) - m_store.LineStart(nLine);
    }
    case EM_GETLINE: {
        // The buffer's first unit holds its size in characters; the line is copied without a
        // terminating zero, as far as it fits.
        auto* p = reinterpret_cast<wchar_t*>(lParam);
        const int nLine = static_cast<int>(wParam);
        if (!p || nLine < 0 || nLine >= m_store.LineCount())
            return 0;
        const int nStart = m_store.LineStart(nLine);
        const std::wstring line = m_store.Text(nStart, std::min(m_store.LineEnd(nLine), nStart + *p));
        std::memcpy(p, line.data(), line.size() * sizeof(wchar_t));
        return static_cast<LRESULT>(line.size());
    }
    case EM_GETFIRSTVISIBLELINE: return m_top.nLine;
    case EM_LINESCROLL: {
        // Lines are the file's lines, wrapped or not, as EM_GETFIRSTVISIBLELINE counts them.
        const RowPos top = lParam ? RowPos{m_top.nLine + static_cast<int>(lParam), 0} : m_top;
        ScrollTo(top, m_nXOffset + static_cast<int>(wParam) * m_nAveCharWidth);
        return TRUE;
    }
    case EM_POSFROMCHAR: {
        int nOffset = static_cast<int>(wParam);
        if (nOffset < 0 || nOffset > m_store.Length())
            return -1;
        POINT pt = PosFromChar(nOffset);
        return MAKELRESULT(static_cast<WORD>(static_cast<short>(pt.x)), static_cast<WORD>(static_cast<short>(pt.y)));
    }
    case EM_CHARFROMPOS: {
        int nOffset = CharFromPos(POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
        return MAKELRESULT(nOffset & 0xFFFF, m_store.LineFromOffset(nOffset) & 0xFFFF);
    }
    case EM_LIMITTEXT: m_nLimit = wParam == 0 || wParam > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(wParam); return 0;
    case EM_GETLIMITTEXT: return m_nLimit;
    case EM_SETTABSTOPS:
        m_nTabStops = wParam == 0 ? 32 : std::max(1, *reinterpret_cast<const int*>(lParam));
        ForgetLayouts();
        KeepTopInText();
        Invalidate();
        return TRUE;
    case EM_GETMODIFY: return m_bModify;
    case EM_SETMODIFY: m_bModify = wParam != 0; return 0;
    case EM_SETREADONLY: {
        LONG style = ::GetWindowLongW(m_hWnd, GWL_STYLE);
        ::SetWindowLongW(m_hWnd, GWL_STYLE, wParam ? style | ES_READONLY : style & ~ES_READONLY);
        return TRUE;
    }
    case kGetChangeStamp: return m_nChangeStamp;
    case EM_GETRECT:
        if (lParam)
            *reinterpret_cast<RECT*>(lParam) = TextRect();
        return 0;
    // The program keeps its own history: the control has no undo of its own.
    case EM_CANUNDO:
    case EM_UNDO:
    case WM_UNDO:
    case EM_EMPTYUNDOBUFFER: return 0;
    default: return ::DefWindowProcW(m_hWnd, message, wParam, lParam);
    }
}

// ---- text changes ----

void CTextControl::Notify(WORD wCode) {
    HWND hParent = ::GetParent(m_hWnd);
    if (hParent)
        ::SendMessageW(hParent, WM_COMMAND, MAKEWPARAM(::GetDlgCtrlID(m_hWnd), wCode),
                       reinterpret_cast<LPARAM>(m_hWnd));
}

void CTextControl::ReplaceRange(int nStart, int nEnd, const wchar_t* p, int n, bool bNotify) {
    if (nStart == nEnd && n == 0)
        return; // nothing changes, and nobody is told it did
    const int nFirstLine = m_store.LineFromOffset(nStart);
    const int nOldLast = m_store.LineFromOffset(std::max(nStart, nEnd));
    const int nOldLines = m_store.LineCount();
    if (!m_store.Replace(nStart, nEnd, p, n)) {
        // No memory for the new text: the old text stays whole, and the user hears it.
        ::MessageBeep(MB_ICONHAND);
        Notify(EN_ERRSPACE);
        return;
    }
    if (m_store.LineCount() == nOldLines) {
        for (int l = nFirstLine, nLast = m_store.LineFromOffset(nStart + n); l <= nLast; ++l)
            m_layouts.erase(l);
    } else {
        m_layouts.clear(); // the lines after the edit have new numbers
    }
    SpliceRowCounts(nFirstLine, nOldLast, m_store.LineFromOffset(nStart + n));
    m_bModify = true;
    m_nChangeStamp = NewStamp();
    const int nCaret = nStart + n;
    m_nAnchor = m_nCaret = nCaret;
    m_nPreferredX = -1;
    KeepTopInText();
    // Only the rows from the edit down change, unless lines came or went.
    if (m_store.LineCount() == nOldLines) {
        RECT rc;
        ::GetClientRect(m_hWnd, &rc);
        POINT pt = PosFromChar(m_store.LineStart(nFirstLine));
        rc.top = std::max<LONG>(rc.top, pt.y);
        if (!IsWrapped())
            rc.bottom = std::min<LONG>(rc.bottom, pt.y + m_nLineHeight);
        Invalidate(&rc);
    } else {
        Invalidate();
    }
    UpdateScrollBars();
    ::NotifyWinEvent(EVENT_OBJECT_VALUECHANGE, m_hWnd, OBJID_CLIENT, CHILDID_SELF);
    if (bNotify) {
        Notify(EN_UPDATE);
        Notify(EN_CHANGE);
    }
}

void CTextControl::ReplaceSelection(const wchar_t* p, int n, bool bNotify) {
    ReplaceRange(SelStart(), SelEnd(), p, n, bNotify);
    ScrollCaret();
    UpdateCaretLater();
}

void CTextControl::SetText(const wchar_t* psz, bool bNotify) {
    ReplaceRange(0, m_store.Length(), psz, static_cast<int>(wcslen(psz)), bNotify);
    m_nWidest = 0;
    m_bModify = false;
    m_top = RowPos{};
    m_nXOffset = 0;
    SetSel(0, 0, false);
    UpdateScrollBars();
    Invalidate();
}

bool CTextControl::Adopt(HLOCAL hText) {
    // The block given up is not freed: whoever swaps blocks took it with EM_GETHANDLE and frees it.
    HLOCAL hOld = nullptr;
    if (!m_store.Adopt(hText, &hOld))
        return false;
    ForgetLayouts();
    m_nWidest = 0;
    m_bModify = false;
    m_nChangeStamp = NewStamp();
    m_top = RowPos{};
    m_nXOffset = 0;
    m_nAnchor = m_nCaret = 0;
    m_nPreferredX = -1;
    UpdateScrollBars();
    UpdateCaret();
    Invalidate();
    return true;
}

// ---- selection and caret ----

void CTextControl::SetSel(int nAnchor, int nCaret, bool bScroll) {
    const int nOldStart = SelStart(), nOldEnd = SelEnd();
    if (nAnchor != m_nAnchor || nCaret != m_nCaret)
        m_nChangeStamp = NewStamp();
    m_nAnchor = nAnchor;
    m_nCaret = nCaret;
    // Only what changed is repainted: the two stretches between the old and new ends.
    if (nOldStart != nOldEnd || SelStart() != SelEnd()) {
        InvalidateRange(std::min(nOldStart, SelStart()), std::max(nOldStart, SelStart()));
        InvalidateRange(std::min(nOldEnd, SelEnd()), std::max(nOldEnd, SelEnd()));
    }
    if (bScroll)
        ScrollCaret();
    UpdateCaretLater();
}

void CTextControl::MoveCaret(int nOffset, bool bExtend, bool bKeepColumn) {
    const int nPreferredX = m_nPreferredX;
    SetSel(bExtend ? m_nAnchor : nOffset, nOffset, true);
    m_nPreferredX = bKeepColumn ? nPreferredX : -1;
}

void CTextControl::UpdateCaretLater() {
    if (!m_bFocus || m_bCaretPending)
        return; // no caret to place, or it is placed before anything shows it
    // A hidden control (printing from the command line opens the file in a hidden window) places
    // it at once, as before: with the placement posted there, printing never ended.
    if (!::IsWindowVisible(m_hWnd))
        return UpdateCaret();
    // Posted once a run: the message loop comes to it before it paints or takes the next input.
    m_bCaretPending = true;
    if (!::PostMessageW(m_hWnd, kMsgPlaceCaret, 0, 0))
        UpdateCaret(); // a full queue: at once, as before
}

void CTextControl::UpdateCaret() {
    m_bCaretPending = false;
    if (!m_bFocus)
        return;
    if (!m_bCaret) {
        ::CreateCaret(m_hWnd, nullptr, std::max(1, ::GetSystemMetrics(SM_CXBORDER)), m_nLineHeight);
        m_bCaret = true;
        ::ShowCaret(m_hWnd);
    }
    POINT pt = PosFromChar(m_nCaret);
    ::SetCaretPos(pt.x, pt.y);
    // The input method's window follows the caret.
    CImc imc(m_hWnd);
    if (imc.Get()) {
        COMPOSITIONFORM form{CFS_POINT, pt, {}};
        ::ImmSetCompositionWindow(imc.Get(), &form);
    }
}

void CTextControl::Invalidate(const RECT* pRect) {
    if (m_bRedraw)
        ::InvalidateRect(m_hWnd, pRect, FALSE);
}

void CTextControl::InvalidateRange(int nStart, int nEnd) {
    if (nStart >= nEnd)
        return;
    RECT rc;
    ::GetClientRect(m_hWnd, &rc);
    const int nFirst = m_store.LineFromOffset(nStart), nLast = m_store.LineFromOffset(nEnd);
    if (nLast < m_top.nLine)
        return;
    const POINT ptStart = PosFromChar(m_store.LineStart(std::max(nFirst, m_top.nLine)));
    rc.top = std::max<LONG>(rc.top, ptStart.y);
    if (!IsWrapped() && nLast - m_top.nLine < VisibleRows() + 1)
        rc.bottom = std::min<LONG>(rc.bottom, (nLast - m_top.nLine + 1) * m_nLineHeight);
    if (rc.top < rc.bottom)
        Invalidate(&rc);
}

// ---- layout ----

void CTextControl::SetFont(HFONT hFont, bool bRedraw) {
    m_hFont = hFont;
    CSelectObject font(m_dcMeasure.Get(), Font());
    TEXTMETRICW tm{};
    ::GetTextMetricsW(m_dcMeasure.Get(), &tm);
    m_nLineHeight = std::max<int>(1, tm.tmHeight);
    m_nAveCharWidth = std::max<int>(1, tm.tmAveCharWidth);
    m_nSampleWidth = m_nSampleChars = 0; // another font: other widths
    m_widths.clear();
    m_bWidthsUnreliable = false;
    ForgetLayouts();
    KeepTopInText();
    m_nWidest = 0;
    if (m_bCaret) {
        ::DestroyCaret();
        m_bCaret = false;
    }
    UpdateScrollBars();
    UpdateCaret();
    if (bRedraw)
        Invalidate();
}

const CTextControl::Layout& CTextControl::LayoutOf(int nLine) {
    auto it = m_layouts.find(nLine);
    if (it != m_layouts.end())
        return it->second;
    // Only lines near the screen are kept: a long scroll would otherwise keep every line it passed.
    if (m_layouts.size() > 512)
        m_layouts.clear();
    Layout& layout = m_layouts[nLine];
    const int nStart = m_store.LineStart(nLine);
    layout.text = m_store.Text(nStart, m_store.LineEnd(nLine));
    const int n = static_cast<int>(layout.text.size());
    layout.x.assign(static_cast<size_t>(n) + 1, 0);
    const int nTab = std::max(1, m_nTabStops * m_nAveCharWidth / 4);
    // The font is selected only while measuring: the view may delete its old font at any time.
    CSelectObject font(m_dcMeasure.Get(), Font());
    std::vector<int> dx;
    int x = 0;
    for (int i = 0; i < n;) {
        if (layout.text[i] == L'\t') {
            x = (x / nTab + 1) * nTab;
            layout.x[++i] = x;
            continue;
        }
        int j = i;
        bool bKnown = true; // every character's width is in the table
        while (j < n && layout.text[j] != L'\t') {
            bKnown = bKnown && KnownWidth(layout.text[j]) >= 0;
            ++j;
        }
        if (bKnown) {
            for (int k = i; k < j; ++k)
                layout.x[k + 1] = x += KnownWidth(layout.text[k]);
            i = j;
            continue;
        }
        dx.assign(static_cast<size_t>(j - i), 0);
        SIZE size{};
        ::GetTextExtentExPointW(m_dcMeasure.Get(), layout.text.c_str() + i, j - i, 0, nullptr, dx.data(), &size);
        for (int k = 0; k < j - i; ++k)
            layout.x[i + k + 1] = x + dx[k];
        LearnWidths(layout.text.c_str() + i, dx, size.cx);
        // The first half of a pair gets the pair's left edge, so nothing ever stands inside it.
        for (int k = i; k + 1 < j; ++k)
            if (IsHighSurrogate(layout.text[k]) && IsLowSurrogate(layout.text[k + 1]))
                layout.x[k + 1] = layout.x[k];
        x += size.cx;
        layout.x[j] = x;
        i = j;
    }
    m_nWidest = std::max(m_nWidest, x);
    layout.rows.assign(1, 0);
    if (IsWrapped()) {
        WrapRows(layout);
        // The line's rows are known now: the scroll bar's count of rows takes them in place of
        // its estimate, and the width per character teaches the estimate of the lines not laid out.
        m_nSampleWidth += x;
        m_nSampleChars += n;
        if (m_bRowsValid && nLine < static_cast<int>(m_rowCounts.size())) {
            const int nRows = static_cast<int>(layout.rows.size());
            const int nDelta = nRows - m_rowCounts[static_cast<size_t>(nLine)];
            m_nTotalRows += nDelta;
            if (nLine < m_nBeforeLine)
                m_nBefore += nDelta;
            m_rowCounts[static_cast<size_t>(nLine)] = nRows;
        }
    }
    return layout;
}

namespace {
// Characters whose advance in GDI does not depend on their neighbours: no combining marks, no
// surrogates, no control characters, no scripts that are shaped (where Windows' GDI measures a
// run through its complex-script support, not glyph by glyph).
bool HasOwnWidth(wchar_t c) {
    return (c >= 0x20 && c < 0x7F) || (c >= 0xA0 && c < 0x300) || (c >= 0x370 && c < 0x483) ||
           (c >= 0x48A && c < 0x530) || (c >= 0x2010 && c < 0x2028) || (c >= 0x2030 && c < 0x2060) ||
           (c >= 0x2100 && c < 0x2C00) || (c >= 0x2E80 && c < 0x302A) || (c >= 0x3030 && c < 0x3099) ||
           (c >= 0x309B && c < 0xA000) || (c >= 0xAC00 && c < 0xD7A4) || (c >= 0xF900 && c < 0xFB00) ||
           (c >= 0xFF01 && c < 0xFFF0);
}
} // namespace

int CTextControl::KnownWidth(wchar_t c) const {
    return m_widths.empty() ? -1 : m_widths[c];
}

void CTextControl::LearnWidths(const wchar_t* p, const std::vector<int>& dx, int nTotal) {
    // A run GDI measured gives each character's advance, when it is the sum of its characters'.
    if (dx.empty() || m_bWidthsUnreliable)
        return;
    if (dx.back() != nTotal) {
        m_bWidthsUnreliable = true; // overhangs or spacing of this font: measure every run
        m_widths.clear();
        return;
    }
    for (size_t k = 0; k < dx.size(); ++k)
        if (!HasOwnWidth(p[k]))
            return;
    if (m_widths.empty())
        m_widths.assign(0x10000, -1);
    for (size_t k = 0; k < dx.size(); ++k) {
        const int nWidth = dx[k] - (k > 0 ? dx[k - 1] : 0);
        if (nWidth < 0 || nWidth > 0x7FFF)
            return;
        m_widths[p[k]] = static_cast<short>(nWidth);
    }
}

bool CTextControl::IsNoBreakBefore(wchar_t c) {
    // Closing brackets and quotes, small kana and iteration marks, the prolonged sound mark,
    // hyphens and dashes, punctuation; the half-width forms too.
    static const wchar_t kChars[] = L"、。，．,.)]}〕〉》」』】〙〗〟’”｠»"
                                    L"ゝゞーァィゥェォッャュョヮヵヶぁぃぅぇぉっゃゅょゎゕゖㇰㇱㇲㇳㇴㇵㇶㇷㇸㇹㇺㇻㇼㇽㇾㇿ々〻"
                                    L"‐゠–〜？！?!‼⁇⁈⁉・：；:;）］｝｣ｧｨｩｪｫｬｭｮｯｰﾞﾟ゛゜";
    return c != 0 && wcschr(kChars, c) != nullptr;
}

bool CTextControl::IsNoBreakAfter(wchar_t c) {
    static const wchar_t kChars[] = L"([{〔〈《「『【〘〖〝‘“｟«（［｛｢";
    return c != 0 && wcschr(kChars, c) != nullptr;
}

void CTextControl::WrapRows(Layout& layout) const {
    const RECT rc = TextRect();
    const int nWidth = std::max<int>(m_nAveCharWidth, rc.right - rc.left);
    const std::wstring& t = layout.text;
    const int n = static_cast<int>(t.size());
    auto boundary = [&](int i) {
        // Pairs and marks stay with the character before them (the line's own text is enough).
        if (i <= 0 || i >= n)
            return true;
        if (IsLowSurrogate(t[i]) && IsHighSurrogate(t[i - 1]))
            return false;
        return !CTextStore::IsExtender(t[i]) || t[i - 1] == L'\r' || t[i - 1] == L'\n';
    };
    int nRow = 0;
    while (true) {
        // The first boundary whose character no longer fits.
        int nFit = nRow;
        int i = nRow + 1;
        while (i <= n && layout.x[i] - layout.x[nRow] <= nWidth) {
            if (boundary(i))
                nFit = i;
            ++i;
        }
        if (i > n)
            break; // the rest fits
        int nBreak = nFit;
        if (nBreak <= nRow) { // not even one character fits: it takes a row of its own
            nBreak = nRow + 1;
            while (nBreak < n && !boundary(nBreak))
                ++nBreak;
        } else {
            // A blank ends the row where one is; otherwise any character may, except where the
            // line-break rules forbid it. The row never goes empty.
            int nBlank = nBreak;
            while (nBlank > nRow && t[nBlank - 1] != L' ' && t[nBlank - 1] != L'\t' && t[nBlank - 1] < 0x2E80)
                --nBlank;
            if (nBlank > nRow && nBlank < nBreak)
                nBreak = nBlank;
            for (int k = 0; k < 8 && nBreak - 1 > nRow && (IsNoBreakBefore(t[nBreak]) || IsNoBreakAfter(t[nBreak - 1]));
                 ++k) {
                int j = nBreak - 1;
                while (j > nRow && !boundary(j))
                    --j;
                if (j <= nRow)
                    break;
                nBreak = j;
            }
            // Blanks at a row's end hang into the margin, rather than starting the next row.
            while (nBreak < n && t[nBreak] == L' ')
                ++nBreak;
        }
        if (nBreak >= n)
            break;
        layout.rows.push_back(nBreak);
        nRow = nBreak;
    }
}

int CTextControl::RowOf(const Layout& layout, int nInLine) const {
    auto it = std::upper_bound(layout.rows.begin(), layout.rows.end(), nInLine);
    return static_cast<int>(it - layout.rows.begin()) - 1;
}

CTextControl::RowPos CTextControl::Advance(RowPos pos, int nRows) {
    const int nLines = m_store.LineCount();
    if (!IsWrapped()) {
        pos.nLine = std::clamp(pos.nLine + nRows, 0, nLines - 1);
        pos.nRow = 0;
        return pos;
    }
    while (nRows > 0) {
        const int nCount = RowCount(pos.nLine);
        if (pos.nRow + nRows < nCount) {
            pos.nRow += nRows;
            break;
        }
        if (pos.nLine + 1 >= nLines) {
            pos.nRow = nCount - 1;
            break;
        }
        nRows -= nCount - pos.nRow;
        pos = RowPos{pos.nLine + 1, 0};
    }
    while (nRows < 0) {
        if (pos.nRow + nRows >= 0) {
            pos.nRow += nRows;
            break;
        }
        if (pos.nLine == 0) {
            pos.nRow = 0;
            break;
        }
        nRows += pos.nRow + 1;
        pos.nLine -= 1;
        pos.nRow = RowCount(pos.nLine) - 1;
    }
    return pos;
}

int CTextControl::RowsBetween(RowPos from, RowPos to, int nLimit) {
    // Rows from one position down to another, counted up to a limit (beyond it, lines count one).
    if (!IsWrapped())
        return to.nLine - from.nLine;
    int nSign = 1;
    if (to.nLine < from.nLine || (to.nLine == from.nLine && to.nRow < from.nRow)) {
        std::swap(from, to);
        nSign = -1;
    }
    if (from.nLine == to.nLine)
        return nSign * (to.nRow - from.nRow);
    if (to.nLine - from.nLine > nLimit)
        return nSign * (to.nLine - from.nLine);
    int n = RowCount(from.nLine) - from.nRow;
    for (int l = from.nLine + 1; l < to.nLine; ++l)
        n += RowCount(l);
    return nSign * (n + to.nRow);
}

RECT CTextControl::TextRect() const {
    RECT rc;
    ::GetClientRect(m_hWnd, &rc);
    rc.left += kMargin;
    rc.right = std::max(rc.left, rc.right - kMargin);
    return rc;
}

int CTextControl::VisibleRows() const {
    RECT rc;
    ::GetClientRect(m_hWnd, &rc);
    return std::max<int>(1, (rc.bottom - rc.top) / m_nLineHeight);
}

POINT CTextControl::PosFromChar(int nOffset) {
    const int nLine = m_store.LineFromOffset(nOffset);
    const int nInLine = std::min(nOffset, m_store.LineEnd(nLine)) - m_store.LineStart(nLine);
    const int nRows = VisibleRows();
    // Lines far from the screen are not laid out: their y is counted in lines.
    if (nLine < m_top.nLine - nRows || nLine > m_top.nLine + 2 * nRows + 2)
        return POINT{kMargin - m_nXOffset, (nLine - m_top.nLine) * m_nLineHeight};
    const Layout& layout = LayoutOf(nLine);
    const int nRow = RowOf(layout, nInLine);
    const int y = RowsBetween(m_top, RowPos{nLine, nRow}, 3 * nRows) * m_nLineHeight;
    const int x = layout.x[static_cast<size_t>(nInLine)] - layout.x[static_cast<size_t>(layout.rows[nRow])];
    return POINT{kMargin + x - m_nXOffset, y};
}

int CTextControl::CharFromPos(POINT pt) {
    int nRowsDown = pt.y >= 0 ? pt.y / m_nLineHeight : -((-pt.y + m_nLineHeight - 1) / m_nLineHeight);
    const RowPos pos = Advance(m_top, nRowsDown);
    const Layout& layout = LayoutOf(pos.nLine);
    const int nRowStart = layout.rows[pos.nRow];
    const int nRowEnd = pos.nRow + 1 < static_cast<int>(layout.rows.size()) ? layout.rows[pos.nRow + 1]
                                                                              : static_cast<int>(layout.text.size());
    const int x = pt.x - kMargin + m_nXOffset + layout.x[nRowStart];
    // The nearest boundary to x within the row: the one whose edge is closest.
    const int nLineStart = m_store.LineStart(pos.nLine);
    int nBest = nRowStart;
    for (int i = nRowStart; i <= nRowEnd;) {
        if (std::abs(layout.x[i] - x) < std::abs(layout.x[nBest] - x))
            nBest = i;
        if (layout.x[i] > x || i == nRowEnd)
            break;
        i = std::min(m_store.NextBoundary(nLineStart + i) - nLineStart, nRowEnd);
    }
    // A wrapped row's end is the next row's start: the caret stays on the row clicked.
    if (nBest == nRowEnd && nRowEnd < static_cast<int>(layout.text.size()) && nBest > nRowStart)
        nBest = m_store.PrevBoundary(nLineStart + nBest) - nLineStart;
    return m_store.FloorBoundary(nLineStart + nBest);
}

int CTextControl::WordStart(int nOffset) const {
    int i = nOffset;
    while (i > 0 && (m_store.At(i - 1) == L' ' || m_store.At(i - 1) == L'\t'))
        --i;
    if (i > 0 && IsWordChar(m_store.At(i - 1)))
        while (i > 0 && IsWordChar(m_store.At(i - 1)))
            --i;
    else if (i > 0)
        i = m_store.PrevBoundary(i);
    return m_store.FloorBoundary(i);
}

int CTextControl::WordEnd(int nOffset) const {
    const int n = m_store.Length();
    int i = nOffset;
    if (i < n && IsWordChar(m_store.At(i)))
        while (i < n && IsWordChar(m_store.At(i)))
            ++i;
    else if (i < n)
        i = m_store.NextBoundary(i);
    while (i < n && (m_store.At(i) == L' ' || m_store.At(i) == L'\t'))
        ++i;
    return m_store.CeilBoundary(i);
}

// ---- scrolling ----

void CTextControl::ScrollTo(RowPos top, int nX) {
    const int nLines = m_store.LineCount();
    top.nLine = std::clamp(top.nLine, 0, nLines - 1);
    if (!IsWrapped()) {
        // As the EDIT control: the last line may come up to the bottom of the window, no higher.
        top.nLine = std::min(top.nLine, std::max(0, nLines - VisibleRows()));
        top.nRow = 0;
    } else {
        top.nRow = std::clamp(top.nRow, 0, RowCount(top.nLine) - 1);
    }
    const RECT rc = TextRect();
    nX = IsWrapped() ? 0 : std::clamp(nX, 0, std::max(0, m_nWidest - static_cast<int>(rc.right - rc.left) / 2));
    if (top.nLine != m_top.nLine || top.nRow != m_top.nRow || nX != m_nXOffset) {
        m_top = top;
        m_nXOffset = nX;
        Invalidate();
        UpdateCaretLater();
    }
    UpdateScrollBars();
}

void CTextControl::ScrollCaret() {
    const int nLine = m_store.LineFromOffset(m_nCaret);
    const Layout& layout = LayoutOf(nLine);
    const int nInLine = m_nCaret - m_store.LineStart(nLine);
    const RowPos caret{nLine, RowOf(layout, nInLine)};
    const int nX = layout.x[static_cast<size_t>(nInLine)] - layout.x[static_cast<size_t>(layout.rows[caret.nRow])];
    const int nRows = VisibleRows();
    RowPos top = m_top;
    const int nDown = RowsBetween(m_top, caret, 3 * nRows);
    if (nDown < 0)
        top = caret;
    else if (nDown >= nRows)
        top = Advance(caret, -(nRows - 1));
    const RECT rc = TextRect();
    const int nWidth = rc.right - rc.left;
    int x = m_nXOffset;
    if (nX < x)
        x = std::max(0, nX - nWidth / 4);
    else if (nX >= x + nWidth)
        x = nX - nWidth * 3 / 4;
    ScrollTo(top, x);
}

void CTextControl::UpdateScrollBars() {
    if (!m_bRedraw)
        return; // set when drawing comes back on
    const LONG style = ::GetWindowLongW(m_hWnd, GWL_STYLE);
    // Positions are 32-bit: SIF_TRACKPOS is read while the thumb is dragged, so line counts past
    // 65,535 scroll all the way. A bar is set only when it changes, and drawn with the next paint,
    // not at once: Wine draws a bar on each SetScrollInfo that asks for it (10-20 ms), so a run of
    // changes between two paints (Replace pressed over and over) would draw it each time.
    bool bChanged = false;
    auto set = [this, &bChanged](int nBar, ScrollState& last, int nMax, int nPage, int nPos) {
        const ScrollState now{nMax, nPage, nPos};
        if (now.nMax == last.nMax && now.nPage == last.nPage && now.nPos == last.nPos)
            return;
        last = now;
        SCROLLINFO si{sizeof(si), SIF_RANGE | SIF_PAGE | SIF_POS | SIF_DISABLENOSCROLL};
        si.nMin = 0;
        si.nMax = nMax;
        si.nPage = static_cast<UINT>(nPage);
        si.nPos = nPos;
        ::SetScrollInfo(m_hWnd, nBar, &si, FALSE);
        bChanged = true;
    };
    if ((style & WS_VSCROLL) && IsWrapped()) {
        // Rows, wrapped: laid-out lines count their rows, the others an estimate.
        EnsureRowCounts();
        set(SB_VERT, m_vertBar, static_cast<int>(std::max<long long>(0, m_nTotalRows - 1)), VisibleRows(),
            RowsBefore(m_top.nLine) + m_top.nRow);
    } else if (style & WS_VSCROLL) {
        set(SB_VERT, m_vertBar, m_store.LineCount() - 1, VisibleRows(), m_top.nLine);
    }
    if (style & WS_HSCROLL) {
        // The range grows in steps of a quarter of the window: typing at the end of the widest
        // line would otherwise change it, and have the bar drawn, at every keystroke.
        const RECT rc = TextRect();
        const int nWidth = rc.right - rc.left;
        const int nStep = std::max(1, nWidth / 4);
        const int nMax = (m_nWidest + nWidth / 2 + nStep - 1) / nStep * nStep;
        set(SB_HORZ, m_horzBar, IsWrapped() ? 0 : nMax, nWidth, m_nXOffset);
    }
    if (bChanged)
        ::RedrawWindow(m_hWnd, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_NOERASE | RDW_NOCHILDREN);
}

void CTextControl::OnVScroll(int nCode) {
    const int nRows = VisibleRows();
    switch (nCode) {
    case SB_LINEUP: ScrollTo(Advance(m_top, -1), m_nXOffset); break;
    case SB_LINEDOWN: ScrollTo(Advance(m_top, 1), m_nXOffset); break;
    case SB_PAGEUP: ScrollTo(Advance(m_top, -std::max(1, nRows - 1)), m_nXOffset); break;
    case SB_PAGEDOWN: ScrollTo(Advance(m_top, std::max(1, nRows - 1)), m_nXOffset); break;
    case SB_TOP: ScrollTo(RowPos{}, m_nXOffset); break;
    case SB_BOTTOM: {
        // The last row comes to the bottom of the window (the whole last line, when it is tall).
        const int nLast = m_store.LineCount() - 1;
        ScrollTo(Advance(RowPos{nLast, RowCount(nLast) - 1}, -(nRows - 1)), m_nXOffset);
        break;
    }
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: {
        SCROLLINFO si{sizeof(si), SIF_TRACKPOS};
        ::GetScrollInfo(m_hWnd, SB_VERT, &si);
        ScrollTo(IsWrapped() ? RowAt(si.nTrackPos) : RowPos{si.nTrackPos, 0}, m_nXOffset);
        break;
    }
    default: break;
    }
}

void CTextControl::KeepTopInText() {
    // After an edit or a new width the top line may have fewer rows, or be gone.
    if (m_top.nLine >= m_store.LineCount())
        m_top = RowPos{m_store.LineCount() - 1, 0};
    if (m_top.nRow > 0)
        m_top.nRow = std::min(m_top.nRow, RowCount(m_top.nLine) - 1);
}

void CTextControl::ForgetLayouts() {
    m_layouts.clear();
    m_rowCounts.clear();
    m_bRowsValid = false;
}

long long CTextControl::WrapWidth() const {
    const RECT rc = TextRect();
    return std::max<long long>(m_nAveCharWidth, rc.right - rc.left);
}

int CTextControl::EstimateRows(int nLine, long long nWidth) const {
    const long long nChars = m_store.LineEnd(nLine) - m_store.LineStart(nLine);
    // The width of a character as measured on the lines laid out so far (the font's average
    // until then): Japanese text is about twice the average width of a mostly Latin font.
    const long long nPixels =
        m_nSampleChars > 0 ? nChars * m_nSampleWidth / m_nSampleChars : nChars * m_nAveCharWidth;
    return static_cast<int>(std::max<long long>(1, (nPixels + nWidth - 1) / nWidth));
}

void CTextControl::EnsureRowCounts() {
    const int nLines = m_store.LineCount();
    if (m_bRowsValid && static_cast<int>(m_rowCounts.size()) == nLines)
        return;
    // One pass over the line index, no text read: the lines laid out give their rows, the others
    // an estimate from their length.
    m_rowCounts.resize(static_cast<size_t>(nLines));
    const long long nWidth = WrapWidth();
    for (int l = 0; l < nLines; ++l)
        m_rowCounts[static_cast<size_t>(l)] = EstimateRows(l, nWidth);
    for (const auto& [nLine, layout] : m_layouts)
        if (nLine < nLines)
            m_rowCounts[static_cast<size_t>(nLine)] = static_cast<int>(layout.rows.size());
    m_nTotalRows = 0;
    for (int nRows : m_rowCounts)
        m_nTotalRows += nRows;
    m_bRowsValid = true;
    m_bRowsSampled = m_nSampleChars > 0;
    m_nBeforeLine = m_nBefore = 0;
}

void CTextControl::SpliceRowCounts(int nFirst, int nOldLast, int nNewLast) {
    // An edit replaced lines nFirst..nOldLast with nFirst..nNewLast: their counts are estimated
    // again (laying them out refines them), the rest only move.
    if (!m_bRowsValid || nOldLast >= static_cast<int>(m_rowCounts.size()) || nNewLast - nFirst > 4096) {
        m_bRowsValid = false;
        return;
    }
    long long nDelta = 0;
    for (int l = nFirst; l <= nOldLast; ++l)
        nDelta -= m_rowCounts[static_cast<size_t>(l)];
    if (nOldLast != nNewLast) {
        m_rowCounts.erase(m_rowCounts.begin() + nFirst, m_rowCounts.begin() + nOldLast + 1);
        m_rowCounts.insert(m_rowCounts.begin() + nFirst, static_cast<size_t>(nNewLast - nFirst + 1), 1);
    }
    const long long nWidth = WrapWidth();
    for (int l = nFirst; l <= nNewLast; ++l) {
        auto it = m_layouts.find(l);
        const int nRows = it != m_layouts.end() ? static_cast<int>(it->second.rows.size()) : EstimateRows(l, nWidth);
        m_rowCounts[static_cast<size_t>(l)] = nRows;
        nDelta += nRows;
    }
    m_nTotalRows += nDelta;
    // The rows counted before the top line move with the lines after the edit.
    if (nOldLast < m_nBeforeLine) {
        m_nBefore += nDelta;
        m_nBeforeLine += nNewLast - nOldLast;
    } else if (nFirst < m_nBeforeLine) {
        m_nBeforeLine = m_nBefore = 0;
    }
}

int CTextControl::RowsBefore(int nLine) {
    EnsureRowCounts();
    // From the line asked last time (the top line, mostly): scrolling walks only the lines it
    // passes, typing none.
    nLine = std::clamp(nLine, 0, static_cast<int>(m_rowCounts.size()));
    m_nBeforeLine = std::min(m_nBeforeLine, static_cast<int>(m_rowCounts.size()));
    for (; m_nBeforeLine < nLine; ++m_nBeforeLine)
        m_nBefore += m_rowCounts[static_cast<size_t>(m_nBeforeLine)];
    for (; m_nBeforeLine > nLine; --m_nBeforeLine)
        m_nBefore -= m_rowCounts[static_cast<size_t>(m_nBeforeLine - 1)];
    return static_cast<int>(std::min<long long>(m_nBefore, 0x7FFFFFFF));
}

CTextControl::RowPos CTextControl::RowAt(int nRow) {
    // The line holding the nRow-th row as counted by the scroll bar; its rows are then exact.
    EnsureRowCounts();
    const int nLines = static_cast<int>(m_rowCounts.size());
    long long n = 0;
    for (int l = 0; l < nLines; ++l) {
        const int nCount = m_rowCounts[static_cast<size_t>(l)];
        if (n + nCount > nRow || l == nLines - 1)
            return RowPos{l, std::clamp(static_cast<int>(nRow - n), 0, RowCount(l) - 1)};
        n += nCount;
    }
    return RowPos{};
}

void CTextControl::OnHScroll(int nCode) {
    const RECT rc = TextRect();
    const int nWidth = rc.right - rc.left;
    switch (nCode) {
    case SB_LINELEFT: ScrollTo(m_top, m_nXOffset - m_nAveCharWidth); break;
    case SB_LINERIGHT: ScrollTo(m_top, m_nXOffset + m_nAveCharWidth); break;
    case SB_PAGELEFT: ScrollTo(m_top, m_nXOffset - nWidth); break;
    case SB_PAGERIGHT: ScrollTo(m_top, m_nXOffset + nWidth); break;
    case SB_LEFT: ScrollTo(m_top, 0); break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: {
        SCROLLINFO si{sizeof(si), SIF_TRACKPOS};
        ::GetScrollInfo(m_hWnd, SB_HORZ, &si);
        ScrollTo(m_top, si.nTrackPos);
        break;
    }
    default: break;
    }
}

void CTextControl::OnWheel(int nDelta) {
    UINT nLinesPerNotch = 3;
    ::SystemParametersInfoW(SPI_GETWHEELSCROLLLINES, 0, &nLinesPerNotch, 0);
    m_nWheelRest += nDelta;
    const int nNotches = m_nWheelRest / WHEEL_DELTA;
    m_nWheelRest -= nNotches * WHEEL_DELTA;
    if (nNotches == 0)
        return;
    const int nRows = nLinesPerNotch == WHEEL_PAGESCROLL ? VisibleRows() : static_cast<int>(nLinesPerNotch);
    ScrollTo(Advance(m_top, -nNotches * nRows), m_nXOffset);
}

// ---- input ----

void CTextControl::OnChar(wchar_t ch) {
    // The control keys of a multi-line EDIT control, as the messages a subclasser sees first (Copy
    // works read-only too). Like EDIT, Ctrl+A selects nothing: the program has its own Select All.
    switch (ch) {
    case 0x03: return void(::SendMessageW(m_hWnd, WM_COPY, 0, 0));
    case 0x16: return void(::SendMessageW(m_hWnd, WM_PASTE, 0, 0));
    case 0x18: return void(::SendMessageW(m_hWnd, WM_CUT, 0, 0));
    case 0x1A: return void(::SendMessageW(m_hWnd, WM_UNDO, 0, 0));
    default: break;
    }
    if (IsReadOnly())
        return;
    if (ch == L'\b') {
        if (IsKeyDown(VK_CONTROL))
            return;
        if (SelStart() == SelEnd()) {
            if (m_nCaret == 0)
                return;
            // A character goes whole: its pair, its marks, or a line break.
            m_nAnchor = m_store.PrevBoundary(m_nCaret);
        }
        ReplaceSelection(L"", 0, true);
        return;
    }
    std::wstring text;
    if (ch == L'\r' || ch == L'\n')
        text = L"\r\n";
    else if (ch == L'\t' || ch >= 0x20)
        text.assign(1, ch);
    else
        return; // other control characters are no text
    if (m_store.Length() - (SelEnd() - SelStart()) + static_cast<int>(text.size()) > m_nLimit) {
        ::MessageBeep(MB_OK); // refused whole, never cut short
        Notify(EN_MAXTEXT);
        return;
    }
    // A caret left inside a pair by a program types after the pair, never between its halves.
    if (SelStart() == SelEnd() && m_nCaret > 0 && m_nCaret < m_store.Length() &&
        IsHighSurrogate(m_store.At(m_nCaret - 1)) && IsLowSurrogate(m_store.At(m_nCaret)))
        m_nAnchor = m_nCaret = m_nCaret + 1;
    ReplaceSelection(text.c_str(), static_cast<int>(text.size()), true);
}

void CTextControl::OnKeyDown(UINT vk) {
    const bool bShift = IsKeyDown(VK_SHIFT), bCtrl = IsKeyDown(VK_CONTROL);
    const int n = m_store.Length();
    const int nLine = m_store.LineFromOffset(m_nCaret);
    auto vertical = [&](int nRows) {
        const Layout& layout = LayoutOf(nLine);
        const int nInLine = m_nCaret - m_store.LineStart(nLine);
        const int nRow = RowOf(layout, nInLine);
        if (m_nPreferredX < 0)
            m_nPreferredX = layout.x[nInLine] - layout.x[layout.rows[nRow]];
        const int nPreferredX = m_nPreferredX;
        const RowPos target = Advance(RowPos{nLine, nRow}, nRows);
        if (nRows > 0 && target.nLine == nLine && target.nRow == nRow)
            return MoveCaret(n > 0 ? m_store.LineEnd(m_store.LineCount() - 1) : 0, bShift, true);
        if (nRows < 0 && target.nLine == nLine && target.nRow == nRow)
            return MoveCaret(0, bShift, true);
        // The page keys scroll the text by as much as they move the caret; the arrows scroll only
        // to keep the caret on screen. Where the row then is decides the offset.
        if (std::abs(nRows) > 1)
            ScrollTo(Advance(m_top, nRows), m_nXOffset);
        const int nDown = RowsBetween(m_top, target, 3 * VisibleRows());
        if (nDown < 0 || nDown >= VisibleRows())
            ScrollTo(nDown < 0 ? target : Advance(target, 1 - VisibleRows()), m_nXOffset);
        const int nY = RowsBetween(m_top, target, 3 * VisibleRows()) * m_nLineHeight;
        m_nPreferredX = nPreferredX;
        const int nOffset = CharFromPos(POINT{kMargin + nPreferredX - m_nXOffset, nY});
        MoveCaret(nOffset, bShift, true);
    };
    auto rowEdge = [&](bool bEnd) {
        const Layout& layout = LayoutOf(nLine);
        const int nStart = m_store.LineStart(nLine);
        const int nRow = RowOf(layout, m_nCaret - nStart);
        if (!bEnd)
            return nStart + layout.rows[nRow];
        if (nRow + 1 < static_cast<int>(layout.rows.size()))
            return m_store.PrevBoundary(nStart + layout.rows[nRow + 1]);
        return m_store.LineEnd(nLine);
    };
    switch (vk) {
    case VK_LEFT:
        if (!bShift && SelStart() != SelEnd())
            return MoveCaret(SelStart(), false);
        return MoveCaret(bCtrl ? WordStart(m_nCaret) : m_store.PrevBoundary(m_nCaret), bShift);
    case VK_RIGHT:
        if (!bShift && SelStart() != SelEnd())
            return MoveCaret(SelEnd(), false);
        return MoveCaret(bCtrl ? WordEnd(m_nCaret) : m_store.NextBoundary(m_nCaret), bShift);
    case VK_UP: return vertical(-1);
    case VK_DOWN: return vertical(1);
    case VK_PRIOR: return vertical(-std::max(1, VisibleRows() - 1));
    case VK_NEXT: return vertical(std::max(1, VisibleRows() - 1));
    case VK_HOME: return MoveCaret(bCtrl ? 0 : rowEdge(false), bShift);
    case VK_END: return MoveCaret(bCtrl ? n : rowEdge(true), bShift);
    case VK_DELETE:
        if (IsReadOnly())
            return;
        if (bShift && !bCtrl) // Shift+Delete cuts
            return void(::SendMessageW(m_hWnd, WM_CUT, 0, 0));
        if (SelStart() == SelEnd()) {
            if (m_nCaret >= n)
                return;
            m_nAnchor = m_store.NextBoundary(m_nCaret);
        }
        return ReplaceSelection(L"", 0, true);
    case VK_INSERT:
        if (bCtrl && !bShift)
            return void(::SendMessageW(m_hWnd, WM_COPY, 0, 0));
        if (bShift && !bCtrl)
            return void(::SendMessageW(m_hWnd, WM_PASTE, 0, 0));
        return;
    default: return;
    }
}

void CTextControl::OnMouseDown(POINT pt, bool bDouble) {
    if (!m_bFocus)
        ::SetFocus(m_hWnd);
    const int nOffset = CharFromPos(pt);
    m_bWordSelecting = bDouble;
    if (bDouble) {
        // The word under the pointer (and the blanks after it), then dragging goes by words.
        int nStart = WordStart(std::min(m_store.NextBoundary(nOffset), m_store.Length()));
        if (nStart > nOffset)
            nStart = m_store.FloorBoundary(nOffset);
        int nEnd = nOffset < m_store.Length() && IsWordChar(m_store.At(nOffset)) ? WordEnd(nStart) : WordEnd(nOffset);
        if (nEnd < nStart)
            nEnd = nStart;
        m_nWordAnchorStart = nStart;
        m_nWordAnchorEnd = nEnd;
        SetSel(nStart, nEnd, true);
    } else {
        MoveCaret(nOffset, IsKeyDown(VK_SHIFT));
    }
    m_bSelecting = true;
    ::SetCapture(m_hWnd);
}

void CTextControl::OnMouseMove(POINT pt) {
    if (!m_bSelecting)
        return;
    m_ptMouse = pt;
    RECT rc;
    ::GetClientRect(m_hWnd, &rc);
    if (!::PtInRect(&rc, pt))
        ::SetTimer(m_hWnd, kScrollTimer, kScrollInterval, nullptr);
    else
        ::KillTimer(m_hWnd, kScrollTimer);
    pt.y = std::clamp<LONG>(pt.y, rc.top, std::max(rc.top, rc.bottom - 1));
    int nOffset = CharFromPos(pt);
    if (m_bWordSelecting) {
        if (nOffset >= m_nWordAnchorStart)
            return SetSel(m_nWordAnchorStart, std::max(m_nWordAnchorEnd, WordEnd(nOffset)), true);
        return SetSel(m_nWordAnchorEnd, WordStart(nOffset), true);
    }
    SetSel(m_nAnchor, nOffset, true);
}

void CTextControl::OnAutoScroll() {
    if (!m_bSelecting) {
        ::KillTimer(m_hWnd, kScrollTimer);
        return;
    }
    // The point the mouse last reported: it stands still outside the window while the text moves.
    POINT pt = m_ptMouse;
    RECT rc;
    ::GetClientRect(m_hWnd, &rc);
    if (pt.y < rc.top)
        ScrollTo(Advance(m_top, -1), m_nXOffset);
    else if (pt.y >= rc.bottom)
        ScrollTo(Advance(m_top, 1), m_nXOffset);
    if (!IsWrapped()) {
        if (pt.x < rc.left)
            ScrollTo(m_top, m_nXOffset - m_nAveCharWidth * 2);
        else if (pt.x >= rc.right)
            ScrollTo(m_top, m_nXOffset + m_nAveCharWidth * 2);
    }
    pt.x = std::clamp<LONG>(pt.x, rc.left, std::max(rc.left, rc.right - 1));
    OnMouseMove(pt);
}

bool CTextControl::Copy() {
    if (SelStart() == SelEnd())
        return false;
    CClipboard clipboard(m_hWnd);
    if (!clipboard.IsOpen() || !clipboard.SetText(m_store.Text(SelStart(), SelEnd()))) {
        ::MessageBeep(MB_ICONHAND); // the selection stays where it is: nothing is lost
        return false;
    }
    return true;
}

void CTextControl::Paste() {
    if (IsReadOnly())
        return;
    std::wstring text;
    {
        CClipboard clipboard(m_hWnd);
        if (!clipboard.IsOpen() || !clipboard.GetText(text))
            return;
    }
    if (m_store.Length() - (SelEnd() - SelStart()) + static_cast<long long>(text.size()) > m_nLimit) {
        ::MessageBeep(MB_OK); // refused whole, never cut short
        Notify(EN_MAXTEXT);
        return;
    }
    ReplaceSelection(text.c_str(), static_cast<int>(text.size()), true);
}

void CTextControl::OnImeStart() {
    // The input method draws the composition itself, at the caret and in the control's font.
    CImc imc(m_hWnd);
    if (!imc.Get())
        return;
    LOGFONTW lf{};
    if (::GetObjectW(Font(), sizeof(lf), &lf))
        ::ImmSetCompositionFontW(imc.Get(), &lf);
    UpdateCaret();
}

bool CTextControl::OnImeComposition(LPARAM lParam) {
    UpdateCaret();
    if (!(lParam & GCS_RESULTSTR))
        return false;
    // The result string is taken here, once; the default handling would send it again as
    // WM_IME_CHAR, so it does not run.
    std::wstring result;
    {
        CImc imc(m_hWnd);
        if (!imc.Get())
            return false;
        LONG cb = ::ImmGetCompositionStringW(imc.Get(), GCS_RESULTSTR, nullptr, 0);
        if (cb <= 0)
            return true;
        result.resize(static_cast<size_t>(cb) / sizeof(wchar_t));
        ::ImmGetCompositionStringW(imc.Get(), GCS_RESULTSTR, result.data(), static_cast<DWORD>(cb));
    }
    if (IsReadOnly())
        return true;
    if (m_store.Length() - (SelEnd() - SelStart()) + static_cast<long long>(result.size()) > m_nLimit) {
        ::MessageBeep(MB_OK);
        Notify(EN_MAXTEXT);
        return true;
    }
    ReplaceSelection(result.c_str(), static_cast<int>(result.size()), true);
    return true;
}

void CTextControl::OnContextMenu(POINT pt) {
    // From the keyboard (no point): at the caret.
    if (pt.x == -1 && pt.y == -1) {
        pt = PosFromChar(m_nCaret);
        pt.y += m_nLineHeight;
        ::ClientToScreen(m_hWnd, &pt);
    }
    HMENU hMenu = ::CreatePopupMenu();
    if (!hMenu)
        return;
    const bool bSel = SelStart() != SelEnd(), bEditable = !IsReadOnly();
    // Each item is the message it sends, to this window, so whoever subclassed it sees the message
    // first (the view records cut, paste and delete, and undoes with its own history).
    struct Item {
        UINT nMessage, nText;
        bool bEnabled;
    };
    const Item items[] = {
        {WM_UNDO, IDS_TEXT_MENU_UNDO, bEditable && ::SendMessageW(m_hWnd, EM_CANUNDO, 0, 0) != 0},
        {0, 0, false},
        {WM_CUT, IDS_TEXT_MENU_CUT, bSel && bEditable},
        {WM_COPY, IDS_TEXT_MENU_COPY, bSel},
        {WM_PASTE, IDS_TEXT_MENU_PASTE, bEditable && ::IsClipboardFormatAvailable(CF_UNICODETEXT)},
        {WM_CLEAR, IDS_TEXT_MENU_DELETE, bSel && bEditable},
        {0, 0, false},
        {EM_SETSEL, IDS_TEXT_MENU_SELECT_ALL, m_store.Length() > 0 && SelEnd() - SelStart() < m_store.Length()},
    };
    for (const Item& item : items) {
        if (!item.nMessage) {
            ::AppendMenuW(hMenu, MF_SEPARATOR, 0, nullptr);
            continue;
        }
        const std::wstring text = LoadStringResource(item.nText);
        ::AppendMenuW(hMenu, MF_STRING | (item.bEnabled ? MF_ENABLED : MF_GRAYED), item.nMessage, text.c_str());
    }
    if (!m_bFocus)
        ::SetFocus(m_hWnd);
    const UINT nChosen = static_cast<UINT>(
        ::TrackPopupMenu(hMenu, TPM_LEFTALIGN | TPM_RIGHTBUTTON | TPM_RETURNCMD, pt.x, pt.y, 0, m_hWnd, nullptr));
    ::DestroyMenu(hMenu);
    if (nChosen == EM_SETSEL)
        ::SendMessageW(m_hWnd, EM_SETSEL, 0, -1);
    else if (nChosen)
        ::SendMessageW(m_hWnd, nChosen, 0, 0);
}

// ---- painting ----

void CTextControl::OnPaint() {
    CPaintDC dc(m_hWnd);
    const PAINTSTRUCT& ps = dc.Info();
    const HDC hdc = dc.Get();
    {
        CSelectObject font(hdc, Font());
        RECT rc;
        ::GetClientRect(m_hWnd, &rc);
        const bool bDisabled = !::IsWindowEnabled(m_hWnd);
        const bool bReadOnly = IsReadOnly();
        // Read-only and disabled controls show the dialog colour behind their text, unless the
        // parent answers WM_CTLCOLORSTATIC otherwise (WM_CTLCOLOREDIT for an editable one), as
        // for an EDIT control: it sets the text colour and returns the brush of the background.
        ::SetBkColor(hdc, ::GetSysColor(bReadOnly || bDisabled ? COLOR_3DFACE : COLOR_WINDOW));
        ::SetTextColor(hdc, ::GetSysColor(COLOR_WINDOWTEXT));
        if (HWND hParent = ::GetParent(m_hWnd)) {
            auto hBrush = reinterpret_cast<HBRUSH>(
                ::SendMessageW(hParent, bReadOnly || bDisabled ? WM_CTLCOLORSTATIC : WM_CTLCOLOREDIT,
                               reinterpret_cast<WPARAM>(hdc), reinterpret_cast<LPARAM>(m_hWnd)));
            LOGBRUSH lb{};
            if (hBrush && ::GetObjectW(hBrush, sizeof(lb), &lb) == sizeof(lb) && lb.lbStyle == BS_SOLID)
                ::SetBkColor(hdc, lb.lbColor);
        }
        if (bDisabled)
            ::SetTextColor(hdc, ::GetSysColor(COLOR_GRAYTEXT));
        RowPos pos = m_top;
        const int nLines = m_store.LineCount();
        for (int y = 0; y < rc.bottom; y += m_nLineHeight) {
            if (y + m_nLineHeight <= ps.rcPaint.top || pos.nLine >= nLines) {
                if (pos.nLine >= nLines) {
                    RECT rest{rc.left, y, rc.right, rc.bottom};
                    ::ExtTextOutW(hdc, 0, 0, ETO_OPAQUE, &rest, nullptr, 0, nullptr);
                    break;
                }
            } else if (y < ps.rcPaint.bottom) {
                const Layout& layout = LayoutOf(pos.nLine);
                const int nRowStart = layout.rows[pos.nRow];
                const int nRowEnd = pos.nRow + 1 < static_cast<int>(layout.rows.size())
                                        ? layout.rows[pos.nRow + 1]
                                        : static_cast<int>(layout.text.size());
                PaintRow(hdc, y, pos.nLine, layout, nRowStart, nRowEnd);
            }
            if (y >= ps.rcPaint.bottom)
                break;
            const RowPos next = Advance(pos, 1);
            if (next.nLine == pos.nLine && next.nRow == pos.nRow)
                pos.nLine = nLines; // the last row: the rest is blank
            else
                pos = next;
        }
    }
    // Rows estimated before any line was measured are estimated again from the lines just painted.
    if (IsWrapped() && m_bRowsValid && !m_bRowsSampled && m_nSampleChars > 0) {
        m_bRowsValid = false;
        UpdateScrollBars();
    }
}

void CTextControl::PaintRow(HDC hdc, int y, int nLine, const Layout& layout, int nRowStart, int nRowEnd) {
    RECT rcClient;
    ::GetClientRect(m_hWnd, &rcClient);
    const int x0 = kMargin - m_nXOffset - layout.x[nRowStart];
    RECT rcRow{rcClient.left, y, rcClient.right, y + m_nLineHeight};
    ::ExtTextOutW(hdc, 0, 0, ETO_OPAQUE, &rcRow, nullptr, 0, nullptr);
    // Only the characters inside the window are drawn, a tab-free stretch at a time.
    auto draw = [&](int nFrom, int nTo, const RECT& rcClip) {
        auto first = std::upper_bound(layout.x.begin() + nFrom, layout.x.begin() + nTo,
                                      static_cast<int>(rcClip.left) - x0 - m_nAveCharWidth * 4);
        int i = std::max(nFrom, static_cast<int>(first - layout.x.begin()) - 1);
        while (i > nFrom && (IsLowSurrogate(layout.text[i]) || CTextStore::IsExtender(layout.text[i])))
            --i;
        while (i < nTo && x0 + layout.x[i] < rcClip.right) {
            if (layout.text[i] == L'\t') {
                ++i;
                continue;
            }
            int j = i;
            while (j < nTo && layout.text[j] != L'\t' && x0 + layout.x[j] < rcClip.right + m_nAveCharWidth * 4)
                ++j;
            while (j < nTo && (IsLowSurrogate(layout.text[j]) || CTextStore::IsExtender(layout.text[j])))
                ++j;
            ::ExtTextOutW(hdc, x0 + layout.x[i], y, ETO_CLIPPED, &rcClip, layout.text.c_str() + i,
                          static_cast<UINT>(j - i), nullptr);
            i = j;
        }
    };
    ::SetBkMode(hdc, TRANSPARENT);
    draw(nRowStart, nRowEnd, rcRow);
    // The selected stretch of the row, drawn again over a highlight.
    const LONG style = ::GetWindowLongW(m_hWnd, GWL_STYLE);
    const int nLineStart = m_store.LineStart(nLine);
    const int nSelFrom = std::max(SelStart() - nLineStart, nRowStart);
    const int nSelTo = std::min(SelEnd() - nLineStart, nRowEnd);
    if ((m_bFocus || (style & ES_NOHIDESEL)) && nSelFrom < nSelTo) {
        RECT rcSel{x0 + layout.x[nSelFrom], y, x0 + layout.x[nSelTo], y + m_nLineHeight};
        IntersectRect(&rcSel, &rcSel, &rcRow);
        const COLORREF crBk = ::SetBkColor(hdc, ::GetSysColor(COLOR_HIGHLIGHT));
        const COLORREF crText = ::SetTextColor(hdc, ::GetSysColor(COLOR_HIGHLIGHTTEXT));
        ::ExtTextOutW(hdc, 0, 0, ETO_OPAQUE, &rcSel, nullptr, 0, nullptr);
        draw(nSelFrom, nSelTo, rcSel);
        // Characters that straddle the selection's edges are drawn whole, clipped to it.
        draw(nRowStart, nRowEnd, rcSel);
        ::SetBkColor(hdc, crBk);
        ::SetTextColor(hdc, crText);
    }
    ::SetBkMode(hdc, OPAQUE);
}
