// Tessarin.exe as Explorer and Windows see it: the version resource read back with the platform's
// own calls and compared with the version the build says, and the embedded manifest in force.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <cwctype>
#include <string>
#include <vector>

namespace {

// "0.82.0" -> {0, 82, 0}.
std::vector<WORD> VersionParts(const std::wstring& text) {
    std::vector<WORD> parts;
    size_t start = 0;
    while (start <= text.size()) {
        size_t dot = text.find(L'.', start);
        parts.push_back(static_cast<WORD>(std::stoi(text.substr(start, dot - start))));
        if (dot == std::wstring::npos)
            break;
        start = dot + 1;
    }
    return parts;
}

class ExeVersion {
public:
    explicit ExeVersion(const wchar_t* pszPath) {
        DWORD dwHandle = 0;
        DWORD cb = ::GetFileVersionInfoSizeW(pszPath, &dwHandle);
        if (cb == 0)
            return;
        m_block.resize(cb);
        if (!::GetFileVersionInfoW(pszPath, 0, cb, m_block.data()))
            m_block.clear();
    }
    bool Loaded() const { return !m_block.empty(); }
    const VS_FIXEDFILEINFO* Fixed() const {
        void* p = nullptr;
        UINT cb = 0;
        if (!::VerQueryValueW(m_block.data(), L"\\", &p, &cb) || cb < sizeof(VS_FIXEDFILEINFO))
            return nullptr;
        return static_cast<const VS_FIXEDFILEINFO*>(p);
    }
    // A string of the first language the resource lists, as Explorer picks it.
    std::wstring String(const wchar_t* pszName) const {
        void* p = nullptr;
        UINT cb = 0;
        if (!::VerQueryValueW(m_block.data(), L"\\VarFileInfo\\Translation", &p, &cb) || cb < 4)
            return L"<no translation>";
        const WORD* pLang = static_cast<const WORD*>(p);
        wchar_t szKey[64];
        swprintf(szKey, 64, L"\\StringFileInfo\\%04x%04x\\%ls", pLang[0], pLang[1], pszName);
        if (!::VerQueryValueW(m_block.data(), szKey, &p, &cb))
            return L"<missing>";
        return std::wstring(static_cast<const wchar_t*>(p), wcsnlen(static_cast<const wchar_t*>(p), cb));
    }

private:
    std::vector<BYTE> m_block;
};

} // namespace

TEST(VersionResource, TessarinExeCarriesTheBuildsVersion) {
    ExeVersion version(TESSARIN_EXE);
    ASSERT_TRUE(version.Loaded()) << "no version resource in " << TESSARIN_EXE;
    const std::wstring expected = TESSARIN_EXPECTED_VERSION;
    const std::vector<WORD> parts = VersionParts(expected);
    ASSERT_EQ(parts.size(), 3u);

    const VS_FIXEDFILEINFO* pFixed = version.Fixed();
    ASSERT_NE(pFixed, nullptr);
    EXPECT_EQ(pFixed->dwSignature, 0xFEEF04BDu);
    for (DWORD dwMs : {pFixed->dwFileVersionMS, pFixed->dwProductVersionMS})
        EXPECT_EQ(dwMs, MAKELONG(parts[1], parts[0]));
    for (DWORD dwLs : {pFixed->dwFileVersionLS, pFixed->dwProductVersionLS})
        EXPECT_EQ(dwLs, MAKELONG(0, parts[2]));
    EXPECT_EQ(pFixed->dwFileType, static_cast<DWORD>(VFT_APP));

    EXPECT_EQ(version.String(L"FileVersion"), expected);
    EXPECT_EQ(version.String(L"ProductVersion"), expected);
    EXPECT_EQ(version.String(L"OriginalFilename"), L"Tessarin.exe");
    EXPECT_EQ(version.String(L"ProductName"), L"Tessarin");
    for (const wchar_t* pszName : {L"CompanyName", L"FileDescription", L"LegalCopyright"}) {
        std::wstring value = version.String(pszName);
        EXPECT_FALSE(value.empty() || value[0] == L'<') << pszName;
    }
}

// The manifest is the one in the program's resources, and Windows (here Wine) honours it: this test
// program is built with the same resources, so it runs with the version 6 common controls.
TEST(VersionResource, ManifestAsksForCommonControls6AndDpiAwarenessWithoutElevation) {
    HMODULE hExe = ::LoadLibraryExW(TESSARIN_EXE, nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ASSERT_NE(hExe, nullptr);
    HRSRC hRes = ::FindResourceW(hExe, CREATEPROCESS_MANIFEST_RESOURCE_ID, RT_MANIFEST);
    ASSERT_NE(hRes, nullptr);
    const char* pText = static_cast<const char*>(::LockResource(::LoadResource(hExe, hRes)));
    const std::string manifest(pText, ::SizeofResource(hExe, hRes));
    ::FreeLibrary(hExe);
    for (const char* pszPart :
         {"name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\"", "true/pm</dpiAware>",
          "PerMonitorV2,PerMonitor</dpiAwareness>", "level=\"asInvoker\"",
          "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}", "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"})
        EXPECT_NE(manifest.find(pszPart), std::string::npos) << pszPart;

    HMODULE hComCtl = ::GetModuleHandleW(L"comctl32.dll");
    if (!hComCtl) {
        INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_BAR_CLASSES};
        ASSERT_TRUE(::InitCommonControlsEx(&icc));
        hComCtl = ::GetModuleHandleW(L"comctl32.dll");
    }
    ASSERT_NE(hComCtl, nullptr);
    // The version 6 controls come from the side-by-side store (Wine's DllGetVersion says 5.81 for
    // both copies, so the module's place is what tells them apart).
    wchar_t szPath[MAX_PATH] = {};
    ASSERT_NE(::GetModuleFileNameW(hComCtl, szPath, MAX_PATH), 0u);
    std::wstring path = szPath;
    for (wchar_t& ch : path)
        ch = static_cast<wchar_t>(towlower(ch));
    EXPECT_NE(path.find(L"\\winsxs\\"), std::wstring::npos) << szPath;
    EXPECT_NE(path.find(L"common-controls_6595b64144ccf1df_6."), std::wstring::npos) << szPath;
}
