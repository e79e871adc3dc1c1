// The view's settings through the real per-user registry of the test prefix: what the view reads
// at creation (word wrap before the control exists, the font, the text limit) and what its
// destruction leaves in the key.
#include "ViewHost.h"
#include "view/Settings.h"
#include <memory>
#include <optional>

namespace {
// Written out here, not taken from the program, so a wrong key string is caught.
constexpr wchar_t kKeyPath[] = L"Software\\zanvo\\Tessarin";

void StoreDword(const wchar_t* pszName, DWORD dwValue) {
    ASSERT_EQ(ERROR_SUCCESS,
              ::RegSetKeyValueW(HKEY_CURRENT_USER, kKeyPath, pszName, REG_DWORD, &dwValue, sizeof dwValue));
}
void StoreText(const wchar_t* pszName, const std::wstring& strText) {
    const std::wstring guarded = strText + L'\xFFFF';
    ASSERT_EQ(ERROR_SUCCESS, ::RegSetKeyValueW(HKEY_CURRENT_USER, kKeyPath, pszName, REG_SZ, guarded.c_str(),
                                               static_cast<DWORD>(strText.size() * sizeof(wchar_t))));
}
std::optional<DWORD> StoredDword(const wchar_t* pszName) {
    DWORD dwValue = 0, cb = sizeof dwValue;
    if (::RegGetValueW(HKEY_CURRENT_USER, kKeyPath, pszName, RRF_RT_REG_DWORD, nullptr, &dwValue, &cb) != ERROR_SUCCESS)
        return std::nullopt;
    return dwValue;
}
std::optional<std::wstring> StoredText(const wchar_t* pszName) {
    DWORD cb = 0;
    if (::RegGetValueW(HKEY_CURRENT_USER, kKeyPath, pszName, RRF_RT_REG_SZ | RRF_NOEXPAND, nullptr, nullptr, &cb) !=
        ERROR_SUCCESS)
        return std::nullopt;
    std::wstring text(cb / sizeof(wchar_t) + 1, L'\0');
    ::RegGetValueW(HKEY_CURRENT_USER, kKeyPath, pszName, RRF_RT_REG_SZ | RRF_NOEXPAND, nullptr, text.data(), &cb);
    text.resize(::wcsnlen(text.c_str(), text.size()));
    return text;
}
DWORD ValueCount() {
    HKEY hKey = nullptr;
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, kKeyPath, 0, KEY_READ, &hKey) != ERROR_SUCCESS)
        return 0;
    DWORD nValues = 0;
    ::RegQueryInfoKeyW(hKey, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &nValues, nullptr, nullptr, nullptr,
                       nullptr);
    ::RegCloseKey(hKey);
    return nValues;
}
LOGFONTW ControlFont(const CTessarinView& view, bool& bHasFont) {
    LOGFONTW lf{};
    auto hFont = reinterpret_cast<HFONT>(view.SendMessage(WM_GETFONT));
    bHasFont = hFont != nullptr;
    if (hFont)
        ::GetObjectW(hFont, sizeof lf, &lf);
    return lf;
}
} // namespace

// Each test makes its own hidden frame and view, so creation and destruction read and write the
// key exactly when the test says (a hidden frame also ends without Wine's unmapping wait).
class ViewSettingsTest : public ::testing::Test {
protected:
    struct Host {
        CFrameWnd frame;
        CDocument doc;
        CTessarinView view;
    };
    std::unique_ptr<Host> m_pHost;

    void SetUp() override { Reset(); }
    void TearDown() override {
        Destroy();
        Reset();
    }
    static void Reset() {
        ::RegDeleteTreeW(HKEY_CURRENT_USER, kKeyPath);
        SetSettingsAbnormalEnd(false);
    }

    CTessarinView& Create() {
        m_pHost = std::make_unique<Host>();
        RECT rc{10, 10, 500, 400};
        EXPECT_TRUE(m_pHost->frame.Create(L"ViewSettings", WS_OVERLAPPEDWINDOW, &rc));
        m_pHost->view.SetDocument(&m_pHost->doc);
        EXPECT_TRUE(m_pHost->view.Create(m_pHost->frame.m_hWnd, AFX_IDW_PANE_FIRST, m_pHost->frame.GetClientRect()));
        m_pHost->frame.SetActiveView(&m_pHost->view);
        return m_pHost->view;
    }
    void Destroy() {
        if (m_pHost)
            m_pHost->frame.DestroyWindow();
        m_pHost.reset();
    }
};

TEST_F(ViewSettingsTest, FirstRunKeepsTheControlsFontThenStoresEveryViewValue) {
    CTessarinView& view = Create();
    bool bHasFont = true;
    ControlFont(view, bHasFont);
    EXPECT_FALSE(bHasFont); // no key: the control's own font
    EXPECT_FALSE(view.IsWordWrap());
    EXPECT_EQ(static_cast<DWORD>(view.SendMessage(EM_GETLIMITTEXT)), 0x7FFFFFFFu);
    EXPECT_EQ(ValueCount(), 0u);

    Destroy();
    EXPECT_EQ(ValueCount(), 20u); // the view's twenty values
    EXPECT_EQ(StoredDword(L"fWrap"), 0u);
    EXPECT_EQ(StoredDword(L"iPointSize"), 140u);
    EXPECT_EQ(StoredDword(L"lfWeight"), 400u);
    EXPECT_EQ(StoredDword(L"lfCharSet"), 128u);
    EXPECT_EQ(StoredDword(L"lfPitchAndFamily"), 1u);
    EXPECT_EQ(StoredDword(L"iMarginTop"), 2500u);
    EXPECT_EQ(StoredDword(L"iMarginLeft"), 2000u);
    EXPECT_EQ(StoredText(L"lfFaceName"), L"FixedSys");
    EXPECT_EQ(StoredText(L"szHeader"), L"&f");
    EXPECT_EQ(StoredText(L"szTrailer"), L"ページ(&P)");
}

TEST_F(ViewSettingsTest, StoredFontComesBackThroughTheViewAndGoesBackOut) {
    StoreDword(L"lfWeight", 700);
    StoreDword(L"iPointSize", 95);
    StoreDword(L"lfItalic", 0x101); // a byte field: only the low byte counts
    StoreText(L"lfFaceName", L"Tahoma");
    StoreText(L"szHeader", L"header of fourteen");
    StoreText(L"szTrailer", L"&p");
    CTessarinView& view = Create();
    bool bHasFont = false;
    const LOGFONTW lf = ControlFont(view, bHasFont);
    ASSERT_TRUE(bHasFont);
    EXPECT_EQ(lf.lfWeight, 700);
    EXPECT_EQ(lf.lfItalic, 1);
    EXPECT_STREQ(lf.lfFaceName, L"Tahoma");
    int nDpi = 0;
    {
        HDC hDC = ::GetDC(view.m_hWnd);
        nDpi = ::GetDeviceCaps(hDC, LOGPIXELSY);
        ::ReleaseDC(view.m_hWnd, hDC);
    }
    EXPECT_EQ(lf.lfHeight, -::MulDiv(9, nDpi, 72)); // 95 tenths: a 9-point font
    EXPECT_EQ(lf.lfWidth, 0);
    EXPECT_EQ(view.GetViewSettings().m_strTrailer, L"&p");
    EXPECT_EQ(static_cast<DWORD>(view.SendMessage(EM_GETLIMITTEXT)), 0x7FFFFFFFu);

    Destroy();
    EXPECT_EQ(StoredDword(L"lfWeight"), 700u);
    EXPECT_EQ(StoredDword(L"iPointSize"), 95u);
    EXPECT_EQ(StoredDword(L"lfItalic"), 1u);
    EXPECT_EQ(StoredText(L"lfFaceName"), L"Tahoma");
    EXPECT_EQ(StoredText(L"szHeader"), L"header of fourteen");
    EXPECT_EQ(StoredText(L"szTrailer"), L"&p");
}

TEST_F(ViewSettingsTest, WordWrapIsReadBeforeTheControlExistsAndStoredFromItsStyle) {
    StoreDword(L"fWrap", 1);
    CTessarinView& view = Create();
    EXPECT_TRUE(view.IsWordWrap());
    EXPECT_EQ(view.GetStyle() & (WS_HSCROLL | ES_AUTOHSCROLL), 0u);
    Destroy();
    EXPECT_EQ(StoredDword(L"fWrap"), 1u);

    // Turned off during the run: stored as 0.
    CTessarinView& again = Create();
    ASSERT_TRUE(again.IsWordWrap());
    again.ToggleWordWrap();
    Destroy();
    EXPECT_EQ(StoredDword(L"fWrap"), 0u);
}

TEST_F(ViewSettingsTest, FontChosenDuringTheRunIsStoredAtTheEnd) {
    CTessarinView& view = Create();
    LOGFONTW lf{};
    lf.lfHeight = -16;
    lf.lfWeight = FW_BOLD;
    lf.lfCharSet = DEFAULT_CHARSET;
    wcscpy_s(lf.lfFaceName, L"Tahoma");
    ASSERT_TRUE(view.SetScreenFont(lf, 120));
    Destroy();
    EXPECT_EQ(StoredDword(L"iPointSize"), 120u);
    EXPECT_EQ(StoredDword(L"lfWeight"), 700u);
    EXPECT_EQ(StoredDword(L"lfCharSet"), static_cast<DWORD>(DEFAULT_CHARSET));
    EXPECT_EQ(StoredText(L"lfFaceName"), L"Tahoma");
}

TEST_F(ViewSettingsTest, AnAbnormalEndStoresNothing) {
    Create();
    SetSettingsAbnormalEnd(true);
    Destroy();
    EXPECT_EQ(ValueCount(), 0u);
}
