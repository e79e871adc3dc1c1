// CTessarinView: the message route through the input routes, and the Undo, Redo and Clear history
// commands. Set-up, word wrap, the other commands and the file watch's ticks are in
// TessarinViewCommands.cpp.
#include "view/TessarinView.h"
#include "framework/CmdUI.h"
#include "framework/Document.h"
#include "view/TextControl.h"
#include "res/resource.h"
#include <algorithm>

LRESULT CTessarinView::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT lResult = 0;
    if (m_routes.OnMessage(message, wParam, lParam, lResult))
        return lResult;
    if (message == WM_FILECHANGED) {
        m_watch.AskReload();
        return 0;
    }
    return CEditView::WindowProc(message, wParam, lParam);
}

std::wstring CTessarinView::ReadText(int nStart, int nEnd) {
    const int nLength = GetWindowTextLength();
    nStart = std::clamp(nStart, 0, nLength);
    nEnd = std::clamp(nEnd, nStart, nLength);
    std::wstring text(static_cast<size_t>(nEnd - nStart) + 1, L'\0');
    CTextControl::ReadRange range{nStart, nEnd, text.data()};
    const auto nCopied = DefWindowProc(CTextControl::kMsgReadRange, 0, reinterpret_cast<LPARAM>(&range));
    if (nCopied != nEnd - nStart)
        return IEditTarget::ReadText(nStart, nEnd); // a control without the message: its whole text
    text.resize(static_cast<size_t>(nCopied));
    return text;
}

bool CTessarinView::PeekText(int nStart, int nEnd, std::wstring_view& text) {
    CTextControl::PeekRange range{nStart, nEnd, nullptr};
    const auto nCount = DefWindowProc(CTextControl::kMsgPeekRange, 0, reinterpret_cast<LPARAM>(&range));
    if (!range.pText)
        return false;
    text = std::wstring_view(range.pText, static_cast<size_t>(nCount));
    return true;
}

EditRange CTessarinView::WholeCharacters(int nStart, int nEnd) {
    EditRange range{nStart, nEnd};
    if (!DefWindowProc(CTextControl::kMsgWholeCharacters, reinterpret_cast<WPARAM>(&range.start),
                       reinterpret_cast<LPARAM>(&range.end)))
        return IEditTarget::WholeCharacters(nStart, nEnd);
    return range;
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
        // Wrapped or not: the text control counts the file's lines.
        return Handle(nCode, pExtra, [this] { OnEditGotoLine(); });
    case ID_EDIT_TIME_DATE: return Handle(nCode, pExtra, [this] { InsertDateTime(false); });
    case ID_FORMAT_WORD_WRAP:
        return Handle(
            nCode, pExtra, [this] { ToggleWordWrap(); }, [this](CCmdUI* p) { p->SetCheck(IsWordWrap()); });
    case ID_FORMAT_FONT: return Handle(nCode, pExtra, [this] { OnFormatFont(); });
    case ID_FILE_PAGE_SETUP: return Handle(nCode, pExtra, [this] { OnFilePageSetup(); });
    // Find next is run further along the route; it needs text to search.
    case ID_EDIT_FIND_NEXT:
    case ID_EDIT_FIND_PREVIOUS: return HandleUpdate(nCode, pExtra, [this](CCmdUI* p) { OnUpdateNeedText(p); });
    default: return CEditView::OnOwnCmdMsg(nID, nCode, pExtra);
    }
}
