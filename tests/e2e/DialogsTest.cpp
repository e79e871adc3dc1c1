// The Open and Save As dialogs of the running editor: the encoding chosen in Open rereads the file,
// a byte-order mark moves the list, Save As writes the chosen encoding and line ending, a cancelled
// dialog changes nothing, and a dropped file is detected afresh whatever Open chose before.
#include "TessarinApp.h"
#include "framework/FrameworkIds.h"
#include "res/resource.h"
#include <commctrl.h>

using namespace e2e;

namespace {
constexpr int kEucJp = 1;
constexpr int kUtf8N = 4;
constexpr int kLf = 1;

// "abc" and two EUC-JP half-width katakana (8E B1 8E B2). Detection reads the same bytes as two
// Shift_JIS kanji, so the text tells which way the file was read.
const std::vector<unsigned char> kKanaEuc = {'a', 'b', 'c', 0x8E, 0xB1, 0x8E, 0xB2};
const std::wstring kAsShiftJis = L"abc竺軸";
const std::wstring kAsEucJp = L"abc\uFF71\uFF72";

class DialogsE2E : public TessarinE2E {
protected:
    std::wstring FormatPane() const { return StatusPaneText(StatusBar(), 1); }
    bool FormatPaneIs(const std::wstring& text) const {
        return WaitUntil([&] { return FormatPane() == L"\t\t" + text; });
    }
    bool EditTextIs(const std::wstring& text) const {
        return WaitUntil([&] { return WindowText(Edit()) == text; });
    }

    HWND OpenDialog(UINT nCommand) {
        if (!m_app.PostCommand(nCommand))
            return nullptr;
        return m_app.WaitForFileDialog();
    }

    // Opens `path` through the Open dialog with encoding list position `encoding`.
    void OpenWith(const std::wstring& path, int encoding) {
        HWND dlg = OpenDialog(ID_FILE_OPEN);
        ASSERT_NE(dlg, nullptr);
        ASSERT_TRUE(SelectComboItem(dlg, IDC_ENCODING, encoding));
        ASSERT_TRUE(SetFileName(dlg, path));
        ASSERT_TRUE(PressButton(dlg, IDOK));
        ASSERT_TRUE(CTargetProcess::WaitForWindowGone(dlg));
    }

    // Selects the item named `name` in the file dialog's list, as a click on it does.
    bool SelectListItem(HWND dlg, const std::wstring& name) {
        HWND list = FindDescendant(dlg, -1, L"SysListView32");
        if (!list)
            return false;
        LRESULT count = 0;
        SendTimed(list, LVM_GETITEMCOUNT, 0, 0, &count);
        CRemoteMemory mem = m_app.Alloc(sizeof(LVITEMW) + 520 * sizeof(wchar_t));
        for (int i = 0; i < count; ++i) {
            LVITEMW item{};
            item.iSubItem = 0;
            item.cchTextMax = 520;
            item.pszText = reinterpret_cast<wchar_t*>(static_cast<char*>(mem.Get()) + sizeof(LVITEMW));
            mem.Write(&item, sizeof item);
            SendTimed(list, LVM_GETITEMTEXTW, i, mem.AsLParam());
            std::wstring text = mem.ReadString(520, sizeof(LVITEMW));
            if (_wcsicmp(text.c_str(), name.c_str()) != 0 && _wcsicmp((text + L".txt").c_str(), name.c_str()) != 0)
                continue;
            item = LVITEMW{};
            item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
            item.state = LVIS_SELECTED | LVIS_FOCUSED;
            // Clear the others first (-1: all items), then select this one.
            LVITEMW none{};
            none.stateMask = LVIS_SELECTED;
            mem.Write(&none, sizeof none);
            SendTimed(list, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), mem.AsLParam());
            mem.Write(&item, sizeof item);
            return SendTimed(list, LVM_SETITEMSTATE, i, mem.AsLParam());
        }
        return false;
    }
};

} // namespace

TEST_F(DialogsE2E, OpenWithEucJpRereadsTheOpenFile) {
    const std::wstring path = m_dir.File(L"kana.txt");
    WriteAllBytes(path, kKanaEuc);
    ASSERT_NE(Launch(L"\"" + path + L"\""), nullptr);
    ASSERT_TRUE(EditTextIs(kAsShiftJis)) << "detected as Shift_JIS first";
    ASSERT_TRUE(FormatPaneIs(L"SJIS / CRLF ")) << FormatPane();

    HWND dlg = OpenDialog(ID_FILE_OPEN);
    ASSERT_NE(dlg, nullptr);
    EXPECT_EQ(WindowText(dlg), L"開く");
    EXPECT_EQ(FileName(dlg), L"*.txt");
    std::vector<std::wstring> items = ComboItems(dlg, IDC_ENCODING);
    ASSERT_EQ(items.size(), 13u);
    EXPECT_EQ(items[0], L"Shift-JIS(自動判別)");
    EXPECT_EQ(items[kEucJp], L"EUC-JP");
    EXPECT_EQ(ComboSelection(dlg, IDC_ENCODING), 0);
    EXPECT_EQ(FindCombo(dlg, IDC_FORMAT), nullptr);
    ASSERT_TRUE(SelectComboItem(dlg, IDC_ENCODING, kEucJp));
    ASSERT_TRUE(SetFileName(dlg, path));
    ASSERT_TRUE(PressButton(dlg, IDOK));
    ASSERT_TRUE(CTargetProcess::WaitForWindowGone(dlg));

    EXPECT_TRUE(EditTextIs(kAsEucJp)) << "not reread as EUC-JP";
    EXPECT_TRUE(FormatPaneIs(L"EUC-JP / CRLF ")) << FormatPane();

    // The next Open dialog starts from detection again.
    dlg = OpenDialog(ID_FILE_OPEN);
    ASSERT_NE(dlg, nullptr);
    EXPECT_EQ(ComboSelection(dlg, IDC_ENCODING), 0);
    ASSERT_TRUE(PressButton(dlg, IDCANCEL));
    ASSERT_TRUE(CTargetProcess::WaitForWindowGone(dlg));
    ASSERT_TRUE(m_app.Close());
}

TEST_F(DialogsE2E, AByteOrderMarkMovesTheEncodingList) {
    WriteAllBytes(m_dir.File(L"le.txt"), std::vector<unsigned char>{0xFF, 0xFE, 0x41, 0x00});
    WriteAllBytes(m_dir.File(L"plain.txt"), std::vector<unsigned char>{'p', 'l', 'a', 'i', 'n'});
    ASSERT_NE(Launch(), nullptr);
    HWND dlg = OpenDialog(ID_FILE_OPEN); // starts in the program's folder, which is ours
    ASSERT_NE(dlg, nullptr);
    ASSERT_TRUE(WaitUntil([&] { return SelectListItem(dlg, L"le.txt"); })) << "le.txt not in the list";
    EXPECT_TRUE(WaitUntil([&] { return ComboSelection(dlg, IDC_ENCODING) == 6; }))
        << "list at " << ComboSelection(dlg, IDC_ENCODING);
    ASSERT_TRUE(SelectListItem(dlg, L"plain.txt"));
    EXPECT_TRUE(WaitUntil([&] { return ComboSelection(dlg, IDC_ENCODING) == 0; }))
        << "list at " << ComboSelection(dlg, IDC_ENCODING);

    // Confirming with the proposal reads the file as UTF-16 with its mark.
    ASSERT_TRUE(SelectListItem(dlg, L"le.txt"));
    ASSERT_TRUE(WaitUntil([&] { return ComboSelection(dlg, IDC_ENCODING) == 6; }));
    ASSERT_TRUE(SetFileName(dlg, m_dir.File(L"le.txt")));
    ASSERT_TRUE(PressButton(dlg, IDOK));
    ASSERT_TRUE(CTargetProcess::WaitForWindowGone(dlg));
    EXPECT_TRUE(EditTextIs(L"A"));
    EXPECT_TRUE(FormatPaneIs(L"UTF-16(little endian) / CRLF ")) << FormatPane();
    ASSERT_TRUE(m_app.Close());
}

TEST_F(DialogsE2E, SaveAsWritesTheChosenEncodingAndLineEnding) {
    const std::wstring path = m_dir.File(L"in.txt");
    WriteAllBytes(path, std::vector<unsigned char>{0x82, 0xA0, '\r', '\n', 'b'}); // "あ", "b" in Shift_JIS
    ASSERT_NE(Launch(L"\"" + path + L"\""), nullptr);
    ASSERT_TRUE(FormatPaneIs(L"SJIS / CRLF ")) << FormatPane();

    HWND dlg = OpenDialog(ID_FILE_SAVE_AS);
    ASSERT_NE(dlg, nullptr);
    EXPECT_EQ(WindowText(dlg), L"名前を付けて保存");
    EXPECT_EQ(ComboSelection(dlg, IDC_ENCODING), 0); // the document's current pair
    EXPECT_EQ(ComboSelection(dlg, IDC_FORMAT), 0);
    EXPECT_EQ(ComboItems(dlg, IDC_FORMAT), (std::vector<std::wstring>{L"CRLF(Windows)", L"LF(Unix)", L"CR(Mac)"}));
    ASSERT_TRUE(SelectComboItem(dlg, IDC_ENCODING, kUtf8N));
    ASSERT_TRUE(SelectComboItem(dlg, IDC_FORMAT, kLf));
    ASSERT_TRUE(SetFileName(dlg, m_dir.File(L"out")));
    ASSERT_TRUE(PressButton(dlg, IDOK));
    ASSERT_TRUE(CTargetProcess::WaitForWindowGone(dlg));

    ASSERT_TRUE(WaitUntil([&] { return WindowText(m_hWndMain) == L"out.txt - Tessarin"; })) << "the dialog adds .txt";
    EXPECT_EQ(ReadAllBytes(m_dir.File(L"out.txt")), (std::vector<unsigned char>{0xE3, 0x81, 0x82, '\n', 'b'}));
    EXPECT_TRUE(FormatPaneIs(L"UTF-8N / LF ")) << FormatPane();

    // The next Save As starts from what was written.
    dlg = OpenDialog(ID_FILE_SAVE_AS);
    ASSERT_NE(dlg, nullptr);
    EXPECT_EQ(ComboSelection(dlg, IDC_ENCODING), kUtf8N);
    EXPECT_EQ(ComboSelection(dlg, IDC_FORMAT), kLf);
    ASSERT_TRUE(PressButton(dlg, IDCANCEL));
    ASSERT_TRUE(CTargetProcess::WaitForWindowGone(dlg));
    ASSERT_TRUE(m_app.Close());
}

TEST_F(DialogsE2E, CancelledDialogsLeaveTheRequestedPairForTheNextReload) {
    const std::wstring path = m_dir.File(L"kana.txt");
    WriteAllBytes(path, kKanaEuc);
    ASSERT_NE(Launch(L"\"" + path + L"\""), nullptr);
    // Confirm EUC-JP once: from now on the document asks for EUC-JP on every reread.
    OpenWith(path, kEucJp);
    ASSERT_TRUE(EditTextIs(kAsEucJp));

    // Both dialogs, with other choices made in them, cancelled.
    HWND dlg = OpenDialog(ID_FILE_OPEN);
    ASSERT_NE(dlg, nullptr);
    ASSERT_TRUE(SelectComboItem(dlg, IDC_ENCODING, 0));
    ASSERT_TRUE(PressButton(dlg, IDCANCEL));
    ASSERT_TRUE(CTargetProcess::WaitForWindowGone(dlg));
    dlg = OpenDialog(ID_FILE_SAVE_AS);
    ASSERT_NE(dlg, nullptr);
    ASSERT_TRUE(SelectComboItem(dlg, IDC_ENCODING, 0));
    ASSERT_TRUE(SelectComboItem(dlg, IDC_FORMAT, 2));
    ASSERT_TRUE(PressButton(dlg, IDCANCEL));
    ASSERT_TRUE(CTargetProcess::WaitForWindowGone(dlg));

    // Another program changes the file; the reload still reads EUC-JP.
    std::vector<unsigned char> changed = kKanaEuc;
    changed.push_back('!');
    WriteAllBytes(path, changed);
    HWND box = m_app.WaitForMessageBox(15000);
    ASSERT_NE(box, nullptr) << "the watch did not ask";
    ASSERT_TRUE(PressButton(box, IDYES));
    EXPECT_TRUE(EditTextIs(kAsEucJp + L"!"));
    EXPECT_TRUE(FormatPaneIs(L"EUC-JP / CRLF ")) << FormatPane();
    ASSERT_TRUE(m_app.Close());
}

TEST_F(DialogsE2E, ADroppedFileIsDetectedAfreshAfterOpenChoseAnEncoding) {
    const std::wstring first = m_dir.File(L"first.txt");
    const std::wstring second = m_dir.File(L"second.txt");
    WriteAllBytes(first, std::vector<unsigned char>{'f'});
    WriteAllBytes(second, kKanaEuc);
    ASSERT_NE(Launch(), nullptr);
    OpenWith(first, kEucJp);
    ASSERT_TRUE(FormatPaneIs(L"EUC-JP / CRLF ")) << FormatPane();

    ASSERT_TRUE(m_app.DropFiles({second}));
    EXPECT_TRUE(EditTextIs(kAsShiftJis)) << "the drop kept the Open dialog's encoding";
    EXPECT_TRUE(FormatPaneIs(L"SJIS / CRLF ")) << FormatPane();
    ASSERT_TRUE(m_app.Close());
}
