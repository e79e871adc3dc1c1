#pragma once
// Context help of dialogs: a short text from the string table in a pop-up near a control, shown by
// the platform's help viewer, or by a pop-up window of our own where the viewer shows none (Wine).
#include <windows.h>
#include <string>

// Margins of the pop-up text, in pixels at 96 DPI: left, top, right, bottom.
inline constexpr RECT kContextHelpMargins{15, 7, 7, 7};

// The font of every pop-up, as the help viewer reads it: "face, points". The program sets its own
// at start-up; until then the platform's dialog font is used.
void SetContextHelpFont(std::wstring strFont);

// Shows string nIDString in a text pop-up whose top-left corner stands at ptScreen, in the font
// given to SetContextHelpFont, with the default colours. hWndOwner (may be null) owns our own
// pop-up. Returns the pop-up window, or null when nothing could be shown. A pop-up already open
// goes away first.
HWND ShowContextHelpPopup(UINT nIDString, POINT ptScreen, HWND hWndOwner = nullptr);

// The point at which a control's help pop-up stands: its left edge, halfway down it.
POINT ContextHelpPoint(HWND hCtl);

// The pop-up of our own that is open now, or null (the help viewer's pop-ups are not ours).
HWND GetContextHelpPopup();

// Splits a font description "face, points[, ...]" as the help viewer reads it.
bool ParseHelpFont(const std::wstring& strFont, std::wstring& strFace, int& nPoints);
