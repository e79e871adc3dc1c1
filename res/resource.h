#pragma once
// Resource ids of Tessarin, grouped by range. The framework's standard ids live in
// framework/FrameworkIds.h.
#include "framework/FrameworkIds.h"

// Shared resources of the document template (menu, accelerators, icon, document string)
#define IDR_MAINFRAME 128

// Child windows
#define IDW_FIND_RESULTS 123

// The program's own commands
#define ID_EDIT_GOTO_LINE 32771
#define ID_EDIT_TIME_DATE 32772
#define ID_FORMAT_WORD_WRAP 32773
#define ID_EDIT_FIND_IN_FILES 32776
#define ID_VIEW_FIND_RESULTS 32777
#define ID_EDIT_CLEAR_HISTORY 32778
#define ID_EDIT_FIND_NEXT 32804

// Private window messages
#define WM_SEARCHREQUEST (WM_USER + 1)
#define WM_FILECHANGED (WM_USER + 2)
