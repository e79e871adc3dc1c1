// CDropTarget: COM plumbing of a window's OLE drop target; the decisions are the client's.
#include "view/DropTarget.h"

CDropTarget::~CDropTarget() {
    if (m_pDataObject)
        m_pDataObject->Release();
}

bool CDropTarget::Register(HWND hWnd) {
    if (m_hWnd)
        return false;
    if (FAILED(::RegisterDragDrop(hWnd, this)))
        return false;
    m_hWnd = hWnd;
    return true;
}

void CDropTarget::Revoke() {
    if (HWND hWnd = m_hWnd) {
        m_hWnd = nullptr;
        ::RevokeDragDrop(hWnd);
    }
}

POINT CDropTarget::ClientPoint(POINTL pt) const {
    POINT point{pt.x, pt.y};
    if (m_hWnd)
        ::ScreenToClient(m_hWnd, &point);
    return point;
}

HRESULT CDropTarget::DragEnter(IDataObject* pDataObj, DWORD grfKeyState, POINTL pt, DWORD* pdwEffect) {
    if (!pdwEffect)
        return E_INVALIDARG;
    if (m_pDataObject)
        m_pDataObject->Release();
    m_pDataObject = pDataObj;
    if (m_pDataObject)
        m_pDataObject->AddRef();
    *pdwEffect = m_client.OnDragEnter(pDataObj, grfKeyState, ClientPoint(pt)) & *pdwEffect;
    return S_OK;
}

HRESULT CDropTarget::DragOver(DWORD grfKeyState, POINTL pt, DWORD* pdwEffect) {
    if (!pdwEffect)
        return E_INVALIDARG;
    *pdwEffect = m_client.OnDragOver(m_pDataObject, grfKeyState, ClientPoint(pt)) & *pdwEffect;
    return S_OK;
}

HRESULT CDropTarget::DragLeave() {
    m_client.OnDragLeave();
    if (m_pDataObject) {
        m_pDataObject->Release();
        m_pDataObject = nullptr;
    }
    return S_OK;
}

HRESULT CDropTarget::Drop(IDataObject* pDataObj, DWORD grfKeyState, POINTL pt, DWORD* pdwEffect) {
    if (!pdwEffect)
        return E_INVALIDARG;
    const POINT point = ClientPoint(pt);
    DWORD dwEffect = m_client.OnDragOver(pDataObj, grfKeyState, point) & *pdwEffect;
    HRESULT hr = S_OK;
    if (dwEffect != DROPEFFECT_NONE && !m_client.OnDrop(pDataObj, dwEffect, point)) {
        dwEffect = DROPEFFECT_NONE; // the data could not be had: the drop is refused
        hr = E_UNEXPECTED;
    }
    *pdwEffect = dwEffect;
    if (m_pDataObject) {
        m_pDataObject->Release();
        m_pDataObject = nullptr;
    }
    return hr;
}
