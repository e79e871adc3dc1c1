// The document's life cycle on a real view and real files: New, Open and Save keep and report the
// pair, Save As writes the requested pair, the ".LOG" stamp, the save-changes question, and a
// failed open that leaves the text alone.
#include "DocHost.h"
#include "framework/FrameworkIds.h"
#include "framework/Strings.h"
#include "res/resource.h"

namespace {
const std::string kUtf8Lf = "\xE3\x81\x82\xE3\x81\x84\xE3\x81\x86\nabc\n"; // あいう LF abc LF
const std::wstring kUtf8LfText = L"\u3042\u3044\u3046\r\nabc\r\n";
} // namespace

using DocLifeCycle = DocHost;

TEST_F(DocLifeCycle, NewResetsTheCurrentPairAndKeepsTheRequestedOne) {
    CTempDir dir;
    WriteAllBytes(dir.File(L"a.txt"), Bytes(kUtf8Lf));
    ASSERT_TRUE(Open(dir.File(L"a.txt")));
    EXPECT_EQ(Format(), std::make_pair(EncodingId::Utf8N, LineEndingId::Lf));
    m_doc.SetRequestedFormat(EncodingId::EucJp, LineEndingId::Cr);
    Append(L"x");
    ASSERT_TRUE(m_doc.OnNewDocument());
    EXPECT_EQ(Text(), L"");
    EXPECT_FALSE(m_doc.IsModified());
    EXPECT_EQ(m_doc.GetPathName(), L"");
    EXPECT_EQ(Format(), std::make_pair(EncodingId::SjisAuto, LineEndingId::Crlf));
    EncodingId enc;
    LineEndingId le;
    m_doc.GetRequestedFormat(enc, le);
    EXPECT_EQ(enc, EncodingId::EucJp);
    EXPECT_EQ(le, LineEndingId::Cr);
    EXPECT_EQ(m_view.GetHistory().RecordCount(), 0u);
}

TEST_F(DocLifeCycle, OpenDetectsAndSaveWritesTheSamePair) {
    CTempDir dir;
    std::wstring path = dir.File(L"utf8.txt");
    WriteAllBytes(path, Bytes(kUtf8Lf));
    ASSERT_TRUE(Open(path));
    EXPECT_EQ(Text(), kUtf8LfText);
    EXPECT_EQ(Format(), std::make_pair(EncodingId::Utf8N, LineEndingId::Lf));
    EXPECT_FALSE(m_doc.IsModified());
    EXPECT_EQ(m_doc.GetTitle(), L"utf8.txt");

    m_view.SetSel(0, 0);
    Type(L"z");
    EXPECT_TRUE(m_doc.IsModified());
    ASSERT_EQ(m_doc.DoFileSave(), SaveResult::Saved);
    EXPECT_EQ(m_manager.m_nPrompts, 0) << "a named, writable file is saved without the dialog";
    EXPECT_EQ(ReadAllBytes(path), Bytes("z" + kUtf8Lf));
    EXPECT_FALSE(m_doc.IsModified());
    EXPECT_EQ(Format(), std::make_pair(EncodingId::Utf8N, LineEndingId::Lf));
    EXPECT_EQ(dir.List(), std::vector<std::wstring>{L"utf8.txt"});
}

TEST_F(DocLifeCycle, TheRequestedEncodingForcesTheRead) {
    CTempDir dir;
    std::wstring path = dir.File(L"euc.txt");
    WriteAllBytes(path, Bytes("\xA4\xA2\r\n")); // あ in EUC-JP
    m_doc.SetRequestedFormat(EncodingId::EucJp, LineEndingId::Unspecified);
    ASSERT_TRUE(Open(path));
    EXPECT_EQ(Text(), L"\u3042\r\n");
    EXPECT_EQ(Format(), std::make_pair(EncodingId::EucJp, LineEndingId::Crlf));
}

TEST_F(DocLifeCycle, SaveAsWritesTheRequestedPairAndTakesTheName) {
    CTempDir dir;
    std::wstring source = dir.File(L"a.txt"), target = dir.File(L"b.txt");
    WriteAllBytes(source, Bytes(kUtf8Lf));
    ASSERT_TRUE(Open(source));
    m_doc.SetRequestedFormat(EncodingId::Utf16LeBom, LineEndingId::Crlf);
    m_manager.m_strAnswer = target;
    ASSERT_EQ(m_doc.DoSave(nullptr), SaveResult::Saved);
    EXPECT_EQ(m_manager.m_nLastTitle, static_cast<UINT>(AFX_IDS_SAVEFILE));
    EXPECT_FALSE(m_manager.m_bLastOpen);
    EXPECT_EQ(m_doc.GetPathName(), target);
    EXPECT_EQ(m_doc.GetTitle(), L"b.txt");
    EXPECT_EQ(Format(), std::make_pair(EncodingId::Utf16LeBom, LineEndingId::Crlf));
    std::vector<unsigned char> expected = {0xFF, 0xFE, 0x42, 0x30, 0x44, 0x30, 0x46, 0x30, '\r', 0,    '\n',
                                           0,    'a',  0,    'b',  0,    'c',  0,    '\r', 0,    '\n', 0};
    EXPECT_EQ(ReadAllBytes(target), expected);
    EXPECT_EQ(ReadAllBytes(source), Bytes(kUtf8Lf)) << "Save As leaves the old file alone";

    // The next plain save keeps what the file now is, whatever is requested.
    m_doc.SetRequestedFormat(EncodingId::EucJp, LineEndingId::Lf);
    m_doc.SetModifiedFlag(true);
    ASSERT_EQ(m_doc.DoFileSave(), SaveResult::Saved);
    EXPECT_EQ(ReadAllBytes(target), expected);
    EXPECT_EQ(Format(), std::make_pair(EncodingId::Utf16LeBom, LineEndingId::Crlf));
}

TEST_F(DocLifeCycle, UntitledSaveGoesThroughTheDialogAndCancelKeepsEverything) {
    CTempDir dir;
    Type(L"draft");
    ASSERT_TRUE(m_doc.IsModified());
    m_doc.SetTitle(LoadStringResource(AFX_IDS_UNTITLED));
    EXPECT_EQ(m_doc.DoFileSave(), SaveResult::Cancelled); // the dialog is cancelled
    EXPECT_EQ(m_manager.m_nPrompts, 1);
    EXPECT_TRUE(m_doc.IsModified());
    EXPECT_EQ(m_doc.GetPathName(), L"");
    EXPECT_EQ(Text(), L"draft");

    // Confirmed with nothing requested: Shift_JIS with CR LF, as a new document has.
    m_manager.m_strAnswer = dir.File(L"draft.txt");
    ASSERT_EQ(m_doc.DoFileSave(), SaveResult::Saved);
    EXPECT_EQ(ReadAllBytes(dir.File(L"draft.txt")), Bytes("draft"));
    EXPECT_EQ(Format(), std::make_pair(EncodingId::SjisAuto, LineEndingId::Crlf));
    EXPECT_EQ(m_doc.GetPathName(), dir.File(L"draft.txt"));
}

TEST_F(DocLifeCycle, LogStamp) {
    CTempDir dir;
    struct Case {
        const char* bytes;
        bool stamped;
    } cases[] = {{".LOG", false}, {".LOG\r\n", true}, {".LOGbook", true}, {".log\r\n", false}, {"x.LOG\r\n", false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bytes);
        std::wstring path = dir.File(L"log.txt");
        WriteAllBytes(path, Bytes(c.bytes));
        ASSERT_TRUE(Open(path));
        std::wstring original(c.bytes, c.bytes + strlen(c.bytes));
        std::wstring text = Text();
        EXPECT_EQ(m_doc.IsModified(), c.stamped);
        EXPECT_EQ(m_view.GetHistory().RecordCount(), 0u) << "the stamp is not in the history";
        if (!c.stamped) {
            EXPECT_EQ(text, original);
            continue;
        }
        // CR LF, "h:mm" and the short date, CR LF, at the end, with the caret after it.
        ASSERT_GT(text.size(), original.size() + 4);
        EXPECT_EQ(text.substr(0, original.size() + 2), original + L"\r\n");
        EXPECT_EQ(text.substr(text.size() - 2), L"\r\n");
        EXPECT_NE(text.find(L':', original.size()), std::wstring::npos);
        EXPECT_NE(text.find(L'/', original.size()), std::wstring::npos);
        int s = 0, e = 0;
        m_view.GetSel(s, e);
        EXPECT_EQ(s, static_cast<int>(text.size()));
        m_doc.OnNewDocument();
    }
}

TEST_F(DocLifeCycle, FailedOpenKeepsTextPairAndReportsTheFile) {
    CTempDir dir;
    std::wstring path = dir.File(L"kept.txt");
    WriteAllBytes(path, Bytes(kUtf8Lf));
    ASSERT_TRUE(Open(path));
    Append(L"edit");
    std::wstring missing = dir.File(L"missing.txt");
    CBoxAnswerer boxes(IDOK);
    EXPECT_FALSE(m_doc.OnOpenDocument(missing.c_str()));
    ASSERT_EQ(boxes.Count(), 1u);
    EXPECT_EQ(boxes.Texts()[0], FormatString(AFX_IDP_FILE_NOT_FOUND, {missing}));
    EXPECT_EQ(Text(), kUtf8LfText + L"edit");
    EXPECT_EQ(Format(), std::make_pair(EncodingId::Utf8N, LineEndingId::Lf));
    EXPECT_EQ(m_doc.GetPathName(), path);
}

TEST_F(DocLifeCycle, SaveModifiedAsksWithTheFullPath) {
    CTempDir dir;
    std::wstring path = dir.File(L"q.txt");
    WriteAllBytes(path, Bytes("old"));
    ASSERT_TRUE(Open(path));
    EXPECT_EQ(m_doc.SaveModified(), SaveResult::Saved) << "nothing to ask while unchanged";

    Append(L"!");
    std::wstring question = FormatString(IDS_SAVE_CHANGES, {path});
    {
        CBoxAnswerer boxes(IDCANCEL);
        EXPECT_EQ(m_doc.SaveModified(), SaveResult::Cancelled);
        ASSERT_EQ(boxes.Count(), 1u);
        EXPECT_EQ(boxes.Texts()[0], question);
        EXPECT_TRUE(m_doc.IsModified());
    }
    {
        CBoxAnswerer boxes(IDNO);
        EXPECT_EQ(m_doc.SaveModified(), SaveResult::Saved);
        EXPECT_EQ(ReadAllBytes(path), Bytes("old"));
    }
    {
        CBoxAnswerer boxes(IDYES);
        EXPECT_EQ(m_doc.SaveModified(), SaveResult::Saved);
        EXPECT_EQ(ReadAllBytes(path), Bytes("old!"));
        EXPECT_FALSE(m_doc.IsModified());
    }
    // Untitled: the title names it.
    m_doc.OnNewDocument();
    m_doc.SetTitle(LoadStringResource(AFX_IDS_UNTITLED));
    Type(L"new");
    CBoxAnswerer boxes(IDCANCEL);
    EXPECT_EQ(m_doc.SaveModified(), SaveResult::Cancelled);
    ASSERT_EQ(boxes.Count(), 1u);
    EXPECT_EQ(boxes.Texts()[0], FormatString(IDS_SAVE_CHANGES, {L"無題"}));
}

TEST_F(DocLifeCycle, SaveCommandsRunThroughTheCommandRoute) {
    CTempDir dir;
    std::wstring path = dir.File(L"cmd.txt");
    WriteAllBytes(path, Bytes("a"));
    ASSERT_TRUE(Open(path));
    Append(L"b");
    EXPECT_TRUE(m_frame.ExecuteCommand(ID_FILE_SAVE));
    EXPECT_EQ(ReadAllBytes(path), Bytes("ab"));
    m_manager.m_strAnswer = dir.File(L"copy.txt");
    EXPECT_TRUE(m_frame.ExecuteCommand(ID_FILE_SAVE_AS));
    EXPECT_EQ(ReadAllBytes(dir.File(L"copy.txt")), Bytes("ab"));
    EXPECT_EQ(m_doc.GetPathName(), dir.File(L"copy.txt"));
}
