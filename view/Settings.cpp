// Reads and writes the main window's and the view's stored values: each value name comes from the
// string table, numbers are 4-byte REG_DWORDs, texts REG_SZ; a value that cannot be read leaves its
// default in place.
#include "view/Settings.h"
#include "framework/Handles.h"
#include "framework/Strings.h"
#include "res/resource.h"
#include <cwchar>
#include <type_traits>
#include <vector>

namespace {

// Header and footer are read into 41 UTF-16 units: 40 characters and room for a terminator.
constexpr size_t kMaxPrintLine = 40;

bool g_bAbnormalEnd = false;

// An empty path would make the registry calls act on HKEY_CURRENT_USER itself, so a missing key
// string opens nothing.
CRegKey OpenForReading(const std::wstring& strKeyPath) {
    HKEY hKey = nullptr;
    if (strKeyPath.empty() ||
        ::RegOpenKeyExW(HKEY_CURRENT_USER, strKeyPath.c_str(), 0, KEY_READ, &hKey) != ERROR_SUCCESS)
        return CRegKey();
    return CRegKey(hKey);
}

CRegKey CreateForWriting(const std::wstring& strKeyPath) {
    HKEY hKey = nullptr;
    if (g_bAbnormalEnd || strKeyPath.empty() ||
        ::RegCreateKeyExW(HKEY_CURRENT_USER, strKeyPath.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                          nullptr, &hKey, nullptr) != ERROR_SUCCESS)
        return CRegKey();
    return CRegKey(hKey);
}

// Queries a value into a buffer of exactly `cbSize` bytes. A value that does not fit fails with
// ERROR_MORE_DATA; the stored type is not looked at.
bool Query(HKEY hKey, UINT nNameId, void* pBuffer, DWORD cbSize, DWORD& cbRead) {
    const std::wstring strName = LoadStringResource(nNameId);
    if (strName.empty())
        return false;
    cbRead = cbSize;
    return ::RegQueryValueExW(hKey, strName.c_str(), nullptr, nullptr, static_cast<BYTE*>(pBuffer), &cbRead) ==
           ERROR_SUCCESS;
}

// Every number is stored in 4 bytes; a value of any other size is not a number of ours.
bool QueryNumber(HKEY hKey, UINT nNameId, DWORD& dwValue) {
    DWORD dwData = 0, cbRead = 0;
    if (!Query(hKey, nNameId, &dwData, sizeof dwData, cbRead) || cbRead != sizeof dwData)
        return false;
    dwValue = dwData;
    return true;
}

// Reads one stored number into a field of any of the settings' types: flags are true when not
// zero; the one-byte font fields are stored zero-extended and read back from the lowest byte;
// the rest are 4-byte signed numbers.
template <typename T> void ReadField(HKEY hKey, UINT nNameId, T& field) {
    DWORD dwValue = 0;
    if (!QueryNumber(hKey, nNameId, dwValue))
        return;
    if constexpr (std::is_same_v<T, bool>)
        field = dwValue != 0;
    else if constexpr (sizeof(T) == 1)
        field = static_cast<T>(dwValue & 0xFF);
    else
        field = static_cast<T>(static_cast<LONG>(dwValue));
}

// The face name takes at most the 64-byte array. It is queried into a cleared copy and always
// terminated, so a name stored without its NUL cannot pick up the tail of the default name.
void ReadFaceName(HKEY hKey, LOGFONTW& lf) {
    WCHAR szFace[LF_FACESIZE] = {};
    DWORD cbRead = 0;
    if (!Query(hKey, IDS_REG_LF_FACE_NAME, szFace, sizeof szFace, cbRead))
        return;
    szFace[LF_FACESIZE - 1] = L'\0';
    std::wmemcpy(lf.lfFaceName, szFace, LF_FACESIZE);
}

// Header and footer are stored without a terminator. The buffer is cleared before each query so
// that a short footer never carries on into the tail of a longer header read before it; a text
// that fills all 41 units is longer than a print line may be, and the default stays.
void ReadPrintLine(HKEY hKey, UINT nNameId, std::wstring& strValue) {
    WCHAR szLine[kMaxPrintLine + 1] = {};
    DWORD cbRead = 0;
    if (!Query(hKey, nNameId, szLine, sizeof szLine, cbRead))
        return;
    const size_t nLength = ::wcsnlen(szLine, kMaxPrintLine + 1);
    if (nLength <= kMaxPrintLine)
        strValue.assign(szLine, nLength);
}

// Write failures are not reported: the settings are a convenience, never worth a message at exit.
void WriteValue(HKEY hKey, UINT nNameId, DWORD dwType, const void* pData, size_t cbData) {
    const std::wstring strName = LoadStringResource(nNameId);
    if (strName.empty())
        return;
    ::RegSetValueExW(hKey, strName.c_str(), 0, dwType, static_cast<const BYTE*>(pData), static_cast<DWORD>(cbData));
}

template <typename T> void WriteField(HKEY hKey, UINT nNameId, const T& field) {
    const DWORD dwValue = std::is_same_v<T, bool> ? (field ? 1 : 0) : static_cast<DWORD>(static_cast<LONG>(field));
    WriteValue(hKey, nNameId, REG_DWORD, &dwValue, sizeof dwValue);
}

// Exactly the characters, without a terminator. RegSetValueExW (Windows NT and Wine alike) quietly
// counts a terminator the caller left out whenever a NUL follows the data in memory, as it does
// after a std::wstring's characters; a non-NUL guard after them keeps the stored length exact.
void WriteText(HKEY hKey, UINT nNameId, const std::wstring& strValue) {
    std::vector<wchar_t> chars(strValue.begin(), strValue.end());
    chars.push_back(L'\xFFFF');
    WriteValue(hKey, nNameId, REG_SZ, chars.data(), strValue.size() * sizeof(wchar_t));
}

// The numbers of each structure, in one list that reading and writing both walk. `S` is the
// structure, const for writing; `f` is called with each value's name id and field.
template <typename S, typename F> void ForEachWindowValue(S& s, F&& f) {
    f(IDS_REG_I_WINDOW_POS_DX, s.m_nDX);
    f(IDS_REG_I_WINDOW_POS_DY, s.m_nDY);
    f(IDS_REG_I_WINDOW_POS_X, s.m_nX);
    f(IDS_REG_I_WINDOW_POS_Y, s.m_nY);
    f(IDS_REG_STATUS_BAR, s.m_bStatusBar);
}

// Word wrap is not in the list: the view reads it on its own, before its control exists.
template <typename S, typename F> void ForEachViewNumber(S& s, F&& f) {
    f(IDS_REG_I_POINT_SIZE, s.m_nPointSize);
    f(IDS_REG_LF_ESCAPEMENT, s.m_lf.lfEscapement);
    f(IDS_REG_LF_ORIENTATION, s.m_lf.lfOrientation);
    f(IDS_REG_LF_WEIGHT, s.m_lf.lfWeight);
    f(IDS_REG_LF_ITALIC, s.m_lf.lfItalic);
    f(IDS_REG_LF_UNDERLINE, s.m_lf.lfUnderline);
    f(IDS_REG_LF_STRIKE_OUT, s.m_lf.lfStrikeOut);
    f(IDS_REG_LF_CHAR_SET, s.m_lf.lfCharSet);
    f(IDS_REG_LF_OUT_PRECISION, s.m_lf.lfOutPrecision);
    f(IDS_REG_LF_CLIP_PRECISION, s.m_lf.lfClipPrecision);
    f(IDS_REG_LF_QUALITY, s.m_lf.lfQuality);
    f(IDS_REG_LF_PITCH_AND_FAMILY, s.m_lf.lfPitchAndFamily);
    f(IDS_REG_I_MARGIN_TOP, s.m_rcMargins.top);
    f(IDS_REG_I_MARGIN_BOTTOM, s.m_rcMargins.bottom);
    f(IDS_REG_I_MARGIN_LEFT, s.m_rcMargins.left);
    f(IDS_REG_I_MARGIN_RIGHT, s.m_rcMargins.right);
}

} // namespace

std::wstring SettingsKeyPath() {
    return LoadStringResource(IDS_SETTINGS_KEY);
}

WindowSettings DefaultWindowSettings() {
    WindowSettings settings;
    RECT rcDesktop{};
    ::GetClientRect(::GetDesktopWindow(), &rcDesktop);
    settings.m_nDX = (rcDesktop.right - rcDesktop.left) * 3 / 4;
    settings.m_nDY = (rcDesktop.bottom - rcDesktop.top) * 3 / 4;
    return settings;
}

bool ReadWindowSettings(WindowSettings& settings, const std::wstring& strKeyPath) {
    CRegKey key = OpenForReading(strKeyPath);
    if (!key)
        return false;
    ForEachWindowValue(settings, [&](UINT nNameId, auto& field) { ReadField(key.Get(), nNameId, field); });
    return true;
}

bool WriteWindowSettings(const WindowSettings& settings, const std::wstring& strKeyPath) {
    CRegKey key = CreateForWriting(strKeyPath);
    if (!key)
        return false;
    ForEachWindowValue(settings, [&](UINT nNameId, const auto& field) { WriteField(key.Get(), nNameId, field); });
    return true;
}

WindowSettings WindowSettingsFromPlacement(const WINDOWPLACEMENT& placement, bool bStatusBarVisible) {
    const RECT& rc = placement.rcNormalPosition;
    WindowSettings settings;
    settings.m_nX = rc.left;
    settings.m_nY = rc.top;
    settings.m_nDX = rc.right - rc.left;
    settings.m_nDY = rc.bottom - rc.top;
    settings.m_bStatusBar = bStatusBarVisible;
    return settings;
}

ViewSettings DefaultViewSettings() {
    ViewSettings settings;
    LOGFONTW& lf = settings.m_lf;
    lf.lfWeight = FW_NORMAL;
    lf.lfCharSet = SHIFTJIS_CHARSET;
    lf.lfOutPrecision = OUT_STRING_PRECIS;
    lf.lfClipPrecision = CLIP_STROKE_PRECIS;
    lf.lfQuality = DRAFT_QUALITY;
    lf.lfPitchAndFamily = FIXED_PITCH;
    constexpr wchar_t kDefaultFace[] = L"FixedSys";
    std::wmemcpy(lf.lfFaceName, kDefaultFace, sizeof kDefaultFace / sizeof kDefaultFace[0]);
    settings.m_rcMargins = RECT{2000, 2500, 2000, 2500};
    settings.m_strHeader = L"&f";
    settings.m_strTrailer = L"ページ(&P)";
    return settings;
}

bool ReadWrapSetting(bool& bWrap, const std::wstring& strKeyPath) {
    CRegKey key = OpenForReading(strKeyPath);
    DWORD dwWrap = 0;
    if (!key || !QueryNumber(key.Get(), IDS_REG_F_WRAP, dwWrap))
        return false;
    bWrap = dwWrap != 0;
    return true;
}

bool ReadViewSettings(ViewSettings& settings, const std::wstring& strKeyPath) {
    CRegKey key = OpenForReading(strKeyPath);
    if (!key)
        return false;
    const HKEY hKey = key.Get();
    ForEachViewNumber(settings, [&](UINT nNameId, auto& field) { ReadField(hKey, nNameId, field); });
    ReadFaceName(hKey, settings.m_lf);
    ReadPrintLine(hKey, IDS_REG_SZ_HEADER, settings.m_strHeader);
    ReadPrintLine(hKey, IDS_REG_SZ_TRAILER, settings.m_strTrailer);
    return true;
}

bool WriteViewSettings(const ViewSettings& settings, const std::wstring& strKeyPath) {
    CRegKey key = CreateForWriting(strKeyPath);
    if (!key)
        return false;
    const HKEY hKey = key.Get();
    WriteField(hKey, IDS_REG_F_WRAP, settings.m_bWrap);
    ForEachViewNumber(settings, [&](UINT nNameId, const auto& field) { WriteField(hKey, nNameId, field); });
    // The whole face-name array, NUL and tail included: always 64 bytes. Its last unit is made a
    // NUL so that RegSetValueExW never looks past the array for a terminator.
    WCHAR szFace[LF_FACESIZE];
    std::wmemcpy(szFace, settings.m_lf.lfFaceName, LF_FACESIZE);
    szFace[LF_FACESIZE - 1] = L'\0';
    WriteValue(hKey, IDS_REG_LF_FACE_NAME, REG_SZ, szFace, sizeof szFace);
    WriteText(hKey, IDS_REG_SZ_HEADER, settings.m_strHeader);
    WriteText(hKey, IDS_REG_SZ_TRAILER, settings.m_strTrailer);
    return true;
}

LONG FontHeightFromPointSize(int nPointSize, int nPixelsPerInchY) {
    return -::MulDiv(nPointSize / 10, nPixelsPerInchY, 72);
}

void SetSettingsAbnormalEnd(bool bAbnormal) {
    g_bAbnormalEnd = bAbnormal;
}

bool IsSettingsAbnormalEnd() {
    return g_bAbnormalEnd;
}

namespace {

void ReadStringList(HKEY hKey, UINT nNameId, size_t nMaxEntries, std::vector<std::wstring>& list) {
    const std::wstring strName = LoadStringResource(nNameId);
    DWORD cbData = 0;
    if (strName.empty() ||
        ::RegQueryValueExW(hKey, strName.c_str(), nullptr, nullptr, nullptr, &cbData) != ERROR_SUCCESS)
        return;
    // One unit more than asked for, zeroed, so that data stored without its final NULs still ends.
    std::vector<wchar_t> data(cbData / sizeof(wchar_t) + 2, L'\0');
    if (::RegQueryValueExW(hKey, strName.c_str(), nullptr, nullptr, reinterpret_cast<BYTE*>(data.data()), &cbData) !=
        ERROR_SUCCESS)
        return;
    list.clear();
    const size_t nUnits = cbData / sizeof(wchar_t);
    for (size_t p = 0; p < nUnits && list.size() < nMaxEntries;) {
        const size_t nLength = ::wcsnlen(data.data() + p, nUnits - p);
        if (nLength > 0)
            list.emplace_back(data.data() + p, nLength);
        p += nLength + 1;
    }
}

void WriteStringList(HKEY hKey, UINT nNameId, const std::vector<std::wstring>& list) {
    std::vector<wchar_t> data;
    for (const std::wstring& entry : list) {
        if (entry.empty() || entry.find(L'\0') != std::wstring::npos)
            continue;
        data.insert(data.end(), entry.begin(), entry.end());
        data.push_back(L'\0');
    }
    if (data.empty())
        return;
    data.push_back(L'\0');
    WriteValue(hKey, nNameId, REG_MULTI_SZ, data.data(), data.size() * sizeof(wchar_t));
}

} // namespace

bool ReadSearchHistorySettings(SearchHistorySettings& settings, size_t nMaxEntries, const std::wstring& strKeyPath) {
    CRegKey key = OpenForReading(strKeyPath);
    if (!key)
        return false;
    ReadStringList(key.Get(), IDS_REG_FIND_HISTORY, nMaxEntries, settings.m_finds);
    ReadStringList(key.Get(), IDS_REG_REPLACE_HISTORY, nMaxEntries, settings.m_replaces);
    return true;
}

bool WriteSearchHistorySettings(const SearchHistorySettings& settings, const std::wstring& strKeyPath) {
    if (settings.m_finds.empty() && settings.m_replaces.empty())
        return false;
    CRegKey key = CreateForWriting(strKeyPath);
    if (!key)
        return false;
    WriteStringList(key.Get(), IDS_REG_FIND_HISTORY, settings.m_finds);
    WriteStringList(key.Get(), IDS_REG_REPLACE_HISTORY, settings.m_replaces);
    return true;
}
