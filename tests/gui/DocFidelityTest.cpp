// Nothing lost without the user knowing, on a real view and real files: the warning after opening
// a file that would not come back as it was, the question before overwriting it, the question
// before a save that would leave characters out, and a corpus of troublesome files that must each
// come back identical or be told about.
#include "DocHost.h"
#include "document/Encoding.h"
#include "document/TextCodec.h"
#include "framework/TextRoom.h"
#include "framework/FrameworkIds.h"
#include "framework/Strings.h"
#include "res/resource.h"
#include <cstdio>
#include <map>

namespace {

// The button a plain Enter would press in the box this thread shows.
int DefaultButtonOfShownBox() {
    HWND hBox = nullptr;
    ::EnumThreadWindows(
        ::GetCurrentThreadId(),
        [](HWND hWnd, LPARAM lParam) -> BOOL {
            wchar_t szClass[16] = {};
            ::GetClassNameW(hWnd, szClass, 16);
            if (std::wstring(szClass) == L"#32770" && ::IsWindowVisible(hWnd)) {
                *reinterpret_cast<HWND*>(lParam) = hWnd;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&hBox));
    // Wine's message box answers DM_GETDEFID with IDOK whatever its buttons; the button's style
    // tells.
    for (int id : {IDOK, IDCANCEL, IDYES, IDNO})
        if (HWND hButton = hBox ? ::GetDlgItem(hBox, id) : nullptr;
            hButton && (::GetWindowLongW(hButton, GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON)
            return id;
    return 0;
}

bool Contains(const std::wstring& text, const std::wstring& part) {
    return !part.empty() && text.find(part) != std::wstring::npos;
}

const std::string kJa = "\xE3\x81\x82\xE3\x81\x84"; // あい in UTF-8

} // namespace

class DocFidelity : public DocHost {
protected:
    // Opens the file and lets the warning it schedules come up and be answered.
    std::vector<std::wstring> OpenAndCollectWarnings(const std::wstring& path) {
        CBoxAnswerer ok(IDOK);
        EXPECT_TRUE(Open(path));
        if (m_doc.IsOpenWarningPending()) {
            EXPECT_TRUE(PumpUntil([&] { return ok.Count() == 1 && !m_doc.IsOpenWarningPending(); }));
        }
        EXPECT_FALSE(m_doc.IsOpenWarningPending());
        return ok.Texts();
    }
};

TEST_F(DocFidelity, OpenWarnsOnceAndSaveToTheSameFileAsksWithNoAsTheDefault) {
    CTempDir dir;
    std::wstring path = dir.File(L"zero.txt");
    std::string original = kJa + "b\r\nde" + std::string(1, '\0') + "fg\r\n";
    WriteAllBytes(path, Bytes(original));

    std::vector<std::wstring> warnings = OpenAndCollectWarnings(path);
    EXPECT_EQ(Text(), L"\u3042\u3044b\r\nde") << "the control holds the text up to the NUL";
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_TRUE(Contains(warnings[0], path));
    EXPECT_TRUE(Contains(warnings[0], LoadStringResource(IDS_REASON_NUL)));
    EXPECT_TRUE(Contains(warnings[0], L"2 行、3 列")) << warnings[0];

    Append(L"x");
    {
        CBoxAnswerer answer(IDYES);
        answer.m_onShown = [&] { answer.m_nButton = DefaultButtonOfShownBox(); };
        EXPECT_EQ(m_doc.DoFileSave(), SaveResult::Cancelled);
        ASSERT_EQ(answer.Count(), 1u) << "one question and no error box";
        EXPECT_EQ(answer.m_nButton, IDNO);
        EXPECT_TRUE(Contains(answer.Texts()[0], LoadStringResource(IDS_REASON_NUL)));
        EXPECT_TRUE(Contains(answer.Texts()[0], LoadStringResource(IDS_SAVE_ASK)));
        EXPECT_FALSE(Contains(answer.Texts()[0], LoadStringResource(IDS_SAVE_UNICODE_HINT)));
    }
    EXPECT_EQ(ReadAllBytes(path), Bytes(original)) << "the default answer writes nothing";
    EXPECT_TRUE(m_doc.IsModified());
    EXPECT_EQ(dir.List(), std::vector<std::wstring>{L"zero.txt"});

    {
        CBoxAnswerer answer(IDYES);
        EXPECT_EQ(m_doc.DoFileSave(), SaveResult::Saved);
        EXPECT_EQ(answer.Count(), 1u);
    }
    EXPECT_EQ(ReadAllBytes(path), Bytes(kJa + "b\r\ndex"));
    EXPECT_FALSE(m_doc.IsModified());
    {
        CBoxAnswerer answer(IDNO);
        EXPECT_EQ(m_doc.DoFileSave(), SaveResult::Saved) << "the file now holds what the document wrote";
        EXPECT_EQ(answer.Count(), 0u);
    }
}

TEST_F(DocFidelity, SaveAsElsewhereDoesNotAskAndAFailedOpenShowsOnlyItsError) {
    CTempDir dir;
    std::wstring path = dir.File(L"mixed.txt"), other = dir.File(L"other.txt");
    std::string original = kJa + "\r\nbc\nd\r\n";
    WriteAllBytes(path, Bytes(original));
    std::vector<std::wstring> warnings = OpenAndCollectWarnings(path);
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_TRUE(Contains(warnings[0], LoadStringResource(IDS_REASON_MIXED_BREAKS)));
    EXPECT_TRUE(Contains(warnings[0], L"2 行、3 列")) << warnings[0];

    m_manager.m_strAnswer = other;
    {
        CBoxAnswerer answer(IDNO);
        EXPECT_EQ(m_doc.DoSave(nullptr), SaveResult::Saved);
        EXPECT_EQ(answer.Count(), 0u);
    }
    EXPECT_EQ(ReadAllBytes(other), Bytes(kJa + "\r\nbc\r\nd\r\n"));
    EXPECT_EQ(ReadAllBytes(path), Bytes(original));

    // The warning waits for the window; an open that fails before it is shown drops it.
    ASSERT_TRUE(Open(path));
    ASSERT_TRUE(m_doc.IsOpenWarningPending());
    CBoxAnswerer ok(IDOK);
    EXPECT_FALSE(m_doc.OnOpenDocument(dir.File(L"missing.txt").c_str()));
    EXPECT_FALSE(m_doc.IsOpenWarningPending());
    ASSERT_EQ(ok.Count(), 1u);
    EXPECT_FALSE(Contains(ok.Texts()[0], LoadStringResource(IDS_REASON_MIXED_BREAKS)));
    EXPECT_TRUE(Contains(ok.Texts()[0], L"missing.txt")) << ok.Texts()[0];
}

TEST_F(DocFidelity, IdenticalFilesShowNothing) {
    CTempDir dir;
    std::wstring path = dir.File(L"a.txt");
    WriteAllBytes(path, Bytes(kJa + "\nline two\n"));
    EXPECT_TRUE(OpenAndCollectWarnings(path).empty());
    EXPECT_FALSE(m_doc.GetOpenCheck().Differs());
    CBoxAnswerer answer(IDNO);
    EXPECT_EQ(m_doc.DoFileSave(), SaveResult::Saved);
    EXPECT_EQ(answer.Count(), 0u);
    EXPECT_EQ(ReadAllBytes(path), Bytes(kJa + "\nline two\n"));
}

TEST_F(DocFidelity, EmojiInANewShiftJisDocumentIsAskedAboutBeforeAnythingIsWritten) {
    CTempDir dir;
    std::wstring path = dir.File(L"new.txt");
    Type(L"\u2460\uFF71a\rb\U0001F600c\U0001F600");
    m_manager.m_strAnswer = path;
    {
        CBoxAnswerer answer(IDYES);
        answer.m_onShown = [&] { answer.m_nButton = DefaultButtonOfShownBox(); };
        EXPECT_EQ(m_doc.DoFileSave(), SaveResult::Cancelled);
        ASSERT_EQ(answer.Count(), 1u);
        EXPECT_EQ(answer.m_nButton, IDNO);
        const std::wstring& text = answer.Texts()[0];
        EXPECT_TRUE(Contains(text, EncodingSaveName(EncodingId::SjisAuto))) << text;
        EXPECT_TRUE(Contains(text, L" 2 個")) << text;
        EXPECT_TRUE(Contains(text, L"\U0001F600 (U+1F600)、2 行、2 列")) << text;
        EXPECT_TRUE(Contains(text, LoadStringResource(IDS_SAVE_UNICODE_HINT)));
        EXPECT_FALSE(Contains(text, L"\u2460")) << "CP932's extensions are Shift_JIS";
    }
    EXPECT_TRUE(dir.List().empty());
    EXPECT_TRUE(m_doc.IsModified());
    EXPECT_EQ(m_doc.GetPathName(), L"");
    {
        CBoxAnswerer answer(IDYES);
        EXPECT_EQ(m_doc.DoFileSave(), SaveResult::Saved);
        EXPECT_EQ(answer.Count(), 1u);
    }
    EXPECT_EQ(ReadAllBytes(path), Bytes("\x87\x40\xB1"
                                        "a\r\nbc"));
    EXPECT_EQ(m_doc.GetPathName(), path);
}

TEST_F(DocFidelity, BothReasonsMakeOneQuestionAndRefusingStopsTheSaveChangesQuestion) {
    CTempDir dir;
    std::wstring path = dir.File(L"zero.txt");
    std::string original = kJa + "\r\nx" + std::string(1, '\0') + "\r\n";
    WriteAllBytes(path, Bytes(original));
    ASSERT_EQ(OpenAndCollectWarnings(path).size(), 1u);
    // Half a pair, as the control can leave it.
    int n = m_view.GetTextLength();
    m_view.SetSel(n, n);
    m_view.SendMessage(EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L"\xD83D"));
    CBoxAnswerer answer(IDYES);
    answer.m_onShown = [&] { answer.m_nButton = answer.Count() == 1 ? IDYES : IDNO; };
    EXPECT_EQ(m_doc.SaveModified(), SaveResult::Cancelled) << "a refused save stops the pending action";
    ASSERT_EQ(answer.Count(), 2u) << "the save-changes question, then one question about the save";
    const std::wstring& text = answer.Texts()[1];
    EXPECT_TRUE(Contains(text, LoadStringResource(IDS_REASON_NUL))) << text;
    EXPECT_TRUE(Contains(text, LoadStringResource(IDS_LONE_SURROGATE))) << text;
    EXPECT_TRUE(Contains(text, L"(U+D83D)、2 行、2 列")) << text;
    EXPECT_EQ(ReadAllBytes(path), Bytes(original));
    EXPECT_TRUE(m_doc.IsModified());
}

// Every file of the corpus is opened through the document and saved back to itself (answering Yes
// to any question): it must come back identical, or the open must have warned, or the save asked.
TEST_F(DocFidelity, EveryCorpusFileComesBackIdenticalOrTheUserIsTold) {
    enum Outcome { kIdentical, kWarned, kAsked };
    struct Expectation {
        const wchar_t* name;
        int allowed; // bit mask of outcomes that count as right for this file
    };
    // Files the converter cannot read or write back all come with a warning; those whose outcome
    // depends on the recognition of BOM-less UTF-16/32 and on EUC-JP's JIS X 0212 output may pass
    // either way.
    const int kSame = 1 << kIdentical, kTold = 1 << kWarned | 1 << kAsked;
    const std::map<std::wstring, int> expected = {
        {L"sjis-plain.txt", kSame},
        {L"sjis-cp932-ext.txt", kSame},
        {L"utf8-emoji.txt", kSame},
        {L"utf16le-bom-emoji.txt", kSame},
        {L"utf16le-nobom.txt", kSame | kTold},
        {L"utf16be-nobom.txt", kSame | kTold},
        {L"utf32le-nobom.txt", kSame | kTold},
        {L"utf32be-nobom.txt", kSame | kTold},
        {L"eucjp-jisx0212.txt", kSame | kTold},
        {L"utf8-mixed-breaks.txt", kTold},
        {L"sjis-mixed-breaks.txt", kTold},
        {L"utf16le-bom-mixed-breaks.txt", kTold},
        {L"utf8-nul.txt", kTold},
        {L"sjis-nul.txt", kTold},
        {L"iso2022jp-esc-j.txt", kTold},
        {L"iso2022jp-esc-at.txt", kTold},
        {L"sjis-cp932-dup-ibm.txt", kTold},
        {L"sjis-cp932-dup-nec.txt", kTold},
    };
    CTempDir dir;
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW fd;
    HANDLE hFind = ::FindFirstFileW(TestDataPath(L"fidelity\\*.txt").c_str(), &fd);
    ASSERT_NE(hFind, INVALID_HANDLE_VALUE);
    do
        names.push_back(fd.cFileName);
    while (::FindNextFileW(hFind, &fd));
    ::FindClose(hFind);
    for (int id = 0; id < kEncodingCount; ++id)
        for (int le = 0; le < kLineEndingCount; ++le)
            names.push_back(L"..\\roundtrip\\" + std::to_wstring(id) + L"-" + std::to_wstring(le) + L".txt");
    ASSERT_GE(names.size(), 60u);

    const char* kOutcomeNames[] = {"identical", "warned", "asked"};
    for (const std::wstring& name : names) {
        SCOPED_TRACE(testing::Message() << "file " << std::string(name.begin(), name.end()));
        std::vector<unsigned char> original = ReadAllBytes(TestDataPath(L"fidelity\\" + name));
        std::wstring path = dir.File(L"corpus.txt");
        WriteAllBytes(path, original);
        ASSERT_TRUE(Open(path));
        // A warned file is told about; the save over it always asks (tested above). New drops the
        // warning before it is shown: every box costs seconds under Wine without a window manager.
        Outcome outcome = kWarned;
        if (m_doc.IsOpenWarningPending()) {
            EXPECT_TRUE(m_doc.GetOpenCheck().Differs());
            ASSERT_TRUE(m_doc.OnNewDocument());
        } else {
            size_t nAsked = 0;
            CBoxAnswerer answer(IDYES);
            EXPECT_EQ(m_doc.DoFileSave(), SaveResult::Saved);
            nAsked = answer.Count();
            EXPECT_LE(nAsked, 1u);
            bool bSame = ReadAllBytes(path) == original;
            EXPECT_TRUE(bSame || nAsked) << "changed without a word";
            outcome = bSame ? kIdentical : kAsked;
        }
        int allowed = kSame;
        if (auto it = expected.find(name); it != expected.end())
            allowed = it->second;
        else if (name.rfind(L"..\\roundtrip\\", 0) == 0) {
            // The round-trip fixtures without a mark (7, 8, 11, 12) need recognition of BOM-less
            // UTF-16/32; EUC-JP's (1) hold IBM extensions that come back in rows F9-FC.
            int id = _wtoi(name.c_str() + 13);
            allowed = id == 1 || id == 7 || id == 8 || id == 11 || id == 12 ? kSame | kTold : kSame;
        } else
            allowed = kSame | kTold;
        EXPECT_TRUE(allowed & (1 << outcome)) << kOutcomeNames[outcome];
        std::printf("  %-36ls %s\n", name.c_str(), kOutcomeNames[outcome]);
    }
}

// A file large enough to be opened in two halves at once: the text is the file's, nothing is told,
// and the control has room to grow, so typing at the start does not copy the text into a larger
// block. The same file with one line break of another kind near its end is told about with the
// line the whole file's check names.
TEST_F(DocFidelity, ALargeFileOpensInHalvesWithRoomAndItsDifferencesAreStillTold) {
    std::string sjis;
    std::wstring text;
    for (int i = 0; sjis.size() <= kHalvesMinimum + 4096; ++i) {
        const std::string n = std::to_string(i);
        sjis += "\x93\xfa\x96\x7b\x8c\xea line " + n + "\r\n"; // 日本語
        text += L"\u65e5\u672c\u8a9e line " + std::wstring(n.begin(), n.end()) + L"\r\n";
    }
    CTempDir dir;
    const std::wstring path = dir.File(L"large.txt");
    WriteAllBytes(path, Bytes(sjis));
    EXPECT_TRUE(OpenAndCollectWarnings(path).empty());
    ASSERT_EQ(Text(), text);
    EXPECT_EQ(Format(), std::make_pair(EncodingId::SjisAuto, LineEndingId::Crlf));
    auto hText = reinterpret_cast<HLOCAL>(m_view.SendMessage(EM_GETHANDLE));
    const SIZE_T cbRoom = ::LocalSize(hText);
    EXPECT_GE(cbRoom, TextRoom(text.size()) * sizeof(wchar_t));
    m_view.SetSel(0, 0);
    m_view.SendMessage(WM_CHAR, L'x', 1);
    EXPECT_EQ(::LocalSize(reinterpret_cast<HLOCAL>(m_view.SendMessage(EM_GETHANDLE))), cbRoom);
    ASSERT_TRUE(m_doc.OnNewDocument());

    const size_t nLf = sjis.rfind("\r\n", sjis.size() - 3);
    sjis.erase(nLf, 1); // that line ends in LF alone
    WriteAllBytes(path, Bytes(sjis));
    const std::vector<std::wstring> warnings = OpenAndCollectWarnings(path);
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_TRUE(Contains(warnings[0], LoadStringResource(IDS_REASON_MIXED_BREAKS))) << warnings[0];
    const int nLines = static_cast<int>(std::count(text.begin(), text.end(), L'\n'));
    EXPECT_TRUE(Contains(warnings[0], std::to_wstring(nLines - 1) + L" 行")) << warnings[0];
    ASSERT_TRUE(m_doc.OnNewDocument());
}
