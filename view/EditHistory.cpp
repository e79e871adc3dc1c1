// Recording, merging and replaying edit records. Typed characters merge into word-sized records;
// a replaced selection is a deletion joined to the insertion that follows it, so it is one step.
#include "view/EditHistory.h"
#include "view/TextStore.h"
#include <algorithm>
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

std::wstring IEditTarget::ReadText(int nStart, int nEnd) {
    const int nLength = TextLength();
    nStart = std::clamp(nStart, 0, nLength);
    nEnd = std::clamp(nEnd, nStart, nLength);
    CTextLock lock(*this);
    return lock.Get() ? std::wstring(lock.Get() + nStart, lock.Get() + nEnd) : std::wstring();
}

EditRange IEditTarget::WholeCharacters(int nStart, int nEnd) {
    const int nLength = TextLength();
    CTextLock lock(*this);
    if (!lock.Get())
        return EditRange{nStart, nEnd};
    const wchar_t* p = lock.Get();
    auto at = [p](int i) { return p[i]; };
    while (nStart > 0 && nStart < nLength && !CTextStore::IsBoundaryIn(at, nLength, nStart))
        --nStart;
    while (nEnd > 0 && nEnd < nLength && !CTextStore::IsBoundaryIn(at, nLength, nEnd))
        ++nEnd;
    return EditRange{nStart, nEnd};
}

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

EditRange CEditHistory::RecordDeletion(int nStart, int nEnd) {
    const int nLength = m_target.TextLength();
    nStart = std::max(nStart, 0);
    nEnd = std::min(nEnd, nLength);
    // At the end of the text there is nothing to remove, and the redo chain stays as it is.
    if (nStart >= nLength || nEnd <= nStart)
        return EditRange{nStart, nStart};
    // A character goes whole: half a surrogate pair left behind would be lost on saving, a lone
    // CR or LF would be a new line end, a combining mark alone would land on another character.
    const EditRange whole = m_target.WholeCharacters(nStart, nEnd);
    std::wstring text = m_target.ReadText(whole.start, whole.end);
    if (static_cast<int>(text.size()) != whole.end - whole.start)
        return EditRange{nStart, nStart}; // the text could not be read: nothing recorded
    RecordRemoved(whole.start, std::move(text));
    return whole;
}

void CEditHistory::RecordRemoved(int nStart, std::wstring text) {
    DiscardRedo();
    EditRecord& cur = *m_pCurrent;
    // One character (a surrogate pair counts as one) that is not a separator may join the last
    // deletion.
    const int n = static_cast<int>(text.size());
    const bool bOneChar = n == 1 || (n == 2 && IsHighSurrogate(text[0]) && IsLowSurrogate(text[1]));
    const bool bMergeable = cur.kind == EditRecord::Deletion && CanMergeInto(cur) && bOneChar &&
                            !IsSeparator(text[0]) && !IsSeparator(cur.text.back());
    if (bMergeable && nStart + n == cur.start) { // Backspace again, just before the last one
        cur.start -= n;
        cur.text.insert(0, text);
    } else if (bMergeable && nStart == cur.start) { // Delete again, at the same place
        cur.end += n;
        cur.text.append(text);
    } else {
        Append(EditRecord::Deletion, nStart, std::move(text));
    }
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
    // A caret inside a character (the control's arrow keys, or a caret put there by offset) moves
    // past it, so the new text never lands between a pair's halves or a character and its marks.
    if (nStart == nEnd) {
        const EditRange whole = m_target.WholeCharacters(nStart, nEnd);
        if (whole.start != nStart)
            nStart = nEnd = whole.end;
    }
    if (nStart != nEnd) {
        EditRange removed = RecordDeletion(nStart, nEnd);
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
        if (cur.kind == EditRecord::Insertion && CanMergeInto(cur) && nStart == cur.end && !IsSeparator(pszText[0]) &&
            !IsSeparator(cur.text.back())) {
            cur.end += n;
            cur.text.append(pszText, static_cast<size_t>(n));
        } else {
            Append(EditRecord::Insertion, nStart, std::wstring(pszText, static_cast<size_t>(n)));
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
