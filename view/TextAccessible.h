#pragma once
// CTextAccessible: what a screen reader asks the text control through IAccessible (WM_GETOBJECT,
// OBJID_CLIENT): role editable text, a name, the text as the value, the state (focusable,
// focused, read-only); and for OBJID_CARET, where the caret is. Where the window is, its parent
// and navigation come from the system's standard object for the window. The objects read the
// control through its messages, so they stay valid, and harmless, after the window is gone.
#include <windows.h>
#include <oleacc.h>

// Answers WM_GETOBJECT for hWnd: the result for OBJID_CLIENT and OBJID_CARET, 0 for any other
// object (the default handling then gives the system's).
LRESULT AnswerTextAccessible(HWND hWnd, WPARAM wParam, LPARAM lParam);

// The value of a text of nLength characters is the whole text up to this length; a longer text
// gives this many characters around the caret, from the start of a line.
constexpr int kMaxAccessibleValue = 1 << 20;
