// CViewDragDrop: following a press inside the selection, dragging the text out, and taking text
// dropped in.
#include "view/ViewDragDrop.h"
#include "framework/EditView.h"
#include "framework/GdiHandles.h"
#include "view/DragSource.h"
#include "view/EditHistory.h"
#include <shlobj.h>
#include <cstring>
#include <string>

namespace {
// How a left-button press ends: released before the pointer moved far (a click), moved past the
// drag threshold with the button held (a drag), or given up (Escape, the mouse taken elsewhere).
enum class PressResult { Click, Drag, Cancel };

// Follows a press at ptClient with the mouse captured. DragDetect would do this, but Wine's
// compares the pointer's client coordinates with a rectangle around the screen point it is given,
// so there every press in a window away from the screen's corner would count as a drag.
PressResult FollowPress(HWND hWnd, POINT ptClient, MSG& msgUp) {
    const int cxDrag = ::GetSystemMetrics(SM_CXDRAG), cyDrag = ::GetSystemMetrics(SM_CYDRAG);
    const RECT rcDrag{ptClient.x - cxDrag, ptClient.y - cyDrag, ptClient.x + cxDrag + 1, ptClient.y + cyDrag + 1};
    ::SetCapture(hWnd);
    PressResult result = PressResult::Cancel;
    for (;;) {
        if (::GetCapture() != hWnd)
            break;
        MSG msg{};
        if (!::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            // Everything queued is handled and the button is up, yet no release came (a press
            // sent by another program, or a release another window took): a click where pressed.
            if (::GetKeyState(VK_LBUTTON) >= 0) {
                msgUp = MSG{hWnd, WM_LBUTTONUP, 0, MAKELPARAM(ptClient.x, ptClient.y), 0, POINT{}};
                result = PressResult::Click;
                break;
            }
            ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
            continue;
        }
        if (msg.message == WM_QUIT) {
            ::PostQuitMessage(static_cast<int>(msg.wParam)); // for the main loop to see
            break;
        }
        if (msg.message == WM_LBUTTONUP) {
            msgUp = msg;
            result = PressResult::Click;
            break;
        }
        if (msg.message == WM_MOUSEMOVE) {
            POINT pt{static_cast<short>(LOWORD(msg.lParam)), static_cast<short>(HIWORD(msg.lParam))};
            if (msg.hwnd != hWnd)
                ::MapWindowPoints(msg.hwnd, hWnd, &pt, 1);
            if (!::PtInRect(&rcDrag, pt)) {
                result = PressResult::Drag;
                break;
            }
            continue;
        }
        if ((msg.message == WM_KEYDOWN && msg.wParam == VK_ESCAPE) || msg.message == WM_RBUTTONDOWN ||
            msg.message == WM_MBUTTONDOWN)
            break;
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    if (::GetCapture() == hWnd)
        ::ReleaseCapture();
    return result;
}

FORMATETC FileListFormat() {
    return FORMATETC{CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
}

// A copy of the file list that the drop's data holds, as an HDROP of our own (a DROPFILES block),
// for a WM_DROPFILES that the receiver ends with DragFinish; null when the data has none.
HGLOBAL CopyFileList(IDataObject* pDataObject) {
    FORMATETC format = FileListFormat();
    STGMEDIUM medium{};
    if (!pDataObject || FAILED(pDataObject->GetData(&format, &medium)))
        return nullptr;
    HGLOBAL hCopy = nullptr;
    if (medium.tymed == TYMED_HGLOBAL && medium.hGlobal) {
        const SIZE_T nSize = ::GlobalSize(medium.hGlobal);
        const void* pSource = nSize >= sizeof(DROPFILES) ? ::GlobalLock(medium.hGlobal) : nullptr;
        if (pSource) {
            hCopy = ::GlobalAlloc(GMEM_MOVEABLE, nSize);
            if (void* pCopy = hCopy ? ::GlobalLock(hCopy) : nullptr) {
                std::memcpy(pCopy, pSource, nSize);
                ::GlobalUnlock(hCopy);
            }
            ::GlobalUnlock(medium.hGlobal);
        }
    }
    ::ReleaseStgMedium(&medium);
    return hCopy;
}

} // namespace

CViewDragDrop::~CViewDragDrop() {
    Revoke();
}

void CViewDragDrop::Register() {
    if (!m_pDropTarget)
        m_pDropTarget = CComPtr<CDropTarget>::Adopt(new CDropTarget(*this));
    m_pDropTarget->Register(m_view.m_hWnd); // fails quietly where OLE is not initialised
}

void CViewDragDrop::Revoke() {
    if (m_pDropTarget)
        m_pDropTarget->Revoke();
}

RECT CViewDragDrop::SelectionHitRect(int nStart, int nEnd) const {
    const POINT ptFirst = m_view.PosFromChar(nStart);
    const POINT ptLast = m_view.PosFromChar(nEnd - 1);
    SIZE size{};
    {
        // Measured as the control's device context comes, with its default font.
        CClientDC dc(m_view.m_hWnd);
        CEditBufferLock lock(m_view);
        if (lock.Get())
            ::GetTextExtentPoint32W(dc.Get(), lock.Get() + nEnd - 1, 1, &size);
    }
    // For a selection whose last character lies left of its first this is empty.
    return RECT{ptFirst.x, ptFirst.y, ptLast.x + size.cx, ptLast.y + size.cy};
}

void CViewDragDrop::OnLButtonDown(POINT point) {
    int nStart = 0, nEnd = 0;
    m_view.GetSel(nStart, nEnd);
    if (nStart == nEnd) {
        m_control.PassOn();
        return;
    }
    const RECT rc = SelectionHitRect(nStart, nEnd);
    if (!::PtInRect(&rc, point)) {
        m_control.PassOn();
        return;
    }
    // A press inside the selection drags it only once the pointer has moved past the drag
    // threshold; a plain click puts the caret where it was clicked.
    MSG msgUp{};
    switch (FollowPress(m_view.m_hWnd, point, msgUp)) {
    case PressResult::Click:
        // The control gets the press, and its release, which has already happened.
        m_control.PassOn();
        m_control.CallControl(WM_LBUTTONUP, msgUp.wParam, msgUp.lParam);
        return;
    case PressResult::Cancel: return;
    case PressResult::Drag: break;
    }
    // The text dragged out, and removed on a move, holds whole surrogate pairs.
    const EditRange sel = SelectionOfWholePairs(m_view);
    if (sel.start != nStart || sel.end != nEnd) {
        nStart = sel.start;
        nEnd = sel.end;
        m_view.SetSel(nStart, nEnd, false);
    }
    std::wstring strText;
    {
        CEditBufferLock lock(m_view);
        if (!lock.Get())
            return;
        strText.assign(lock.Get() + nStart, lock.Get() + nEnd);
    }
    // OLE runs its own loop until the button goes up; the click never reaches the control.
    m_bDraggingOut = true;
    const DWORD dwEffect = DragText(strText, DROPEFFECT_COPY | DROPEFFECT_MOVE);
    m_bDraggingOut = false;
    if (dwEffect == DROPEFFECT_MOVE)
        m_history.RecordInsertion(L"", -1, -1, true);
}

DWORD CViewDragDrop::OnDragEnter(IDataObject* pDataObject, DWORD dwKeyState, POINT point) {
    FORMATETC format = UnicodeTextFormat();
    m_bDropAllowed = pDataObject && pDataObject->QueryGetData(&format) == S_OK;
    // On Windows the view's registered target is asked before the frame's WM_DROPFILES: files
    // from the shell would get "no drop" here and never reach the frame.
    FORMATETC files = FileListFormat();
    m_bDropFiles = pDataObject && pDataObject->QueryGetData(&files) == S_OK;
    return OnDragOver(pDataObject, dwKeyState, point);
}

DWORD CViewDragDrop::OnDragOver(IDataObject*, DWORD dwKeyState, POINT) {
    // Dropped files are opened, never moved: the source keeps them.
    if (m_bDropFiles && !m_bDraggingOut)
        return DROPEFFECT_COPY;
    // The selection dragged over its own view would only replace itself (a drop replaces the
    // selection, not the drop point): refused, so neither the text nor the history changes.
    if (!m_bDropAllowed || m_bDraggingOut)
        return DROPEFFECT_NONE;
    return (dwKeyState & MK_ALT) ? DROPEFFECT_MOVE : DROPEFFECT_COPY;
}

bool CViewDragDrop::OnDrop(IDataObject* pDataObject, DWORD, POINT) {
    if (m_bDropFiles) {
        // Opened after the drop has returned, by the frame exactly as files dropped on it (the
        // same save question and messages); the source is not held while a question is up.
        HGLOBAL hDrop = CopyFileList(pDataObject);
        HWND hFrame = ::GetAncestor(m_view.m_hWnd, GA_ROOT);
        if (!hDrop)
            return false;
        if (!hFrame || !::PostMessageW(hFrame, WM_DROPFILES, reinterpret_cast<WPARAM>(hDrop), 0)) {
            ::GlobalFree(hDrop);
            return false;
        }
        return true;
    }
    std::wstring strText;
    if (!GetUnicodeText(pDataObject, strText))
        return false;
    m_history.RecordInsertion(strText.c_str(), -1, -1, true);
    return true;
}
