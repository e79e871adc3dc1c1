// Measures the edit history: time and memory for 1,000,000 typed characters (recorder alone over
// a plain string, and the per-character cost through the real EDIT control), and undo and redo of
// a 10 MB paste in the real control. Prints one line per figure.
#include "framework/Clipboard.h"
#include "framework/Document.h"
#include "framework/FrameWnd.h"
#include "framework/FrameworkIds.h"
#include "view/TessarinView.h"
#include <windows.h>
#include <psapi.h>
#include <chrono>
#include <cstdio>
#include <random>
#include <string>

namespace {
double Seconds(std::chrono::steady_clock::time_point t0) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

size_t WorkingSetBytes() {
    PROCESS_MEMORY_COUNTERS_EX pmc{};
    pmc.cb = sizeof(pmc);
    ::K32GetProcessMemoryInfo(::GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&pmc), sizeof(pmc));
    return pmc.WorkingSetSize; // Wine leaves PrivateUsage at 0
}

// The recorder's view of a plain string, so the history's own cost is measured apart from the
// control's layout work.
class CStringTarget : public IEditTarget {
public:
    std::wstring m_text;
    int m_nStart = 0, m_nEnd = 0;
    const wchar_t* LockText() override { return m_text.c_str(); }
    void UnlockText() override {}
    int TextLength() override { return static_cast<int>(m_text.size()); }
    void GetSelection(int& s, int& e) override { s = m_nStart, e = m_nEnd; }
    void SetSelection(int s, int e) override { m_nStart = s, m_nEnd = e; }
    void Replace(int s, int e, const wchar_t* psz, bool) override {
        m_text.replace(s, e - s, psz);
        m_nStart = m_nEnd = s + static_cast<int>(wcslen(psz));
    }
    void MarkUnmodified() override {}
};

// Words of 1 to 9 letters, a space between them, Enter about every 70 characters.
std::wstring TypingSample(size_t nChars) {
    std::mt19937 rng(1);
    std::wstring s;
    size_t nLine = 0;
    while (s.size() < nChars) {
        for (int i = std::uniform_int_distribution<int>(1, 9)(rng); i > 0; --i)
            s += static_cast<wchar_t>(L'a' + rng() % 26);
        nLine += 10;
        s += nLine > 70 ? (nLine = 0, L'\r') : L' ';
    }
    s.resize(nChars);
    return s;
}

void BenchRecorder(size_t nChars) {
    std::wstring keys = TypingSample(nChars);
    CStringTarget target;
    CEditHistory history(target);
    size_t nMem0 = WorkingSetBytes();
    auto t0 = std::chrono::steady_clock::now();
    for (wchar_t ch : keys) {
        const wchar_t sz[2] = {ch, 0};
        history.RecordInsertion(sz, -1, -1, false);
        if (ch == L'\r') {
            history.ExtendLastInsertionWithLf();
            target.Replace(target.m_nStart, target.m_nEnd, L"\r\n", false);
        } else {
            target.Replace(target.m_nStart, target.m_nEnd, sz, false);
        }
    }
    double dType = Seconds(t0);
    size_t nMem1 = WorkingSetBytes();
    size_t nRecords = history.RecordCount(), nBytes = history.MemoryBytes();
    std::printf("typed %zu chars (recorder over a string): %.3f s, %.1f ns/char\n", nChars, dType,
                dType * 1e9 / static_cast<double>(nChars));
    std::printf("  records %zu, history bytes %zu (%.1f per record, %.1f per char), working set grew %.1f MB "
                "(text included)\n",
                nRecords, nBytes, static_cast<double>(nBytes) / static_cast<double>(nRecords),
                static_cast<double>(nBytes) / static_cast<double>(nChars), (nMem1 - nMem0) / 1048576.0);
    t0 = std::chrono::steady_clock::now();
    while (history.CanUndo())
        history.UndoEdit();
    std::printf("  undo all: %.3f s, text empty: %s\n", Seconds(t0), target.m_text.empty() ? "yes" : "NO");
    t0 = std::chrono::steady_clock::now();
    while (history.CanRedo())
        history.RedoEdit();
    std::printf("  redo all: %.3f s, text restored: %s\n", Seconds(t0), target.m_text.size() > nChars ? "yes" : "NO");
    t0 = std::chrono::steady_clock::now();
    history.ClearHistory(false);
    std::printf("  clear history: %.3f s\n", Seconds(t0));
}

void BenchControlTyping(CTessarinView& view, size_t nChars) {
    std::wstring keys = TypingSample(nChars);
    view.SetWindowText(L"");
    view.ClearHistory(false);
    auto t0 = std::chrono::steady_clock::now();
    for (wchar_t ch : keys)
        view.SendMessage(WM_CHAR, ch, 1);
    double d = Seconds(t0);
    std::printf("typed %zu chars into the EDIT control: %.3f s, %.2f ms/char, %zu records\n", nChars, d,
                d * 1e3 / static_cast<double>(nChars), view.GetHistory().RecordCount());
}

void BenchPaste(CTessarinView& view, size_t nBytes) {
    std::wstring line(98, L'x');
    line += L"\r\n";
    std::wstring text;
    while (text.size() * sizeof(wchar_t) < nBytes)
        text += line;
    view.SetWindowText(L"");
    view.ClearHistory(false);
    {
        CClipboard clipboard(view.m_hWnd);
        clipboard.SetText(text);
    }
    size_t nMem0 = WorkingSetBytes();
    auto t0 = std::chrono::steady_clock::now();
    view.SendMessage(WM_PASTE);
    double dPaste = Seconds(t0);
    size_t nMem1 = WorkingSetBytes();
    t0 = std::chrono::steady_clock::now();
    view.UndoEdit();
    double dUndo = Seconds(t0);
    int nAfterUndo = view.GetTextLength();
    t0 = std::chrono::steady_clock::now();
    view.RedoEdit();
    double dRedo = Seconds(t0);
    std::printf(
        "paste of %.1f MB (%zu lines) into the EDIT control: %.2f s (working set grew %.1f MB, record %.1f MB)\n",
        static_cast<double>(text.size() * 2) / 1048576.0, text.size() / line.size(), dPaste,
        (nMem1 - nMem0) / 1048576.0, static_cast<double>(view.GetHistory().MemoryBytes()) / 1048576.0);
    std::printf("  undo: %.2f s (length after %d), redo: %.2f s (length after %d of %zu)\n", dUndo, nAfterUndo, dRedo,
                view.GetTextLength(), text.size());
}
} // namespace

int main(int argc, char** argv) {
    size_t nTyped = 1000000, nControlTyped = 5000, nPasteBytes = 10u << 20;
    if (argc > 1)
        nTyped = std::strtoul(argv[1], nullptr, 10);
    if (argc > 2)
        nControlTyped = std::strtoul(argv[2], nullptr, 10);
    BenchRecorder(nTyped);

    CFrameWnd frame;
    CDocument doc;
    CTessarinView view;
    RECT rc{0, 0, 800, 600};
    if (!frame.Create(L"EditHistoryBench", WS_OVERLAPPEDWINDOW, &rc))
        return 1;
    view.SetDocument(&doc);
    if (!view.Create(frame.m_hWnd, AFX_IDW_PANE_FIRST, frame.GetClientRect()))
        return 1;
    frame.SetActiveView(&view);
    BenchControlTyping(view, nControlTyped);
    BenchPaste(view, nPasteBytes);
    frame.DestroyWindow();
    return 0;
}
