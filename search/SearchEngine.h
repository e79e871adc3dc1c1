#pragma once
// The search engine: finds the search text in the editor's text, selects the match, replaces a
// selected match and replaces every match. It reads the view's edit control through its locked
// buffer and writes only through the edit history, so every replacement can be undone.
#include "document/SearchOptions.h"
#include <string>

class CTessarinDoc;

// What a find or replace dialog asks for: the wParam of WM_SEARCHREQUEST.
enum SearchAction : int { SR_FINDNEXT = 0, SR_REPLACE = 1, SR_REPLACEALL = 2, SR_CLOSE = 3 };

// The state of a search dialog's controls at the moment of a request, already mapped: the Find
// dialog gives fNotepadLike false and fSearchDown from its direction buttons; the Replace dialog
// gives its replacement text, its Notepad-like box and fSearchDown true.
struct SearchRequest {
    std::wstring strFind;
    std::wstring strReplace;
    bool bReplaceDialog = false; // strReplace is taken only from the Replace dialog
    bool fWholeWord = false;
    bool fMatchCase = false;
    bool fSearchDown = true;
    bool fNotepadLike = false;
    bool fRegex = false; // the search text is a regular expression, the replacement a template

    bool fWrapAround = false;
    bool fInSelection = false; // Replace All only inside the selection (the Replace dialog's box)
};

// Copies the request into the document's options, then runs the action: SR_FINDNEXT (FindNext
// with the wait cursor), SR_REPLACE (ReplaceNext), SR_REPLACEALL (ReplaceAll with the wait
// cursor), SR_CLOSE (nothing further). True when a find selected a match.
bool ApplySearchRequest(CTessarinDoc& doc, int nAction, const SearchRequest& request);
// Finds from the selection in the stored direction (the other one with bReverse: Shift+F3) and
// selects the match, or tells the user in a notice box that there is none (the focus returns to
// the window that had it). With wrap around, a match found from the other end is said in the
// status bar. True when found.
bool FindNext(CTessarinDoc& doc, bool bReverse = false);
// Replaces the selection if it equals the search text, then FindNext; true when that found one.
bool ReplaceNext(CTessarinDoc& doc);
// Replaces every match of the whole text, or of the selection when asked, fast (one history step)
// or Notepad-like (one per match), and says in the status bar how many it replaced. Returns that
// number.
size_t ReplaceAll(CTessarinDoc& doc);
