#pragma once
// CTessarinDocManager: the Open and Save As dialogs with the panels that add the encoding list (and,
// in Save As, the line-ending list), the byte-order-mark proposal of the Open dialog, and the hand-over
// of the confirmed pair to the document.
#include "document/Encoding.h"
#include "framework/DocManager.h"
#include <windows.h>
#include <string>

// The pair shown in a file dialog's lists. One per process: only one file dialog is open at a time, and
// the hooks have no other place to keep it.
struct FileDialogFormat {
    EncodingId encoding = EncodingId::SjisAuto;
    LineEndingId lineEnding = LineEndingId::Crlf;
};

// The encoding that the file's first bytes announce with a byte-order mark; SjisAuto (detection) when
// they announce none. Bytes missing from a short file count as zeros. Throws CFileException when the
// file cannot be opened (it is opened without sharing).
EncodingId GuessEncodingFromBom(const std::wstring& strPath);

class CTessarinDocManager : public CDocManager {
public:
    // The Open dialog starts from ("*.txt", Shift-JIS detection, CRLF); Save As from fileName and the
    // active document's current pair. A confirmed pair becomes the document's requested pair; a
    // cancelled dialog leaves that alone.
    bool DoPromptFileName(std::wstring& fileName, UINT nIDSTitle, DWORD lFlags, bool bOpenFileDialog,
                          CDocTemplate* pTemplate) override;

    // Shows the Open (bOpen) or Save As dialog with its panel, starting from strName and format; true
    // when the user confirmed it. strName always receives what the name field held; format receives
    // the lists' choice only on confirmation.
    static bool RunFileDialog(HWND hWndOwner, std::wstring& strName, UINT nIDSTitle, DWORD lFlags, bool bOpen,
                              FileDialogFormat& format);

    // Dialog procedures of the two panels (child templates 137 and 138), given to the file dialog as
    // its hooks. They read and write Selection().
    static UINT_PTR CALLBACK OpenHookProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam);
    static UINT_PTR CALLBACK SaveHookProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam);
    static FileDialogFormat& Selection();
};
