#pragma once
// The editor's own unbounded undo and redo: a chain of edit records, the two recorders that every
// text change passes through before the text control acts, and the replay of records.
#include "framework/Utf16.h"
#include <cstddef>
#include <memory>
#include <string>

// An edit, as it was made: what was removed from or inserted at [start, end).
struct EditRecord {
    enum Kind { Root = 0, Deletion = 1, Insertion = 2 };

    Kind kind = Root;
    int start = 0; // offsets into the text as it was when the record was made
    int end = 0;   // end - start == text.size()
    std::wstring text;
    bool joined = false; // undone and redone together with the record that follows
    EditRecord* previous = nullptr;
    std::unique_ptr<EditRecord> next; // the chain owns the records after it
};

struct EditRange {
    int start = 0;
    int end = 0;
    bool empty() const { return start == end; }
};

// What the history needs from the text it records: read access to the text, the selection, and
// replacing a range (the text control implements it; tests may use a string).
class IEditTarget {
public:
    virtual ~IEditTarget() = default;
    virtual const wchar_t* LockText() = 0; // the whole NUL-terminated text, until UnlockText
    virtual void UnlockText() = 0;
    virtual int TextLength() = 0;
    // [nStart, nEnd) (clamped to the text) as a copy. Recording a keystroke needs only the few
    // characters it removes: a target that can copy a range without bringing its whole text
    // together (the text control, a gap buffer) overrides this; by default the text is locked.
    virtual std::wstring ReadText(int nStart, int nEnd);
    // [nStart, nEnd) widened so that neither edge cuts a character: a surrogate pair, a CR LF, or
    // a base character and its combining marks and variation selectors stay whole
    // (CTextStore::IsBoundaryIn is the rule). By default the text is locked for it.
    virtual EditRange WholeCharacters(int nStart, int nEnd);
    virtual void GetSelection(int& nStart, int& nEnd) = 0;
    virtual void SetSelection(int nStart, int nEnd) = 0;
    // Selects [nStart, nEnd), optionally scrolls the caret into view, and puts text in its place
    // (caret after the new text).
    virtual void Replace(int nStart, int nEnd, const wchar_t* pszText, bool bScroll) = 0;
    // Undo or redo went back to the text that was last opened or saved.
    virtual void MarkUnmodified() = 0;
};

// Offsets that would cut a character in two: between the halves of a surrogate pair, or between
// the CR and the LF of a line break. pText holds nLength units.
inline bool SplitsSurrogatePair(const wchar_t* pText, int nLength, int nPos) {
    return nPos > 0 && nPos < nLength && IsHighSurrogate(pText[nPos - 1]) && IsLowSurrogate(pText[nPos]);
}
inline bool SplitsLineBreak(const wchar_t* pText, int nLength, int nPos) {
    return nPos > 0 && nPos < nLength && pText[nPos - 1] == L'\r' && pText[nPos] == L'\n';
}
// [nStart, nEnd) widened so that neither edge lies inside a surrogate pair.
inline EditRange WholeSurrogatePairs(const wchar_t* pText, int nLength, int nStart, int nEnd) {
    if (SplitsSurrogatePair(pText, nLength, nStart))
        --nStart;
    if (SplitsSurrogatePair(pText, nLength, nEnd))
        ++nEnd;
    return EditRange{nStart, nEnd};
}

class CEditHistory {
public:
    explicit CEditHistory(IEditTarget& target) : m_target(target) {}
    CEditHistory(const CEditHistory&) = delete;
    CEditHistory& operator=(const CEditHistory&) = delete;
    ~CEditHistory() { FreeAfter(m_root); }

    // Records that [nStart, nEnd) is about to be removed. Characters are always captured whole (a
    // line break, a surrogate pair, a character with its combining marks), so the range may grow;
    // the range recorded is returned (empty when nothing was recorded).
    EditRange RecordDeletion(int nStart, int nEnd);
    // Records that [nStart, nEnd) (nStart -1: the selection) is about to become pszText; with
    // bApply the replacement is made here, otherwise the caller lets the control make it on the
    // range returned (the selection is moved there when whole characters widened it, or when an
    // empty selection sat inside a character: the text then goes in after it).
    EditRange RecordInsertion(const wchar_t* pszText, int nStart, int nEnd, bool bApply);
    // Enter: the record just made for CR also holds the LF the control inserts with it.
    void ExtendLastInsertionWithLf();

    void UndoEdit();
    void RedoEdit();
    // Empties the history; the text now is the saved one unless bModified.
    void ClearHistory(bool bModified);
    // The text now is what was saved: undo and redo that come back here clear the modified mark.
    void SetSavePoint();
    bool HasSavePoint() const { return m_pSavePoint != nullptr; }
    bool IsAtSavePoint() const { return m_pCurrent == m_pSavePoint; }

    bool CanUndo() const { return m_pCurrent != &m_root; }
    bool CanRedo() const { return m_pCurrent->next != nullptr; }
    bool CanClear() const { return m_pCurrent->previous != nullptr || m_pCurrent->next != nullptr; }

    const EditRecord& Root() const { return m_root; }
    const EditRecord& Current() const { return *m_pCurrent; }
    bool ModifiedAtClear() const { return m_bModifiedAtClear; }
    // Records after the root and the heap bytes they hold (record objects and text beyond the
    // strings' inline capacity); for measurements.
    size_t RecordCount() const;
    size_t MemoryBytes() const;

    static bool IsSeparator(wchar_t ch) { return ch == L' ' || ch == L'\t' || ch == L'\r' || ch == L'\n'; }

private:
    // Records the removal of text, which stood at [nStart, nStart + text.size()).
    void RecordRemoved(int nStart, std::wstring text);
    void DiscardRedo() { FreeAfter(*m_pCurrent); }
    void FreeAfter(EditRecord& record);
    // A record may grow by merging only while it does not stand for the saved text.
    bool CanMergeInto(const EditRecord& record) const { return &record != m_pSavePoint; }
    EditRecord* Append(EditRecord::Kind kind, int nStart, std::wstring text);
    void Unapply(const EditRecord& record);
    void Reapply(const EditRecord& record);

    IEditTarget& m_target;
    EditRecord m_root;
    EditRecord* m_pCurrent = &m_root;
    bool m_bModifiedAtClear = false;
    // The record that is current when the text is the one last opened or saved; null when no undo
    // or redo can bring that text back.
    EditRecord* m_pSavePoint = &m_root;
};
