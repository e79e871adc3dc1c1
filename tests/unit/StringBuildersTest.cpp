// The one formatter of the string table's texts, the document-string reader and the file dialog
// filter builder, with the program's own strings where they meet both conventions.
#include <gtest/gtest.h>
#include "framework/FrameworkIds.h"
#include "framework/Strings.h"
#include "res/resource.h"

TEST(StringBuilders, FormatTextTakesBothConventions) {
    // The framework's "%1": every occurrence, by position; the arguments are not scanned again.
    EXPECT_EQ(FormatText(L"%1 and %1", {L"a%s"}), L"a%s and a%s");
    EXPECT_EQ(FormatText(L"%2-%1", {L"x", L"y"}), L"y-x");
    // printf-style directives take the arguments in order, whatever their width and kind.
    EXPECT_EQ(FormatText(L"%s: %d (U+%04X) 100%%", {L"name", L"7", L"3042"}), L"name: 7 (U+3042) 100%");
    // A directive without an argument, and a lone "%" at the end, stay as written.
    EXPECT_EQ(FormatText(L"%s %s %", {L"one"}), L"one %s %");
    EXPECT_EQ(FormatText(L"%3", {L"one"}), L"%3");

    EXPECT_EQ(FormatString(AFX_IDP_ASK_TO_SAVE, {L"無題"}), L"無題 への変更を保存しますか?");
    EXPECT_EQ(FormatString(IDS_CREATE_MISSING_FILE, {L"a.txt"}),
              L"ファイルa.txtが見つかりません。\n\n新しく作成しますか？");
}

TEST(StringBuilders, DocStringFieldsAndFileFilters) {
    const std::wstring strDocString = L"\nTessarin\n\nテキスト文書 (*.txt)\n.txt\n";
    EXPECT_EQ(DocStringField(strDocString, 0), L"");
    EXPECT_EQ(DocStringField(strDocString, 1), L"Tessarin");
    EXPECT_EQ(DocStringField(strDocString, 3), L"テキスト文書 (*.txt)");
    EXPECT_EQ(DocStringField(strDocString, 4), L".txt");
    EXPECT_EQ(DocStringField(strDocString, 5), L"");
    EXPECT_EQ(DocStringField(strDocString, 9), L"") << "past the last field";
    EXPECT_EQ(DocStringField(L"only", 0), L"only");

    const std::wstring strFilter = MakeFileFilter({{L"Text", L"*.txt"}, {L"All", L"*.*"}});
    EXPECT_EQ(strFilter, std::wstring(L"Text\0*.txt\0All\0*.*\0", 19));
    EXPECT_EQ(strFilter.c_str()[strFilter.size()], L'\0') << "the list ends with two NULs";
}
