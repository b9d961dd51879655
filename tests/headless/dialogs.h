// Ids of the dialogs and pages that the headless console's tests open (dialogs.rc).
#pragma once

#define IDD_WELCOME 300
#define IDD_NAME 301
#define IDD_PROGRESS 302
#define IDD_FINISH 303
#define IDD_GENERAL 310
#define IDD_ADVANCED 311
#define IDD_CONTROLS 320
#define IDD_SMALL 321

#define IDC_TITLE 1000
#define IDC_NAME 1001
#define IDC_BAR 1002
#define IDC_PASSWORD 1003
#define IDC_READONLY 1004
#define IDC_CHECK 1005
#define IDC_RADIO1 1006
#define IDC_RADIO2 1007
#define IDC_KIND 1008
#define IDC_SERVER 1009
#define IDC_ITEMS 1010
#define IDC_TIME 1011
#define IDC_DISABLED 1012
#define IDC_MORE 1013
#define IDC_BROWSE 1014
#define IDC_HIDDEN 1015
