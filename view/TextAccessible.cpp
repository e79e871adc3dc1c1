// CTextAccessible: the text control's IAccessible, its own answers for role, name, value and state,
// and the standard window object's for the rest.
#include "view/TextAccessible.h"
#include "view/TextControl.h"
#include "framework/ComObject.h"
#include "framework/ComPtr.h"
#include "framework/LateBound.h"
#include "framework/Strings.h"
#include "res/resource.h"
#include <algorithm>
#include <new>
#include <string>
#include <utility>

namespace {
// The accessibility and automation libraries load when a screen reader first asks for the text.
const CLateBoundLibrary& Accessibility() {
    static const CLateBoundLibrary s_library(L"oleacc.dll");
    return s_library;
}
const CLateBoundLibrary& Automation() {
    static const CLateBoundLibrary s_library(L"oleaut32.dll");
    return s_library;
}

BSTR AllocBstr(const wchar_t* p, UINT n) {
    static const auto s_pfn = Automation().Function<decltype(&::SysAllocStringLen)>("SysAllocStringLen");
    return s_pfn ? s_pfn(p, n) : nullptr;
}

void InitVariant(VARIANT* pvar) {
    static const auto s_pfn = Automation().Function<decltype(&::VariantInit)>("VariantInit");
    if (s_pfn)
        s_pfn(pvar);
    else
        pvar->vt = VT_EMPTY;
}

bool IsSelf(const VARIANT& varChild) {
    return varChild.vt == VT_I4 && varChild.lVal == CHILDID_SELF;
}

BSTR MakeBstr(const std::wstring& s) {
    return AllocBstr(s.c_str(), static_cast<UINT>(s.size()));
}

class CTextAccessible : public CComObject<IAccessible, __uuidof(IAccessible)> {
public:
    // The text (OBJID_CLIENT) or its caret (OBJID_CARET).
    static CTextAccessible* Create(HWND hWnd, bool bCaret) {
        IAccessible* pStd = nullptr;
        static const auto s_pfnStandard =
            Accessibility().Function<decltype(&::CreateStdAccessibleObject)>("CreateStdAccessibleObject");
        if (bCaret || !s_pfnStandard ||
            FAILED(s_pfnStandard(hWnd, OBJID_CLIENT, __uuidof(IAccessible), reinterpret_cast<void**>(&pStd))))
            pStd = nullptr;
        return new (std::nothrow) CTextAccessible(hWnd, bCaret, CComPtr<IAccessible>::Adopt(pStd));
    }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        if (ppv && IsEqualIID(riid, IID_IDispatch)) {
            *ppv = static_cast<IDispatch*>(this);
            AddRef();
            return S_OK;
        }
        return CComObject::QueryInterface(riid, ppv);
    }

    // IDispatch: screen readers call the interface's methods directly.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* pctinfo) override {
        if (!pctinfo)
            return E_POINTER;
        *pctinfo = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        return E_NOTIMPL;
    }

    // The object has no children: the text is its value.
    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** ppdispParent) override {
        return m_std ? m_std->get_accParent(ppdispParent) : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE get_accChildCount(long* pcountChildren) override {
        if (!pcountChildren)
            return E_POINTER;
        *pcountChildren = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT, IDispatch** ppdispChild) override {
        if (!ppdispChild)
            return E_POINTER;
        *ppdispChild = nullptr;
        return E_INVALIDARG;
    }
    HRESULT STDMETHODCALLTYPE get_accName(VARIANT varChild, BSTR* pszName) override {
        if (!pszName)
            return E_POINTER;
        *pszName = nullptr;
        if (!IsSelf(varChild))
            return E_INVALIDARG;
        if (m_bCaret)
            return S_FALSE;
        *pszName = MakeBstr(LoadStringResource(IDS_TEXT_ACC_NAME));
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT varChild, BSTR* pszValue) override {
        if (!pszValue)
            return E_POINTER;
        *pszValue = nullptr;
        if (!IsSelf(varChild))
            return E_INVALIDARG;
        if (!::IsWindow(m_hWnd))
            return E_FAIL;
        if (m_bCaret)
            return S_FALSE;
        *pszValue = ValueText();
        return *pszValue ? S_OK : E_OUTOFMEMORY;
    }
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT, BSTR* pszDescription) override {
        if (!pszDescription)
            return E_POINTER;
        *pszDescription = nullptr;
        return S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT varChild, VARIANT* pvarRole) override {
        if (!pvarRole)
            return E_POINTER;
        InitVariant(pvarRole);
        if (!IsSelf(varChild))
            return E_INVALIDARG;
        pvarRole->vt = VT_I4;
        pvarRole->lVal = m_bCaret ? ROLE_SYSTEM_CARET : ROLE_SYSTEM_TEXT;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT varChild, VARIANT* pvarState) override {
        if (!pvarState)
            return E_POINTER;
        InitVariant(pvarState);
        if (!IsSelf(varChild))
            return E_INVALIDARG;
        long nState = STATE_SYSTEM_FOCUSABLE;
        if (!::IsWindow(m_hWnd) || !::IsWindowVisible(m_hWnd))
            nState |= STATE_SYSTEM_INVISIBLE;
        else if (::GetFocus() == m_hWnd)
            nState |= STATE_SYSTEM_FOCUSED;
        if (::IsWindow(m_hWnd) && (::GetWindowLongW(m_hWnd, GWL_STYLE) & ES_READONLY))
            nState |= STATE_SYSTEM_READONLY;
        if (::IsWindow(m_hWnd) && !::IsWindowEnabled(m_hWnd))
            nState |= STATE_SYSTEM_UNAVAILABLE;
        pvarState->vt = VT_I4;
        pvarState->lVal = nState;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT, BSTR* pszHelp) override {
        if (!pszHelp)
            return E_POINTER;
        *pszHelp = nullptr;
        return S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* pszHelpFile, VARIANT, long* pidTopic) override {
        if (pszHelpFile)
            *pszHelpFile = nullptr;
        if (pidTopic)
            *pidTopic = 0;
        return S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT, BSTR* pszKeyboardShortcut) override {
        if (!pszKeyboardShortcut)
            return E_POINTER;
        *pszKeyboardShortcut = nullptr;
        return S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* pvarChild) override {
        if (!pvarChild)
            return E_POINTER;
        InitVariant(pvarChild);
        if (::GetFocus() == m_hWnd) {
            pvarChild->vt = VT_I4;
            pvarChild->lVal = CHILDID_SELF;
        }
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* pvarChildren) override {
        // The selected text is no child object; the caret object tells where it is.
        if (!pvarChildren)
            return E_POINTER;
        InitVariant(pvarChildren);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT, BSTR* pszDefaultAction) override {
        if (!pszDefaultAction)
            return E_POINTER;
        *pszDefaultAction = nullptr;
        return S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE accSelect(long flagsSelect, VARIANT varChild) override {
        if (!IsSelf(varChild))
            return E_INVALIDARG;
        if ((flagsSelect & SELFLAG_TAKEFOCUS) && ::IsWindow(m_hWnd)) {
            ::SetFocus(m_hWnd);
            return S_OK;
        }
        return DISP_E_MEMBERNOTFOUND;
    }
    HRESULT STDMETHODCALLTYPE accLocation(long* pxLeft, long* pyTop, long* pcxWidth, long* pcyHeight,
                                          VARIANT varChild) override {
        if (!IsSelf(varChild))
            return E_INVALIDARG;
        if (m_bCaret)
            return CaretLocation(pxLeft, pyTop, pcxWidth, pcyHeight);
        if (m_std)
            return m_std->accLocation(pxLeft, pyTop, pcxWidth, pcyHeight, varChild);
        return E_FAIL;
    }
    HRESULT STDMETHODCALLTYPE accNavigate(long navDir, VARIANT varStart, VARIANT* pvarEndUpAt) override {
        return m_std ? m_std->accNavigate(navDir, varStart, pvarEndUpAt) : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE accHitTest(long xLeft, long yTop, VARIANT* pvarChild) override {
        if (!pvarChild)
            return E_POINTER;
        InitVariant(pvarChild);
        RECT rc{};
        ::GetWindowRect(m_hWnd, &rc);
        if (::IsWindow(m_hWnd) && ::PtInRect(&rc, POINT{xLeft, yTop})) {
            pvarChild->vt = VT_I4;
            pvarChild->lVal = CHILDID_SELF;
            return S_OK;
        }
        return S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT) override { return DISP_E_MEMBERNOTFOUND; }
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT, BSTR) override { return DISP_E_MEMBERNOTFOUND; }
    // The text changes through the program's own routes (typing, the history), not from here.
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT, BSTR) override { return DISP_E_MEMBERNOTFOUND; }

private:
    CTextAccessible(HWND hWnd, bool bCaret, CComPtr<IAccessible> std)
        : m_hWnd(hWnd), m_bCaret(bCaret), m_std(std::move(std)) {}

    HRESULT CaretLocation(long* pxLeft, long* pyTop, long* pcxWidth, long* pcyHeight) const {
        if (!pxLeft || !pyTop || !pcxWidth || !pcyHeight)
            return E_POINTER;
        if (!::IsWindow(m_hWnd))
            return E_FAIL;
        // Where the control put the system caret (it has one while it has the focus), else the
        // selection's end; one row high.
        POINT pt{};
        ::SendMessageW(m_hWnd, CTextControl::kMsgPlaceCaret, 0, 0); // a pending placement is made first
        if (::GetFocus() != m_hWnd || !::GetCaretPos(&pt)) {
            DWORD dwEnd = 0;
            ::SendMessageW(m_hWnd, EM_GETSEL, 0, reinterpret_cast<LPARAM>(&dwEnd));
            const auto r = static_cast<DWORD>(::SendMessageW(m_hWnd, EM_POSFROMCHAR, dwEnd, 0));
            pt = POINT{static_cast<short>(LOWORD(r)), static_cast<short>(HIWORD(r))};
        }
        int nHeight = 16;
        if (HDC hdc = ::GetDC(m_hWnd)) {
            const auto hFont = reinterpret_cast<HGDIOBJ>(::SendMessageW(m_hWnd, WM_GETFONT, 0, 0));
            const HGDIOBJ hOld = ::SelectObject(hdc, hFont ? hFont : ::GetStockObject(SYSTEM_FONT));
            TEXTMETRICW tm{};
            if (::GetTextMetricsW(hdc, &tm))
                nHeight = tm.tmHeight;
            ::SelectObject(hdc, hOld);
            ::ReleaseDC(m_hWnd, hdc);
        }
        ::ClientToScreen(m_hWnd, &pt);
        *pxLeft = pt.x;
        *pyTop = pt.y;
        *pcxWidth = std::max(1, ::GetSystemMetrics(SM_CXBORDER));
        *pcyHeight = nHeight;
        return S_OK;
    }

    BSTR ValueText() const {
        const int nLength = static_cast<int>(::SendMessageW(m_hWnd, WM_GETTEXTLENGTH, 0, 0));
        int nStart = 0, nEnd = nLength;
        if (nLength > kMaxAccessibleValue) {
            // A text this long would cost its size in memory at every question: the value is the
            // stretch around the caret, from the start of a line.
            DWORD dwCaret = 0;
            ::SendMessageW(m_hWnd, EM_GETSEL, 0, reinterpret_cast<LPARAM>(&dwCaret));
            const int nCaret = static_cast<int>(dwCaret);
            const int nFrom = std::clamp(nCaret - kMaxAccessibleValue / 2, 0, nLength - kMaxAccessibleValue);
            const auto nLine = ::SendMessageW(m_hWnd, EM_LINEFROMCHAR, static_cast<WPARAM>(nFrom), 0);
            nStart = static_cast<int>(::SendMessageW(m_hWnd, EM_LINEINDEX, static_cast<WPARAM>(nLine), 0));
            if (nStart < nFrom - kMaxAccessibleValue / 4 || nStart < 0)
                nStart = nFrom; // a very long line: its start is too far back
            nEnd = std::min(nLength, nStart + kMaxAccessibleValue);
        }
        BSTR bstr = AllocBstr(nullptr, static_cast<UINT>(nEnd - nStart));
        if (!bstr)
            return nullptr;
        CTextControl::ReadRange range{nStart, nEnd, bstr};
        const auto nCopied = ::SendMessageW(m_hWnd, CTextControl::kMsgReadRange, 0, reinterpret_cast<LPARAM>(&range));
        bstr[std::clamp<LRESULT>(nCopied, 0, nEnd - nStart)] = L'\0';
        return bstr;
    }

    HWND m_hWnd;
    bool m_bCaret;
    CComPtr<IAccessible> m_std; // the system's object for the window: location, parent, navigation
};
} // namespace

LRESULT AnswerTextAccessible(HWND hWnd, WPARAM wParam, LPARAM lParam) {
    const LONG nObject = static_cast<LONG>(lParam);
    if (nObject != OBJID_CLIENT && nObject != OBJID_CARET)
        return 0;
    CTextAccessible* pAcc = CTextAccessible::Create(hWnd, nObject == OBJID_CARET);
    if (!pAcc)
        return 0;
    static const auto s_pfnResult = Accessibility().Function<decltype(&::LresultFromObject)>("LresultFromObject");
    const LRESULT lResult =
        s_pfnResult ? s_pfnResult(__uuidof(IAccessible), wParam, static_cast<IAccessible*>(pAcc)) : 0;
    pAcc->Release(); // LresultFromObject holds its own reference
    return lResult;
}
