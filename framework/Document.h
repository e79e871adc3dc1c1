#pragma once
// CDocument: the data behind the views. This core keeps the modified flag and the list of views;
// the program's document class adds files, formats and searching.
#include "framework/CmdTarget.h"
#include <vector>

class CView;

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

private:
    bool m_bModified = false;
    std::vector<CView*> m_views;
};
