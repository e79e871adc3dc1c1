// OleDropFiles: a one-format data object and a drop source that lets go at the first chance.
#include "OleDrop.h"
#include <ole2.h>
#include <shlobj.h>
#include <atomic>
#include <cstring>

namespace e2e {
namespace {
template <class I>
class CUnknownImpl : public I {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        if (riid == IID_IUnknown || riid == m_iid) {
            *ppv = static_cast<I*>(this);
            this->AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++m_nRefs; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG n = --m_nRefs;
        if (n == 0)
            delete this;
        return n;
    }

protected:
    explicit CUnknownImpl(REFIID iid) : m_iid(iid) {}
    virtual ~CUnknownImpl() = default;

private:
    const IID m_iid;
    std::atomic<ULONG> m_nRefs{1};
};

FORMATETC FileListFormat() {
    return FORMATETC{CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
}

class CFileListData final : public CUnknownImpl<IDataObject> {
public:
    explicit CFileListData(const std::vector<std::wstring>& paths) : CUnknownImpl(IID_IDataObject) {
        m_block.resize(sizeof(DROPFILES));
        for (const std::wstring& path : paths) {
            const auto* p = reinterpret_cast<const unsigned char*>(path.c_str());
            m_block.insert(m_block.end(), p, p + (path.size() + 1) * sizeof(wchar_t));
        }
        m_block.resize(m_block.size() + sizeof(wchar_t), 0);
        DROPFILES header{};
        header.pFiles = sizeof(DROPFILES);
        header.fWide = TRUE;
        std::memcpy(m_block.data(), &header, sizeof header);
    }
    HRESULT STDMETHODCALLTYPE GetData(FORMATETC* pFormat, STGMEDIUM* pMedium) override {
        if (QueryGetData(pFormat) != S_OK)
            return DV_E_FORMATETC;
        HGLOBAL hData = ::GlobalAlloc(GMEM_MOVEABLE, m_block.size());
        void* p = hData ? ::GlobalLock(hData) : nullptr;
        if (!p)
            return E_OUTOFMEMORY;
        std::memcpy(p, m_block.data(), m_block.size());
        ::GlobalUnlock(hData);
        *pMedium = STGMEDIUM{};
        pMedium->tymed = TYMED_HGLOBAL;
        pMedium->hGlobal = hData;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC* pFormat) override {
        return pFormat && pFormat->cfFormat == CF_HDROP && (pFormat->tymed & TYMED_HGLOBAL) ? S_OK : DV_E_FORMATETC;
    }
    HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC*, FORMATETC* pOut) override {
        if (pOut)
            pOut->ptd = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD dwDirection, IEnumFORMATETC** ppEnum) override {
        if (dwDirection != DATADIR_GET)
            return E_NOTIMPL;
        FORMATETC format = FileListFormat();
        return ::SHCreateStdEnumFmtEtc(1, &format, ppEnum);
    }
    HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override {
        return OLE_E_ADVISENOTSUPPORTED;
    }
    HRESULT STDMETHODCALLTYPE DUnadvise(DWORD) override { return OLE_E_ADVISENOTSUPPORTED; }
    HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA**) override { return OLE_E_ADVISENOTSUPPORTED; }

private:
    std::vector<unsigned char> m_block;
};

// Lets go as soon as OLE asks, as a user releasing the button over the target.
class CDropAtOnce final : public CUnknownImpl<IDropSource> {
public:
    CDropAtOnce() : CUnknownImpl(IID_IDropSource) {}
    HRESULT STDMETHODCALLTYPE QueryContinueDrag(BOOL fEscapePressed, DWORD) override {
        return fEscapePressed ? DRAGDROP_S_CANCEL : DRAGDROP_S_DROP;
    }
    HRESULT STDMETHODCALLTYPE GiveFeedback(DWORD) override { return DRAGDROP_S_USEDEFAULTCURSORS; }
};

struct DragJob {
    std::vector<std::wstring> paths;
    POINT pt{};
    OleDropResult result;
};

DWORD WINAPI DragThread(void* pParam) {
    auto* pJob = static_cast<DragJob*>(pParam);
    if (FAILED(::OleInitialize(nullptr)))
        return 1;
    ::SetCursorPos(pJob->pt.x, pJob->pt.y);
    auto* pData = new CFileListData(pJob->paths);
    auto* pSource = new CDropAtOnce();
    DWORD dwEffect = DROPEFFECT_NONE;
    pJob->result.hr = ::DoDragDrop(pData, pSource, DROPEFFECT_COPY | DROPEFFECT_LINK, &dwEffect);
    pJob->result.dwEffect = dwEffect;
    pSource->Release();
    pData->Release();
    ::OleUninitialize();
    return 0;
}
} // namespace

OleDropResult OleDropFiles(const std::vector<std::wstring>& paths, POINT ptScreen, DWORD timeoutMs) {
    auto* pJob = new DragJob{paths, ptScreen, {}};
    HANDLE hThread = ::CreateThread(nullptr, 0, &DragThread, pJob, 0, nullptr);
    if (!hThread) {
        delete pJob;
        return {};
    }
    if (::WaitForSingleObject(hThread, timeoutMs) != WAIT_OBJECT_0) {
        ::CloseHandle(hThread);
        return {}; // the job stays with the thread that still uses it
    }
    ::CloseHandle(hThread);
    OleDropResult result = pJob->result;
    delete pJob;
    return result;
}
} // namespace e2e
