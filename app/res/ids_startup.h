#pragma once
// Identifiers of the startup manager page (template 140) and the add dialog (template 141).
#define IDD_STARTUP_PAGE 140
#define IDD_ADD_STARTUP_ITEM 141
#define IDC_STARTUP_LIST 1049
#define IDC_STARTUP_REFRESH 1050
#define IDC_STARTUP_DELETE 1006
#define IDC_STARTUP_ADD 1051
#define IDC_ADD_COMMAND 1053
#define IDC_ADD_BROWSE 1062
#define IDC_STARTUP_DISABLE 1070
#define IDC_STARTUP_ENABLE 1071
#define IDC_STARTUP_HIDE_WINDOWS 1072
