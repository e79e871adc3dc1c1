#pragma once
// CViewDragDrop: drag and drop for an edit view. A press inside the selection that moves past the
// drag threshold drags the selected text out with OLE (a move removes it); text dragged in as
// CF_UNICODETEXT replaces the selection. Both go through the edit history. Files dragged in from
// the shell (CF_HDROP) go to the frame as a WM_DROPFILES, which opens them.
#include "framework/ComPtr.h"
#include "view/DropTarget.h"
#include "view/InputRoutes.h"
#include <windows.h>

class CEditView;
class CEditHistory;

class CViewDragDrop final : public IDropTargetClient {
public:
    CViewDragDrop(CEditView& view, CEditHistory& history, IControlProc& control)
        : m_view(view), m_history(history), m_control(control) {}
    ~CViewDragDrop();
    CViewDragDrop(const CViewDragDrop&) = delete;
    CViewDragDrop& operator=(const CViewDragDrop&) = delete;

    // Registers the view's current window as a drop target (fails quietly where OLE is not
    // initialised); Revoke before the window goes or is replaced.
    void Register();
    void Revoke();

    // The left button went down at point (client coordinates): outside the selection the control
    // takes the press; inside, a click reaches the control once released and a drag runs here.
    void OnLButtonDown(POINT point);
    // The rectangle in which a click starts dragging the selection [nStart, nEnd) out.
    RECT SelectionHitRect(int nStart, int nEnd) const;

    // IDropTargetClient: text offered as CF_UNICODETEXT replaces the selection (not the drop point);
    // a file list is handed to the frame once the drop has returned.
    DWORD OnDragEnter(IDataObject* pDataObject, DWORD dwKeyState, POINT point) override;
    DWORD OnDragOver(IDataObject* pDataObject, DWORD dwKeyState, POINT point) override;
    bool OnDrop(IDataObject* pDataObject, DWORD dropEffect, POINT point) override;

private:
    CEditView& m_view;
    CEditHistory& m_history;
    IControlProc& m_control;
    CComPtr<CDropTarget> m_pDropTarget;
    bool m_bDropAllowed = false; // the data being dragged over offers CF_UNICODETEXT
    bool m_bDropFiles = false;   // the data being dragged over offers a file list (CF_HDROP)
    bool m_bDraggingOut = false; // the view's own selection is being dragged
};
