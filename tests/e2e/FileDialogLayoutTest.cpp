// The panels that the Open and Save As dialogs gain, as they show on the screen: every label shows
// its whole text (access key included) beside its list, and a dropped list shows all its entries.
#include "TessarinApp.h"
#include "framework/GdiHandles.h"
#include "framework/FrameworkIds.h"
#include "res/resource.h"

using namespace e2e;

namespace {
struct LabelledList {
    const wchar_t* label; // as the template has it
    const wchar_t* shown; // as it shows, the access key underlined instead of "&"
    int listId;
    const wchar_t* fontFace; // the panel's font, 9 points
};

// Width in pixels of `text` in the panel's font, made as the dialog manager makes a template's font.
int TextWidth(const std::wstring& text, const wchar_t* face) {
    CClientDC screen(nullptr);
    const int nHeight = -::MulDiv(9, ::GetDeviceCaps(screen.Get(), LOGPIXELSY), 72);
    CFontHandle font(::CreateFontW(nHeight, 0, 0, 0, FW_DONTCARE, FALSE, FALSE, FALSE, DEFAULT_CHARSET, 0, 0,
                                   PROOF_QUALITY, FF_DONTCARE, face));
    CSelectObject select(screen.Get(), font.Get());
    SIZE size{};
    ::GetTextExtentPoint32W(screen.Get(), text.c_str(), static_cast<int>(text.size()), &size);
    return size.cx;
}

RECT ScreenRect(HWND hwnd) {
    RECT rc{};
    ::GetWindowRect(hwnd, &rc);
    return rc;
}

class FileDialogLayoutE2E : public TessarinE2E {
protected:
    void CheckPanel(UINT nCommand, const std::vector<LabelledList>& lists) {
        ASSERT_TRUE(m_app.PostCommand(nCommand));
        HWND dlg = m_app.WaitForFileDialog();
        ASSERT_NE(dlg, nullptr);
        for (const LabelledList& item : lists) {
            SCOPED_TRACE(testing::Message() << "list " << item.listId);
            HWND label = nullptr;
            for (HWND h : Descendants(dlg, L"Static"))
                if (WindowText(h) == item.label)
                    label = h;
            ASSERT_NE(label, nullptr);
            HWND list = FindCombo(dlg, item.listId);
            ASSERT_NE(list, nullptr);
            RECT rcLabel{}, rcList = ScreenRect(list);
            ::GetClientRect(label, &rcLabel);
            EXPECT_GE(rcLabel.right, TextWidth(item.shown, item.fontFace)) << "the label is cut";
            EXPECT_LE(ScreenRect(label).right, rcList.left) << "the label runs under its list";

            // Dropped, the list shows every entry without scrolling.
            LRESULT nCount = 0, nItemHeight = 0;
            ASSERT_TRUE(SendTimed(list, CB_GETCOUNT, 0, 0, &nCount));
            ASSERT_TRUE(SendTimed(list, CB_GETITEMHEIGHT, 0, 0, &nItemHeight));
            ASSERT_TRUE(SendTimed(list, CB_SHOWDROPDOWN, TRUE, 0));
            HWND dropped = nullptr;
            ASSERT_TRUE(WaitUntil([&] {
                std::vector<HWND> boxes = m_app.TopLevelWindows(L"ComboLBox");
                dropped = boxes.empty() ? nullptr : boxes.front();
                return dropped != nullptr;
            }));
            RECT rcDropped{};
            ::GetClientRect(dropped, &rcDropped);
            EXPECT_GE(rcDropped.bottom, nCount * nItemHeight)
                << nCount << " entries of " << nItemHeight << " pixels in " << rcDropped.bottom;
            ASSERT_TRUE(SendTimed(list, CB_SHOWDROPDOWN, FALSE, 0));
            ASSERT_TRUE(CTargetProcess::WaitForWindowGone(dropped));
        }
        ASSERT_TRUE(PressButton(dlg, IDCANCEL));
        ASSERT_TRUE(CTargetProcess::WaitForWindowGone(dlg));
    }
};
} // namespace

TEST_F(FileDialogLayoutE2E, SaveAsLabelsShowWholeAndListsDropAllEntries) {
    ASSERT_NE(Launch(), nullptr);
    CheckPanel(ID_FILE_SAVE_AS, {{L"文字コード(&E):", L"文字コード(E):", IDC_ENCODING, L"MS UI Gothic"},
                                 {L"フォーマット(&F):", L"フォーマット(F):", IDC_FORMAT, L"MS UI Gothic"}});
    ASSERT_TRUE(m_app.Close());
}

TEST_F(FileDialogLayoutE2E, OpenLabelShowsWholeAndListDropsAllEntries) {
    ASSERT_NE(Launch(), nullptr);
    CheckPanel(ID_FILE_OPEN, {{L"文字コード(&E):", L"文字コード(E):", IDC_ENCODING, L"ＭＳ Ｐゴシック"}});
    ASSERT_TRUE(m_app.Close());
}
