// Ids of the page and dialog templates and strings of the page framework tests (pages_test.rc).
#pragma once

#define IDB_TEST_SMALL_IMAGES 101 // the nodes' small strip, loaded by the first node

#define IDS_WIZARD_TITLE 300
#define IDS_NAME_TITLE 301
#define IDS_NAME_SUBTITLE 302
#define IDS_PICK_TITLE 303
#define IDS_PICK_SUBTITLE 304
#define IDS_GENERAL_TAB 305
#define IDS_OPEN_TITLE 306
#define IDS_LONG_TITLE 307

#define IDD_TEST_WELCOME 400
#define IDD_TEST_NAME 401
#define IDD_TEST_OPTIONS 402
#define IDD_TEST_FINISH 403
#define IDD_TEST_PICK 404
#define IDD_TEST_GENERAL 405
#define IDD_TEST_DIALOG 406
#define IDD_TEST_MISSING 499

#define IDC_TEST_NAME 1001
#define IDC_TEST_FIRST_RADIO 1010
#define IDC_TEST_SECOND_RADIO 1011
#define IDC_TEST_THIRD_RADIO 1012
#define IDC_TEST_APPLY 1015
#define IDC_TEST_PICKED_LIST 1021
#define IDC_TEST_SOURCE_LIST 1031
