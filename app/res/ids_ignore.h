#pragma once
// Identifiers of the ignore list dialog (template 143) and the settings page's button for it.
#define IDD_IGNORE_LIST 143
#define IDC_IGNORE_ENTRIES 1080
#define IDC_IGNORE_REMOVE 1081
#define IDC_IGNORELIST 1082
