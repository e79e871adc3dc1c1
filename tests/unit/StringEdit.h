#pragma once
// A plain string standing in for the EDIT control under the edit history, and the view's input
// routes played on it, so the history's rules run without a window. The window tests check on the
// real control that it does what this models (EditHistoryTest, EditHistoryRandomTest,
// SurrogatePairEditTest, InputRoutesTest).
#include <gtest/gtest.h>
#include <algorithm>
#include <string>
#include <utility>
#include "view/EditHistory.h"

// The control: a text and a selection, changed the way the EDIT control changes them. Each change
// marks the document modified, as the control's change notification does; Backspace and Delete
// without a selection take one UTF-16 unit, as Wine's control does.
class CStringEdit : public IEditTarget {
public:
    std::wstring m_strText;
    int m_nSelStart = 0;
    int m_nSelEnd = 0;
    bool m_bModified = false; // the document's modified mark
    int m_nLocks = 0;

    const wchar_t* LockText() override {
        ++m_nLocks;
        return m_strText.c_str();
    }
    void UnlockText() override {
        EXPECT_GT(m_nLocks, 0) << "unlocked more often than locked";
        --m_nLocks;
    }
    int TextLength() override { return static_cast<int>(m_strText.size()); }
    void GetSelection(int& nStart, int& nEnd) override {
        nStart = m_nSelStart;
        nEnd = m_nSelEnd;
    }
    void SetSelection(int nStart, int nEnd) override { SetSel(nStart, nEnd); }
    void Replace(int nStart, int nEnd, const wchar_t* pszText, bool) override {
        SetSel(nStart, nEnd);
        ReplaceSel(pszText);
    }
    void MarkUnmodified() override { m_bModified = false; }

    // EM_SETSEL: either order, clamped to the text.
    void SetSel(int nStart, int nEnd) {
        const int n = TextLength();
        nStart = std::clamp(nStart, 0, n);
        nEnd = std::clamp(nEnd, 0, n);
        m_nSelStart = std::min(nStart, nEnd);
        m_nSelEnd = std::max(nStart, nEnd);
    }
    // EM_REPLACESEL: the text takes the selection's place, the caret goes after it.
    void ReplaceSel(const std::wstring& text) {
        // The control's buffer moves when its text changes: a pointer from LockText would dangle.
        EXPECT_EQ(m_nLocks, 0) << "the text changed while the history held it locked";
        if (text.empty() && m_nSelStart == m_nSelEnd)
            return;
        m_strText.replace(static_cast<size_t>(m_nSelStart), static_cast<size_t>(m_nSelEnd - m_nSelStart), text);
        m_nSelStart = m_nSelEnd = m_nSelStart + static_cast<int>(text.size());
        m_bModified = true;
    }
    void Backspace() {
        if (m_nSelStart == m_nSelEnd) {
            if (m_nSelStart == 0)
                return;
            SetSel(m_nSelStart - 1, m_nSelStart);
        }
        ReplaceSel(L"");
    }
    void Delete() {
        if (m_nSelStart == m_nSelEnd) {
            if (m_nSelStart == TextLength())
                return;
            SetSel(m_nSelStart, m_nSelStart + 1);
        }
        ReplaceSel(L"");
    }
};

// The view's input routes on the string: each records first, then lets the control act (or has
// the history apply the change), as CTessarinView does.
class CStringEditor {
public:
    CStringEdit m_edit;
    CEditHistory m_history{m_edit};

    // A given text with an empty, unmodified history and the caret at nCaret (-1: the end).
    void Load(const std::wstring& text, int nCaret = -1) {
        m_edit.m_strText = text;
        m_history.ClearHistory(false);
        m_edit.m_bModified = false;
        int n = nCaret < 0 ? static_cast<int>(text.size()) : nCaret;
        m_edit.SetSel(n, n);
    }
    // Typed characters (WM_CHAR): L'\b' is Backspace, CR or LF is Enter.
    void Type(const std::wstring& chars) {
        for (wchar_t ch : chars) {
            if (ch == L'\b')
                Backspace();
            else if (ch == L'\r' || ch == L'\n')
                Enter();
            else
                TypeChar(ch);
        }
    }
    void DeleteKey() {
        auto [s, e] = Sel();
        SelectRecorded(m_history.RecordDeletion(s, s != e ? e : s + 1));
        m_edit.Delete();
    }
    // Paste, an input method's result, a drop, Replace: recorded and applied by the history.
    void Insert(const std::wstring& text) { m_history.RecordInsertion(text.c_str(), -1, -1, true); }
    void Cut() {
        auto [s, e] = Sel();
        if (s == e)
            return;
        const EditRange whole = WholeSurrogatePairs(m_edit.m_strText.c_str(), m_edit.TextLength(), s, e);
        if (whole.empty())
            return;
        EditRange range = m_history.RecordDeletion(whole.start, whole.end);
        if (!range.empty())
            m_edit.Replace(range.start, range.end, L"", false);
    }
    void Undo() { m_history.UndoEdit(); }
    void Redo() { m_history.RedoEdit(); }
    // What a save does: the text is the file's now.
    void Save() {
        m_history.SetSavePoint();
        m_edit.m_bModified = false;
    }

    void Select(int nStart, int nEnd) { m_edit.SetSel(nStart, nEnd); }
    std::pair<int, int> Sel() const { return {m_edit.m_nSelStart, m_edit.m_nSelEnd}; }
    const std::wstring& Text() const { return m_edit.m_strText; }
    size_t Records() const { return m_history.RecordCount(); }
    const EditRecord& Current() const { return m_history.Current(); }

private:
    void SelectRecorded(const EditRange& range) {
        if (!range.empty() && (range.start != m_edit.m_nSelStart || range.end != m_edit.m_nSelEnd))
            m_edit.SetSel(range.start, range.end);
    }
    void Backspace() {
        auto [s, e] = Sel();
        if (s != e)
            SelectRecorded(m_history.RecordDeletion(s, e));
        else if (s > 0)
            SelectRecorded(m_history.RecordDeletion(s - 1, s)); // the control removes a selection whole
        m_edit.Backspace();
    }
    void Enter() {
        m_history.RecordInsertion(L"\r", -1, -1, false);
        m_history.ExtendLastInsertionWithLf(); // the control inserts CR LF: one record
        m_edit.ReplaceSel(L"\r\n");
    }
    void TypeChar(wchar_t ch) {
        const wchar_t sz[2] = {ch, L'\0'};
        m_history.RecordInsertion(sz, -1, -1, false);
        m_edit.ReplaceSel(sz);
    }
};
