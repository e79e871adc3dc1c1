// Random editing on a real EDIT control (typing with CR, spaces and Japanese text, Backspace,
// Delete, replacing selections, cut, paste, input method commits, undo, redo, clear history),
// checked against a plain reference string after every step. --seed=N --steps=N run it longer.
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

    int Rand(int nMax) { return std::uniform_int_distribution<int>(0, nMax)(m_rng); }

    // A random offset that does not split a CR LF pair.
    int RandomOffset() {
        int n = Rand(static_cast<int>(m_ref.size()));
        if (n > 0 && n < static_cast<int>(m_ref.size()) && m_ref[n] == L'\n' && m_ref[n - 1] == L'\r')
            --n;
        return n;
    }
    std::wstring RandomText(int nMaxLen) {
        static const wchar_t kPool[] = L"abcxyz  \r\r日本語かな漢字";
        std::wstring s;
        for (int i = Rand(nMaxLen - 1) + 1; i > 0; --i) {
            wchar_t ch = kPool[Rand(static_cast<int>(std::size(kPool)) - 2)];
            s += ch;
            if (ch == L'\r')
                s += L'\n';
        }
        return s;
    }

    // The reference edit: [s, e) becomes text, caret after it.
    void RefReplace(int s, int e, const std::wstring& text) { m_ref.replace(s, e - s, text); }
    // What one Backspace or Delete at the caret removes: a CR LF pair whole.
    std::pair<int, int> CharBefore(int p) const {
        return (p >= 2 && m_ref[p - 1] == L'\n' && m_ref[p - 2] == L'\r') ? std::make_pair(p - 2, p)
                                                                          : std::make_pair(p - 1, p);
    }
    std::pair<int, int> CharAt(int p) const {
        return (p + 1 < static_cast<int>(m_ref.size()) && m_ref[p] == L'\r' && m_ref[p + 1] == L'\n')
                   ? std::make_pair(p, p + 2)
                   : std::make_pair(p, p + 1);
    }

    void CommitIme(const std::wstring& text) {
        HIMC hImc = ::ImmGetContext(m_view.m_hWnd);
        ASSERT_NE(hImc, nullptr);
        ::ImmSetCompositionStringW(hImc, SCS_SETSTR, const_cast<wchar_t*>(text.c_str()),
                                   static_cast<DWORD>(text.size() * sizeof(wchar_t)), nullptr, 0);
        ::ImmNotifyIME(hImc, NI_COMPOSITIONSTR, CPS_COMPLETE, 0);
        ::ImmReleaseContext(m_view.m_hWnd, hImc);
    }

    // One editing step; returns a description for failure messages.
    std::string Edit() {
        auto [s, e] = Sel();
        int op = Rand(10);
        if (op <= 3) { // type one character
            std::wstring text = RandomText(1);
            Type(text.substr(0, 1));
            RefReplace(s, e, text);
            return "type";
        }
        if (op == 4) {
            Type(L"\b");
            if (s != e)
                RefReplace(s, e, L"");
            else if (s > 0)
                RefReplace(CharBefore(s).first, CharBefore(s).second, L"");
            return "backspace";
        }
        if (op == 5) {
            Key(VK_DELETE);
            if (s != e)
                RefReplace(s, e, L"");
            else if (s < static_cast<int>(m_ref.size()))
                RefReplace(CharAt(s).first, CharAt(s).second, L"");
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
        int nOp = Rand(199); // clear 0.5 %, undo 20 %, redo 10 %, edits the rest
        if (nOp == 0) {
            m_view.ClearHistory(m_doc.IsModified());
            m_states.assign(1, m_ref);
            m_pos = 0;
            m_redo.clear();
        } else if (nOp <= 40) {
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
            ASSERT_EQ(m_view.GetHistory().CanRedo(), !m_redo.empty()) << "step " << nStep;
            if (m_redo.empty())
                return;
            Redo();
            m_pos = m_redo.back();
            m_redo.pop_back();
            m_ref = m_states[m_pos];
            ASSERT_EQ(Text(), m_ref) << "step " << nStep << ": redo";
        } else {
            const EditRecord* pBefore = &Current();
            bool bCouldRedo = m_view.GetHistory().CanRedo();
            std::wstring before = m_ref;
            std::string what = Edit();
            ASSERT_EQ(Text(), m_ref) << "step " << nStep << ": " << what;
            if (m_ref != before || &Current() != pBefore || (bCouldRedo && !m_view.GetHistory().CanRedo())) {
                m_states.resize(m_pos + 1);
                m_states.push_back(m_ref);
                ++m_pos;
                m_redo.clear();
            }
        }
    }
};

TEST_F(EditHistoryRandomTest, RandomEditingUndoAndRedoMatchTheReference) {
    int nSteps = g_testRun.steps > 0 ? g_testRun.steps : 2000;
    std::cout << "seed " << g_testRun.seed << ", " << nSteps << " steps\n";
    Load(L"start\r\ntext");
    m_ref = Text();
    m_states.assign(1, m_ref);
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
