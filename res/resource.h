#pragma once
// Resource ids of Tessarin, grouped by range. The framework's standard ids live in
// framework/FrameworkIds.h.
#include "framework/FrameworkIds.h"

// Shared resources of the document template (menu, accelerators, icon, document string)
#define IDR_MAINFRAME 128

// Child windows
#define IDW_FIND_RESULTS 123

// Dialog templates and their controls
#define IDD_ABOUTBOX 100
#define IDD_OPEN_ENCODING 137
#define IDD_SAVE_ENCODING 138
#define IDC_ENCODING 1012
#define IDC_ABOUT_LINK 1014
#define IDC_FORMAT 1047
#define IDD_GOTO_LINE 140
// Page setup: the platform's dialog on our template (the platform's own control ids from dlgs.h)
// with the header and footer fields
#define IDD_PAGE_SETUP 150
#define IDC_PRINT_HEADER 1200
#define IDC_PRINT_FOOTER 1201
#define IDC_PRINT_HEADER_LABEL 1202
#define IDC_PRINT_FOOTER_LABEL 1203
#define IDC_GOTO_LINE 1100
#define IDC_GOTO_COLUMN 1101
#define IDC_GOTO_LINE_LABEL 1102
#define IDC_GOTO_COLUMN_LABEL 1103
// The Find (134) and Replace (135) dialogs; the find-in-files dialog shares 1002-1004
#define IDD_FIND 134
#define IDD_REPLACE 135
#define IDC_FIND_WHAT 1002
#define IDC_WHOLE_WORD 1003
#define IDC_MATCH_CASE 1004
#define IDC_SEARCH_UP 1006
#define IDC_SEARCH_DOWN 1007
#define IDC_REPLACE_WITH 1009
#define IDC_REPLACE 1010
#define IDC_REPLACE_ALL 1011
#define IDC_NOTEPAD_LIKE 1013
#define IDC_FIND_WHAT_LABEL 1055
#define IDC_REPLACE_WITH_LABEL 1056
#define IDC_DIRECTION_GROUP 1057

// Find in files (139): 1002-1004 and 1055 as in the search dialogs, and its own controls
#define IDD_FIND_IN_FILES 139
#define IDC_FIF_FILE_TYPES 1050
#define IDC_FIF_FOLDER 1051
#define IDC_FIF_BROWSE 1052
#define IDC_FIF_SUBFOLDERS 1053
#define IDC_FIF_FILE_TYPES_LABEL 1058
#define IDC_FIF_FOLDER_LABEL 1059

// Cursors
#define IDC_HAND_CURSOR 1066

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

// String table. Menu prompts share their command's id ("prompt\ntooltip"); the framework's own
// strings are named in framework/FrameworkIds.h.

// Program name and settings key
#define IDS_DISPLAY_NAME 62001
#define IDS_SETTINGS_KEY 62002

// Registry value names under the settings key, used exactly as stored
#define IDS_REG_LF_CHAR_SET 62009
#define IDS_REG_LF_CLIP_PRECISION 62010
#define IDS_REG_LF_ESCAPEMENT 62012
#define IDS_REG_LF_FACE_NAME 62014
#define IDS_REG_SZ_HEADER 62020
#define IDS_REG_LF_ITALIC 62022
#define IDS_REG_I_MARGIN_BOTTOM 62025
#define IDS_REG_I_MARGIN_LEFT 62026
#define IDS_REG_I_MARGIN_RIGHT 62027
#define IDS_REG_I_MARGIN_TOP 62028
#define IDS_REG_LF_ORIENTATION 62038
#define IDS_REG_LF_OUT_PRECISION 62039
#define IDS_REG_LF_PITCH_AND_FAMILY 62041
#define IDS_REG_I_POINT_SIZE 62042
#define IDS_REG_LF_QUALITY 62043
#define IDS_REG_LF_STRIKE_OUT 62045
#define IDS_REG_SZ_TRAILER 62046
#define IDS_REG_LF_UNDERLINE 62047
#define IDS_REG_STATUS_BAR 62048
#define IDS_REG_F_WRAP 62049
#define IDS_REG_LF_WEIGHT 62050
#define IDS_REG_I_WINDOW_POS_DX 62051
#define IDS_REG_I_WINDOW_POS_DY 62052
#define IDS_REG_I_WINDOW_POS_X 62053
#define IDS_REG_I_WINDOW_POS_Y 62054

// Context-help pop-up texts of the dialogs, and the pop-up font
#define IDS_HELP_GOTO_OK 62101
#define IDS_HELP_CANCEL 62102
#define IDS_HELP_ENCODING_LIST 62104
#define IDS_HELP_FIND_NEXT 62105
#define IDS_HELP_FIND_WHAT 62106
#define IDS_HELP_POPUP_FONT 62107
#define IDS_HELP_FORMAT_LIST 62108
#define IDS_HELP_NOTEPAD_LIKE 62110
#define IDS_HELP_MATCH_CASE 62112
#define IDS_HELP_GOTO_LINE 62113
#define IDS_HELP_GOTO_COLUMN 62114
#define IDS_HELP_REPLACE 62116
#define IDS_HELP_REPLACE_ALL 62117
#define IDS_HELP_REPLACE_WITH 62118
#define IDS_HELP_DIRECTION 62119
#define IDS_HELP_WHOLE_WORD 62120
#define IDS_HELP_NO_TOPIC 62121
#define IDS_HELP_FILE_TYPES 62122
#define IDS_HELP_FOLDER 62123
#define IDS_HELP_SUBFOLDERS 62124

// Registry key word, captions, status-bar formats and samples, word characters
#define IDS_REGISTRY_KEY 62200
#define IDS_FIND_RESULTS_CAPTION 62201
#define IDS_LOG_SIGNATURE 62204
#define IDS_WORD_CHARS 62207
#define IDS_LINE_COLUMN_FORMAT 62209
#define IDS_LINE_COLUMN_SAMPLE 62210
#define IDS_FILE_FORMAT_SAMPLE 62211

// Encoding names: the long name (dialogs) at the even id, the short name (status bar) at the odd one
#define IDS_ENC_SJIS_AUTO 62220
#define IDS_ENC_SJIS_AUTO_SHORT 62221
#define IDS_ENC_EUC_JP 62222
#define IDS_ENC_EUC_JP_SHORT 62223
#define IDS_ENC_ISO_2022_JP 62224
#define IDS_ENC_ISO_2022_JP_SHORT 62225
#define IDS_ENC_UTF8_N 62226
#define IDS_ENC_UTF8_N_SHORT 62227
#define IDS_ENC_UTF8_BOM 62228
#define IDS_ENC_UTF8_BOM_SHORT 62229
#define IDS_ENC_UTF16_LE 62230
#define IDS_ENC_UTF16_LE_SHORT 62231
#define IDS_ENC_UTF16_LE_BOM 62232
#define IDS_ENC_UTF16_LE_BOM_SHORT 62233
#define IDS_ENC_UTF16_BE 62234
#define IDS_ENC_UTF16_BE_SHORT 62235
#define IDS_ENC_UTF16_BE_BOM 62236
#define IDS_ENC_UTF16_BE_BOM_SHORT 62237
#define IDS_ENC_UTF32_LE 62238
#define IDS_ENC_UTF32_LE_SHORT 62239
#define IDS_ENC_UTF32_LE_BOM 62240
#define IDS_ENC_UTF32_LE_BOM_SHORT 62241
#define IDS_ENC_UTF32_BE 62242
#define IDS_ENC_UTF32_BE_SHORT 62243
#define IDS_ENC_UTF32_BE_BOM 62244
#define IDS_ENC_UTF32_BE_BOM_SHORT 62245

// Line-ending names, long and short
#define IDS_LE_CRLF 62246
#define IDS_LE_CRLF_SHORT 62247
#define IDS_LE_LF 62248
#define IDS_LE_LF_SHORT 62249
#define IDS_LE_CR 62250
#define IDS_LE_CR_SHORT 62251

// Search dialog captions and the find-in-files menu item texts
#define IDS_FIND_CAPTION 62252
#define IDS_REPLACE_CAPTION 62254
#define IDS_MENU_FIND_IN_FILES 62255
#define IDS_MENU_STOP_FIND_IN_FILES 62256

// Messages and result lines
#define IDS_SAVE_CHANGES 62301
#define IDS_FIF_CANCELLED 62302
#define IDS_FIF_NOT_FOUND 62303
#define IDS_FIF_CANNOT_OPEN 62304
#define IDS_FIF_HIT_COUNT 62305
#define IDS_CREATE_MISSING_FILE 62306
#define IDS_BROWSE_FOLDER_TITLE 62307
#define IDS_FIF_SEARCHING 62308
#define IDS_FIND_NOT_FOUND 62309
#define IDS_FILE_CHANGED_RELOAD 62310
#define IDS_FILE_TOO_LARGE 62311

// Names and reasons of the open and save checks (62420-62439)
#define IDS_ENC_SJIS_SAVE 62420
#define IDS_REASON_DROPPED 62421

// Reading files (62350-62359)
#define IDS_FILE_NEEDS_TOO_MUCH_MEMORY 62350

// Why find in files could not open a file, after its unreadable-file line (62460-62479)
#define IDS_FIF_REASON 62460
#define IDS_FIF_REASON_NAME 62461
#define IDS_FIF_REASON_NOT_FOUND 62462
#define IDS_FIF_REASON_ACCESS 62463
#define IDS_FIF_REASON_SHARING 62464
#define IDS_FIF_REASON_FOLDER 62465
#define IDS_FIF_REASON_TOO_LARGE 62466
#define IDS_FIF_REASON_MEMORY 62467
#define IDS_FIF_REASON_CONVERSION 62468
#define IDS_FIF_REASON_READ 62469
#define IDS_FIF_REASON_ERROR 62470
#define IDS_FIF_REASON_SAME_NAME 62471

// The About box link's failures (left in English, as the link has always shown them)
#define IDS_LINK_URL_NOT_FOUND 62320
#define IDS_LINK_BROWSER_FAILED 62321
// The project's web page, which the About box shows and opens
#define IDS_ABOUT_URL 62322

// Files that would not come back byte for byte: the warning after an open, the question before a
// save, and the phrases they are built from
#define IDS_OPEN_NOT_FAITHFUL 62330
#define IDS_SAVE_OPEN_MISMATCH 62331
#define IDS_SAVE_UNENCODABLE 62332
#define IDS_SAVE_ASK 62333
#define IDS_SAVE_UNICODE_HINT 62334
#define IDS_LONE_SURROGATE 62335
#define IDS_REASON_UNKNOWN 62336
#define IDS_REASON_NUL 62337
#define IDS_REASON_MIXED_BREAKS 62338
#define IDS_REASON_INVALID_BYTES 62339
#define IDS_REASON_UNREPRESENTABLE 62340
#define IDS_REASON_ESCAPE_SEQUENCE 62341

// Saving: a save cut short that the program finished (status bar), and the copy of the old
// contents kept in the temporary folder when a rewrite in place failed
#define IDS_SAVE_FINISHED 62440
#define IDS_SAVE_COPY_KEPT 62441

// Printing: the window shown while printing, what went wrong, and the print preview's buttons
#define IDS_PRINT_PRINTING 62500
#define IDS_PRINT_PAGE 62501
#define IDS_PRINT_CANCEL 62502
#define IDS_PRINT_NO_PRINTER 62503
#define IDS_PRINT_FAILED 62504
#define IDS_PREVIEW_PRINT 62505
#define IDS_PREVIEW_NEXT 62506
#define IDS_PREVIEW_PREV 62507
#define IDS_PREVIEW_ONE_PAGE 62508
#define IDS_PREVIEW_TWO_PAGES 62509
#define IDS_PREVIEW_ZOOM_IN 62510
#define IDS_PREVIEW_ZOOM_OUT 62511
#define IDS_PREVIEW_CLOSE 62512
#define IDS_PREVIEW_PAGE_COUNT 62513

// The text control's context menu
#define IDS_TEXT_MENU_UNDO 62600
#define IDS_TEXT_MENU_CUT 62601
#define IDS_TEXT_MENU_COPY 62602
#define IDS_TEXT_MENU_PASTE 62603
#define IDS_TEXT_MENU_DELETE 62604
#define IDS_TEXT_MENU_SELECT_ALL 62605

// Failures with no text of their own: the converter giving up, and what escapes a message handler
#define IDS_CONVERSION_FAILED 62390
#define IDS_OUT_OF_MEMORY 62391
#define IDS_UNEXPECTED_ERROR 62392

// Requests refused while a modal window is up, and a folder given to be opened
#define IDS_END_SESSION_MODAL 62400
#define IDS_OPEN_FOLDER 62401

// Recovery of unsaved work after a crash: the restore dialog, its question and the status-bar
// lines when no snapshot can be written (strings 62700-62749, dialogs 160-164, controls 1300-1349)
#define IDD_RECOVERY 160
#define IDC_RECOVERY_TEXT 1300
#define IDC_RECOVERY_LIST 1301
#define IDC_RECOVERY_RESTORE 1302
#define IDC_RECOVERY_DISCARD 1303
#define IDS_RECOVERY_NO_SPACE 62700
#define IDS_RECOVERY_NOT_WRITABLE 62701
#define IDS_RECOVERY_COLUMN_FILE 62702
#define IDS_RECOVERY_COLUMN_TIME 62703
#define IDS_RECOVERY_COLUMN_SIZE 62704
#define IDS_RECOVERY_SIZE 62705
#define IDS_RECOVERY_CONFIRM_DISCARD 62706
#define IDS_RECOVERY_OPEN_FAILED 62707

// Regular expressions in Find, Replace and find in files: the check box, its help, and the
// messages of a pattern that does not compile, a replacement naming a missing group and a
// pattern too complex for the match limits (strings 62880-62899, controls 1440-1459)
#define IDC_REGEX 1440
#define IDS_REGEX_BAD_PATTERN 62880
#define IDS_REGEX_BAD_REFERENCE 62881
#define IDS_REGEX_TOO_COMPLEX 62882
#define IDS_HELP_REGEX 62883
#define IDS_FIF_REGEX_TOO_COMPLEX 62884

// The installer (packaging/Tessarin.wxs): the document type's name it shows in the shell, read
// from here as "@Tessarin.exe,-62800" (62800-62819)
#define IDS_SHELL_FILE_TYPE_NAME 62800

// The text control's name for screen readers.
#define IDS_TEXT_ACC_NAME 62900

// Long work told in the status bar's first pane: opening, saving, Replace All
// (strings 62940-62959)
#define IDS_PROGRESS_READING 62940
#define IDS_PROGRESS_DECODING 62941
#define IDS_PROGRESS_ENCODING 62942
#define IDS_PROGRESS_WRITING 62943
#define IDS_PROGRESS_SHOWING 62944
#define IDS_PROGRESS_REPLACING 62946
#define IDS_PROGRESS_CHECKING 62947

// Search as users of other editors expect: wrap around, find previous, history, counts, replace in
// selection, exclusions in find in files (strings 62840-62879, controls 1400-1439, commands
// 32810-32819). Control 1440 (regular expressions) is left to its own range; each search dialog
// keeps a free row for it below the match-case box.
#define ID_EDIT_FIND_PREVIOUS 32810
#define IDC_WRAP_AROUND 1400
#define IDC_IN_SELECTION 1401
#define IDC_FIF_EXCLUDE 1402
#define IDC_FIF_EXCLUDE_LABEL 1403
#define IDS_WRAP_AROUND 62840
#define IDS_IN_SELECTION 62841
#define IDS_FIF_EXCLUDE_LABEL 62842
#define IDS_FIND_WRAPPED_TO_START 62843
#define IDS_FIND_WRAPPED_TO_END 62844
#define IDS_REPLACED_COUNT 62845
#define IDS_REPLACED_COUNT_IN_SELECTION 62846
#define IDS_REG_FIND_HISTORY 62847
#define IDS_REG_REPLACE_HISTORY 62848
#define IDS_FIF_ACCOUNT 62849
#define IDS_FIF_ACCOUNT_FOLDERS 62850
#define IDS_FIF_REASON_EXCLUDED 62851
#define IDS_FIF_REASON_EXCLUDED_FOLDER 62852
#define IDS_HELP_WRAP_AROUND 62853
#define IDS_HELP_IN_SELECTION 62854
#define IDS_HELP_EXCLUDE 62855
