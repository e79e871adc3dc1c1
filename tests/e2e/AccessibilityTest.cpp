// What a screen reader in another process reads from the editor's text through IAccessible: the
// role, the name, the text as the value (following edits), the state, where the window and the
// caret are.
#include "TessarinApp.h"
#include "framework/FrameworkIds.h"
#include <oleacc.h>

using namespace e2e;

namespace {
// COM for this thread, for the length of a test.
class CComScope {
public:
    CComScope() : m_hr(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
    ~CComScope() {
        if (SUCCEEDED(m_hr))
            ::CoUninitialize();
    }
    CComScope(const CComScope&) = delete;
    CComScope& operator=(const CComScope&) = delete;

private:
    HRESULT m_hr;
};

VARIANT Self() {
    VARIANT v;
    ::VariantInit(&v);
    v.vt = VT_I4;
    v.lVal = CHILDID_SELF;
    return v;
}

std::wstring TakeBstr(BSTR bstr) {
    std::wstring s = bstr ? std::wstring(bstr, ::SysStringLen(bstr)) : std::wstring();
    ::SysFreeString(bstr);
    return s;
}
} // namespace

class AccessibilityE2E : public TessarinE2E {};

TEST_F(AccessibilityE2E, AScreenReaderReadsRoleNameValueStateAndTheCaret) {
    CComScope com;
    const std::wstring path = m_dir.File(L"read.txt");
    const std::vector<unsigned char> bytes{'a', 'b', '\r', '\n', 'c', 'd'};
    WriteAllBytes(path, bytes);
    ASSERT_NE(Launch(path), nullptr);
    HWND edit = Edit();
    ASSERT_NE(edit, nullptr);
    ASSERT_TRUE(WaitUntil([&] { return WindowText(edit) == L"ab\r\ncd"; }));

    IAccessible* pAcc = nullptr;
    ASSERT_EQ(::AccessibleObjectFromWindow(edit, static_cast<DWORD>(OBJID_CLIENT), __uuidof(IAccessible),
                                           reinterpret_cast<void**>(&pAcc)),
              S_OK);
    ASSERT_NE(pAcc, nullptr);
    VARIANT role;
    ASSERT_EQ(pAcc->get_accRole(Self(), &role), S_OK);
    EXPECT_EQ(role.vt, VT_I4);
    EXPECT_EQ(role.lVal, ROLE_SYSTEM_TEXT);
    BSTR bstr = nullptr;
    ASSERT_EQ(pAcc->get_accName(Self(), &bstr), S_OK);
    EXPECT_EQ(TakeBstr(bstr), L"テキスト");
    bstr = nullptr;
    ASSERT_EQ(pAcc->get_accValue(Self(), &bstr), S_OK);
    EXPECT_EQ(TakeBstr(bstr), L"ab\r\ncd");
    VARIANT state;
    ASSERT_EQ(pAcc->get_accState(Self(), &state), S_OK);
    EXPECT_TRUE(state.lVal & STATE_SYSTEM_FOCUSABLE);
    EXPECT_FALSE(state.lVal & STATE_SYSTEM_READONLY);
    // Where the text is on screen: the control's window.
    long x = 0, y = 0, cx = 0, cy = 0;
    ASSERT_EQ(pAcc->accLocation(&x, &y, &cx, &cy, Self()), S_OK);
    RECT rc{};
    ::GetWindowRect(edit, &rc);
    EXPECT_GE(x, rc.left);
    EXPECT_LE(x + cx, rc.right);
    EXPECT_GT(cx, 0);
    EXPECT_GT(cy, 0);

    // The value follows typing, Japanese included (the caret is at the start of an opened file).
    ASSERT_TRUE(m_app.PostText(L"日本"));
    EXPECT_TRUE(WaitUntil([&] {
        BSTR value = nullptr;
        return pAcc->get_accValue(Self(), &value) == S_OK && TakeBstr(value) == L"日本ab\r\ncd";
    }));
    pAcc->Release();

    // The caret is the system's caret object, where the control shows the caret.
    IAccessible* pCaret = nullptr;
    ASSERT_EQ(::AccessibleObjectFromWindow(edit, static_cast<DWORD>(OBJID_CARET), __uuidof(IAccessible),
                                           reinterpret_cast<void**>(&pCaret)),
              S_OK);
    {
        ASSERT_NE(pCaret, nullptr);
        ASSERT_TRUE(SendTimed(edit, EM_SETSEL, 4, 4));
        LRESULT result = 0;
        ASSERT_TRUE(SendTimed(edit, EM_POSFROMCHAR, 4, 0, &result));
        POINT pt{static_cast<short>(LOWORD(result)), static_cast<short>(HIWORD(result))};
        ::ClientToScreen(edit, &pt);
        EXPECT_TRUE(WaitUntil([&] {
            long cx0 = 0, cy0 = 0, cw = 0, ch = 0;
            return pCaret->accLocation(&cx0, &cy0, &cw, &ch, Self()) == S_OK && cx0 == pt.x && cy0 == pt.y;
        })) << "the caret object is not at the caret";
        pCaret->Release();
    }
    ExitDiscarding();
}
