// The single-document template with the program's document and view in a real frame made from
// resource 128: the first open creates them, later ones reuse the document, a refused or failed
// open leaves the text and its modified mark, Yes to the watch's question rereads the file through
// the application's open, and closing deletes the document.
#include "DocHost.h"
#include "framework/DocTemplate.h"
#include "framework/Strings.h"
#include "res/resource.h"

namespace {

// The program's application rereads the open file when asked to open it again; this one goes
// straight to the document manager for every open, which is what that reload comes down to.
class CReloadingApp : public CWinApp {
public:
    CDocument* OpenDocumentFile(const wchar_t* pszFileName) override {
        ++m_nOpens;
        return m_pDocManager ? m_pDocManager->OpenDocumentFile(pszFileName) : nullptr;
    }
    int m_nOpens = 0;
};

struct TemplateApp {
    CReloadingApp app;
    CScriptedDocManager* pManager;
    CSingleDocTemplate* pTemplate;
    TemplateApp() {
        auto manager = std::make_unique<CScriptedDocManager>();
        pManager = manager.get();
        app.m_pDocManager = std::move(manager);
        pTemplate = new CSingleDocTemplate(
            IDR_MAINFRAME, [] { return new CTessarinDoc; }, [] { return new CFrameWnd; },
            [] { return new CTessarinView; });
        app.AddDocTemplate(pTemplate);
    }
    CTessarinView* View() const {
        auto pDoc = dynamic_cast<CTessarinDoc*>(pTemplate->GetOnlyDoc());
        return pDoc ? dynamic_cast<CTessarinView*>(pDoc->GetView()) : nullptr;
    }
};

} // namespace

TEST(DocTemplate, DocumentStringFields) {
    TemplateApp t;
    std::wstring s;
    EXPECT_TRUE(t.pTemplate->GetDocString(s, CDocTemplate::windowTitle));
    EXPECT_EQ(s, L"Tessarin");
    EXPECT_FALSE(t.pTemplate->GetDocString(s, CDocTemplate::docName));
    EXPECT_TRUE(t.pTemplate->GetDocString(s, CDocTemplate::filterExt));
    EXPECT_EQ(s, L".txt");
    EXPECT_TRUE(t.pTemplate->GetDocString(s, CDocTemplate::regFileTypeName));
    EXPECT_EQ(s, L"テキスト ドキュメント");
}

TEST(DocTemplate, OneDocumentReusedByNewAndOpen) {
    CTempDir dir;
    std::wstring first = dir.File(L"first.txt"), second = dir.File(L"second.txt");
    WriteAllBytes(first, std::vector<unsigned char>{'1'});
    WriteAllBytes(second, std::vector<unsigned char>{'2'});
    TemplateApp t;

    CDocument* pDoc = t.pTemplate->OpenDocumentFile(nullptr, false);
    ASSERT_NE(pDoc, nullptr);
    ASSERT_NE(t.View(), nullptr);
    EXPECT_EQ(pDoc->GetTitle(), L"無題");
    ASSERT_NE(t.app.m_pMainWnd, nullptr);
    EXPECT_EQ(pDoc->GetFirstFrame(), t.app.m_pMainWnd);

    EXPECT_EQ(t.pTemplate->OpenDocumentFile(first.c_str(), false), pDoc);
    EXPECT_EQ(pDoc->GetPathName(), first);
    EXPECT_EQ(pDoc->GetTitle(), L"first.txt");
    EXPECT_EQ(t.View()->GetText(), L"1");

    // Changed, then Open answered Cancel: nothing moves.
    t.View()->SendMessage(WM_CHAR, L'x', 1);
    ASSERT_TRUE(pDoc->IsModified());
    std::wstring edited = t.View()->GetText();
    {
        CBoxAnswerer boxes(IDCANCEL);
        EXPECT_EQ(t.pTemplate->OpenDocumentFile(second.c_str(), false), nullptr);
        EXPECT_EQ(boxes.Count(), 1u);
    }
    EXPECT_EQ(t.View()->GetText(), edited);
    EXPECT_EQ(pDoc->GetPathName(), first);

    // No to saving, then the open fails: the text stays and is still marked modified, so it is
    // asked about again.
    {
        CBoxAnswerer boxes(IDNO);
        boxes.m_onShown = [&] { boxes.m_nButton = boxes.Count() == 1 ? IDNO : IDOK; };
        EXPECT_EQ(t.pTemplate->OpenDocumentFile(dir.File(L"none.txt").c_str(), false), nullptr);
        EXPECT_EQ(boxes.Count(), 2u) << "the question, then the error";
    }
    EXPECT_EQ(t.View()->GetText(), edited);
    EXPECT_TRUE(pDoc->IsModified());
    EXPECT_EQ(pDoc->GetPathName(), first);

    // New after No: empty, untitled.
    {
        CBoxAnswerer boxes(IDNO);
        t.app.OnFileNew();
        EXPECT_EQ(boxes.Count(), 1u);
    }
    EXPECT_EQ(t.pTemplate->GetOnlyDoc(), pDoc);
    EXPECT_EQ(t.View()->GetText(), L"");
    EXPECT_EQ(pDoc->GetPathName(), L"");
    EXPECT_EQ(pDoc->GetTitle(), L"無題");
    EXPECT_FALSE(pDoc->IsModified());

    t.app.CloseAllDocuments(false);
    EXPECT_EQ(t.pTemplate->GetOnlyDoc(), nullptr);
    EXPECT_EQ(t.app.m_pMainWnd, nullptr);
    MSG msg;
    ::PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE); // the main window's end posted it
}

TEST(DocTemplate, TheWatchReloadsThroughTheApplication) {
    CTempDir dir;
    std::wstring path = dir.File(L"reload.txt");
    WriteAllBytes(path, std::vector<unsigned char>{'o', 'l', 'd'});
    TemplateApp t;
    CDocument* pDoc = t.pTemplate->OpenDocumentFile(path.c_str(), false);
    ASSERT_NE(pDoc, nullptr);
    WriteAllBytes(path, std::vector<unsigned char>{'n', 'e', 'w'});
    ASSERT_TRUE(ShiftFileTime(path, 10));
    {
        CBoxAnswerer boxes(IDYES);
        t.View()->PostMessage(WM_TIMER, 1, 0);
        ASSERT_TRUE(PumpUntil([&] { return t.View()->GetText() == L"new"; }));
        EXPECT_EQ(boxes.Count(), 1u);
        EXPECT_EQ(t.app.m_nOpens, 1);
    }
    EXPECT_FALSE(pDoc->IsModified());
    EXPECT_EQ(pDoc->GetPathName(), path);
    t.app.CloseAllDocuments(false);
    MSG msg;
    ::PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
}
