// Splitting of the command line: flags, the file name as the whole rest of the line, print-to.
#include "app/CommandLine.h"
#include <gtest/gtest.h>

namespace {

using Cmd = ParsedCommandLine::Command;

struct SplitCase {
    const wchar_t* pszText;
    Cmd nCommand;
    const wchar_t* pszFile;
    const wchar_t* pszPrinter = L"";
    const wchar_t* pszDriver = L"";
    const wchar_t* pszPort = L"";
};

void ExpectSplit(const SplitCase& c) {
    SCOPED_TRACE(testing::Message() << "command line [" << std::wstring(c.pszText) << "]");
    const ParsedCommandLine info = SplitCommandLine(c.pszText);
    EXPECT_EQ(c.nCommand, info.m_nShellCommand);
    EXPECT_EQ(std::wstring(c.pszFile), info.m_strFileName);
    EXPECT_EQ(std::wstring(c.pszPrinter), info.m_strPrinterName);
    EXPECT_EQ(std::wstring(c.pszDriver), info.m_strDriverName);
    EXPECT_EQ(std::wstring(c.pszPort), info.m_strPortName);
}

TEST(CommandLineTest, NoFileMeansNewDocument) {
    const SplitCase cases[] = {
        {L"", Cmd::FileNew, L""},       {L"  \t  ", Cmd::FileNew, L""},
        {L"\"\"", Cmd::FileNew, L""},   // quotes around nothing name no file
        {L"\"  \"", Cmd::FileNew, L""}, // nor do quoted blanks
        {L"/x  ", Cmd::FileNew, L""},   // unknown flag, then blanks only
    };
    for (const SplitCase& c : cases)
        ExpectSplit(c);
}

TEST(CommandLineTest, FileNameIsTheWholeRestWithQuotesRemoved) {
    const SplitCase cases[] = {
        {L"C:\\My Files\\a b.txt", Cmd::FileOpen, L"C:\\My Files\\a b.txt"},
        {L"\"C:\\My Files\\a b.txt\"", Cmd::FileOpen, L"C:\\My Files\\a b.txt"},
        {L"  \t\"C:\\My Files\\a b.txt\"", Cmd::FileOpen, L"C:\\My Files\\a b.txt"},
        // Two names are one name, space included.
        {L"a.txt b.txt", Cmd::FileOpen, L"a.txt b.txt"},
        {L"\"a.txt\" \"b.txt\"", Cmd::FileOpen, L"a.txt b.txt"},
        // Tabs inside the name stay; flags after the name are part of it.
        {L"a\tb.txt", Cmd::FileOpen, L"a\tb.txt"},
        {L"a.txt /p", Cmd::FileOpen, L"a.txt /p"},
        // A quoted name that begins like a flag is a name.
        {L"\"-notes.txt\"", Cmd::FileOpen, L"-notes.txt"},
        {L"日本語 ファイル.txt", Cmd::FileOpen, L"日本語 ファイル.txt"},
    };
    for (const SplitCase& c : cases)
        ExpectSplit(c);
}

TEST(CommandLineTest, FlagsGoToTheStandardSwitches) {
    const SplitCase cases[] = {
        {L"/p \"C:\\My Files\\a b.txt\"", Cmd::FilePrint, L"C:\\My Files\\a b.txt"},
        {L"-P\ta.txt", Cmd::FilePrint, L"a.txt"},
        {L"/p", Cmd::FilePrint, L""},
        {L"/dde", Cmd::FileDDE, L""},
        {L"/Register", Cmd::AppRegister, L""},
        {L"-regserver", Cmd::AppRegister, L""},
        {L"/Unregister", Cmd::AppUnregister, L""},
        {L"/UNREGSERVER", Cmd::AppUnregister, L""},
        // Unknown flags and a lone "-" are ignored; the name after them still opens.
        {L"/x - a.txt", Cmd::FileOpen, L"a.txt"},
        // The last of two commands wins.
        {L"/p /dde", Cmd::FileDDE, L""},
        // "pt" is not "p" followed by a name.
        {L"/pt", Cmd::FilePrintTo, L""},
    };
    for (const SplitCase& c : cases)
        ExpectSplit(c);

    const ParsedCommandLine info = SplitCommandLine(L"-Embedding /automation");
    EXPECT_TRUE(info.m_bRunEmbedded);
    EXPECT_TRUE(info.m_bRunAutomated);
    EXPECT_EQ(Cmd::FileNew, info.m_nShellCommand);
    EXPECT_FALSE(SplitCommandLine(L"a.txt").m_bRunEmbedded);
}

TEST(CommandLineTest, PrintToTakesPrinterDriverAndPortFromTheEnd) {
    const SplitCase cases[] = {
        // What the shell's print-to command passes.
        {L"/pt \"C:\\My Files\\a b.txt\" \"Printer One\" \"winspool\" \"Ne00:\"", Cmd::FilePrintTo,
         L"C:\\My Files\\a b.txt", L"Printer One", L"winspool", L"Ne00:"},
        // An unquoted path with spaces stays whole.
        {L"/pt C:\\My Files\\a b.txt HP drv LPT1:", Cmd::FilePrintTo, L"C:\\My Files\\a b.txt", L"HP", L"drv",
         L"LPT1:"},
        // An empty quoted driver is still an argument.
        {L"/pt a.txt \"P\" \"\" \"FILE:\"", Cmd::FilePrintTo, L"a.txt", L"P", L"", L"FILE:"},
        // Without all three printer fields the rest is the file name.
        {L"/pt \"a b.txt\" \"P\"", Cmd::FilePrintTo, L"a b.txt P"},
    };
    for (const SplitCase& c : cases)
        ExpectSplit(c);
}

} // namespace
