// Ids of the test dialogs (dialogs.rc).
#pragma once

#define IDI_TEST 50
#define IDB_TEST 51

#define IDD_FORM 100
#define IDD_PLAIN 101
#define IDD_BADCLASS 102
#define IDD_BIGFONT 103

#define IDC_NAME 1001
#define IDC_NOTES 1002
#define IDC_PASSWORD 1003
#define IDC_READONLY 1004
#define IDC_NUMBER 1005
#define IDC_AUTOCHECK 1010
#define IDC_CHECK 1011
#define IDC_TRISTATE 1012
#define IDC_RADIO1 1020
#define IDC_RADIO2 1021
#define IDC_RADIO3 1022
#define IDC_OTHERRADIO 1023
#define IDC_GROUP 1030
#define IDC_LIST 1040
#define IDC_ENTRY 1041
#define IDC_LINK 1050
#define IDC_LABEL 1051
#define IDC_ICON 1052
#define IDC_PICTURE 1053
#define IDC_HIDDEN 1054
#define IDC_DISABLED 1055
