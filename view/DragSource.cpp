// Dragging text out: the data object that offers it as CF_UNICODETEXT, the drop source, and the
// drag itself; also reading CF_UNICODETEXT from whatever data object is dropped.
#include "view/DragSource.h"
#include "framework/Clipboard.h"
#include "framework/ComPtr.h"
#include "framework/GlobalBlock.h"
#include <shlobj.h>
#include <cstring>
#include <cwchar>

FORMATETC UnicodeTextFormat() {
    return FORMATETC{CF_UNICODETEXT, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
}

HRESULT CTextDataObject::QueryGetData(FORMATETC* pFormat) {
    if (!pFormat)
        return E_INVALIDARG;
    if (pFormat->cfFormat != CF_UNICODETEXT)
        return DV_E_FORMATETC;
    if (!(pFormat->tymed & TYMED_HGLOBAL))
        return DV_E_TYMED;
    if (pFormat->dwAspect != DVASPECT_CONTENT)
        return DV_E_DVASPECT;
    return S_OK;
}

HRESULT CTextDataObject::GetData(FORMATETC* pFormat, STGMEDIUM* pMedium) {
    if (!pMedium)
        return E_INVALIDARG;
    HRESULT hr = QueryGetData(pFormat);
    if (FAILED(hr))
        return hr;
    const size_t cbText = (m_strText.size() + 1) * sizeof(wchar_t);
    CGlobalBlock hText(::GlobalAlloc(GMEM_MOVEABLE | GMEM_SHARE, cbText));
    if (!hText)
        return E_OUTOFMEMORY;
    {
        CGlobalLock lock(hText.Get());
        if (!lock.Get())
            return E_OUTOFMEMORY;
        std::memcpy(lock.Get(), m_strText.c_str(), cbText);
    }
    pMedium->tymed = TYMED_HGLOBAL;
    pMedium->hGlobal = hText.Detach();
    pMedium->pUnkForRelease = nullptr;
    return S_OK;
}

HRESULT CTextDataObject::GetCanonicalFormatEtc(FORMATETC*, FORMATETC* pOut) {
    if (!pOut)
        return E_INVALIDARG;
    pOut->ptd = nullptr;
    return DATA_S_SAMEFORMATETC;
}

HRESULT CTextDataObject::EnumFormatEtc(DWORD dwDirection, IEnumFORMATETC** ppEnum) {
    if (!ppEnum)
        return E_INVALIDARG;
    *ppEnum = nullptr;
    if (dwDirection != DATADIR_GET)
        return E_NOTIMPL;
    FORMATETC format = UnicodeTextFormat();
    return ::SHCreateStdEnumFmtEtc(1, &format, ppEnum);
}

HRESULT CDropSource::QueryContinueDrag(BOOL fEscapePressed, DWORD grfKeyState) {
    if (fEscapePressed)
        return DRAGDROP_S_CANCEL;
    if (!(grfKeyState & MK_LBUTTON))
        return DRAGDROP_S_DROP;
    return S_OK;
}

DWORD DragText(const std::wstring& strText, DWORD dwAllowedEffects) {
    auto pData = CComPtr<IDataObject>::Adopt(new CTextDataObject(strText));
    auto pSource = CComPtr<IDropSource>::Adopt(new CDropSource());
    DWORD dwEffect = DROPEFFECT_NONE;
    HRESULT hr = ::DoDragDrop(pData.Get(), pSource.Get(), dwAllowedEffects, &dwEffect);
    return hr == DRAGDROP_S_DROP ? dwEffect : DROPEFFECT_NONE;
}

bool GetUnicodeText(IDataObject* pDataObject, std::wstring& strText) {
    if (!pDataObject)
        return false;
    FORMATETC format = UnicodeTextFormat();
    STGMEDIUM medium{};
    if (FAILED(pDataObject->GetData(&format, &medium)))
        return false;
    bool bOk = false;
    if (medium.tymed == TYMED_HGLOBAL && medium.hGlobal) {
        CGlobalLock lock(medium.hGlobal);
        if (auto pText = lock.As<const wchar_t>()) {
            // The block may hold no NUL at all: read no further than its size.
            const size_t nMax = ::GlobalSize(medium.hGlobal) / sizeof(wchar_t);
            strText.assign(pText, ::wcsnlen(pText, nMax));
            bOk = true;
        }
    }
    ::ReleaseStgMedium(&medium);
    return bOk;
}
