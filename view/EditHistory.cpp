// Recording, merging and replaying edit records. Typed characters merge into word-sized records;
// a replaced selection is a deletion joined to the insertion that follows it, so it is one step.
#include "view/EditHistory.h"
#include <cwchar>

namespace {
// Holds the target's text locked for a scope.
class CTextLock {
public:
    explicit CTextLock(IEditTarget& target) : m_target(target), m_pText(target.LockText()) {}
    CTextLock(const CTextLock&) = delete;
    CTextLock& operator=(const CTextLock&) = delete;
    ~CTextLock() {
        if (m_pText)
            m_target.UnlockText();
    }
    const wchar_t* Get() const { return m_pText; }

private:
    IEditTarget& m_target;
    const wchar_t* m_pText;
};
} // namespace

void CEditHistory::FreeAfter(EditRecord& record) {
    // One by one: letting unique_ptr free a long chain would recurse once per record. A save
    // point among them goes with them: no redo can reach the saved text any more.
    std::unique_ptr<EditRecord> pNext = std::move(record.next);
    while (pNext) {
        if (pNext.get() == m_pSavePoint)
            m_pSavePoint = nullptr;
        pNext = std::move(pNext->next);
    }
}

EditRecord* CEditHistory::Append(EditRecord::Kind kind, int nStart, std::wstring text) {
    auto pRecord = std::make_unique<EditRecord>();
    pRecord->kind = kind;
    pRecord->start = nStart;
    pRecord->end = nStart + static_cast<int>(text.size());
    pRecord->text = std::move(text);
    pRecord->previous = m_pCurrent;
    DiscardRedo(); // normally done already; this way a save point never outlives its record
    m_pCurrent->next = std::move(pRecord);
    m_pCurrent = m_pCurrent->next.get();
    return m_pCurrent;
}

EditRange CEditHistory::RecordDeletion(int nStart, int nEnd, const wchar_t* pText) {
    if (pText)
        return RecordDeletionIn(pText, m_target.TextLength(), nStart, nEnd);
    int nLength = m_target.TextLength();
    CTextLock lock(m_target);
    if (!lock.Get())
        return EditRange{nStart, nStart};
    return RecordDeletionIn(lock.Get(), nLength, nStart, nEnd);
}

EditRange CEditHistory::RecordDeletionIn(const wchar_t* pText, int nLength, int nStart, int nEnd) {
    if (nStart < 0)
        nStart = 0;
    if (nEnd > nLength)
        nEnd = nLength;
    // At the end of the text there is nothing to remove, and the redo chain stays as it is.
    if (nStart >= nLength || nEnd <= nStart)
        return EditRange{nStart, nStart};

    // Wine's EDIT control moves and deletes one UTF-16 unit at a time: half of a surrogate pair
    // left behind would be lost on saving, so a range never cuts a pair.
    const EditRange whole = WholeSurrogatePairs(pText, nLength, nStart, nEnd);
    nStart = whole.start;
    nEnd = whole.end;
    // A CR LF pair goes whole. Only a real pair widens the range: a lone LF (pasted text can
    // carry one) is removed alone by the control, so it is recorded alone.
    if (pText[nStart] == L'\n' && nStart > 0 && pText[nStart - 1] == L'\r')
        --nStart;
    else if (nEnd < nLength && pText[nEnd] == L'\n' && pText[nEnd - 1] == L'\r')
        ++nEnd;

    DiscardRedo();
    EditRecord& cur = *m_pCurrent;
    // One character (a surrogate pair counts as one) that is not a separator may join the last
    // deletion.
    const int n = nEnd - nStart;
    const bool bOneChar = n == 1 || (n == 2 && IsHighSurrogate(pText[nStart]) && IsLowSurrogate(pText[nStart + 1]));
    const bool bMergeable = cur.kind == EditRecord::Deletion && CanMergeInto(cur) && bOneChar &&
                            !IsSeparator(pText[nStart]) && !IsSeparator(cur.text.back());
    if (bMergeable && nEnd == cur.start) { // Backspace again, just before the last one
        cur.start -= n;
        cur.text.insert(0, pText + nStart, static_cast<size_t>(n));
    } else if (bMergeable && nStart == cur.start) { // Delete again, at the same place
        cur.end += n;
        cur.text.append(pText + nStart, static_cast<size_t>(n));
    } else {
        Append(EditRecord::Deletion, nStart, std::wstring(pText + nStart, static_cast<size_t>(nEnd - nStart)));
    }
    return EditRange{nStart, nEnd};
}

EditRange CEditHistory::RecordInsertion(const wchar_t* pszText, int nStart, int nEnd, bool bApply) {
    if (!pszText)
        pszText = L"";
    int n = static_cast<int>(std::wcslen(pszText));
    int nSelStart = 0, nSelEnd = 0;
    m_target.GetSelection(nSelStart, nSelEnd);
    if (nStart == -1) {
        nStart = nSelStart;
        nEnd = nSelEnd;
    }
    {
        int nLength = m_target.TextLength();
        CTextLock lock(m_target);
        // A caret inside a surrogate pair or a line break (the control's arrow keys, or a caret
        // put there by offset) moves past it, so the new text never lands between its halves.
        if (nStart == nEnd && lock.Get() &&
            (SplitsSurrogatePair(lock.Get(), nLength, nStart) || SplitsLineBreak(lock.Get(), nLength, nStart)))
            nEnd = ++nStart;
        if (nStart != nEnd && lock.Get()) {
            EditRange removed = RecordDeletionIn(lock.Get(), nLength, nStart, nEnd);
            if (!removed.empty()) {
                nStart = removed.start;
                nEnd = removed.end;
                m_pCurrent->joined = true; // the replacement is one step with what follows
            } else {
                DiscardRedo();
            }
        } else {
            DiscardRedo();
        }
        if (n > 0) {
            EditRecord& cur = *m_pCurrent;
            if (cur.kind == EditRecord::Insertion && CanMergeInto(cur) && nStart == cur.end &&
                !IsSeparator(pszText[0]) && !IsSeparator(cur.text.back())) {
                cur.end += n;
                cur.text.append(pszText, static_cast<size_t>(n));
            } else {
                Append(EditRecord::Insertion, nStart, std::wstring(pszText, static_cast<size_t>(n)));
            }
        }
    }
    if (bApply)
        m_target.Replace(nStart, nEnd, pszText, false);
    else if (nStart != nSelStart || nEnd != nSelEnd)
        m_target.SetSelection(nStart, nEnd); // the control replaces exactly what was recorded
    return EditRange{nStart, nEnd};
}

void CEditHistory::ExtendLastInsertionWithLf() {
    if (m_pCurrent->kind != EditRecord::Insertion)
        return;
    ++m_pCurrent->end;
    m_pCurrent->text.push_back(L'\n');
}

void CEditHistory::Unapply(const EditRecord& record) {
    if (record.kind == EditRecord::Deletion)
        m_target.Replace(record.start, record.start, record.text.c_str(), true);
    else if (record.kind == EditRecord::Insertion)
        m_target.Replace(record.start, record.end, L"", true);
}

void CEditHistory::Reapply(const EditRecord& record) {
    if (record.kind == EditRecord::Deletion)
        m_target.Replace(record.start, record.end, L"", true);
    else if (record.kind == EditRecord::Insertion)
        m_target.Replace(record.start, record.start, record.text.c_str(), true);
}

void CEditHistory::UndoEdit() {
    if (!CanUndo())
        return;
    for (;;) {
        bool bJoined = m_pCurrent->joined;
        Unapply(*m_pCurrent);
        m_pCurrent = m_pCurrent->previous;
        if (!(m_pCurrent->joined && !bJoined))
            break;
    }
    if (IsAtSavePoint())
        m_target.MarkUnmodified();
}

void CEditHistory::RedoEdit() {
    if (!CanRedo())
        return;
    for (;;) {
        bool bJoined = m_pCurrent->joined;
        m_pCurrent = m_pCurrent->next.get();
        Reapply(*m_pCurrent);
        if (!(m_pCurrent->joined && m_pCurrent->next && !bJoined))
            break;
    }
    if (IsAtSavePoint())
        m_target.MarkUnmodified();
}

void CEditHistory::ClearHistory(bool bModified) {
    m_pCurrent = &m_root;
    FreeAfter(m_root);
    m_bModifiedAtClear = bModified;
    // A modified text was never saved as it stands, and what was saved is out of reach now.
    m_pSavePoint = bModified ? nullptr : &m_root;
}

void CEditHistory::SetSavePoint() {
    // The current record now stands for the saved text; CanMergeInto keeps the next typed
    // character out of it, so undo and redo can still stop exactly at this text.
    m_pSavePoint = m_pCurrent;
}

size_t CEditHistory::RecordCount() const {
    size_t nCount = 0;
    for (const EditRecord* p = m_root.next.get(); p; p = p->next.get())
        ++nCount;
    return nCount;
}

size_t CEditHistory::MemoryBytes() const {
    size_t nBytes = 0;
    const size_t nInline = std::wstring().capacity();
    for (const EditRecord* p = m_root.next.get(); p; p = p->next.get()) {
        nBytes += sizeof(EditRecord);
        if (p->text.capacity() > nInline)
            nBytes += (p->text.capacity() + 1) * sizeof(wchar_t);
    }
    return nBytes;
}
