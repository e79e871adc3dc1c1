// Random editing on a real EDIT control (typing with CR, spaces and Japanese text, Backspace,
// Delete, replacing selections, cut, paste, input method commits, undo, redo, clear history,
// saves), checked against a plain reference string and a reference save point after every step.
// --seed=N --steps=N run it longer.
#include "TestMain.h"
#include "ViewHost.h"
#include "res/resource.h"
#include <imm.h>
#include <random>
#include <vector>

namespace {

class EditHistoryRandomTest : public ViewHost {
protected:
    std::mt19937 m_rng{g_testRun.seed};
    std::wstring m_ref;                 // what the control must hold
    std::vector<std::wstring> m_states; // texts since the last clear, one per recorded change
    size_t m_pos = 0;                   // which state the text is in
    std::vector<size_t> m_redo;         // states that redo must bring back, last on top
    static constexpr size_t kLost = static_cast<size_t>(-1);
    size_t m_saved = 0;       // the state that was saved last (kLost: no undo or redo reaches it)
    std::wstring m_savedText; // what the file holds

    // What the document's save does to the view and the document.
    void Save() {
        m_view.SetSavePoint();
        m_doc.SetModifiedFlag(false);
        m_saved = m_pos;
        m_savedText = m_ref;
    }
    // The modified mark is clear exactly when the history stands at the saved state; a text that
    // differs from the file is never unmodified.
    void CheckModified(int nStep, const char* what) {
        bool bModified = m_doc.IsModified();
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

    void CommitIme(const std::wstring& text) { ASSERT_TRUE(CommitThroughIme(m_view.m_hWnd, text)); }

    // One editing step; returns a description for failure messages.
    std::string Edit() {
        auto [s0, e0] = Sel();
        auto [s, e] = Whole(s0, e0);
        int op = Rand(10);
        if (op <= 3) { // type one character (CR types CR LF, a pair comes as two WM_CHARs)
            std::wstring text = RandomText(1);
            Type(text == L"\r\n" ? L"\r" : text);
            RefReplace(s, e, text);
            return "type";
        }
        if (op == 4) {
            Type(L"\b");
            if (s0 != e0)
                RefReplace(s, e, L"");
            else if (s0 > 0)
                RefReplace(CharBefore(s0).first, CharBefore(s0).second, L"");
            return "backspace";
        }
        if (op == 5) {
            Key(VK_DELETE);
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
            Select(std::min(a, b), std::max(a, b));
            return "select";
        }
        if (op == 7) {
            std::wstring text = RandomText(6);
            PutOnClipboard(text, m_view.m_hWnd);
            m_view.SendMessage(WM_PASTE);
            RefReplace(s, e, text);
            return "paste";
        }
        if (op == 8) {
            m_view.SendMessage(WM_CUT);
            RefReplace(s, e, L"");
            return "cut";
        }
        std::wstring text = RandomText(4);
        for (auto& ch : text) // an input method commits no line breaks here
            if (ch == L'\r' || ch == L'\n')
                ch = L'語';
        CommitIme(text);
        RefReplace(s, e, text);
        PumpUntil([&] { return Text() == m_ref; }, 2000);
        return "ime";
    }

    void Step(int nStep) {
        int nOp = Rand(199); // clear 0.5 %, undo 20 %, redo 10 %, save 3 %, edits the rest
        const char* what = "";
        if (nOp == 0) {
            what = "clear";
            bool bModified = m_doc.IsModified();
            m_view.ClearHistory(bModified);
            m_states.assign(1, m_ref);
            m_pos = 0;
            m_redo.clear();
            m_saved = bModified ? kLost : 0;
        } else if (nOp <= 40) {
            what = "undo";
            ASSERT_EQ(m_view.GetHistory().CanUndo(), m_pos > 0) << "step " << nStep;
            if (m_pos == 0)
                return;
            Undo();
            std::wstring text = Text();
            size_t k = m_pos;
            while (k > 0 && m_states[--k] != text) {
            }
            ASSERT_EQ(m_states[k], text) << "step " << nStep << ": undo went to no earlier state";
            m_redo.push_back(m_pos);
            m_pos = k;
            m_ref = text;
        } else if (nOp <= 60) {
            what = "redo";
            ASSERT_EQ(m_view.GetHistory().CanRedo(), !m_redo.empty()) << "step " << nStep;
            if (m_redo.empty())
                return;
            Redo();
            m_pos = m_redo.back();
            m_redo.pop_back();
            m_ref = m_states[m_pos];
            ASSERT_EQ(Text(), m_ref) << "step " << nStep << ": redo";
        } else if (nOp <= 66) {
            what = "save";
            Save();
        } else {
            const EditRecord* pBefore = &Current();
            bool bCouldRedo = m_view.GetHistory().CanRedo();
            std::wstring before = m_ref;
            std::string strWhat = Edit();
            what = "edit";
            ASSERT_EQ(Text(), m_ref) << "step " << nStep << ": " << strWhat;
            if (m_ref != before || &Current() != pBefore || (bCouldRedo && !m_view.GetHistory().CanRedo())) {
                m_states.resize(m_pos + 1);
                if (m_saved != kLost && m_saved > m_pos)
                    m_saved = kLost; // the saved state was in the redo chain just dropped
                m_states.push_back(m_ref);
                ++m_pos;
                m_redo.clear();
            }
        }
        CheckModified(nStep, what);
    }
};

TEST_F(EditHistoryRandomTest, RandomEditingUndoAndRedoMatchTheReference) {
    int nSteps = g_testRun.steps > 0 ? g_testRun.steps : 2000;
    std::cout << "seed " << g_testRun.seed << ", " << nSteps << " steps\n";
    Load(L"start\r\ntext");
    m_ref = Text();
    m_states.assign(1, m_ref);
    m_savedText = m_ref;
    for (int i = 0; i < nSteps; ++i) {
        Step(i);
        if (HasFatalFailure())
            return;
    }
    // Undoing everything gives the text of the last clear; redoing everything the final text.
    std::wstring final = Text();
    while (m_view.GetHistory().CanUndo())
        Undo();
    EXPECT_EQ(Text(), m_states.front());
    while (m_view.GetHistory().CanRedo())
        Redo();
    EXPECT_EQ(Text(), m_redo.empty() ? final : m_states[m_redo.front()]);
}

} // namespace
