// The random editing run of the unit tests on the real view and EDIT control, shorter: typing,
// Backspace, Delete, cut and paste through the clipboard and input method commits reach the
// control by its messages, so any difference between the control and the string the unit tests
// use shows up here. --seed=N --steps=N (or TESSARIN_TEST_SEED, TESSARIN_TEST_STEPS) run it longer.
#include "EditHistoryRandomRun.h"
#include "TestMain.h"
#include "ViewHost.h"

namespace {

class EditHistoryRandomTest : public ViewHost, public IEditorUnderTest {
protected:
    void Type(const std::wstring& chars) override { ViewHost::Type(chars); }
    void DeleteKey() override { Key(VK_DELETE); }
    void Select(int nStart, int nEnd) override { ViewHost::Select(nStart, nEnd); }
    void Paste(const std::wstring& text) override {
        PutOnClipboard(text, m_view.m_hWnd);
        m_view.SendMessage(WM_PASTE);
    }
    void Cut() override { m_view.SendMessage(WM_CUT); }
    void CommitIme(const std::wstring& text, const std::wstring& expected) override {
        ASSERT_TRUE(CommitThroughIme(m_view.m_hWnd, text));
        PumpUntil([&] { return Text() == expected; }, 2000);
    }
    void Undo() override { ViewHost::Undo(); }
    void Redo() override { ViewHost::Redo(); }
    void ClearHistory(bool bModified) override { m_view.ClearHistory(bModified); }
    // What the document's save does to the view and the document.
    void Save() override {
        m_view.SetSavePoint();
        m_doc.SetModifiedFlag(false);
    }
    std::wstring Text() override { return ViewHost::Text(); }
    std::pair<int, int> Sel() override { return ViewHost::Sel(); }
    bool IsModified() override { return m_doc.IsModified(); }
    const CEditHistory& History() override { return m_view.GetHistory(); }
};

TEST_F(EditHistoryRandomTest, RandomEditingUndoAndRedoMatchTheReference) {
    const int nSteps = g_testRun.steps > 0 ? g_testRun.steps : 300;
    std::cout << "seed " << g_testRun.seed << ", " << nSteps << " steps\n";
    Load(L"start\r\ntext");
    CRandomEditRun(*this, g_testRun.seed).Run(nSteps);
}

} // namespace
