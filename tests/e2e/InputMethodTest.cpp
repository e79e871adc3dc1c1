// End-to-end checks of input method text: every committed or typed character lands in the editor
// exactly once, in order, wherever the caret is, with commits made through the editor's real input
// method context (ImeCommit.h) and characters and keys posted through its message loop.
#include "ImeCommit.h"
#include "TessarinApp.h"
#include <random>

using namespace e2e;

namespace {
// A plain string with a caret: what the editor's text must be after each step.
struct TextModel {
    std::wstring text;
    size_t caret = 0;
    void Insert(const std::wstring& s) {
        text.insert(caret, s);
        caret += s.size();
    }
};
} // namespace

class InputMethodE2E : public TessarinE2E {
protected:
    void SetUp() override {
        TessarinE2E::SetUp();
        if (IsSkipped())
            return;
        ASSERT_NE(Launch(), nullptr);
        m_edit = Edit();
        ASSERT_NE(m_edit, nullptr);
        m_ime = std::make_unique<CImeCommitter>(m_app, m_app.MainThreadId());
        ASSERT_TRUE(m_ime->IsReady()) << "ImeCommitHook.dll could not be hooked into the editor";
    }
    void PostImeChars(const std::wstring& s) const {
        for (wchar_t ch : s)
            ASSERT_TRUE(::PostMessageW(m_edit, WM_IME_CHAR, ch, 1));
    }
    // Waits until the editor shows the model's text with the caret where the model has it.
    void ExpectModel(const TextModel& model, const std::string& context) const {
        const auto caret = static_cast<long>(model.caret);
        const bool bSame = WaitUntil(
            [&] { return WindowText(m_edit) == model.text && EditSelection(m_edit) == std::make_pair(caret, caret); },
            5000);
        ASSERT_TRUE(bSame) << context << "\n  editor: " << testing::PrintToString(WindowText(m_edit)) << " caret "
                           << EditSelection(m_edit).first << "\n  model:  " << testing::PrintToString(model.text)
                           << " caret " << model.caret;
    }
    HWND m_edit = nullptr;
    std::unique_ptr<CImeCommitter> m_ime;
};

// The reported case: a commit used to swallow as many of the characters typed after it as it had.
TEST_F(InputMethodE2E, CharactersAfterACommitAllArrive) {
    TextModel model;
    PostImeChars(L"AB");
    model.Insert(L"AB");
    ASSERT_TRUE(m_ime->PostCommit(m_edit, L"かな"));
    model.Insert(L"かな");
    PostImeChars(L"CDE");
    model.Insert(L"CDE");
    ExpectModel(model, "WM_IME_CHAR AB, commit かな, WM_IME_CHAR CDE");
    ASSERT_TRUE(m_ime->PostCommit(m_edit, L"日本語の入力です"));
    model.Insert(L"日本語の入力です");
    ASSERT_TRUE(m_app.PostText(L"xyz", m_edit));
    model.Insert(L"xyz");
    ExpectModel(model, "commit of 8, then WM_CHAR xyz");
    ExitDiscarding();
}

// Commits, WM_IME_CHAR, WM_CHAR and caret moves in random order against a string with a caret.
// Each batch of posted steps is checked once the editor has handled it; a batch ends with a commit
// so that anything a commit might still send comes before the next batch's steps.
TEST_F(InputMethodE2E, RandomInterleavingMatchesAPlainString) {
    const unsigned seed = std::random_device{}();
    std::mt19937 rng(seed);
    const std::wstring pool = L"abcXYZ019 あいうかなカナ日本語漢字変換ー。、！ｱｲ";
    auto pick = [&](size_t n) { return std::uniform_int_distribution<size_t>(0, n - 1)(rng); };
    auto randomText = [&](size_t nMax) {
        std::wstring s(1 + pick(nMax), L' ');
        for (wchar_t& ch : s)
            ch = pool[pick(pool.size())];
        return s;
    };
    TextModel model;
    std::string log;
    for (int batch = 0; batch < 30; ++batch) {
        const size_t nSteps = 1 + pick(6);
        for (size_t i = 0; i < nSteps; ++i) {
            switch (pick(4)) {
            case 0: { // a commit in the middle of the batch
                const std::wstring s = randomText(9);
                ASSERT_TRUE(m_ime->PostCommit(m_edit, s));
                model.Insert(s);
                log += " commit" + std::to_string(s.size());
                break;
            }
            case 1: {
                const std::wstring s = randomText(4);
                PostImeChars(s);
                model.Insert(s);
                log += " imechar" + std::to_string(s.size());
                break;
            }
            case 2: {
                std::wstring s = randomText(4);
                ASSERT_TRUE(m_app.PostText(s, m_edit));
                model.Insert(s);
                log += " char" + std::to_string(s.size());
                break;
            }
            default: {
                static const WORD keys[] = {VK_LEFT, VK_RIGHT, VK_HOME, VK_END, VK_LEFT, VK_LEFT};
                const WORD vk = keys[pick(std::size(keys))];
                ASSERT_TRUE(m_app.PostKey(vk, m_edit));
                if (vk == VK_LEFT)
                    model.caret = model.caret > 0 ? model.caret - 1 : 0;
                else if (vk == VK_RIGHT)
                    model.caret = std::min(model.caret + 1, model.text.size());
                else
                    model.caret = vk == VK_HOME ? 0 : model.text.size();
                log += vk == VK_LEFT ? " left" : vk == VK_RIGHT ? " right" : vk == VK_HOME ? " home" : " end";
                break;
            }
            }
        }
        const std::wstring s = randomText(9);
        ASSERT_TRUE(m_ime->PostCommit(m_edit, s));
        model.Insert(s);
        log += " commit" + std::to_string(s.size()) + " |";
        ExpectModel(model, "seed " + std::to_string(seed) + ", steps:" + log);
        if (HasFatalFailure())
            return;
    }
    // Nothing late: a character posted last lands right after everything else.
    ASSERT_TRUE(m_app.PostText(L"#", m_edit));
    model.Insert(L"#");
    ExpectModel(model, "seed " + std::to_string(seed) + ", after the last step");
    ExitDiscarding();
}
