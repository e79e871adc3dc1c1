#pragma once
// CComObject<I, iid>: the IUnknown of an object that implements one COM interface I (whose id is
// iid): a reference count that starts at one (the creator's reference, for CComPtr::Adopt), the
// object deleted when the last reference goes, and QueryInterface answering IUnknown and I.
// Objects of this kind live on one thread (OLE's drag and drop calls them on the caller's).
#include <unknwn.h>

template <typename I, const IID& iid> class CComObject : public I {
public:
    CComObject(const CComObject&) = delete;
    CComObject& operator=(const CComObject&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        if (!ppv)
            return E_POINTER;
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, iid)) {
            *ppv = static_cast<I*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++m_nRef; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG nRef = --m_nRef;
        if (nRef == 0)
            delete this;
        return nRef;
    }

protected:
    CComObject() = default;
    virtual ~CComObject() = default; // only Release deletes

private:
    ULONG m_nRef = 1;
};
