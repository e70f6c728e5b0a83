// Resource ids: one block per dialog template, as the templates fix them.
// Control ids repeat across templates; within one template each is unique
// (checked by res/check-ids.awk at build time).
#pragma once

// Images and strings.
#define IDR_MAINFRAME 128    // icon
#define IDB_BANNER 135       // 468 x 60, 256 colours
#define IDB_SPLASH 137       // 303 x 220, 24-bit
#define IDS_ABOUTBOX 101     // "&About Tidewisp..."
#define IDM_ABOUTBOX 0x0010  // system-menu command

// 100: About box.
#define IDD_ABOUTBOX 100

// 102: main window.
#define IDD_TIDEWISP_DIALOG 102
#define IDC_TAB 1000
#define IDC_PAGE_FRAME 1001

// 138: splash.
#define IDD_SPLASH 138

// 129: Main page.
#define IDD_MAIN_PAGE 129
#define IDC_CLEAN 1002
#define IDC_CLEAN_AND_REBOOT 1003
#define IDC_LOG 1004
#define ID_HELP_FILE 1041  // a command no control sends

// 130: Schedule page.
#define IDD_SCHEDULE_PAGE 130
#define IDC_DAYS 1004
#define IDC_NO_SCHEDULE 1005
#define IDC_EVERY_START 1006
#define IDC_EVERY_DAYS 1007
#define IDC_DAYS_SPIN 1009

// 131: Options page (1002 and 1003 are its Clean buttons too).
#define IDD_OPTIONS_PAGE 131
#define IDC_INDEX_DAT 1010
#define IDC_BROWSER_COOKIES 1011
#define IDC_TYPED_URLS 1012
#define IDC_TEMP_FOLDERS 1013
#define IDC_RECENT_FILES 1014
#define IDC_MY_DOCUMENTS 1015
#define IDC_RECYCLE_BIN 1016
#define IDC_BROWSER_CACHE 1017
#define IDC_FAVORITES 1019
#define IDC_HISTORY 1020
#define IDC_REGISTRY_BACKUPS 1021
#define IDC_CLIPBOARD 1022
#define IDC_PLAYER_HISTORY 1025
#define IDC_PLAYER_PLAYLISTS 1026
#define IDC_NETSCAPE_COOKIES 1028
#define IDC_NETSCAPE_MAIL 1029
#define IDC_NETSCAPE_HIDDEN_MAIL 1030
#define IDC_NETSCAPE_CACHE 1031
#define IDC_NETSCAPE_HISTORY 1032
#define IDC_AOL_GOTO 1042
#define IDC_AOL_CACHE 1043
#define IDC_YAHOO_LOGS 1044
#define IDC_MSN_FILES 1045
#define IDC_YAHOO_IMVCACHE 1046
#define IDC_ICQ_LOGS 1047
#define IDC_AIM_LOGS 1048

// 133: Erase Folders page; 134: Wipe Files page.
#define IDD_ERASE_FOLDERS_PAGE 133
#define IDD_WIPE_FILES_PAGE 134
#define IDC_LIST 1033
#define IDC_ADD 1035
#define IDC_REMOVE 1036
