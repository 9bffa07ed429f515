// Identifiers of ral.exe's resources, shared by ral.rc.in and the C++.
// windres reads this file too: #define only. Named resources (the menus,
// the dialogs, the accelerator table, the icon and the cursors) keep their
// names.
#pragma once

// Commands: the main menu, the popup menu, the accelerators.
#define IDM_CLOSE 100
#define IDM_NEW_WINDOW 101  // Ctrl+N only
#define IDM_DELETE 201
#define IDM_SELECT_ALL 202
#define IDM_INVERT_SELECTION 203
#define IDM_RENAME 204
#define IDM_DESELECT_ALL 205
#define IDM_COPY 210
#define IDM_CUT 211
#define IDM_PASTE 212
#define IDM_SMALL_THUMBNAILS 400  // the three sizes follow each other
#define IDM_MEDIUM_THUMBNAILS 401
#define IDM_LARGE_THUMBNAILS 402
#define IDM_KEEP_THUMBNAILS 410
#define IDM_EMPTY_KEPT_THUMBNAILS 411
#define IDM_HELP 600
#define IDM_ABOUT 601
#define IDM_SORT_BY_NAME 700  // the six orders follow each other
#define IDM_SORT_BY_NAME_REVERSED 701
#define IDM_SORT_BY_DATE 702
#define IDM_SORT_BY_DATE_REVERSED 703
#define IDM_SORT_BY_SIZE 704
#define IDM_SORT_BY_SIZE_REVERSED 705

// Strings.
#define IDS_NOTHING_SELECTED 100
#define IDS_DELETE_QUESTION 101
#define IDS_ALL_FILES 102
#define IDS_SELECTED_COUNT 103
#define IDS_FILE_COUNT 104
#define IDS_LOCALE 105
#define IDS_EXTENSION_KEPT 106
#define IDS_TEXT_FONT 110
#define IDS_NAME_EMPTY 120
#define IDS_NAME_FORBIDDEN_CHARACTER 121
#define IDS_NAME_ENDS_IN_DOT_OR_SPACE 122
#define IDS_NAME_DEVICE 123
#define IDS_ENTRY_IS_FOLDER 124
#define IDS_ENTRY_UNNAMEABLE 125
#define IDS_FILES_LEFT_OUT 126
#define IDS_FOLDER_REFUSED 127
#define IDS_FILES_KEPT 128

// Controls of the toolbar dialog ("ral_toolbar").
#define IDC_FORMAT_LIST 100
#define IDC_RECENT_FOLDERS 101
#define IDC_KEEP_ON_TOP 102

// Controls of the rename dialog ("ral_rename").
#define IDC_NEW_NAME 100
#define IDC_OLD_NAME 101

// Children of the main window, and the status bar's two boxes.
#define IDC_FOLDER_TREE 1
#define IDC_GRID 101
#define IDC_SPLITTER 102
#define IDC_STATUS_BAR 110
#define IDC_SELECTED_BOX 110
#define IDC_FILE_COUNT_BOX 111

// A dialog's label that the code never addresses.
#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif
