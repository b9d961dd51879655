// Ids of the test pages and dialogs (pages.rc).
#pragma once

#define IDB_WATERMARK 60
#define IDB_HEADER 61
#define IDB_STRIP 62

#define IDS_GENERAL 70
#define IDS_HEADERTITLE 71

#define IDD_WELCOME 200
#define IDD_NAME 201
#define IDD_OPTIONS 202
#define IDD_PROGRESS 203
#define IDD_FINISH 204
#define IDD_GENERAL 210
#define IDD_ADVANCED 211
#define IDD_CONTROLS 220

#define IDC_TITLE 1000
#define IDC_NAME 1001
#define IDC_OPTION 1002
#define IDC_BAR 1022
#define IDC_ENABLED 1030
#define IDC_REPORT 1040
#define IDC_LIST 1041
#define IDC_TIME 1042
#define IDC_DATE 1043
