// CInputRoutes: each route records the change in the edit history first, then has the control
// (or the routes themselves) make it.
#include "view/InputRoutes.h"
#include "framework/Clipboard.h"
#include "framework/Document.h"
#include "framework/EditView.h"
#include "framework/GdiHandles.h"
#include "framework/ScopeExit.h"
#include <imm.h>
#include <string>

namespace {
bool IsKeyDown(int nVirtKey) {
    return ::GetKeyState(nVirtKey) < 0;
}

// Control characters the control would act on by itself or ignore: Ctrl+C, Ctrl+V, Ctrl+X and
// Ctrl+Z (the control would copy, paste, cut or undo on its own), and every other control
// character it does not insert; recording those would put the history out of step.
bool IsSwallowedChar(UINT nChar) {
    if (nChar == 0x7F)
        return true;
    return nChar < 0x20 && nChar != VK_BACK && nChar != L'\t' && nChar != L'\r' && nChar != L'\n';
}

// The input method context of a window, released at the end of the scope.
class CImeContext : public CWindowLoan<HIMC, &::ImmReleaseContext> {
public:
    explicit CImeContext(HWND hWnd) : CWindowLoan(hWnd, ::ImmGetContext(hWnd)) {}
};

std::wstring GetImeResult(HWND hWnd) {
    CImeContext imc(hWnd);
    if (!imc.Get())
        return {};
    LONG nBytes = ::ImmGetCompositionStringW(imc.Get(), GCS_RESULTSTR, nullptr, 0);
    if (nBytes <= 0)
        return {};
    std::wstring result(static_cast<size_t>(nBytes) / sizeof(wchar_t), L'\0');
    nBytes = ::ImmGetCompositionStringW(imc.Get(), GCS_RESULTSTR, result.data(), static_cast<DWORD>(nBytes));
    result.resize(nBytes > 0 ? static_cast<size_t>(nBytes) / sizeof(wchar_t) : 0);
    return result;
}

constexpr LPARAM kResultFlags = GCS_RESULTSTR | GCS_RESULTREADSTR | GCS_RESULTCLAUSE | GCS_RESULTREADCLAUSE;
} // namespace

EditRange SelectionOfWholePairs(const CEditView& view) {
    int nStart = 0, nEnd = 0;
    view.GetSel(nStart, nEnd);
    const int nLength = view.GetTextLength();
    CEditBufferLock lock(view);
    return lock.Get() ? WholeSurrogatePairs(lock.Get(), nLength, nStart, nEnd) : EditRange{nStart, nEnd};
}

bool CInputRoutes::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& lResult) {
    switch (message) {
    case WM_CUT:
        CutSelection();
        lResult = 0;
        return true;
    case WM_CLEAR:
        ClearSelection();
        lResult = 0;
        return true;
    case WM_PASTE:
        PasteClipboard();
        lResult = 0;
        return true;
    // The control's one-level undo is never used: its context menu and any caller get ours.
    case WM_UNDO:
    case EM_UNDO:
        m_history.UndoEdit();
        lResult = TRUE;
        return true;
    // The control's context menu judges its Undo item by asking this.
    case EM_CANUNDO: lResult = m_history.CanUndo() ? TRUE : FALSE; return true;
    // The composition stays in the input method's own window (the control puts it at the caret, in
    // its font); only a committed string reaches the text, through the recorder.
    case WM_IME_COMPOSITION: lResult = OnImeComposition(wParam, lParam); return true;
    case WM_IME_CHAR: lResult = OnImeChar(wParam); return true;
    case EM_REPLACESEL: lResult = OnForeignReplaceSel(lParam); return true;
    case WM_SETTEXT: lResult = OnForeignSetText(wParam, lParam); return true;
    case EM_SETHANDLE: lResult = OnSetHandle(wParam, lParam); return true;
    default: return false;
    }
}

void CInputRoutes::SelectRecorded(const EditRange& range) {
    int nStart = 0, nEnd = 0;
    m_view.GetSel(nStart, nEnd);
    if (!range.empty() && (range.start != nStart || range.end != nEnd))
        m_view.SetSel(range.start, range.end, false);
}

void CInputRoutes::OnChar(UINT nChar) {
    if (IsSwallowedChar(nChar))
        return;
    if (nChar == VK_BACK)
        OnBackspace();
    else if (nChar == L'\r' || nChar == L'\n') // Ctrl+Enter (LF) breaks the line like Enter
        OnEnter();
    else
        OnTypedChar(static_cast<wchar_t>(nChar));
}

void CInputRoutes::OnBackspace() {
    // Wine's control ignores Backspace with Ctrl down (that is Ctrl+H, not Ctrl+Backspace).
    if (IsKeyDown(VK_CONTROL))
        return;
    int nStart = 0, nEnd = 0;
    m_view.GetSel(nStart, nEnd);
    if (nStart != nEnd)
        SelectRecorded(m_history.RecordDeletion(nStart, nEnd));
    else if (nStart > 0)
        SelectRecorded(m_history.RecordDeletion(nStart - 1, nStart)); // the control removes a selection whole
    m_control.PassOn();
}

void CInputRoutes::OnEnter() {
    m_history.RecordInsertion(L"\r", -1, -1, false);
    m_history.ExtendLastInsertionWithLf(); // the control inserts CR LF: one record
    m_control.CallControl(WM_CHAR, L'\r', 0);
}

void CInputRoutes::OnTypedChar(wchar_t ch) {
    const wchar_t sz[2] = {ch, L'\0'};
    m_history.RecordInsertion(sz, -1, -1, false);
    m_control.PassOn();
}

void CInputRoutes::OnKeyDown(UINT nChar) {
    bool bCtrl = IsKeyDown(VK_CONTROL), bShift = IsKeyDown(VK_SHIFT);
    if (nChar == VK_DELETE && !bShift)
        return OnDeleteKey();
    if (nChar == VK_DELETE && !bCtrl)
        return OnShiftDelete();
    if (bCtrl && !bShift && (nChar == 'C' || nChar == 'V' || nChar == 'X')) {
        m_view.SendMessage(nChar == 'C' ? WM_COPY : nChar == 'V' ? WM_PASTE : WM_CUT);
        return;
    }
    m_control.PassOn();
}

void CInputRoutes::OnDeleteKey() {
    int nStart = 0, nEnd = 0;
    m_view.GetSel(nStart, nEnd);
    // Ctrl+Delete too: with the recorded range selected, the control removes just that.
    SelectRecorded(m_history.RecordDeletion(nStart, nStart != nEnd ? nEnd : nStart + 1));
    m_control.PassOn();
}

void CInputRoutes::OnShiftDelete() {
    // The control cuts on Shift+Delete (and, with nothing selected, deletes backwards) on its
    // own, without WM_CUT; route both through the recorded paths.
    int nStart = 0, nEnd = 0;
    m_view.GetSel(nStart, nEnd);
    if (nStart != nEnd)
        m_view.SendMessage(WM_CUT);
    else
        m_view.SendMessage(WM_CHAR, VK_BACK, 0);
}

void CInputRoutes::CutSelection() {
    // Nothing selected cuts nothing, also with the caret between the halves of a pair (where
    // widening would make it a selection of the whole character).
    int nSelStart = 0, nSelEnd = 0;
    m_view.GetSel(nSelStart, nSelEnd);
    if (nSelStart == nSelEnd)
        return;
    // A selection that ends inside a surrogate pair takes the whole pair, onto the clipboard too.
    const EditRange sel = SelectionOfWholePairs(m_view);
    const int nStart = sel.start, nEnd = sel.end;
    if (nStart == nEnd)
        return;
    // The text goes only once the clipboard holds it. (A selection that splits a CR LF pair loses
    // the whole pair, as with Delete; the clipboard gets what was selected.)
    bool bCopied = false;
    {
        CClipboard clipboard(m_view.m_hWnd);
        CEditBufferLock lock(m_view);
        if (lock.Get())
            bCopied = clipboard.SetText(std::wstring(lock.Get() + nStart, lock.Get() + nEnd));
    }
    if (!bCopied) {
        ::MessageBeep(MB_ICONWARNING);
        return;
    }
    EditRange range = m_history.RecordDeletion(nStart, nEnd);
    if (!range.empty())
        Replace(range.start, range.end, L"", false);
}

void CInputRoutes::ClearSelection() {
    int nStart = 0, nEnd = 0;
    m_view.GetSel(nStart, nEnd);
    if (nStart == nEnd)
        return;
    EditRange range = m_history.RecordDeletion(nStart, nEnd);
    if (!range.empty())
        Replace(range.start, range.end, L"", false);
}

void CInputRoutes::PasteClipboard() {
    std::wstring text;
    {
        CClipboard clipboard(m_view.m_hWnd);
        if (!clipboard.GetText(text))
            return;
    }
    m_history.RecordInsertion(text.c_str(), -1, -1, true);
}

LRESULT CInputRoutes::OnImeComposition(WPARAM wParam, LPARAM lParam) {
    if (lParam & GCS_RESULTSTR) {
        // The committed string goes in here, once, as one recorded insertion. Windows' own EDIT
        // takes it here too, without any WM_CHAR. The result flags are kept from DefWindowProc,
        // which is what would turn the string into WM_IME_CHARs (and those into WM_CHARs): so no
        // character of it comes back, and every WM_IME_CHAR that does arrive is new text.
        std::wstring result = GetImeResult(m_view.m_hWnd);
        if (!result.empty())
            m_history.RecordInsertion(result.c_str(), -1, -1, true);
        lParam &= ~kResultFlags;
        if (lParam == 0)
            return 0;
    }
    // The rest of the message (the composition going on) moves the input method's window to the
    // caret.
    return m_control.CallControl(WM_IME_COMPOSITION, wParam, lParam);
}

LRESULT CInputRoutes::OnImeChar(WPARAM wParam) {
    // A character from an input method without a result string: typed text, given to the control
    // as WM_CHAR so it is inserted exactly once.
    auto nChar = static_cast<UINT>(wParam);
    if (IsSwallowedChar(nChar))
        return 0;
    if (nChar == VK_BACK || nChar == L'\r' || nChar == L'\n')
        m_view.SendMessage(WM_CHAR, wParam, 0);
    else {
        const wchar_t sz[2] = {static_cast<wchar_t>(nChar), L'\0'};
        m_history.RecordInsertion(sz, -1, -1, false);
        m_control.CallControl(WM_CHAR, wParam, 0);
    }
    return 0;
}

LRESULT CInputRoutes::OnForeignReplaceSel(LPARAM lParam) {
    // Another part of the program, or another program, replaces the selection directly.
    if (m_nOwnEdits == 0) {
        auto pszText = reinterpret_cast<const wchar_t*>(lParam);
        m_history.RecordInsertion(pszText ? pszText : L"", -1, -1, true);
        return 0;
    }
    return m_control.CallControl(EM_REPLACESEL, FALSE, lParam); // the control's own undo stays unused
}

LRESULT CInputRoutes::OnForeignSetText(WPARAM wParam, LPARAM lParam) {
    // A whole new text from elsewhere: one step that replaces everything (WM_SETTEXT stops at the
    // first NUL, as the recorder does).
    if (m_nOwnEdits == 0) {
        auto pszText = reinterpret_cast<const wchar_t*>(lParam);
        m_history.RecordInsertion(pszText ? pszText : L"", 0, m_view.GetWindowTextLength(), false);
    }
    return m_control.CallControl(WM_SETTEXT, wParam, lParam);
}

LRESULT CInputRoutes::OnSetHandle(WPARAM wParam, LPARAM lParam) {
    // The whole buffer is swapped: no record's offsets mean anything any more.
    LRESULT lResult = m_control.CallControl(EM_SETHANDLE, wParam, lParam);
    m_history.ClearHistory(IsDocumentModified());
    return lResult;
}

void CInputRoutes::Replace(int nStart, int nEnd, const wchar_t* pszText, bool bScroll) {
    ++m_nOwnEdits;
    CScopeExit own([this] { --m_nOwnEdits; });
    m_view.SetSel(nStart, nEnd, bScroll);
    m_view.ReplaceSel(pszText);
}

bool CInputRoutes::IsDocumentModified() const {
    CDocument* pDoc = m_view.GetDocument();
    return pDoc && pDoc->IsModified();
}
