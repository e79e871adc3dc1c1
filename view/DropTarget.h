#pragma once
// CDropTarget: the OLE drop target of a window, passing drag enter, drag over, leave and drop on
// to the window's object (IDropTargetClient), which decides what a drop does.
#include "framework/ComObject.h"
#include <ole2.h>

class IDropTargetClient {
public:
    virtual DWORD OnDragEnter(IDataObject* pDataObject, DWORD dwKeyState, POINT point) = 0;
    virtual DWORD OnDragOver(IDataObject* pDataObject, DWORD dwKeyState, POINT point) = 0;
    virtual void OnDragLeave() {}
    // True when the data was taken.
    virtual bool OnDrop(IDataObject* pDataObject, DWORD dropEffect, POINT point) = 0;

protected:
    ~IDropTargetClient() = default;
};

class CDropTarget final : public CComObject<IDropTarget, IID_IDropTarget> {
public:
    explicit CDropTarget(IDropTargetClient& client) : m_client(client) {}

    // Registers with OLE for hWnd (OLE holds a reference until Revoke). False when OLE is not
    // initialised on this thread or the window already has a target.
    bool Register(HWND hWnd);
    void Revoke();

    HRESULT STDMETHODCALLTYPE DragEnter(IDataObject* pDataObj, DWORD grfKeyState, POINTL pt, DWORD* pdwEffect) override;
    HRESULT STDMETHODCALLTYPE DragOver(DWORD grfKeyState, POINTL pt, DWORD* pdwEffect) override;
    HRESULT STDMETHODCALLTYPE DragLeave() override;
    HRESULT STDMETHODCALLTYPE Drop(IDataObject* pDataObj, DWORD grfKeyState, POINTL pt, DWORD* pdwEffect) override;

private:
    ~CDropTarget() override;
    POINT ClientPoint(POINTL pt) const;

    IDropTargetClient& m_client;
    HWND m_hWnd = nullptr;
    IDataObject* m_pDataObject = nullptr; // held between DragEnter and DragLeave or Drop
};
