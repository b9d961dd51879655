// Resource ids of the snap-in module. The module's own script (tavrosk.rc) and its German satellite
// (de/tavrosk.rc) both include this file, so a resource has the same id in every language, and the code
// loads strings, images and templates by these names from whichever module is the current resource module.
//
// Blocks by kind, each leaving room to grow:
//   strings            1 and up; the data-type names 500 to 525; message texts 39000 to 45999
//   bitmaps, icons,    101 to 999, one number sequence shared by all three kinds so that no two
//   dialog templates   resources of the module have the same number
//   dialog controls    1000 and up
//   menu commands      40000 and up (context-menu command ids, not resources)

// Strings
#define IDS_SNAPIN_DESC 1 // about box: what the snap-in is for
#define IDS_PROVIDER 3    // about box: who makes it
#define IDS_VERSION 4     // about box: version text
#define IDS_SNAPIN_NAME 5 // snap-in name: registered NameString and the root node's text
#define IDS_ABOUT_NAME 6  // name of the about-information class in the registry
#define IDS_ITEMS 35      // status bar after a list is filled: "<count> Items"

// Server groups and servers: list columns, the group made on first use, menu items and their status
// texts, the logon failure page and the delete questions.
#define IDS_COLUMN_NAME 15
#define IDS_COLUMN_LANGUAGE 27
#define IDS_COLUMN_VERSION 28
#define IDS_DEFAULT_GROUP 30
#define IDS_COLUMN_SERVER 36
#define IDS_MENU_REGISTER_SERVER 39004
#define IDS_STATUS_REGISTER_SERVER 39005
#define IDS_MENU_CONNECT_AS 39006
#define IDS_STATUS_CONNECT_AS 39007
#define IDS_LOGON_FAILURE_TITLE 44100
#define IDS_LOGON_FAILURE_TEXT 44101
#define IDS_CONFIRM_REMOVE_SERVER 44102 // "1" stands for the server's name
#define IDS_DELETE_GROUP_CAPTION 44300
#define IDS_CONFIRM_DELETE_GROUP 44301 // "1" stands for the group's name

// Register Server wizard: the local server's name, the page titles and subtitles, the list captions and
// the finish page's outcome texts.
#define IDS_LOCAL_SERVER 34 // "(local)"
#define IDS_NEWREG_TITLE 42100
#define IDS_NEWREG_SERVERS_TITLE 42101
#define IDS_NEWREG_SERVERS_SUBTITLE 42102
#define IDS_NEWREG_AVAILABLE 42103
#define IDS_NEWREG_ADDED 42104
#define IDS_NEWREG_PROGRESS_TITLE 42105
#define IDS_NEWREG_PROGRESS_SUBTITLE 42106
#define IDS_NEWREG_SUCCEEDED 42107
#define IDS_NEWREG_FAILED 42108
#define IDS_NEWREG_COMPLETED 42109
#define IDS_NEWREG_PERMISSIONS_TITLE 42110
#define IDS_NEWREG_PERMISSIONS_SUBTITLE 42111
#define IDS_NEWREG_MANUAL_TITLE 42112
#define IDS_NEWREG_MANUAL_SUBTITLE 42113

// Bitmaps: strips of fifteen node images, white transparent. Image index: 0 root, 1 server group,
// 2 server, 3 closed folder, 4 open folder, 5 database, 6 agent, 7 jobs, 8 enabled job, 9 disabled job,
// 10 job step, 11 schedule, 12 logins, 13 login, 14 users.
#define IDB_SMALL_IMAGES 101 // 240 x 16: fifteen 16 x 16 images
#define IDB_LARGE_IMAGES 103 // 480 x 32: fifteen 32 x 32 images

// Icons
#define IDI_SNAPIN 104 // the snap-in's image in the console's snap-in lists

// Dialog templates
#define IDD_CONNECT_AS 127 // a server's credentials

// Bitmaps of the Register Server wizard, which the server group supplies.
#define IDB_REGISTER_WATERMARK 133 // 164 x 314
#define IDB_REGISTER_HEADER 134    // 49 x 49

// Pages of the Register Server wizard; its pages jump to each other by these ids.
#define IDD_NEWREG_START 118
#define IDD_NEWREG_FINISH 120
#define IDD_NEWREG_SERVERS 123
#define IDD_NEWREG_PROGRESS 125
#define IDD_NEWREG_PERMISSIONS 129
#define IDD_NEWREG_MANUAL 165

// Controls of the Connect As dialog.
#define IDC_CONNECT_USER 1030
#define IDC_CONNECT_PASSWORD 1032
#define IDC_CONNECT_WINDOWS 1035 // Windows authentication
#define IDC_CONNECT_SQL 1036     // the SQL Server login below
#define IDC_CONNECT_USER_LABEL 1037
#define IDC_CONNECT_PASSWORD_LABEL 1038
#define IDC_CONNECT_LOGIN_GROUP 1039

// Controls of the Register Server wizard's pages (the title of its exterior pages is 1000).
#define IDC_NEWREG_AVAILABLE_LIST 1021 // the servers page's lists and their captions
#define IDC_NEWREG_ADDED_LIST 1031
#define IDC_NEWREG_ADDED_CAPTION 1033
#define IDC_NEWREG_AVAILABLE_CAPTION 1034
#define IDC_NEWREG_PROGRESS 1022
#define IDC_NEWREG_RESULT 1024
#define IDC_NEWREG_ADD_LOGIN 1040
#define IDC_NEWREG_SYSADMIN 1041
#define IDC_NEWREG_MANUAL 1129
#define IDC_NEWREG_SERVER_NAME 1135

// Menu commands
#define IDM_REGISTER_SERVER 40003 // a server group's "Server Registration..."
#define IDM_CONNECT_AS 40004      // a server's "Connect as..."
