// Resource and control ids of Korvane's windows.
#pragma once

#define IDC_STATIC -1

#define IDR_MAINFRAME 128
#define IDS_APP_TITLE 57344

#define IDD_ABOUTBOX 100
#define IDD_PASSWORD 133
#define IDD_PR_ARCHIVE 141
#define IDD_ADDITIONAL_FOLDER 160
#define IDD_PROCESS_LIST 166

// The ribbon's art: the application button's image and the 32 x 32 and 16 x 16 strips.
#define IDB_MAIN 163
#define IDB_RIBBON_LARGE 164
#define IDB_RIBBON_SMALL 165

#define IDC_FILENAME 1000
#define IDC_BROWSE 1001
#define IDC_PASSWORD 1004
#define IDC_PRODUCT_NAME 1029
#define IDC_FOLDER 1035
#define IDC_ADD_STAMP 1036
#define IDC_STAMP_BEFORE 1038
#define IDC_STAMP_AFTER 1039
#define IDC_STAMP_FORMAT 1040
#define IDC_PREVIEW 1041
#define IDC_TERMINATE_ALL 1101
#define IDC_PROCESS_LIST 1103
#define IDC_IGNORE 1104
#define IDC_RETRY 1106
