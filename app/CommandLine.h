#pragma once
// Splits the text after the program name by the program's own rules: "-" or "/" flags first, then
// the file name as the whole rest of the line, so a path with spaces needs no quotes.
#include <string>
#include <string_view>

// The outcome of the split, in the shape of the framework's command-line information.
struct ParsedCommandLine {
    enum Command { FileNew, FileOpen, FilePrint, FilePrintTo, FileDDE, AppRegister, AppUnregister };

    Command m_nShellCommand = FileNew;
    std::wstring m_strFileName;    // double quotes removed
    std::wstring m_strPrinterName; // print-to only
    std::wstring m_strDriverName;
    std::wstring m_strPortName;
    bool m_bRunEmbedded = false;  // "Embedding"
    bool m_bRunAutomated = false; // "Automation"
};

// Flags are the standard switches, in any letter case: "p" print, "pt" print to a printer, "dde",
// "Register"/"Regserver", "Unregister"/"Unregserver", "Embedding", "Automation"; others are ignored.
// Everything from the first character that is not a flag is the file name, blanks included, with
// every double quote removed. Under "pt" the last three arguments of that rest are the printer,
// driver and port (the shell passes each in double quotes), and the file name is what comes
// before them. A file name that is empty once blanks and quotes are gone leaves a new document.
ParsedCommandLine SplitCommandLine(std::wstring_view text);
