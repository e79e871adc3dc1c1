// Checks the linked resources of the document template: every string-table text the program and the
// framework show or look up, menu 128 item by item, and accelerator table 128 entry by entry.
#include <gtest/gtest.h>
#include <windows.h>
#include <iterator>
#include <string>
#include <vector>

#include "res/resource.h"

namespace {

// The whole string with this id, line breaks and tabs included; false when there is none.
bool LoadWhole(UINT nID, std::wstring& strOut) {
    const wchar_t* pText = nullptr;
    // With a zero buffer size LoadStringW hands out a read-only pointer into the resource and its
    // length, so the text is seen exactly as stored.
    int nLength = ::LoadStringW(::GetModuleHandleW(nullptr), nID, reinterpret_cast<LPWSTR>(&pText), 0);
    if (nLength <= 0 || !pText)
        return false;
    strOut.assign(pText, nLength);
    return true;
}

std::wstring Prompt(const std::wstring& str) {
    return str.substr(0, str.find(L'\n'));
}

struct QuotedString {
    UINT nID;
    const wchar_t* pszText;
};

// Texts the editor shows or looks up, exactly as it must find them.
const QuotedString kQuotedStrings[] = {
    {IDR_MAINFRAME, L"Tessarin\n\nText\nテキスト文書 (*.txt)\n.txt\nTessarin\nテキスト ドキュメント"},
    {IDS_DISPLAY_NAME, L"Tessarin"},
    {IDS_SETTINGS_KEY, L"Software\\zanvo\\Tessarin"},
    {IDS_REG_LF_CHAR_SET, L"lfCharSet"},
    {IDS_REG_LF_CLIP_PRECISION, L"lfClipPrecision"},
    {IDS_REG_LF_ESCAPEMENT, L"lfEscapement"},
    {IDS_REG_LF_FACE_NAME, L"lfFaceName"},
    {IDS_REG_SZ_HEADER, L"szHeader"},
    {IDS_REG_LF_ITALIC, L"lfItalic"},
    {IDS_REG_I_MARGIN_BOTTOM, L"iMarginBottom"},
    {IDS_REG_I_MARGIN_LEFT, L"iMarginLeft"},
    {IDS_REG_I_MARGIN_RIGHT, L"iMarginRight"},
    {IDS_REG_I_MARGIN_TOP, L"iMarginTop"},
    {IDS_REG_LF_ORIENTATION, L"lfOrientation"},
    {IDS_REG_LF_OUT_PRECISION, L"lfOutPrecision"},
    {IDS_REG_LF_PITCH_AND_FAMILY, L"lfPitchAndFamily"},
    {IDS_REG_I_POINT_SIZE, L"iPointSize"},
    {IDS_REG_LF_QUALITY, L"lfQuality"},
    {IDS_REG_LF_STRIKE_OUT, L"lfStrikeOut"},
    {IDS_REG_SZ_TRAILER, L"szTrailer"},
    {IDS_REG_LF_UNDERLINE, L"lfUnderline"},
    {IDS_REG_STATUS_BAR, L"StatusBar"},
    {IDS_REG_F_WRAP, L"fWrap"},
    {IDS_REG_LF_WEIGHT, L"lfWeight"},
    {IDS_REG_I_WINDOW_POS_DX, L"iWindowPosDX"},
    {IDS_REG_I_WINDOW_POS_DY, L"iWindowPosDY"},
    {IDS_REG_I_WINDOW_POS_X, L"iWindowPosX"},
    {IDS_REG_I_WINDOW_POS_Y, L"iWindowPosY"},
    {IDS_HELP_GOTO_OK, L"このダイアログボックスを閉じ、変更内容を保存します。"},
    {IDS_HELP_CANCEL, L"変更内容を保存せずに、このダイアログボックスを閉じます。"},
    {IDS_HELP_ENCODING_LIST,
     L"利用可能なファイル形式の一覧が表示されます。Orvessaのファイルは、SJIS、ISO-2022-JP、EUC、"
     L"UTF-8、UTF-16、またはUTF-32形式で保存できます。"},
    {IDS_HELP_FIND_NEXT, L"[検索する文字列]ボックスに指定されたテキストの次のインスタンスを検索します。"},
    {IDS_HELP_FIND_WHAT, L"検索する文字列を入力する場所です。"},
    {IDS_HELP_POPUP_FONT, L"MS UIゴシック, 9"},
    {IDS_HELP_FORMAT_LIST, L"利用可能なフォーマット形式の一覧が表示されます。Orvessaのファイルは、CRLF（Windows）、"
                           L"LF（Unix）、CR（Mac）形式で保存できます。"},
    {IDS_HELP_NOTEPAD_LIKE, L"選択されているときは、Windows標準のメモ帳風に、画面に表示しながら置換を行います。"
                            L"動作が遅いのでメモリが少ないときのみ使用してください。"},
    {IDS_HELP_MATCH_CASE, L"[検索する文字列]に指定した文字列を、大文字と小文字を区別して検索します。"},
    {IDS_HELP_GOTO_LINE, L"カーソルの移動先の行番号を入力する場所です。行番号は、ドキュメントの先頭から左余白を"
                         L"下方向にカウントします。"},
    {IDS_HELP_GOTO_COLUMN,
     L"カーソルの移動先の列番号を入力する場所です。列番号は、行の先頭から右方向にカウントします。"},
    {IDS_HELP_REPLACE, L"[検索する文字列]に指定した文字列と一致する次の文字列を検索し、[置換後の文字列]で置換します。"},
    {IDS_HELP_REPLACE_ALL, L"[検索する文字列]に指定した文字列と一致するすべての文字列を検索し、[置換後の文字列]で"
                           L"置換します。"},
    {IDS_HELP_REPLACE_WITH, L"[検索する文字列] に入力した文字列を置換する文字列を入力する場所です。"},
    {IDS_HELP_DIRECTION, L"ドキュメント中のカーソル位置から検索する方向を指定します。カーソル位置から上に向けて"
                         L"検索するには「上へ」をクリックします。カーソル位置から下に向けて検索するには「下へ」を"
                         L"クリックします。"},
    {IDS_HELP_WHOLE_WORD,
     L"選択すると、前後に、タブ、句読点文字のあるテキスト文字列、行の最初か最後にあるテキスト"
     L"文字列、または[検索する文字列]の文字列に一致するテキスト文字列が検索されます。選択しないと、"
     L"一部でも一致するが文字列が検索されます。"},
    {IDS_HELP_NO_TOPIC, L"この項目に対するヘルプトピックはありません。"},
    {IDS_HELP_FILE_TYPES, L"[検索するフォルダ]に表示されたディレクトリ内で検索するファイルの種類を示す拡張子を"
                          L"指定します。"},
    {IDS_HELP_FOLDER, L"検索対象のフォルダを指定します。"},
    {IDS_HELP_SUBFOLDERS, L"[検索するフォルダ]で指定したフォルダのサブフォルダにあるファイルも検索対象に含めます。"},
    {IDS_REGISTRY_KEY, L"ovnaz"},
    {IDS_FIND_RESULTS_CAPTION, L"ファイルから検索結果"},
    {IDS_LOG_SIGNATURE, L".LOG"},
    {IDS_WORD_CHARS, L"abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789cueoeaa"},
    {IDS_LINE_COLUMN_FORMAT, L"%0d行、%d列"},
    {IDS_LINE_COLUMN_SAMPLE, L"   000000000行、000000000列"},
    {IDS_FILE_FORMAT_SAMPLE, L"UTF-32(little endian) / CRLF "},
    {IDS_ENC_SJIS_AUTO, L"Shift-JIS(自動判別)"},
    {IDS_ENC_SJIS_AUTO_SHORT, L"SJIS"},
    {IDS_ENC_EUC_JP, L"EUC-JP"},
    {IDS_ENC_EUC_JP_SHORT, L"EUC-JP"},
    {IDS_ENC_ISO_2022_JP, L"ISO-2022-JP"},
    {IDS_ENC_ISO_2022_JP_SHORT, L"ISO-2022-JP"},
    {IDS_ENC_UTF8_N, L"UTF-8N"},
    {IDS_ENC_UTF8_N_SHORT, L"UTF-8N"},
    {IDS_ENC_UTF8_BOM, L"UTF-8"},
    {IDS_ENC_UTF8_BOM_SHORT, L"UTF-8"},
    {IDS_ENC_UTF16_LE, L"UTF-16LE"},
    {IDS_ENC_UTF16_LE_SHORT, L"UTF-16LE"},
    {IDS_ENC_UTF16_LE_BOM, L"UTF-16(little endian)"},
    {IDS_ENC_UTF16_LE_BOM_SHORT, L"UTF-16(little endian)"},
    {IDS_ENC_UTF16_BE, L"UTF-16BE"},
    {IDS_ENC_UTF16_BE_SHORT, L"UTF-16BE"},
    {IDS_ENC_UTF16_BE_BOM, L"UTF-16(big endian)"},
    {IDS_ENC_UTF16_BE_BOM_SHORT, L"UTF-16(big endian)"},
    {IDS_ENC_UTF32_LE, L"UTF-32LE"},
    {IDS_ENC_UTF32_LE_SHORT, L"UTF-32LE"},
    {IDS_ENC_UTF32_LE_BOM, L"UTF-32(little endian)"},
    {IDS_ENC_UTF32_LE_BOM_SHORT, L"UTF-32(little endian)"},
    {IDS_ENC_UTF32_BE, L"UTF-32BE"},
    {IDS_ENC_UTF32_BE_SHORT, L"UTF-32BE"},
    {IDS_ENC_UTF32_BE_BOM, L"UTF-32(big endian)"},
    {IDS_ENC_UTF32_BE_BOM_SHORT, L"UTF-32(big endian)"},
    {IDS_LE_CRLF, L"CRLF(Windows)"},
    {IDS_LE_CRLF_SHORT, L"CRLF"},
    {IDS_LE_LF, L"LF(Unix)"},
    {IDS_LE_LF_SHORT, L"LF"},
    {IDS_LE_CR, L"CR(Mac)"},
    {IDS_LE_CR_SHORT, L"CR"},
    {IDS_FIND_CAPTION, L"検索"},
    {IDS_REPLACE_CAPTION, L"置換"},
    {IDS_MENU_FIND_IN_FILES, L"ファイルから検索(&I)...\tCtrl+Shift+F"},
    {IDS_MENU_STOP_FIND_IN_FILES, L"ファイルから検索を中止(&I)...\tCtrl+Shift+F"},
    {IDS_SAVE_CHANGES, L"ファイル %1 の内容は変更されています。\n\n変更を保存しますか？"},
    {IDS_FIF_CANCELLED, L"取り消されました。"},
    {IDS_FIF_NOT_FOUND, L"文字列 '%s' が見つかりません。"},
    {IDS_FIF_CANNOT_OPEN, L"ファイルが開けません。"},
    {IDS_FIF_HIT_COUNT, L"%d 個、検索されました。"},
    {IDS_CREATE_MISSING_FILE, L"ファイル%sが見つかりません。\n\n新しく作成しますか？"},
    {IDS_BROWSE_FOLDER_TITLE, L"次を検索する"},
    {IDS_FIF_SEARCHING, L"'%s'を検索中..."},
    {IDS_FIND_NOT_FOUND, L"\"%s\" が見つかりません。"},
    {IDS_FILE_CHANGED_RELOAD, L"%s\r\n\r\nこのファイルは外部のエディタで変更されています。再ロードしますか？"},
    {IDS_LINK_URL_NOT_FOUND, L"Unable to connect to the required URL"},
    {IDS_LINK_BROWSER_FAILED, L"Unable to launch the browser, Check browsersettings.\n"},
    {AFX_IDS_APP_TITLE, L"Tessarin"},
    {AFX_IDS_IDLEMESSAGE, L"ヘルプを表示するには [F1] を押してください。"},
    {ID_INDICATOR_CAPS, L"CAP"},
    {ID_INDICATOR_NUM, L"NUM"},
    {ID_INDICATOR_SCRL, L"SCRL"},
    {ID_INDICATOR_KANA, L"カナ"},
    {AFX_IDS_OPENFILE, L"開く"},
    {AFX_IDS_SAVEFILE, L"名前を付けて保存"},
    {AFX_IDS_ALLFILTER, L"すべてのファイル"},
    {AFX_IDS_UNTITLED, L"無題"},
    {AFX_IDS_PREVIEWPAGEDESC, L"ページ %u\nページ %u-%u\n"},
    {AFX_IDP_FAILED_TO_OPEN_DOC, L"ドキュメントを開くことに失敗しました。"},
    {AFX_IDP_ASK_TO_SAVE, L"%1 への変更を保存しますか?"},
    {AFX_IDP_PARSE_INT, L"整数を入力してください。"},
    {AFX_IDP_FAILED_INVALID_FORMAT, L"予期しないファイル形式です。"},
    {AFX_IDP_FILE_ACCESS_DENIED, L"%1 へのアクセスは拒否されました。"},
};

// Status-bar prompts of the program's own commands (the text before "\n").
const QuotedString kQuotedPrompts[] = {
    {ID_EDIT_GOTO_LINE, L"指定した位置へカーソルを移動する"},
    {ID_EDIT_TIME_DATE, L"日付と時刻を挿入する"},
    {ID_FORMAT_WORD_WRAP, L"右端で折り返す"},
    {ID_EDIT_FIND_IN_FILES, L"複数のファイル内で文字列を検索する"},
    {ID_VIEW_FIND_RESULTS, L"ファイルから検索結果の表示/非表示"},
    {ID_EDIT_CLEAR_HISTORY, L"編集履歴をクリアする"},
};

struct MenuItem {
    UINT nID; // 0: separator
    const wchar_t* pszText;
};

struct MenuPopup {
    const wchar_t* pszText;
    std::vector<MenuItem> items;
};

const MenuPopup kMenu[] = {
    {L"ファイル(&F)",
     {{ID_FILE_NEW, L"新規作成(&N)\tCtrl+N"},
      {ID_FILE_OPEN, L"開く(&O)...\tCtrl+O"},
      {ID_FILE_SAVE, L"上書き保存(&S)\tCtrl+S"},
      {ID_FILE_SAVE_AS, L"名前を付けて保存(&A)..."},
      {0, nullptr},
      {ID_FILE_PAGE_SETUP, L"ページ設定(&U)..."},
      {ID_FILE_PRINT_PREVIEW, L"印刷プレビュー(&V)"},
      {ID_FILE_PRINT, L"印刷(&P)...\tCtrl+P"},
      {0, nullptr},
      {ID_APP_EXIT, L"Tessarinの終了(&X)"}}},
    {L"編集(&E)",
     {{ID_EDIT_UNDO, L"元に戻す(&U)\tCtrl+Z"},
      {ID_EDIT_REDO, L"やり直し(&R)\tCtrl+Y"},
      {ID_EDIT_CLEAR_HISTORY, L"履歴クリア(&L)"},
      {0, nullptr},
      {ID_EDIT_CUT, L"切り取り(&T)\tCtrl+X"},
      {ID_EDIT_COPY, L"コピー(&C)\tCtrl+C"},
      {ID_EDIT_PASTE, L"貼り付け(&P)\tCtrl+V"},
      {ID_EDIT_CLEAR, L"削除(&L)\tDel"},
      {0, nullptr},
      {ID_EDIT_FIND, L"検索(&F)...\tCtrl+F"},
      {ID_EDIT_FIND_NEXT, L"次を検索(&N)\tF3"},
      {ID_EDIT_FIND_PREVIOUS, L"前を検索(&V)\tShift+F3"},
      {ID_EDIT_FIND_IN_FILES, L"ファイルから検索(&I)...\tCtrl+Shift+F"},
      {ID_EDIT_REPLACE, L"置換(&R)...\tCtrl+H"},
      {ID_EDIT_GOTO_LINE, L"行へ移動(&G)...\tCtrl+G"},
      {0, nullptr},
      {ID_EDIT_SELECT_ALL, L"すべて選択(&A)\tCtrl+A"},
      {ID_EDIT_TIME_DATE, L"日付と時刻(&D)\tF5"}}},
    {L"書式(&O)", {{ID_FORMAT_WORD_WRAP, L"右端で折り返す(&W)"}, {ID_FORMAT_FONT, L"フォント(&F)..."}}},
    {L"表示(&V)", {{ID_VIEW_STATUS_BAR, L"ステータス バー(&S)"}, {ID_VIEW_FIND_RESULTS, L"ファイルから検索結果(&F)"}}},
    {L"ヘルプ(&H)",
     {{ID_HELP_FINDER, L"トピックの検索(&H)\tF1"}, {0, nullptr}, {ID_APP_ABOUT, L"バージョン情報(&A)..."}}},
};

const ACCEL kAccelerators[] = {
    {FVIRTKEY | FCONTROL, 'A', ID_EDIT_SELECT_ALL}, {FVIRTKEY | FCONTROL, 'C', ID_EDIT_COPY},
    {FVIRTKEY | FCONTROL, 'F', ID_EDIT_FIND},       {FVIRTKEY | FCONTROL | FSHIFT, 'F', ID_EDIT_FIND_IN_FILES},
    {FVIRTKEY | FCONTROL, 'G', ID_EDIT_GOTO_LINE},  {FVIRTKEY | FCONTROL, 'H', ID_EDIT_REPLACE},
    {FVIRTKEY | FCONTROL, 'N', ID_FILE_NEW},        {FVIRTKEY | FCONTROL, 'O', ID_FILE_OPEN},
    {FVIRTKEY | FCONTROL, 'P', ID_FILE_PRINT},      {FVIRTKEY | FCONTROL, 'S', ID_FILE_SAVE},
    {FVIRTKEY | FCONTROL, 'V', ID_EDIT_PASTE},      {FVIRTKEY | FCONTROL, 'X', ID_EDIT_CUT},
    {FVIRTKEY | FCONTROL, 'Y', ID_EDIT_REDO},       {FVIRTKEY | FCONTROL, 'Z', ID_EDIT_UNDO},
    {FVIRTKEY | FALT, VK_BACK, ID_EDIT_UNDO},       {FVIRTKEY, VK_F1, ID_HELP_FINDER},
    {FVIRTKEY | FSHIFT, VK_F1, ID_CONTEXT_HELP},    {FVIRTKEY, VK_F3, ID_EDIT_FIND_NEXT},
    {FVIRTKEY | FSHIFT, VK_F3, ID_EDIT_FIND_PREVIOUS}, {FVIRTKEY, VK_F5, ID_EDIT_TIME_DATE},
    {FVIRTKEY, VK_F6, ID_NEXT_PANE},                {FVIRTKEY | FSHIFT, VK_F6, ID_PREV_PANE},
};

std::vector<ACCEL> LoadAccelerators() {
    HACCEL hAccel = ::LoadAcceleratorsW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_MAINFRAME));
    if (!hAccel)
        return {};
    std::vector<ACCEL> entries(::CopyAcceleratorTableW(hAccel, nullptr, 0));
    ::CopyAcceleratorTableW(hAccel, entries.data(), static_cast<int>(entries.size()));
    // A table loaded from a resource is owned by the module and freed with it.
    return entries;
}

// The accelerator that a menu item's shortcut text ("Ctrl+Shift+F", "F3") announces.
ACCEL AcceleratorFromKeyText(std::wstring strKeys, WORD cmd) {
    struct Modifier {
        const wchar_t* pszPrefix;
        BYTE fFlag;
    };
    static const Modifier kModifiers[] = {{L"Ctrl+", FCONTROL}, {L"Shift+", FSHIFT}, {L"Alt+", FALT}};
    ACCEL accel{FVIRTKEY, 0, cmd};
    for (const Modifier& modifier : kModifiers) {
        std::wstring strPrefix(modifier.pszPrefix);
        if (strKeys.compare(0, strPrefix.size(), strPrefix) == 0) {
            accel.fVirt |= modifier.fFlag;
            strKeys.erase(0, strPrefix.size());
        }
    }
    if (strKeys.size() == 1)
        accel.key = strKeys[0];
    else if (strKeys.size() > 1 && strKeys[0] == L'F')
        accel.key = static_cast<WORD>(VK_F1 + std::stoi(strKeys.substr(1)) - 1);
    return accel;
}

bool SameAccel(const ACCEL& a, const ACCEL& b) {
    // The last entry of a table resource carries an end mark (0x80) that is no key flag.
    return (a.fVirt & 0x7F) == (b.fVirt & 0x7F) && a.key == b.key && a.cmd == b.cmd;
}

} // namespace

TEST(Resources, StringTableHoldsEveryTextAsQuoted) {
    for (const QuotedString& quoted : kQuotedStrings) {
        std::wstring strText;
        ASSERT_TRUE(LoadWhole(quoted.nID, strText)) << "string " << quoted.nID << " missing";
        EXPECT_EQ(strText, quoted.pszText) << "string " << quoted.nID;
    }
    for (const QuotedString& quoted : kQuotedPrompts) {
        std::wstring strText;
        ASSERT_TRUE(LoadWhole(quoted.nID, strText)) << "prompt " << quoted.nID << " missing";
        EXPECT_EQ(Prompt(strText), quoted.pszText) << "prompt " << quoted.nID;
    }
    // Every file-exception cause has its text, each naming the file.
    for (UINT nID = AFX_IDP_FILE_NONE; nID <= AFX_IDP_FILE_EOF; ++nID) {
        std::wstring strText;
        ASSERT_TRUE(LoadWhole(nID, strText)) << "file error " << nID << " missing";
        EXPECT_NE(strText.find(L"%1"), std::wstring::npos) << "file error " << nID;
    }
    // The Find-in-files item goes back to the same text it starts with in the menu.
    std::wstring strItem(256, L'\0');
    HMENU hMenu = ::LoadMenuW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_MAINFRAME));
    ASSERT_NE(hMenu, nullptr);
    strItem.resize(::GetMenuStringW(hMenu, ID_EDIT_FIND_IN_FILES, strItem.data(), 256, MF_BYCOMMAND));
    ::DestroyMenu(hMenu);
    std::wstring strRestored;
    ASSERT_TRUE(LoadWhole(IDS_MENU_FIND_IN_FILES, strRestored));
    EXPECT_EQ(strItem, strRestored);
}

TEST(Resources, MenuListsEveryPopupAndItemInOrderWithPromptsAndShortcuts) {
    HMENU hMenu = ::LoadMenuW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_MAINFRAME));
    ASSERT_NE(hMenu, nullptr);
    const std::vector<ACCEL> accelerators = LoadAccelerators();

    // Reads one item: its type, id, submenu and text.
    auto readItem = [](HMENU hParent, int nPos, MENUITEMINFOW& info, std::wstring& strText) {
        std::vector<wchar_t> buffer(256, L'\0');
        info = {sizeof(info)};
        info.fMask = MIIM_FTYPE | MIIM_ID | MIIM_SUBMENU | MIIM_STRING;
        info.dwTypeData = buffer.data();
        info.cch = static_cast<UINT>(buffer.size());
        bool bRead = ::GetMenuItemInfoW(hParent, nPos, TRUE, &info) != FALSE;
        strText.assign(buffer.data());
        return bRead;
    };

    ASSERT_EQ(::GetMenuItemCount(hMenu), static_cast<int>(std::size(kMenu)));
    for (int nPopup = 0; nPopup < static_cast<int>(std::size(kMenu)); ++nPopup) {
        const MenuPopup& expected = kMenu[nPopup];
        MENUITEMINFOW info;
        std::wstring strText;
        ASSERT_TRUE(readItem(hMenu, nPopup, info, strText));
        EXPECT_EQ(strText, expected.pszText);
        ASSERT_NE(info.hSubMenu, nullptr) << "popup " << nPopup;
        ASSERT_EQ(::GetMenuItemCount(info.hSubMenu), static_cast<int>(expected.items.size())) << "popup " << nPopup;

        HMENU hPopup = info.hSubMenu;
        for (int nItem = 0; nItem < static_cast<int>(expected.items.size()); ++nItem) {
            const MenuItem& item = expected.items[nItem];
            SCOPED_TRACE(testing::Message() << "popup " << nPopup << " item " << nItem);
            ASSERT_TRUE(readItem(hPopup, nItem, info, strText));
            if (!item.nID) {
                EXPECT_TRUE(info.fType & MFT_SEPARATOR);
                continue;
            }
            EXPECT_FALSE(info.fType & MFT_SEPARATOR);
            EXPECT_EQ(info.hSubMenu, nullptr);
            EXPECT_EQ(info.wID, item.nID);
            EXPECT_EQ(strText, item.pszText);

            // The status bar shows a prompt for every command of the menu.
            std::wstring strPrompt;
            EXPECT_TRUE(LoadWhole(item.nID, strPrompt) && !Prompt(strPrompt).empty()) << "no prompt for " << item.nID;

            // The shortcut shown at the right edge is the accelerator that runs the command; Del is the
            // edit control's own key.
            size_t nTab = strText.find(L'\t');
            if (nTab == std::wstring::npos || strText.substr(nTab + 1) == L"Del")
                continue;
            ACCEL announced = AcceleratorFromKeyText(strText.substr(nTab + 1), static_cast<WORD>(item.nID));
            bool bFound = false;
            for (const ACCEL& accel : accelerators)
                bFound = bFound || SameAccel(accel, announced);
            EXPECT_TRUE(bFound) << "no accelerator behind the shortcut of " << item.nID;
        }
    }
    ::DestroyMenu(hMenu);
}

TEST(Resources, AcceleratorTableHoldsEveryVirtualKeyEntryInOrder) {
    const std::vector<ACCEL> accelerators = LoadAccelerators();
    ASSERT_EQ(accelerators.size(), std::size(kAccelerators));
    for (size_t i = 0; i < accelerators.size(); ++i) {
        EXPECT_TRUE(SameAccel(accelerators[i], kAccelerators[i]))
            << "entry " << i << ": flags " << int(accelerators[i].fVirt) << " key " << accelerators[i].key << " cmd "
            << accelerators[i].cmd;
    }
}

// The restore dialog and its texts are in the resources, in Japanese, with a "%s" where a file name
// or a count goes.
TEST(Resources, RecoveryTexts) {
    EXPECT_NE(::FindResourceW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_RECOVERY), MAKEINTRESOURCEW(5)),
              nullptr);
    for (UINT nID = IDS_RECOVERY_NO_SPACE; nID <= IDS_RECOVERY_OPEN_FAILED; ++nID) {
        std::wstring str;
        ASSERT_TRUE(LoadWhole(nID, str)) << nID;
        bool bJapanese = false;
        for (wchar_t ch : str)
            bJapanese |= ch >= 0x3000;
        EXPECT_TRUE(bJapanese) << nID;
    }
    for (UINT nID : {IDS_RECOVERY_SIZE, IDS_RECOVERY_CONFIRM_DISCARD, IDS_RECOVERY_OPEN_FAILED}) {
        std::wstring str;
        ASSERT_TRUE(LoadWhole(nID, str));
        EXPECT_NE(str.find(L"%s"), std::wstring::npos) << nID;
    }
}
