// CTessarinView: the input routes that keep the edit history in step with the EDIT control, and
// the Undo, Redo and Clear history commands. Set-up, word wrap, the other commands, drag and drop
// and the file watch are in TessarinViewCommands.cpp.
#include "view/TessarinView.h"
#include "framework/Clipboard.h"
#include "framework/CmdUI.h"
#include "framework/Document.h"
#include "res/resource.h"
#include <imm.h>

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

// Counts the view's own edits, so its EM_REPLACESEL and WM_SETTEXT are not recorded again.
class COwnEdit {
public:
    explicit COwnEdit(int& nDepth) : m_nDepth(nDepth) { ++m_nDepth; }
    COwnEdit(const COwnEdit&) = delete;
    COwnEdit& operator=(const COwnEdit&) = delete;
    ~COwnEdit() { --m_nDepth; }

private:
    int& m_nDepth;
};

// The input method context of a window, released at the end of the scope.
class CImeContext {
public:
    explicit CImeContext(HWND hWnd) : m_hWnd(hWnd), m_hImc(::ImmGetContext(hWnd)) {}
    CImeContext(const CImeContext&) = delete;
    CImeContext& operator=(const CImeContext&) = delete;
    ~CImeContext() {
        if (m_hImc)
            ::ImmReleaseContext(m_hWnd, m_hImc);
    }
    HIMC Get() const { return m_hImc; }

private:
    HWND m_hWnd;
    HIMC m_hImc;
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

LRESULT CTessarinView::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CUT: CutSelection(); return 0;
    case WM_CLEAR: ClearSelection(); return 0;
    case WM_PASTE: PasteClipboard(); return 0;
    // The control's one-level undo is never used: its context menu and any caller get ours.
    case WM_UNDO:
    case EM_UNDO: UndoEdit(); return TRUE;
    case EM_CANUNDO: return m_history.CanUndo() ? TRUE : FALSE;
    case WM_IME_STARTCOMPOSITION: OnImeStartComposition(); return ::DefWindowProcW(m_hWnd, message, wParam, lParam);
    // Wine's EDIT control writes the composition string into its text while the user composes and
    // removes the selection when composing starts, none of which the history would see. The
    // composition stays in the input method's own window instead; only a committed string
    // reaches the text, through the recorder.
    case WM_IME_ENDCOMPOSITION: return ::DefWindowProcW(m_hWnd, message, wParam, lParam);
    case WM_IME_COMPOSITION: return OnImeComposition(wParam, lParam);
    case WM_IME_CHAR: return OnImeChar(wParam, lParam);
    case EM_REPLACESEL: return OnForeignReplaceSel(wParam, lParam);
    case WM_SETTEXT: return OnForeignSetText(wParam, lParam);
    case EM_SETHANDLE: return OnSetHandle(wParam, lParam);
    case WM_ENTERIDLE: OnEnterIdle(wParam, lParam); return Default();
    // Wine's EDIT pastes the X selection on a middle click without WM_PASTE; Windows' does nothing.
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP: return 0;
    case WM_FILECHANGED: OnFileChanged(); return 0;
    default: return CEditView::WindowProc(message, wParam, lParam);
    }
}

void CTessarinView::SelectRecorded(const EditRange& range) {
    int nStart = 0, nEnd = 0;
    GetSel(nStart, nEnd);
    if (!range.empty() && (range.start != nStart || range.end != nEnd))
        SetSel(range.start, range.end, false);
}

EditRange CTessarinView::SelectionOfWholePairs() const {
    int nStart = 0, nEnd = 0;
    GetSel(nStart, nEnd);
    const int nLength = GetTextLength();
    CEditBufferLock lock(*this);
    return lock.Get() ? WholeSurrogatePairs(lock.Get(), nLength, nStart, nEnd) : EditRange{nStart, nEnd};
}

void CTessarinView::OnChar(UINT nChar, UINT, UINT) {
    if (IsSwallowedChar(nChar))
        return;
    if (nChar == VK_BACK)
        OnBackspace();
    else if (nChar == L'\r' || nChar == L'\n') // Ctrl+Enter (LF) breaks the line like Enter
        OnEnter();
    else
        OnTypedChar(static_cast<wchar_t>(nChar));
}

void CTessarinView::OnBackspace() {
    // Wine's control ignores Backspace with Ctrl down (that is Ctrl+H, not Ctrl+Backspace).
    if (IsKeyDown(VK_CONTROL))
        return;
    int nStart = 0, nEnd = 0;
    GetSel(nStart, nEnd);
    if (nStart != nEnd)
        SelectRecorded(RecordDeletion(nStart, nEnd));
    else if (nStart > 0)
        SelectRecorded(RecordDeletion(nStart - 1, nStart)); // the control removes a selection whole
    Default();
}

void CTessarinView::OnEnter() {
    RecordInsertion(L"\r", -1, -1, false);
    m_history.ExtendLastInsertionWithLf(); // the control inserts CR LF: one record
    DefWindowProc(WM_CHAR, L'\r', 0);
}

void CTessarinView::OnTypedChar(wchar_t ch) {
    const wchar_t sz[2] = {ch, L'\0'};
    RecordInsertion(sz, -1, -1, false);
    Default();
}

void CTessarinView::OnKeyDown(UINT nChar, UINT, UINT) {
    bool bCtrl = IsKeyDown(VK_CONTROL), bShift = IsKeyDown(VK_SHIFT);
    if (nChar == VK_DELETE && !bShift)
        return OnDeleteKey();
    if (nChar == VK_DELETE && !bCtrl)
        return OnShiftDelete();
    // The control pastes on Shift+Insert without a WM_PASTE; send one so it is recorded.
    if (nChar == VK_INSERT && bShift && !bCtrl) {
        SendMessage(WM_PASTE);
        return;
    }
    if (bCtrl && !bShift && (nChar == 'C' || nChar == 'V' || nChar == 'X')) {
        SendMessage(nChar == 'C' ? WM_COPY : nChar == 'V' ? WM_PASTE : WM_CUT);
        return;
    }
    Default();
}

void CTessarinView::OnDeleteKey() {
    int nStart = 0, nEnd = 0;
    GetSel(nStart, nEnd);
    // Ctrl+Delete too: with the recorded range selected, the control removes just that.
    SelectRecorded(RecordDeletion(nStart, nStart != nEnd ? nEnd : nStart + 1));
    Default();
}

void CTessarinView::OnShiftDelete() {
    // The control cuts on Shift+Delete (and, with nothing selected, deletes backwards) on its
    // own, without WM_CUT; route both through the recorded paths.
    int nStart = 0, nEnd = 0;
    GetSel(nStart, nEnd);
    if (nStart != nEnd)
        SendMessage(WM_CUT);
    else
        SendMessage(WM_CHAR, VK_BACK, 0);
}

void CTessarinView::CutSelection() {
    // A selection that ends inside a surrogate pair takes the whole pair, onto the clipboard too.
    const EditRange sel = SelectionOfWholePairs();
    const int nStart = sel.start, nEnd = sel.end;
    if (nStart == nEnd)
        return;
    // The text goes only once the clipboard holds it. (A selection that splits a CR LF pair loses
    // the whole pair, as with Delete; the clipboard gets what was selected.)
    bool bCopied = false;
    {
        CClipboard clipboard(m_hWnd);
        CEditBufferLock lock(*this);
        if (lock.Get())
            bCopied = clipboard.SetText(std::wstring(lock.Get() + nStart, lock.Get() + nEnd));
    }
    if (!bCopied) {
        ::MessageBeep(MB_ICONWARNING);
        return;
    }
    EditRange range = RecordDeletion(nStart, nEnd);
    if (!range.empty())
        Replace(range.start, range.end, L"", false);
}

void CTessarinView::ClearSelection() {
    int nStart = 0, nEnd = 0;
    GetSel(nStart, nEnd);
    if (nStart == nEnd)
        return;
    EditRange range = RecordDeletion(nStart, nEnd);
    if (!range.empty())
        Replace(range.start, range.end, L"", false);
}

void CTessarinView::PasteClipboard() {
    std::wstring text;
    {
        CClipboard clipboard(m_hWnd);
        if (!clipboard.GetText(text))
            return;
    }
    RecordInsertion(text.c_str(), -1, -1, true);
}

void CTessarinView::OnImeStartComposition() {
    m_nImeCharsToSkip = 0;
    // Show the composition where the caret is, in the control's font.
    CImeContext imc(m_hWnd);
    if (!imc.Get())
        return;
    COMPOSITIONFORM form{};
    form.dwStyle = CFS_POINT;
    ::GetCaretPos(&form.ptCurrentPos);
    ::ImmSetCompositionWindow(imc.Get(), &form);
    if (auto hFont = reinterpret_cast<HFONT>(SendMessage(WM_GETFONT))) {
        LOGFONTW lf{};
        if (::GetObjectW(hFont, sizeof(lf), &lf))
            ::ImmSetCompositionFontW(imc.Get(), &lf);
    }
}

LRESULT CTessarinView::OnImeComposition(WPARAM wParam, LPARAM lParam) {
    if (lParam & GCS_RESULTSTR) {
        // The committed string goes in here, once, as one recorded insertion; the input method
        // may still announce it character by character (WM_IME_CHAR), which is then ignored.
        std::wstring result = GetImeResult(m_hWnd);
        if (!result.empty()) {
            RecordInsertion(result.c_str(), -1, -1, true);
            m_nImeCharsToSkip = result.size();
        }
        lParam &= ~kResultFlags;
        if (lParam == 0)
            return 0;
    }
    return ::DefWindowProcW(m_hWnd, WM_IME_COMPOSITION, wParam, lParam);
}

LRESULT CTessarinView::OnImeChar(WPARAM wParam, LPARAM) {
    if (m_nImeCharsToSkip > 0) {
        --m_nImeCharsToSkip;
        return 0;
    }
    // A character from an input method without a result string: typed text, given to the control
    // as WM_CHAR so it is inserted exactly once.
    auto nChar = static_cast<UINT>(wParam);
    if (IsSwallowedChar(nChar))
        return 0;
    if (nChar == VK_BACK || nChar == L'\r' || nChar == L'\n')
        SendMessage(WM_CHAR, wParam, 0);
    else {
        const wchar_t sz[2] = {static_cast<wchar_t>(nChar), L'\0'};
        RecordInsertion(sz, -1, -1, false);
        DefWindowProc(WM_CHAR, wParam, 0);
    }
    return 0;
}

LRESULT CTessarinView::OnForeignReplaceSel(WPARAM, LPARAM lParam) {
    // Another part of the program, or another program, replaces the selection directly.
    if (m_nOwnEdits == 0) {
        auto pszText = reinterpret_cast<const wchar_t*>(lParam);
        RecordInsertion(pszText ? pszText : L"", -1, -1, true);
        return 0;
    }
    return DefWindowProc(EM_REPLACESEL, FALSE, lParam); // the control's own undo stays unused
}

LRESULT CTessarinView::OnForeignSetText(WPARAM wParam, LPARAM lParam) {
    // A whole new text from elsewhere: one step that replaces everything (WM_SETTEXT stops at the
    // first NUL, as the recorder does).
    if (m_nOwnEdits == 0) {
        auto pszText = reinterpret_cast<const wchar_t*>(lParam);
        RecordInsertion(pszText ? pszText : L"", 0, GetWindowTextLength(), false);
    }
    return DefWindowProc(WM_SETTEXT, wParam, lParam);
}

LRESULT CTessarinView::OnSetHandle(WPARAM wParam, LPARAM lParam) {
    // The whole buffer is swapped: no record's offsets mean anything any more.
    LRESULT lResult = DefWindowProc(EM_SETHANDLE, wParam, lParam);
    ClearHistory(IsDocumentModified());
    return lResult;
}

void CTessarinView::OnInitMenuPopup(HMENU hPopup, UINT nIndex, BOOL bSysMenu) {
    CEditView::OnInitMenuPopup(hPopup, nIndex, bSysMenu);
    SyncContextMenuUndo(hPopup);
}

void CTessarinView::OnEnterIdle(WPARAM wParam, LPARAM lParam) {
    // Wine's EDIT opens its context menu without WM_INITMENUPOPUP; the menu loop's first idle
    // message, before any input is handled, names the menu window.
    if (wParam == MSGF_MENU && lParam) {
        auto hMenu = reinterpret_cast<HMENU>(::SendMessageW(reinterpret_cast<HWND>(lParam), MN_GETHMENU, 0, 0));
        if (hMenu && SyncContextMenuUndo(hMenu))
            ::InvalidateRect(reinterpret_cast<HWND>(lParam), nullptr, TRUE);
    }
}

bool CTessarinView::SyncContextMenuUndo(HMENU hMenu) {
    // The control judges its context menu's Undo item by its own undo buffer; ours decides.
    // EnableMenuItem returns a BOOL that is -1 when the menu has no such item.
    UINT nState = MF_BYCOMMAND | (m_history.CanUndo() ? MF_ENABLED : (MF_DISABLED | MF_GRAYED));
    bool bFound = ::EnableMenuItem(hMenu, EM_UNDO, nState) != -1;
    bFound |= ::EnableMenuItem(hMenu, WM_UNDO, nState) != -1;
    return bFound;
}

void CTessarinView::Replace(int nStart, int nEnd, const wchar_t* pszText, bool bScroll) {
    COwnEdit own(m_nOwnEdits);
    SetSel(nStart, nEnd, bScroll);
    ReplaceSel(pszText);
}

bool CTessarinView::IsDocumentModified() const {
    CDocument* pDoc = GetDocument();
    return pDoc && pDoc->IsModified();
}

void CTessarinView::MarkUnmodified() {
    if (CDocument* pDoc = GetDocument())
        pDoc->SetModifiedFlag(false);
}

bool CTessarinView::OnOwnCmdMsg(UINT nID, int nCode, void* pExtra) {
    switch (nID) {
    case ID_EDIT_UNDO:
        return Handle(
            nCode, pExtra, [this] { UndoEdit(); }, [this](CCmdUI* p) { p->Enable(m_history.CanUndo()); });
    case ID_EDIT_REDO:
        return Handle(
            nCode, pExtra, [this] { RedoEdit(); }, [this](CCmdUI* p) { p->Enable(m_history.CanRedo()); });
    case ID_EDIT_CLEAR_HISTORY:
        return Handle(
            nCode, pExtra, [this] { ClearHistory(IsDocumentModified()); },
            [this](CCmdUI* p) { p->Enable(m_history.CanClear()); });
    case ID_EDIT_GOTO_LINE:
        return Handle(
            nCode, pExtra, [this] { OnEditGotoLine(); }, [this](CCmdUI* p) { p->Enable(!IsWordWrap()); });
    case ID_EDIT_TIME_DATE: return Handle(nCode, pExtra, [this] { InsertDateTime(false); });
    case ID_FORMAT_WORD_WRAP:
        return Handle(
            nCode, pExtra, [this] { ToggleWordWrap(); }, [this](CCmdUI* p) { p->SetCheck(IsWordWrap()); });
    case ID_FORMAT_FONT: return Handle(nCode, pExtra, [this] { OnFormatFont(); });
    // Find next is run further along the route; it needs text to search.
    case ID_EDIT_FIND_NEXT: return HandleUpdate(nCode, pExtra, [this](CCmdUI* p) { OnUpdateNeedText(p); });
    default: return CEditView::OnOwnCmdMsg(nID, nCode, pExtra);
    }
}
