// Measures the search engine: Find Next across a large text whose only match is at its end (the
// matcher over a buffer, both case modes), the fast Replace All's output builder with many
// matches, the whole Replace All through a real view and its text control in both modes (the
// control update apart, the repaint included), and the Replace button pressed match by match.
// Each buffer figure has beside it a plain std::wstring_view::find over the same buffer, the
// floor. Prints one line per figure; best of three for the buffer figures.
#include "bench/BenchText.h"
#include "document/TessarinDoc.h"
#include "framework/FrameWnd.h"
#include "framework/FrameworkIds.h"
#include "search/ReplaceAll.h"
#include "search/SearchEngine.h"
#include "search/TextMatch.h"
#include "view/TessarinView.h"
#include <windows.h>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>

namespace {

using bench::BestOf3;
using bench::SampleText;
using bench::Seconds;

void BenchFindAtEnd(size_t nMegabytes) {
    std::wstring text = SampleText(nMegabytes * 1048576 / sizeof(wchar_t) - 16);
    text += L" Needle-At-End";
    const std::wstring_view exact = L"Needle-At-End", folded = L"needle-at-end";
    std::printf("find across %zu MB (%zu UTF-16 units), the only match at the end:\n", nMegabytes, text.size());
    size_t nFound = 0;
    double dFloor = BestOf3([&] { nFound = std::wstring_view(text).find(exact); });
    std::printf("  std::wstring_view::find (floor)      %.3f s  at %zu\n", dFloor, nFound);
    for (bool fMatchCase : {true, false}) {
        MatchOptions options;
        options.fMatchCase = fMatchCase;
        std::optional<TextRange> match;
        double d =
            BestOf3([&] { match = MatchText(text, 0, text.size(), true, fMatchCase ? exact : folded, options); });
        std::printf("  Find Next down, %-17s    %.3f s  at %zu (%.2f x floor)\n",
                    fMatchCase ? "match case" : "case folded", d, match ? match->start : size_t(-1), d / dFloor);
        d = BestOf3([&] { match = MatchText(text, text.size(), 0, false, fMatchCase ? exact : folded, options); });
        std::printf("  Find Next up from the end, %-10s %.3f s  at %zu\n", fMatchCase ? "match case" : "folded", d,
                    match ? match->start : size_t(-1));
    }
    // Upwards from the end finds the match at once; the far case is a match at the very start.
    std::wstring head = L"Needle-At-End " + text.substr(0, text.size() - 14);
    MatchOptions folded_options;
    std::optional<TextRange> match;
    double d = BestOf3([&] { match = MatchText(head, head.size(), 0, false, folded, folded_options); });
    std::printf("  Find Next up across it to a match at the start, folded: %.3f s at %zu\n", d,
                match ? match->start : size_t(-1));
}

// A text of nChars with nMatches occurrences of "Zap" spread evenly.
std::wstring TextWithMatches(size_t nChars, size_t nMatches) {
    std::wstring base = SampleText(nChars);
    size_t nStride = nChars / nMatches;
    for (size_t i = 0; i < nMatches; ++i)
        base.replace(i * nStride + nStride / 2, 3, L"Zap");
    return base;
}

void BenchReplaceAllBuffer(size_t nMegabytes, size_t nMatches) {
    std::wstring text = TextWithMatches(nMegabytes * 1048576 / sizeof(wchar_t), nMatches);
    std::printf("fast Replace All over %zu MB (%zu units), %zu matches of \"zap\" -> \"Whizz\":\n", nMegabytes,
                text.size(), nMatches);
    std::wstring out;
    double dFloor = BestOf3([&] {
        out.clear();
        std::wstring_view view(text);
        size_t nCopied = 0;
        for (size_t s; (s = view.find(L"Zap", nCopied)) != std::wstring_view::npos; nCopied = s + 3) {
            out.append(view.substr(nCopied, s - nCopied));
            out.append(L"Whizz");
        }
        out.append(view.substr(nCopied));
    });
    std::printf("  std::wstring_view::find + append (floor)  %.3f s\n", dFloor);
    {
        // A fresh buffer grows step by step into memory the process never touched before.
        CReplaceAllBuffer fresh;
        auto t0 = std::chrono::steady_clock::now();
        size_t nCount = BuildReplaceAll(text, L"zap", L"Whizz", MatchOptions{}, fresh);
        std::printf("  output builder, first run (fresh buffer)  %.3f s  %zu replaced\n", Seconds(t0), nCount);
    }
    for (bool fMatchCase : {true, false}) {
        CReplaceAllBuffer buffer;
        MatchOptions options;
        options.fMatchCase = fMatchCase;
        size_t nCount = 0;
        double d = BestOf3([&] {
            nCount = BuildReplaceAll(text, fMatchCase ? L"Zap" : L"zap", L"Whizz", options, buffer);
            buffer.Clear();
        });
        std::printf("  output builder, %-11s              %.3f s  %zu replaced (%.2f x floor)\n",
                    fMatchCase ? "match case" : "case folded", d, nCount, d / dFloor);
    }
}

// The whole Replace All through the engine, on a real view holding the text.
void BenchReplaceAllWindow(CTessarinDoc& doc, CTessarinView& view, size_t nMegabytes, size_t nMatches,
                           bool bNotepadLike) {
    std::wstring text = TextWithMatches(nMegabytes * 1048576 / sizeof(wchar_t), nMatches);
    auto t0 = std::chrono::steady_clock::now();
    view.SetWindowText(text.c_str());
    view.ClearHistory(false);
    view.SetSel(0, 0);
    double dLoad = Seconds(t0);
    SearchRequest request;
    request.strFind = L"zap";
    request.strReplace = L"Whizz";
    request.bReplaceDialog = true;
    request.fNotepadLike = bNotepadLike;
    t0 = std::chrono::steady_clock::now();
    ApplySearchRequest(doc, SR_REPLACEALL, request);
    // The whole command as the user waits for it: the repaint of what it changed included.
    ::UpdateWindow(view.m_hWnd);
    double dAll = Seconds(t0);
    size_t nExpected = text.size() + 2 * nMatches;
    std::printf("%s Replace All through the view, %zu MB, %zu matches: %.3f s (text loaded in %.2f s; length %s, "
                "%zu history records)\n",
                bNotepadLike ? "Notepad-like" : "fast", nMegabytes, nMatches, dAll, dLoad,
                static_cast<size_t>(view.GetTextLength()) == nExpected ? "right" : "WRONG",
                view.GetHistory().RecordCount());
    if (!bNotepadLike) {
        // The part that is not the control: the same build over the same buffer.
        CReplaceAllBuffer buffer;
        t0 = std::chrono::steady_clock::now();
        BuildReplaceAll(text, L"zap", L"Whizz", MatchOptions{}, buffer);
        double dBuild = Seconds(t0);
        std::printf("  of which the engine's own work about %.3f s, the one control update (EM_REPLACESEL of the "
                    "whole text, with the history's copy and the repaint) about %.3f s\n",
                    dBuild, dAll - dBuild);
    } else {
        std::printf("  %.1f ms per match (one EM_REPLACESEL and one history step each)\n",
                    dAll * 1e3 / static_cast<double>(nMatches));
    }
}

// The Replace button pressed over and over: Find Next selects the first match, then each press
// replaces the selected match and selects the next, with the repaint, as the dialog does.
void BenchReplaceNextWindow(CTessarinDoc& doc, CTessarinView& view, size_t nMegabytes, size_t nMatches,
                            bool bRepaint) {
    std::wstring text = TextWithMatches(nMegabytes * 1048576 / sizeof(wchar_t), nMatches);
    view.SetWindowText(text.c_str());
    view.ClearHistory(false);
    view.SetSel(0, 0);
    SearchRequest request;
    request.strFind = L"zap";
    request.strReplace = L"Whizz";
    request.bReplaceDialog = true;
    request.fSearchDown = true;
    ApplySearchRequest(doc, SR_FINDNEXT, request);
    // The last press would find no further match and say so in a message box: it is left out.
    const size_t nPresses = nMatches - 1;
    auto t0 = std::chrono::steady_clock::now();
    for (size_t i = 0; i < nPresses; ++i) {
        ApplySearchRequest(doc, SR_REPLACE, request);
        if (bRepaint)
            ::UpdateWindow(view.m_hWnd);
    }
    ::UpdateWindow(view.m_hWnd);
    double dAll = Seconds(t0);
    size_t nExpected = text.size() + 2 * nPresses;
    std::printf("Replace pressed %zu times, %zu MB, %s: %.3f s, %.3f ms per match (length %s, %zu history "
                "records)\n",
                nPresses, nMegabytes, bRepaint ? "repainted after each" : "repainted at the end", dAll, dAll * 1e3 / static_cast<double>(nPresses),
                static_cast<size_t>(view.GetTextLength()) == nExpected ? "right" : "WRONG",
                view.GetHistory().RecordCount());
}

} // namespace

int main(int argc, char** argv) {
    size_t nFindMb = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 100;
    size_t nReplaceMb = argc > 2 ? std::strtoul(argv[2], nullptr, 10) : 10;
    size_t nNotepadMb = argc > 3 ? std::strtoul(argv[3], nullptr, 10) : 1;
    std::printf("SearchBench %zu %zu %zu\n", nFindMb, nReplaceMb, nNotepadMb);
    BenchFindAtEnd(nFindMb);
    BenchReplaceAllBuffer(std::max<size_t>(nReplaceMb, 10), 100000);

    CFrameWnd frame;
    CTessarinDoc doc;
    CTessarinView view;
    RECT rc{0, 0, 800, 600};
    if (!frame.Create(L"SearchBench", WS_OVERLAPPEDWINDOW, &rc))
        return 1;
    view.SetDocument(&doc);
    if (!view.Create(frame.m_hWnd, AFX_IDW_PANE_FIRST, frame.GetClientRect()))
        return 1;
    frame.SetActiveView(&view);
    frame.ShowWindow(SW_SHOW);
    // A size of 0 leaves that run out (the control's part takes minutes at 10 MB).
    if (nReplaceMb > 0)
        BenchReplaceAllWindow(doc, view, nReplaceMb, 100000, false);
    if (nNotepadMb > 0) {
        BenchReplaceAllWindow(doc, view, nNotepadMb, 1000, true);
        BenchReplaceNextWindow(doc, view, nNotepadMb, 1000, false);
        BenchReplaceNextWindow(doc, view, nNotepadMb, 1000, true);
    }
    // Match by match over the larger text too: each step must not cost what the text's size does.
    if (nReplaceMb > 0) {
        BenchReplaceAllWindow(doc, view, nReplaceMb, 10000, true);
        BenchReplaceNextWindow(doc, view, nReplaceMb, 10000, false);
    }
    frame.DestroyWindow();
    return 0;
}
