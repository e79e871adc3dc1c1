#pragma once
// CDocument: the data behind the views. It keeps the path, the title, the modified flag and the
// list of views, and runs new, open, save and the save-changes question; the program's document
// class reads and writes the file in its overrides.
#include "framework/CmdTarget.h"
#include <windows.h>
#include <functional>
#include <string>
#include <vector>

class CView;
class CFrameWnd;
class CDocTemplate;
class CException;

// How a save ended: the text was written, the user gave it up (a dialog or question cancelled), or
// it failed (the failure has been shown). The save-changes question answers Saved also when there
// was nothing to save or the user chose not to: the changes are dealt with and the pending action
// may go on.
enum class SaveResult { Saved, Cancelled, Failed };

// The one save-changes question: string nIDPrompt with "%1" := strName, Yes, No and Cancel, help
// context the framework's save question. Yes answers what fnSave does; No is Saved (go on without
// saving); Cancel, or a box that could not be shown, is Cancelled, so nothing is discarded.
SaveResult AskSaveChanges(UINT nIDPrompt, const std::wstring& strName, const std::function<SaveResult()>& fnSave);

class CDocument : public CCmdTarget {
public:
    CDocument() = default;
    ~CDocument() override;

    bool IsModified() const { return m_bModified; }
    virtual void SetModifiedFlag(bool bModified = true) { m_bModified = bModified; }

    // Views register themselves; the document never owns them.
    void AddView(CView* pView);
    void RemoveView(CView* pView);
    CView* GetFirstView() const { return m_views.empty() ? nullptr : m_views.front(); }
    const std::vector<CView*>& GetViews() const { return m_views; }

    // The full path of the file; empty for an untitled document.
    const std::wstring& GetPathName() const { return m_strPathName; }
    // Takes the full form of the path and titles the document with the file's display name.
    virtual void SetPathName(const std::wstring& strPathName, bool bAddToMRU = true);
    const std::wstring& GetTitle() const { return m_strTitle; }
    // Sets the title and has the frames of the views show it.
    virtual void SetTitle(const std::wstring& strTitle);

    CDocTemplate* GetDocTemplate() const { return m_pDocTemplate; }
    void SetDocTemplate(CDocTemplate* pTemplate) { m_pDocTemplate = pTemplate; }

    // Life cycle. The open overrides report or throw their failures and return false. The save
    // override throws its failures; false means the user declined to write (nothing was shown).
    virtual bool OnNewDocument();
    virtual bool OnOpenDocument(const wchar_t* pszPathName);
    virtual bool OnSaveDocument(const wchar_t* pszPathName);
    // Closes the frames of the views, empties the document and (m_bAutoDelete) deletes it.
    virtual void OnCloseDocument();
    virtual void DeleteContents() {}

    // Asks before changes are discarded: Saved when the pending action may go on.
    virtual SaveResult SaveModified();
    // Save: a named file that exists and is writable is saved in place, anything else asks for a
    // name.
    virtual SaveResult DoFileSave();
    // Saves under pszPathName, or under a name the user picks when it is null or empty (Cancelled
    // when the user cancels that dialog); with bReplace the document takes the new name.
    virtual SaveResult DoSave(const wchar_t* pszPathName, bool bReplace = true);
    // Shows what went wrong while loading or saving pszPathName: the exception's own text, or
    // string nIDPDefault ("%1": the path) when it has none.
    virtual void ReportSaveLoadException(const wchar_t* pszPathName, const CException* pError, bool bSaving,
                                         UINT nIDPDefault);

    // Save and Save As.
    bool OnOwnCmdMsg(UINT nID, int nCode, void* pExtra) override;

    // The frame that shows the first view, or null.
    CFrameWnd* GetFirstFrame() const;

    bool m_bAutoDelete = true; // delete the object when it is closed

protected:
    SaveResult OnFileSave() { return DoFileSave(); }
    SaveResult OnFileSaveAs() { return DoSave(nullptr); }
    // Has every frame of the views redraw its title.
    void UpdateFrameTitles() const;

private:
    bool m_bModified = false;
    std::vector<CView*> m_views;
    std::wstring m_strPathName;
    std::wstring m_strTitle;
    CDocTemplate* m_pDocTemplate = nullptr;
};
