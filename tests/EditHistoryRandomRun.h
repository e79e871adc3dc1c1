#pragma once
// Random editing (typing with CR, spaces and Japanese text, Backspace, Delete, replacing
// selections, cut, paste, input method commits, undo, redo, clear history, saves), checked against
// a plain reference string and a reference save point after every step. One run, two editors: the
// history on a plain string (unit tests, long) and on the real view and EDIT control (window
// tests, short), so a difference between the string and the control shows up as a failure there.
#include <gtest/gtest.h>
#include <algorithm>
#include <cstdint>
#include <iostream>
#include <iterator>
#include <random>
#include <string>
#include <utility>
#include <vector>
#include "view/EditHistory.h"

// The editor as the run drives it, through the routes the view offers.
class IEditorUnderTest {
public:
    virtual ~IEditorUnderTest() = default;
    virtual void Type(const std::wstring& chars) = 0; // WM_CHAR each: L'\b' Backspace, L'\r' Enter
    virtual void DeleteKey() = 0;
    virtual void Select(int nStart, int nEnd) = 0;
    virtual void Paste(const std::wstring& text) = 0; // the clipboard holds text, then WM_PASTE
    virtual void Cut() = 0;
    // An input method commits text; expected is what the text is once it is in.
    virtual void CommitIme(const std::wstring& text, const std::wstring& expected) = 0;
    virtual void Undo() = 0;
    virtual void Redo() = 0;
    virtual void ClearHistory(bool bModified) = 0;
    virtual void Save() = 0; // what the document's save does to the history and the modified mark
    virtual std::wstring Text() = 0;
    virtual std::pair<int, int> Sel() = 0;
    virtual bool IsModified() = 0;
    virtual const CEditHistory& History() = 0;
};

class CRandomEditRun {
public:
    CRandomEditRun(IEditorUnderTest& editor, uint32_t nSeed) : m_ed(editor), m_rng(nSeed) {}

    // The editor holds its start text with an empty, unmodified history.
    void Run(int nSteps) {
        m_ref = m_ed.Text();
        m_states.assign(1, m_ref);
        m_records.assign(1, &m_ed.History().Current());
        m_savedText = m_ref;
        for (int i = 0; i < nSteps; ++i) {
            Step(i);
            if (::testing::Test::HasFatalFailure())
                return;
        }
        // Undoing everything gives the text of the last clear; redoing everything the final text.
        std::wstring final = m_ed.Text();
        while (m_ed.History().CanUndo())
            m_ed.Undo();
        EXPECT_EQ(m_ed.Text(), m_states.front());
        while (m_ed.History().CanRedo())
            m_ed.Redo();
        EXPECT_EQ(m_ed.Text(), m_redo.empty() ? final : m_states[m_redo.front()]);
    }

private:
    IEditorUnderTest& m_ed;
    std::mt19937 m_rng;
    std::wstring m_ref;                 // what the editor must hold
    std::vector<std::wstring> m_states; // texts since the last clear, one per recorded change
    // The history's current record in each state: two states may hold the same text (a selection
    // replaced by itself), and undo may then stop at either, by the records it undoes (a record
    // that typing after it grew goes at once).
    std::vector<const EditRecord*> m_records;
    size_t m_pos = 0;           // which state the text is in
    std::vector<size_t> m_redo; // states that redo must bring back, last on top
    static constexpr size_t kLost = static_cast<size_t>(-1);
    size_t m_saved = 0;       // the state that was saved last (kLost: no undo or redo reaches it)
    std::wstring m_savedText; // what the file holds

    void Save() {
        m_ed.Save();
        m_saved = m_pos;
        m_savedText = m_ref;
    }
    // The modified mark is clear exactly when the history stands at the saved state; a text that
    // differs from the file is never unmodified.
    void CheckModified(int nStep, const char* what) {
        bool bModified = m_ed.IsModified();
        ASSERT_EQ(bModified, m_pos != m_saved) << "step " << nStep << ": " << what;
        if (m_ref != m_savedText) {
            ASSERT_TRUE(bModified) << "step " << nStep << ": " << what;
        }
    }

    int Rand(int nMax) { return std::uniform_int_distribution<int>(0, nMax)(m_rng); }

    // A random offset that does not split a CR LF pair (it may split a surrogate pair, as the
    // control's arrow keys do).
    int RandomOffset() {
        int n = Rand(static_cast<int>(m_ref.size()));
        if (n > 0 && n < static_cast<int>(m_ref.size()) && m_ref[n] == L'\n' && m_ref[n - 1] == L'\r')
            --n;
        return n;
    }
    std::wstring RandomText(int nMaxLen) {
        static const wchar_t kPool[] = L"abcxyz  \r\r日本語かな漢字@@";
        std::wstring s;
        for (int i = Rand(nMaxLen - 1) + 1; i > 0; --i) {
            wchar_t ch = kPool[Rand(static_cast<int>(std::size(kPool)) - 2)];
            if (ch == L'@') // a character outside the BMP: a surrogate pair
                s += Rand(1) ? L"\xD83D\xDE00" : L"\xD842\xDFB7";
            else
                s += ch;
            if (ch == L'\r')
                s += L'\n';
        }
        return s;
    }

    bool SplitsPair(int p) const {
        return p > 0 && p < static_cast<int>(m_ref.size()) && IsHighSurrogate(m_ref[p - 1]) && IsLowSurrogate(m_ref[p]);
    }
    // What an edit of the selection [s, e) acts on: a selection is widened to whole surrogate
    // pairs; a caret inside a pair goes after it.
    std::pair<int, int> Whole(int s, int e) const {
        if (s == e)
            return SplitsPair(s) ? std::make_pair(s + 1, s + 1) : std::make_pair(s, s);
        return {SplitsPair(s) ? s - 1 : s, SplitsPair(e) ? e + 1 : e};
    }

    // The reference edit: [s, e) becomes text, caret after it.
    void RefReplace(int s, int e, const std::wstring& text) { m_ref.replace(s, e - s, text); }
    // What one Backspace or Delete at the caret removes: a CR LF pair or a surrogate pair whole,
    // and the pair the caret is inside.
    std::pair<int, int> CharBefore(int p) const {
        if (SplitsPair(p))
            return {p - 1, p + 1};
        if (p >= 2 && ((m_ref[p - 1] == L'\n' && m_ref[p - 2] == L'\r') || SplitsPair(p - 1)))
            return {p - 2, p};
        return {p - 1, p};
    }
    std::pair<int, int> CharAt(int p) const {
        if (SplitsPair(p))
            return {p - 1, p + 1};
        if (p + 1 < static_cast<int>(m_ref.size()) &&
            ((m_ref[p] == L'\r' && m_ref[p + 1] == L'\n') || SplitsPair(p + 1)))
            return {p, p + 2};
        return {p, p + 1};
    }

    // One editing step; returns a description for failure messages.
    std::string Edit() {
        auto [s0, e0] = m_ed.Sel();
        auto [s, e] = Whole(s0, e0);
        int op = Rand(10);
        if (op <= 3) { // type one character (CR types CR LF, a pair comes as two WM_CHARs)
            std::wstring text = RandomText(1);
            m_ed.Type(text == L"\r\n" ? L"\r" : text);
            RefReplace(s, e, text);
            return "type";
        }
        if (op == 4) {
            m_ed.Type(L"\b");
            if (s0 != e0)
                RefReplace(s, e, L"");
            else if (s0 > 0)
                RefReplace(CharBefore(s0).first, CharBefore(s0).second, L"");
            return "backspace";
        }
        if (op == 5) {
            m_ed.DeleteKey();
            if (s0 != e0)
                RefReplace(s, e, L"");
            else if (s0 < static_cast<int>(m_ref.size()))
                RefReplace(CharAt(s0).first, CharAt(s0).second, L"");
            return "delete";
        }
        if (op == 6) { // select, then maybe type over or cut it
            int a = RandomOffset(), b = RandomOffset();
            if (m_ref.size() > 300)
                a = 0, b = static_cast<int>(m_ref.size()) / 2; // keep the text small
            m_ed.Select(std::min(a, b), std::max(a, b));
            return "select";
        }
        if (op == 7) {
            std::wstring text = RandomText(6);
            m_ed.Paste(text);
            RefReplace(s, e, text);
            return "paste";
        }
        if (op == 8) {
            m_ed.Cut();
            RefReplace(s, e, L"");
            return "cut";
        }
        std::wstring text = RandomText(4);
        for (auto& ch : text) // an input method commits no line breaks here
            if (ch == L'\r' || ch == L'\n')
                ch = L'語';
        RefReplace(s, e, text);
        m_ed.CommitIme(text, m_ref);
        return "ime";
    }

    void Step(int nStep) {
        int nOp = Rand(199); // clear 0.5 %, undo 20 %, redo 10 %, save 3 %, edits the rest
        const char* what = "";
        if (nOp == 0) {
            what = "clear";
            bool bModified = m_ed.IsModified();
            m_ed.ClearHistory(bModified);
            m_states.assign(1, m_ref);
            m_records.assign(1, &m_ed.History().Current());
            m_pos = 0;
            m_redo.clear();
            m_saved = bModified ? kLost : 0;
        } else if (nOp <= 40) {
            what = "undo";
            ASSERT_EQ(m_ed.History().CanUndo(), m_pos > 0) << "step " << nStep;
            if (m_pos == 0)
                return;
            m_ed.Undo();
            std::wstring text = m_ed.Text();
            const EditRecord* pCurrent = &m_ed.History().Current();
            size_t k = m_pos;
            while (k > 0 && (m_states[--k] != text || m_records[k] != pCurrent)) {
            }
            ASSERT_TRUE(m_states[k] == text && m_records[k] == pCurrent)
                << "step " << nStep << ": undo went to no earlier state";
            m_redo.push_back(m_pos);
            m_pos = k;
            m_ref = text;
        } else if (nOp <= 60) {
            what = "redo";
            ASSERT_EQ(m_ed.History().CanRedo(), !m_redo.empty()) << "step " << nStep;
            if (m_redo.empty())
                return;
            m_ed.Redo();
            m_pos = m_redo.back();
            m_redo.pop_back();
            m_ref = m_states[m_pos];
            ASSERT_EQ(m_ed.Text(), m_ref) << "step " << nStep << ": redo";
            ASSERT_EQ(&m_ed.History().Current(), m_records[m_pos]) << "step " << nStep << ": redo";
        } else if (nOp <= 66) {
            what = "save";
            Save();
        } else {
            const EditRecord* pBefore = &m_ed.History().Current();
            bool bCouldRedo = m_ed.History().CanRedo();
            std::wstring before = m_ref;
            std::string strWhat = Edit();
            what = "edit";
            ASSERT_EQ(m_ed.Text(), m_ref) << "step " << nStep << ": " << strWhat;
            if (m_ref != before || &m_ed.History().Current() != pBefore || (bCouldRedo && !m_ed.History().CanRedo())) {
                m_states.resize(m_pos + 1);
                m_records.resize(m_pos + 1);
                if (m_saved != kLost && m_saved > m_pos)
                    m_saved = kLost; // the saved state was in the redo chain just dropped
                m_states.push_back(m_ref);
                m_records.push_back(&m_ed.History().Current());
                ++m_pos;
                m_redo.clear();
            }
        }
        CheckModified(nStep, what);
    }
};
