#pragma once
// The values the main window and the editor view keep between runs: their defaults, and reading and
// writing them under the program's per-user registry key (HKEY_CURRENT_USER).
#include <windows.h>
#include <string>
#include <vector>

// Placement of the main window and whether its status bar shows.
struct WindowSettings {
    int m_nX = 22;
    int m_nY = 29;
    int m_nDX = 0;
    int m_nDY = 0;
    bool m_bStatusBar = false;
};

// Word wrap, screen font, page margins and print header and footer of the editor view.
struct ViewSettings {
    bool m_bWrap = false;
    int m_nPointSize = 140; // tenths of a point
    LOGFONTW m_lf{};        // lfHeight is derived from m_nPointSize by the view; lfWidth stays 0
    RECT m_rcMargins{};     // page-setup units: left, top, right, bottom
    std::wstring m_strHeader;
    std::wstring m_strTrailer;
};

// The sub-key under HKEY_CURRENT_USER that holds every value ("Software\zanvo\Tessarin").
std::wstring SettingsKeyPath();

// Defaults of a first run: (22, 29), three quarters of the desktop's client area, no status bar.
WindowSettings DefaultWindowSettings();
// Reads the five window values over `settings`; false when the key does not open.
bool ReadWindowSettings(WindowSettings& settings, const std::wstring& strKeyPath = SettingsKeyPath());
// Creates or opens the key and writes the five values; false when nothing was written.
bool WriteWindowSettings(const WindowSettings& settings, const std::wstring& strKeyPath = SettingsKeyPath());
// What the main window stores at its end: the restored rectangle, so a maximised or minimised
// window comes back at its earlier normal size and position.
WindowSettings WindowSettingsFromPlacement(const WINDOWPLACEMENT& placement, bool bStatusBarVisible);

// Defaults of a first run: no wrap, 14-point "FixedSys" Shift_JIS, margins 20/25, "&f" and "ページ(&P)".
ViewSettings DefaultViewSettings();
// Reads fWrap alone (the view needs it before its edit control exists); false when the key does
// not open or the value is absent, leaving `bWrap` as it was.
bool ReadWrapSetting(bool& bWrap, const std::wstring& strKeyPath = SettingsKeyPath());
// Reads the font, margins, header and footer over `settings` (not fWrap). False when the key does
// not exist: on a first run the view keeps the edit control's own font.
bool ReadViewSettings(ViewSettings& settings, const std::wstring& strKeyPath = SettingsKeyPath());
// Creates or opens the key and writes every view value; false when nothing was written.
bool WriteViewSettings(const ViewSettings& settings, const std::wstring& strKeyPath = SettingsKeyPath());

// lfHeight for a size in tenths of a point on a device with this many pixels per logical inch.
// Whole points only: 95 gives a 9-point font.
LONG FontHeightFromPointSize(int nPointSize, int nPixelsPerInchY);

// The search boxes' histories (most recent first), shared by Find, Replace and find in files. Each
// is one REG_MULTI_SZ value: the entries in order, each ending in a NUL, then one more NUL (an
// entry is never empty). At most nMaxEntries are read; empty entries are skipped.
struct SearchHistorySettings {
    std::vector<std::wstring> m_finds;
    std::vector<std::wstring> m_replaces;
};
bool ReadSearchHistorySettings(SearchHistorySettings& settings, size_t nMaxEntries,
                               const std::wstring& strKeyPath = SettingsKeyPath());
// Writes both lists; a list that is empty is not written (and one stored earlier is left), so a
// run without a search adds no values to the key.
bool WriteSearchHistorySettings(const SearchHistorySettings& settings,
                                const std::wstring& strKeyPath = SettingsKeyPath());

// A run that ends abnormally must not overwrite what the last good run stored: whoever detects
// such an end sets this flag, and from then on the Write functions store nothing.
void SetSettingsAbnormalEnd(bool bAbnormal);
bool IsSettingsAbnormalEnd();
