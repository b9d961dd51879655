// Ids of the test snap-in's pages and wizard (testsnapin.rc). Headless tests name the controls by these.
#pragma once

#define IDB_TEST_WATERMARK 401
#define IDB_TEST_HEADER 402

// The property pages of an item: "General" with its name, "Details" with a check box.
#define IDD_TEST_GENERAL 301
#define IDD_TEST_DETAILS 302
#define IDC_TEST_NAME 1201
#define IDC_TEST_ENABLED 1202

// The three pages of the "Run Wizard" command: welcome, a name, finish.
#define IDD_TEST_WIZARD_WELCOME 311
#define IDD_TEST_WIZARD_NAME 312
#define IDD_TEST_WIZARD_FINISH 313
#define IDC_TEST_WIZARD_NAME 1211
