// The stored settings against the real per-user registry: defaults, names, types and sizes of
// what is written, and the read rules for odd stored data.
#include "view/Settings.h"
#include <gtest/gtest.h>
#include <windows.h>
#include <cstring>
#include <cwchar>
#include <optional>
#include <string>
#include <vector>

namespace {

// Written out here rather than taken from the program, so a wrong key string is caught and a
// missing one can never turn the reset into a delete of HKEY_CURRENT_USER.
constexpr wchar_t kKeyPath[] = L"Software\\zanvo\\Tessarin";

struct StoredValue {
    DWORD dwType = REG_NONE;
    std::vector<BYTE> data;
};

class SettingsTest : public testing::Test {
protected:
    void SetUp() override { Reset(); }
    void TearDown() override { Reset(); }

    static void Reset() {
        ::RegDeleteTreeW(HKEY_CURRENT_USER, kKeyPath);
        SetSettingsAbnormalEnd(false);
    }

    static bool KeyExists() {
        HKEY hKey = nullptr;
        if (::RegOpenKeyExW(HKEY_CURRENT_USER, kKeyPath, 0, KEY_READ, &hKey) != ERROR_SUCCESS)
            return false;
        ::RegCloseKey(hKey);
        return true;
    }

    static void Store(const wchar_t* pszName, DWORD dwType, const void* pData, size_t cbData) {
        ASSERT_EQ(ERROR_SUCCESS,
                  ::RegSetKeyValueW(HKEY_CURRENT_USER, kKeyPath, pszName, dwType, pData, static_cast<DWORD>(cbData)));
    }
    static void StoreDword(const wchar_t* pszName, DWORD dwValue) {
        Store(pszName, REG_DWORD, &dwValue, sizeof dwValue);
    }
    // Characters only, the way the program writes its texts; the guard after them stops
    // RegSetValueExW from counting a terminator of its own.
    static void StoreText(const wchar_t* pszName, const std::wstring& strText) {
        const std::wstring guarded = strText + L'\xFFFF';
        Store(pszName, REG_SZ, guarded.c_str(), strText.size() * sizeof(wchar_t));
        ASSERT_EQ(strText.size() * sizeof(wchar_t), Stored(pszName)->data.size());
    }

    static std::optional<StoredValue> Stored(const wchar_t* pszName) {
        DWORD dwType = 0, cbData = 0;
        if (::RegGetValueW(HKEY_CURRENT_USER, kKeyPath, pszName, RRF_RT_ANY | RRF_NOEXPAND, &dwType, nullptr,
                           &cbData) != ERROR_SUCCESS)
            return std::nullopt;
        StoredValue value{dwType, std::vector<BYTE>(cbData)};
        if (::RegGetValueW(HKEY_CURRENT_USER, kKeyPath, pszName, RRF_RT_ANY | RRF_NOEXPAND, &dwType, value.data.data(),
                           &cbData) != ERROR_SUCCESS)
            return std::nullopt;
        value.data.resize(cbData);
        return value;
    }

    static DWORD ValueCount() {
        HKEY hKey = nullptr;
        if (::RegOpenKeyExW(HKEY_CURRENT_USER, kKeyPath, 0, KEY_READ, &hKey) != ERROR_SUCCESS)
            return 0;
        DWORD nValues = 0, nSubKeys = 0;
        ::RegQueryInfoKeyW(hKey, nullptr, nullptr, nullptr, &nSubKeys, nullptr, nullptr, &nValues, nullptr, nullptr,
                           nullptr, nullptr);
        ::RegCloseKey(hKey);
        return nValues + nSubKeys;
    }

    static void ExpectDword(const wchar_t* pszName, DWORD dwExpected) {
        SCOPED_TRACE(testing::Message() << std::wstring(pszName));
        const std::optional<StoredValue> value = Stored(pszName);
        ASSERT_TRUE(value);
        EXPECT_EQ(static_cast<DWORD>(REG_DWORD), value->dwType);
        ASSERT_EQ(4u, value->data.size());
        DWORD dw = 0;
        std::memcpy(&dw, value->data.data(), 4);
        EXPECT_EQ(dwExpected, dw);
    }

    static void ExpectText(const wchar_t* pszName, const std::wstring& strExpected) {
        SCOPED_TRACE(testing::Message() << std::wstring(pszName));
        const std::optional<StoredValue> value = Stored(pszName);
        ASSERT_TRUE(value);
        EXPECT_EQ(static_cast<DWORD>(REG_SZ), value->dwType);
        ASSERT_EQ(strExpected.size() * sizeof(wchar_t), value->data.size()) << "stored without a terminator";
        EXPECT_EQ(strExpected, std::wstring(reinterpret_cast<const wchar_t*>(value->data.data()), strExpected.size()));
    }

    static std::wstring FaceName(const ViewSettings& settings) { return settings.m_lf.lfFaceName; }
};

void ExpectDefaultView(const ViewSettings& s) {
    EXPECT_FALSE(s.m_bWrap);
    EXPECT_EQ(140, s.m_nPointSize);
    EXPECT_EQ(0, s.m_lf.lfWidth);
    EXPECT_EQ(0, s.m_lf.lfEscapement);
    EXPECT_EQ(0, s.m_lf.lfOrientation);
    EXPECT_EQ(400, s.m_lf.lfWeight);
    EXPECT_EQ(0, s.m_lf.lfItalic);
    EXPECT_EQ(0, s.m_lf.lfUnderline);
    EXPECT_EQ(0, s.m_lf.lfStrikeOut);
    EXPECT_EQ(128, s.m_lf.lfCharSet);
    EXPECT_EQ(1, s.m_lf.lfOutPrecision);
    EXPECT_EQ(2, s.m_lf.lfClipPrecision);
    EXPECT_EQ(1, s.m_lf.lfQuality);
    EXPECT_EQ(1, s.m_lf.lfPitchAndFamily);
    EXPECT_EQ(std::wstring(L"FixedSys"), s.m_lf.lfFaceName);
    EXPECT_EQ(2000, s.m_rcMargins.left);
    EXPECT_EQ(2500, s.m_rcMargins.top);
    EXPECT_EQ(2000, s.m_rcMargins.right);
    EXPECT_EQ(2500, s.m_rcMargins.bottom);
    EXPECT_EQ(L"&f", s.m_strHeader);
    EXPECT_EQ(L"ページ(&P)", s.m_strTrailer);
}

TEST_F(SettingsTest, FirstRunWithoutKeyGivesDefaultsAndCreatesNothing) {
    EXPECT_EQ(std::wstring(kKeyPath), SettingsKeyPath());

    WindowSettings window = DefaultWindowSettings();
    EXPECT_FALSE(ReadWindowSettings(window));
    RECT rcDesktop{};
    ::GetClientRect(::GetDesktopWindow(), &rcDesktop);
    ASSERT_GT(rcDesktop.right, 0);
    EXPECT_EQ(22, window.m_nX);
    EXPECT_EQ(29, window.m_nY);
    EXPECT_EQ(static_cast<int>(0.75 * rcDesktop.right), window.m_nDX);
    EXPECT_EQ(static_cast<int>(0.75 * rcDesktop.bottom), window.m_nDY);
    EXPECT_FALSE(window.m_bStatusBar);

    ViewSettings view = DefaultViewSettings();
    EXPECT_FALSE(ReadWrapSetting(view.m_bWrap));
    EXPECT_FALSE(ReadViewSettings(view)) << "a first run keeps the edit control's own font";
    ExpectDefaultView(view);
    EXPECT_FALSE(KeyExists());
}

TEST_F(SettingsTest, FirstExitStoresAllValuesWithTheirNamesTypesAndSizes) {
    ASSERT_TRUE(WriteWindowSettings(DefaultWindowSettings()));
    ASSERT_TRUE(WriteViewSettings(DefaultViewSettings()));
    EXPECT_EQ(25u, ValueCount()) << "every value directly in the key, no sub-keys";

    const WindowSettings window = DefaultWindowSettings();
    ExpectDword(L"iWindowPosX", 22);
    ExpectDword(L"iWindowPosY", 29);
    ExpectDword(L"iWindowPosDX", static_cast<DWORD>(window.m_nDX));
    ExpectDword(L"iWindowPosDY", static_cast<DWORD>(window.m_nDY));
    ExpectDword(L"StatusBar", 0);
    const struct {
        const wchar_t* pszName;
        DWORD dwValue;
    } numbers[] = {
        {L"fWrap", 0},
        {L"iPointSize", 140},
        {L"lfEscapement", 0},
        {L"lfOrientation", 0},
        {L"lfWeight", 400},
        {L"lfItalic", 0},
        {L"lfUnderline", 0},
        {L"lfStrikeOut", 0},
        {L"lfCharSet", 128},
        {L"lfOutPrecision", 1},
        {L"lfClipPrecision", 2},
        {L"lfQuality", 1},
        {L"lfPitchAndFamily", 1},
        {L"iMarginTop", 2500},
        {L"iMarginBottom", 2500},
        {L"iMarginLeft", 2000},
        {L"iMarginRight", 2000},
    };
    for (const auto& n : numbers)
        ExpectDword(n.pszName, n.dwValue);
    ExpectText(L"szHeader", L"&f");
    ExpectText(L"szTrailer", L"ページ(&P)");

    const std::optional<StoredValue> face = Stored(L"lfFaceName");
    ASSERT_TRUE(face);
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), face->dwType);
    ASSERT_EQ(64u, face->data.size()) << "the whole face-name array";
    EXPECT_EQ(std::wstring(L"FixedSys"), reinterpret_cast<const wchar_t*>(face->data.data()));
}

TEST_F(SettingsTest, WrittenValuesReadBackExactly) {
    WindowSettings window;
    window.m_nX = -8;
    window.m_nY = 1500;
    window.m_nDX = 640;
    window.m_nDY = 12;
    window.m_bStatusBar = true;
    ASSERT_TRUE(WriteWindowSettings(window));

    ViewSettings view = DefaultViewSettings();
    view.m_bWrap = true;
    view.m_nPointSize = 105;
    LOGFONTW& lf = view.m_lf;
    lf.lfEscapement = -900;
    lf.lfOrientation = 2700;
    lf.lfWeight = FW_BOLD;
    lf.lfItalic = 1;
    lf.lfUnderline = 1;
    lf.lfStrikeOut = 1;
    lf.lfCharSet = 0xFF;
    lf.lfOutPrecision = OUT_TT_ONLY_PRECIS;
    lf.lfClipPrecision = CLIP_DEFAULT_PRECIS;
    lf.lfQuality = CLEARTYPE_QUALITY;
    lf.lfPitchAndFamily = VARIABLE_PITCH | FF_ROMAN;
    const std::wstring face = L"ＭＳ ゴシック";
    std::memset(lf.lfFaceName, 0, sizeof lf.lfFaceName);
    std::wmemcpy(lf.lfFaceName, face.c_str(), face.size());
    view.m_rcMargins = RECT{1, 2, 3, -4};
    view.m_strHeader = std::wstring(40, L'見'); // the longest header that fits
    view.m_strTrailer = L"&p";
    ASSERT_TRUE(WriteViewSettings(view));

    ExpectDword(L"iWindowPosX", static_cast<DWORD>(-8));
    ExpectDword(L"StatusBar", 1);
    ExpectDword(L"fWrap", 1);
    ExpectDword(L"lfEscapement", static_cast<DWORD>(-900));
    ExpectDword(L"lfCharSet", 0xFF);
    ExpectDword(L"iMarginBottom", static_cast<DWORD>(-4));
    ExpectText(L"szHeader", view.m_strHeader);
    ExpectText(L"szTrailer", L"&p");

    WindowSettings windowRead = DefaultWindowSettings();
    ASSERT_TRUE(ReadWindowSettings(windowRead));
    EXPECT_EQ(-8, windowRead.m_nX);
    EXPECT_EQ(1500, windowRead.m_nY);
    EXPECT_EQ(640, windowRead.m_nDX);
    EXPECT_EQ(12, windowRead.m_nDY);
    EXPECT_TRUE(windowRead.m_bStatusBar);

    ViewSettings viewRead = DefaultViewSettings();
    ASSERT_TRUE(ReadWrapSetting(viewRead.m_bWrap));
    ASSERT_TRUE(ReadViewSettings(viewRead));
    EXPECT_TRUE(viewRead.m_bWrap);
    EXPECT_EQ(105, viewRead.m_nPointSize);
    EXPECT_EQ(0, std::memcmp(&view.m_lf, &viewRead.m_lf, sizeof(LOGFONTW)));
    EXPECT_EQ(0, std::memcmp(&view.m_rcMargins, &viewRead.m_rcMargins, sizeof(RECT)));
    EXPECT_EQ(view.m_strHeader, viewRead.m_strHeader);
    EXPECT_EQ(L"&p", viewRead.m_strTrailer);
}

TEST_F(SettingsTest, NumbersAreReadWholeAndByteFieldsFromTheLowByte) {
    StoreDword(L"lfWeight", 700);
    StoreDword(L"lfItalic", 0x101);
    StoreDword(L"lfCharSet", 0x12345680);
    const BYTE underline[4] = {1, 0xEE, 0, 0}; // the stored type is not examined
    Store(L"lfUnderline", REG_BINARY, underline, sizeof underline);
    StoreDword(L"fWrap", 5);
    StoreDword(L"StatusBar", 7);

    ViewSettings view = DefaultViewSettings();
    ASSERT_TRUE(ReadWrapSetting(view.m_bWrap));
    ASSERT_TRUE(ReadViewSettings(view));
    EXPECT_EQ(700, view.m_lf.lfWeight) << "bold, not cut to a byte";
    EXPECT_EQ(1, view.m_lf.lfItalic);
    EXPECT_EQ(0x80, view.m_lf.lfCharSet);
    EXPECT_EQ(1, view.m_lf.lfUnderline);
    EXPECT_TRUE(view.m_bWrap);
    WindowSettings window;
    ASSERT_TRUE(ReadWindowSettings(window));
    EXPECT_TRUE(window.m_bStatusBar);

    // Whatever non-zero was found, the next exit stores 1.
    ASSERT_TRUE(WriteWindowSettings(window));
    ASSERT_TRUE(WriteViewSettings(view));
    ExpectDword(L"StatusBar", 1);
    ExpectDword(L"fWrap", 1);
    ExpectDword(L"lfCharSet", 0x80);
}

TEST_F(SettingsTest, NumbersOfAnotherSizeLeaveTheDefault) {
    const unsigned long long qword = 95;
    Store(L"iPointSize", REG_QWORD, &qword, sizeof qword);
    const BYTE shortMargin[2] = {0x10, 0x00};
    Store(L"iMarginTop", REG_BINARY, shortMargin, sizeof shortMargin);
    StoreText(L"iWindowPosX", L"100");
    StoreDword(L"iWindowPosY", 0);

    ViewSettings view = DefaultViewSettings();
    ASSERT_TRUE(ReadViewSettings(view));
    EXPECT_EQ(140, view.m_nPointSize);
    EXPECT_EQ(2500, view.m_rcMargins.top);
    WindowSettings window;
    ASSERT_TRUE(ReadWindowSettings(window));
    EXPECT_EQ(22, window.m_nX);
    EXPECT_EQ(0, window.m_nY);
}

TEST_F(SettingsTest, PointSizeCountsWholePoints) {
    StoreDword(L"iPointSize", 95);
    ViewSettings view = DefaultViewSettings();
    ASSERT_TRUE(ReadViewSettings(view));
    ASSERT_EQ(95, view.m_nPointSize);
    // 9 points at 96 pixels per inch is 12 pixels; 9.5 points would round to 13.
    EXPECT_EQ(-12, FontHeightFromPointSize(view.m_nPointSize, 96));
    EXPECT_EQ(FontHeightFromPointSize(90, 120), FontHeightFromPointSize(95, 120));
    EXPECT_EQ(-13, FontHeightFromPointSize(105, 96));
    EXPECT_EQ(-19, FontHeightFromPointSize(140, 96)); // rounded multiply-divide
}

TEST_F(SettingsTest, HeaderAndFooterAreTheStoredCharactersOnly) {
    // A footer read after a longer header carries nothing of the header's tail.
    StoreText(L"szHeader", L"&f - 第一四半期の報告書");
    StoreText(L"szTrailer", L"&p");
    ViewSettings view = DefaultViewSettings();
    ASSERT_TRUE(ReadViewSettings(view));
    EXPECT_EQ(L"&f - 第一四半期の報告書", view.m_strHeader);
    EXPECT_EQ(L"&p", view.m_strTrailer);

    // Stored by another program with its terminator: the text ends there.
    const wchar_t withNul[] = L"&d\0junk";
    Store(L"szTrailer", REG_SZ, withNul, sizeof withNul);
    ASSERT_TRUE(ReadViewSettings(view));
    EXPECT_EQ(L"&d", view.m_strTrailer);

    // An empty text is a text: it replaces the default.
    StoreText(L"szHeader", L"");
    view = DefaultViewSettings();
    ASSERT_TRUE(ReadViewSettings(view));
    EXPECT_EQ(L"", view.m_strHeader);
}

TEST_F(SettingsTest, PrintLinesOverFortyCharactersLeaveTheDefault) {
    const std::wstring forty(40, L'x');
    const struct {
        std::wstring strStored;
        bool bAppendNul;
        std::wstring strExpected;
    } cases[] = {
        {forty + L"y", false, L"&f"},           // 82 bytes: fills the buffer without a terminator
        {std::wstring(50, L'z'), false, L"&f"}, // larger than the buffer
        {forty + L"y", true, L"&f"},            // 84 bytes with the terminator
        {forty, true, forty},                   // 40 characters and a terminator fit exactly
        {forty, false, forty},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.strStored.size() << " characters, terminator " << c.bAppendNul);
        std::wstring data = c.strStored;
        if (c.bAppendNul)
            data.push_back(L'\0');
        StoreText(L"szHeader", data);
        ViewSettings view = DefaultViewSettings();
        ASSERT_TRUE(ReadViewSettings(view));
        EXPECT_EQ(c.strExpected, view.m_strHeader);
    }
}

TEST_F(SettingsTest, FaceNameIsAlwaysTerminatedAndNeverMixedWithTheDefault) {
    const struct {
        std::wstring strStored;
        std::wstring strExpected;
    } cases[] = {
        {L"Arial", L"Arial"}, // 10 bytes, no terminator: not "ArialSys"
        {std::wstring(L"Courier\0\0", 9), L"Courier"},
        {std::wstring(32, L'F'), std::wstring(31, L'F')}, // 64 bytes without a NUL: 31 characters
        {std::wstring(33, L'G'), L"FixedSys"},            // more than 64 bytes: the default stays
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.strStored.size() << " units stored");
        StoreText(L"lfFaceName", c.strStored);
        ViewSettings view = DefaultViewSettings();
        ASSERT_TRUE(ReadViewSettings(view));
        EXPECT_EQ(c.strExpected, FaceName(view));
    }
}

TEST_F(SettingsTest, AbnormalEndWritesNothing) {
    SetSettingsAbnormalEnd(true);
    EXPECT_TRUE(IsSettingsAbnormalEnd());
    EXPECT_FALSE(WriteWindowSettings(DefaultWindowSettings()));
    EXPECT_FALSE(WriteViewSettings(DefaultViewSettings()));
    EXPECT_FALSE(KeyExists());

    // Nor does it overwrite what an earlier, good run stored.
    SetSettingsAbnormalEnd(false);
    ASSERT_TRUE(WriteViewSettings(DefaultViewSettings()));
    SetSettingsAbnormalEnd(true);
    ViewSettings changed = DefaultViewSettings();
    changed.m_nPointSize = 200;
    EXPECT_FALSE(WriteViewSettings(changed));
    ExpectDword(L"iPointSize", 140);
}

TEST_F(SettingsTest, EmptyKeyPathTouchesNothing) {
    ViewSettings view = DefaultViewSettings();
    EXPECT_FALSE(ReadViewSettings(view, L""));
    EXPECT_FALSE(WriteViewSettings(view, L""));
    EXPECT_FALSE(WriteWindowSettings(DefaultWindowSettings(), L""));
    DWORD cbData = 0;
    EXPECT_NE(ERROR_SUCCESS,
              ::RegGetValueW(HKEY_CURRENT_USER, nullptr, L"iPointSize", RRF_RT_ANY, nullptr, nullptr, &cbData));
}

// A real top-level window, maximised at the end of a run, stores its restored rectangle.
TEST_F(SettingsTest, MaximisedWindowComesBackAtItsRestoredPlace) {
    HWND hWnd = ::CreateWindowExW(0, L"STATIC", L"settings", WS_OVERLAPPEDWINDOW, 100, 120, 500, 400, nullptr, nullptr,
                                  ::GetModuleHandleW(nullptr), nullptr);
    ASSERT_TRUE(hWnd);
    struct Destroyer {
        HWND h;
        ~Destroyer() { ::DestroyWindow(h); }
    } destroyer{hWnd};
    ::ShowWindow(hWnd, SW_SHOWMAXIMIZED);
    ASSERT_TRUE(::IsZoomed(hWnd));

    WINDOWPLACEMENT placement{sizeof placement};
    ASSERT_TRUE(::GetWindowPlacement(hWnd, &placement));
    ASSERT_TRUE(WriteWindowSettings(WindowSettingsFromPlacement(placement, false)));

    WindowSettings window = DefaultWindowSettings();
    ASSERT_TRUE(ReadWindowSettings(window));
    EXPECT_EQ(100, window.m_nX);
    EXPECT_EQ(120, window.m_nY);
    EXPECT_EQ(500, window.m_nDX);
    EXPECT_EQ(400, window.m_nDY);
    EXPECT_FALSE(window.m_bStatusBar);
}

} // namespace

// The search history: one REG_MULTI_SZ a box, most recent first, read back in order and at most as
// many as asked for; odd stored data (no final NULs, empty entries) reads without harm.
TEST_F(SettingsTest, SearchHistoryIsAMultiStringPerBoxReadBackInOrder) {
    SearchHistorySettings none;
    EXPECT_FALSE(WriteSearchHistorySettings(none)) << "nothing searched: nothing stored";
    EXPECT_FALSE(KeyExists());

    SearchHistorySettings written;
    written.m_finds = {L"最近", L"older", L"a b"};
    written.m_replaces = {L"x"};
    ASSERT_TRUE(WriteSearchHistorySettings(written));
    std::optional<StoredValue> finds = Stored(L"mszFindHistory");
    ASSERT_TRUE(finds);
    EXPECT_EQ(finds->dwType, DWORD(REG_MULTI_SZ));
    const wchar_t kFinds[] = L"最近\0older\0a b\0";
    EXPECT_EQ(finds->data.size(), sizeof kFinds);
    EXPECT_EQ(std::memcmp(finds->data.data(), kFinds, sizeof kFinds), 0);

    SearchHistorySettings read;
    ASSERT_TRUE(ReadSearchHistorySettings(read, 20));
    EXPECT_EQ(read.m_finds, written.m_finds);
    EXPECT_EQ(read.m_replaces, written.m_replaces);
    ASSERT_TRUE(ReadSearchHistorySettings(read, 2));
    EXPECT_EQ(read.m_finds, (std::vector<std::wstring>{L"最近", L"older"}));

    // Stored by hand without its final NULs and with an empty entry in it.
    const wchar_t kOdd[] = {L'a', L'\0', L'\0', L'b', L'c'};
    Store(L"mszReplaceHistory", REG_MULTI_SZ, kOdd, sizeof kOdd);
    ASSERT_TRUE(ReadSearchHistorySettings(read, 20));
    EXPECT_EQ(read.m_replaces, (std::vector<std::wstring>{L"a", L"bc"}));
}
