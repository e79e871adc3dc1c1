#pragma once
// CDocumentView: the edit view as the document sees it. The document reads files into the view's
// edit control and writes them from it, and around that it has the view stop and restart its
// watch of the file, forget or mark its edit history and stamp ".LOG" files. The view layer
// derives the editor's view from this class; the document knows nothing more of it.
#include "framework/EditView.h"
#include <string>

class CDocumentView : public CEditView {
public:
    // Watch of the document's file for changes made by other programs.
    virtual void StartFileWatch(const std::wstring& strPath) = 0;
    virtual void StopFileWatch() = 0;
    // Forgets every undo and redo step; the text counts as modified or not as given.
    virtual void ClearHistory(bool bModified) = 0;
    // The document's text was just written: undo and redo that come back to it clear the mark.
    virtual void SetSavePoint() = 0;
    // The time and date in place of the selection; the log form has a line break before and after.
    virtual void InsertDateTime(bool bLogForm) = 0;
};
