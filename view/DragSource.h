#pragma once
// Dragging text out of a window with OLE: the text as CF_UNICODETEXT (CTextDataObject), the source
// that ends the drag when the left button goes up (CDropSource), and DragText, which runs the drag.
#include "framework/ComObject.h"
#include <ole2.h>
#include <string>

class CTextDataObject final : public CComObject<IDataObject, IID_IDataObject> {
public:
    explicit CTextDataObject(std::wstring strText) : m_strText(std::move(strText)) {}
    // Each call hands out a new movable shared global block with the text and a NUL; the receiver
    // frees it (ReleaseStgMedium).
    HRESULT STDMETHODCALLTYPE GetData(FORMATETC* pFormat, STGMEDIUM* pMedium) override;
    HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC* pFormat) override;
    HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC* pIn, FORMATETC* pOut) override;
    HRESULT STDMETHODCALLTYPE SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD dwDirection, IEnumFORMATETC** ppEnum) override;
    HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override {
        return OLE_E_ADVISENOTSUPPORTED;
    }
    HRESULT STDMETHODCALLTYPE DUnadvise(DWORD) override { return OLE_E_ADVISENOTSUPPORTED; }
    HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA**) override { return OLE_E_ADVISENOTSUPPORTED; }

private:
    ~CTextDataObject() override = default;

    std::wstring m_strText;
};

class CDropSource final : public CComObject<IDropSource, IID_IDropSource> {
public:
    CDropSource() = default;

    HRESULT STDMETHODCALLTYPE QueryContinueDrag(BOOL fEscapePressed, DWORD grfKeyState) override;
    HRESULT STDMETHODCALLTYPE GiveFeedback(DWORD) override { return DRAGDROP_S_USEDEFAULTCURSORS; }

private:
    ~CDropSource() override = default;
};

// The one format the editor offers and takes: UTF-16 text in global memory.
FORMATETC UnicodeTextFormat();

// Runs an OLE drag of the text allowing dwAllowedEffects; returns the effect of the drop, or
// DROPEFFECT_NONE when the drag was cancelled or refused.
DWORD DragText(const std::wstring& strText, DWORD dwAllowedEffects);

// The CF_UNICODETEXT text of a data object, up to its NUL; false when it offers none.
bool GetUnicodeText(IDataObject* pDataObject, std::wstring& strText);
