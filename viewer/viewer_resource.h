// Resource names and identifiers of ondex.exe, shared by viewer.rc.in and
// the window code.
#pragma once

#define IDR_VIEWER_MENU 100
#define IDR_VIEWER_ACCEL 101
#define IDI_VIEWER 102

// Commands.
#define IDM_OPEN 1001
#define IDM_SAVE_AS 1002
#define IDM_NEXT 1003
#define IDM_PREVIOUS 1004
#define IDM_CLOSE 1005
#define IDM_UNDO 1101
#define IDM_FIT 1201
#define IDM_LINE_UP 1202    // Up: a line up at 100 %, else the previous picture
#define IDM_LINE_DOWN 1203  // Down: a line down at 100 %, else the next picture
#define IDM_CHOOSE_FILTER 1301
#define IDM_RUN_FILTER 1302
#define IDM_ABOUT_FILTER 1303

// Strings.
#define IDS_APP_TITLE 200
#define IDS_TITLE_FORMAT 201
#define IDS_UNREADABLE 202
#define IDS_PROGRESS 203
#define IDS_NO_FILTER_LIBRARY 204
#define IDS_OPEN_FILTER 205
#define IDS_SAVE_FILTER_BMP 206
#define IDS_SAVE_FILTER_PNG 207
#define IDS_SAVE_FILTER_JPEG 208
#define IDS_SAVE_FAILED 209
#define IDS_ALL_FILES 212
#define IDS_READ_PROGRESS 213
#define IDS_NO_MEMORY_TO_UNDO 214
#define IDS_TITLE_EDITED_FORMAT 215
#define IDS_SAVE_QUESTION 216
#define IDS_ANSWER_YES 217
#define IDS_ANSWER_NO 218
#define IDS_ANSWER_CANCEL 219
#define IDS_SAVE_IN_USE 220
#define IDS_SAVE_DENIED 221
#define IDS_SAVE_DISK_FULL 222
#define IDS_SAVE_NO_MEMORY 223
#define IDS_SAVE_UNSUPPORTED 224
#define IDS_SAVE_WRITE_FAILED 225
#define IDS_SAVE_ORIGINAL_KEPT 226
#define IDS_FILTER_FAILED 227
#define IDS_FILTER_FAILED_WITH 228
#define IDS_FILTER_STOPPED 229
#define IDS_FILTER_CRASHED 230
#define IDS_NO_MEMORY 231
#define IDS_COMMAND_FAILED 232

// Strings of the filter runs in a runner process.
#define IDS_FILTER_STOP_TITLE 240
#define IDS_FILTER_STOP_BUTTON 241
#define IDS_FILTER_NOT_A_FILTER 242
#define IDS_FILTER_NO_RGB 243
#define IDS_FILTER_UNREADABLE 244
#define IDS_FILTER_NO_ENTRY 245
#define IDS_FILTER_NO_RUNNER 246
#define IDS_FILTER_PICTURE_REFUSED 247
// The filters of a module with several, from this command number on.
#define IDM_FILTER_ENTRY_FIRST 1400
#define IDM_FILTER_ENTRY_LAST 1463
