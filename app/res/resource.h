// Resource identifiers shared by the program's code and zentrove.rc. Pages keep their own
// control ids in their own headers.
#pragma once

// Artwork and sounds.
#define IDI_ZENTROVE 128
#define IDB_BUTTON_DISABLED 129
#define IDB_BUTTON_HOVER 130
#define IDB_BUTTON_NORMAL 131
#define IDB_BUTTON_PRESSED 132
// The same at four times the size, drawn down to the buttons' size above 96 DPI.
#define IDB_BUTTON_DISABLED_LARGE 151
#define IDB_BUTTON_HOVER_LARGE 152
#define IDB_BUTTON_NORMAL_LARGE 153
#define IDB_BUTTON_PRESSED_LARGE 154
#define IDW_CLICK 1009
#define IDW_HOVER 1010

// Dialog templates.
#define IDD_ABOUTBOX 100
#define IDD_SCANCLEAN 102
#define IDD_SCANSETTINGS 133
#define IDD_MAIN 134

// Strings.
#define IDS_ABOUTBOX 101

// Main window.
#define IDC_WEBSITE 1000
#define IDC_FEEDBACK 1001
#define IDC_BANNER_PLACE 1003
#define IDC_TABWND 1032
#define IDC_TELLFRIENDS 1043
#define IDC_BANNER 111
#define IDM_ABOUTBOX 16

// About box.
#define IDC_VERSION 1063
#define IDC_ABOUT_ICON 1064
#define IDC_ABOUT_NOTE 1065

// Scan page.
#define IDC_STATUS 1028
#define IDC_CLEANPROGRESS 1080
#define IDC_SCAN 1002
#define IDC_CLEAN 1006
#define IDC_HELPBTN 1044
#define IDC_CHECKALL 1010
#define IDC_RESULTLIST 1004

// Settings page.
#define IDC_CHK_CLSID 1012
#define IDC_CHK_FILEASSOC 1013
#define IDC_CHK_USERSOFTWARE 1014
#define IDC_CHK_SYSTEMSOFTWARE 1015
#define IDC_CHK_SHAREDDLLS 1016
#define IDC_CHK_FILEEXT 1017
#define IDC_CHK_STARTUP 1019
#define IDC_CHK_SOUNDS 1020
#define IDC_CHK_UNINSTALL 1021
#define IDC_CHK_FONTS 1022
#define IDC_CHK_HELP 1023
#define IDC_CHK_APPPATH 1024
#define IDC_CHK_DRIVERS 1025
#define IDC_CHK_MUICACHE 1090
#define IDC_CHK_COMPATSTORE 1091
#define IDC_CHK_INSTALLERFOLDERS 1092
#define IDC_CHK_TYPELIBS 1093
#define IDC_SILENCE 1027
#define IDC_ADDSTARTUP 1048
#define IDC_SAVELAYOUT 1061
#define IDC_KEEPRECENT 1070

// Version numbers for the VERSIONINFO resource, written by the build.
#include "Version.h"
