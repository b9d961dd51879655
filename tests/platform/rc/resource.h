// Ids of the test script's resources, shared by the script and the tests.
#pragma once

#define IDS_FIRST 100
#define IDS_ESCAPES 101
#define IDS_JOINED 102
#define IDS_UNICODE 103
#define IDS_LONG 104
#define IDS_BLOCK_END 111
#define IDS_WESTERN 112
#define IDS_EMPTY 113
#define IDS_ABSENT 114
#define IDS_SECOND_BLOCK (IDS_BLOCK_END + 1)

#define IDB_STRIP 101
#define IDB_SMALL 102
#define IDI_APP 104
#define IDI_NOSIZE 105
#define IDM_MAIN 300

#define IDD_TEST 200
#define IDC_LEFT 1000
#define IDC_RIGHT 1001
#define IDC_CENTRE 1002
#define IDC_EDIT 1003
#define IDC_PUSH 1004
#define IDC_GROUP 1005
#define IDC_CHECK 1006
#define IDC_AUTOCHECK 1007
#define IDC_RADIO 1008
#define IDC_AUTORADIO 1009
#define IDC_COMBO 1010
#define IDC_LIST 1011
#define IDC_ICON 1012
#define IDC_LISTVIEW 1013
#define IDC_PROGRESS 1014
#define IDC_TIME 1015
#define IDC_BUTTONCLASS 1016
#define IDC_PICTURE 1017
#define IDC_SUM 1018

// Declarations like this one are skipped when the resource compiler reads the header.
struct TestResourceIds {
    int first = IDS_FIRST;
};
