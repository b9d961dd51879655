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

// Management, SQL Server Agent and Jobs: the node names, the Jobs list's columns and cell texts, and the
// notice shown instead of the agent for newer servers. Unknown, Status, Yes and No are the texts that
// the database list shows too.
#define IDS_UNKNOWN 18
#define IDS_COLUMN_STATUS 26
#define IDS_YES 32
#define IDS_NO 33
#define IDS_MANAGEMENT 37
#define IDS_SQL_AGENT 38
#define IDS_JOBS 39
#define IDS_COLUMN_CATEGORY 40
#define IDS_COLUMN_ENABLED 41
#define IDS_COLUMN_RUNNABLE 42
#define IDS_COLUMN_SCHEDULED 43
#define IDS_COLUMN_LAST_RUN 44
#define IDS_COLUMN_NEXT_RUN 45
#define IDS_OUTCOME_FAILED 48
#define IDS_OUTCOME_SUCCEEDED 49
#define IDS_OUTCOME_CANCELLED 50
#define IDS_OUTCOME_IN_PROGRESS 51
#define IDS_JOB_STATUS_UNKNOWN 43008
#define IDS_JOB_STATUS_EXECUTING 43009
#define IDS_JOB_STATUS_WAITING_THREAD 43010
#define IDS_JOB_STATUS_RETRY 43011
#define IDS_JOB_STATUS_IDLE 43012
#define IDS_JOB_STATUS_SUSPENDED 43013
#define IDS_JOB_STATUS_WAIT_STEP 43014
#define IDS_JOB_STATUS_COMPLETING 43015
#define IDS_NEWER_SERVER_TITLE 45200
#define IDS_NEWER_SERVER_TEXT 45201 // ends in two blanks: the tools text follows after a blank line
#define IDS_NEWER_SERVER_TOOLS 45202

// The server's property pages: their titles, templates and the one list each shows.
#define IDS_PAGE_LOGINS 44103
#define IDS_PAGE_BACKUP_DEVICES 44104
#define IDD_SERVER_LOGINS 128
#define IDD_SERVER_BACKUP_DEVICES 132
#define IDC_SERVER_LIST 1027

// Databases container and database node: the list's columns and cell texts, menu items and their status
// texts, the status texts of a database, the delete question, and the pictures of the Backup and
// Restore wizards, which the two nodes supply.
#define IDS_DATABASES 9
#define IDS_COLUMN_SIZE 16
#define IDS_COLUMN_AVAILABLE 17
#define IDS_SYSTEM 19
#define IDS_USER 20
#define IDS_COLUMN_TYPE 21
#define IDS_COLUMN_CREATED_ON 22
#define IDS_COLUMN_LAST_BACKUP 23
#define IDS_COLUMN_LOG_SIZE 24
#define IDS_COLUMN_LOG_AVAILABLE 25
#define IDS_LESS_THAN_ONE 29
#define IDS_COLUMN_READ_ONLY 31
#define IDS_MENU_BACKUP 39000
#define IDS_STATUS_BACKUP 39001
#define IDS_MENU_RESTORE 39002
#define IDS_STATUS_RESTORE 39003
#define IDS_MENU_READ_ONLY 39008
#define IDS_STATUS_READ_ONLY 39009
#define IDS_MENU_WRITEABLE 39010
#define IDS_STATUS_WRITEABLE 39011
#define IDS_DBSTATUS_READY 43000
#define IDS_DBSTATUS_OFFLINE 43001
#define IDS_DBSTATUS_RECOVERING 43002
#define IDS_DBSTATUS_STANDBY 43003
#define IDS_DBSTATUS_SUSPECT 43004
#define IDS_DBSTATUS_LOADING 43005
#define IDS_DBSTATUS_EMERGENCY 43006
#define IDS_DBSTATUS_INACCESSIBLE 43007
#define IDS_DELETE_DATABASE_CAPTION 44200 // the database's name follows it
#define IDS_CONFIRM_DELETE_DATABASE 44201 // "1" stands for the database's name
#define IDB_RESTORE_HEADER 116            // 49 x 49
#define IDB_RESTORE_WATERMARK 117         // 164 x 314
#define IDB_BACKUP_HEADER 119             // 49 x 49
#define IDB_BACKUP_WATERMARK 121          // 164 x 314
#define IDM_BACKUP 40001
#define IDM_RESTORE 40002
#define IDM_MAKE_READ_ONLY 40005
#define IDM_MAKE_WRITEABLE 40006

// Database property pages: titles, templates, the General page's icon and the pages' controls.
#define IDS_PAGE_GENERAL 46
#define IDS_PAGE_DATABASE_LOCKS 44400
#define IDS_PAGE_FILE_GROUPS 44401
#define IDD_DATABASE_LOCKS 126
#define IDD_DATABASE_FILE_GROUPS 130
#define IDD_DATABASE_GENERAL 135
#define IDI_DATABASE 136
#define IDC_FILE_GROUPS_LIST 1027
#define IDC_LOCKS_LIST 1028
#define IDC_DB_NAME 1044
#define IDC_DB_READ_ONLY 1045
#define IDC_DB_STATUS 1046
#define IDC_DB_CREATED 1047
#define IDC_DB_SIZE 1048
#define IDC_DB_SPACE 1049
#define IDC_DB_LOG_SIZE 1050
#define IDC_DB_LOG_SPACE 1051
#define IDC_DB_LAST_BACKUP 1052

// Security, Logins and Users: the node names, the Users list's columns, the menu items of the logins
// container and of a user with their status texts, the login's delete question, and the pictures of the
// Add / Modify Login wizard, which the logins container supplies.
#define IDS_SECURITY 65
#define IDS_LOGINS 66
#define IDS_COLUMN_READ 70
#define IDS_COLUMN_WRITE 71
#define IDS_MENU_ADD_LOGINS 44800
#define IDS_STATUS_ADD_LOGINS 44801
#define IDS_CONFIRM_DELETE_LOGIN 44900
#define IDS_MENU_ENABLE_READ 45100
#define IDS_STATUS_ENABLE_READ 45101
#define IDS_MENU_DISABLE_READ 45102
#define IDS_STATUS_DISABLE_READ 45103
#define IDS_MENU_ENABLE_WRITE 45104
#define IDS_STATUS_ENABLE_WRITE 45105
#define IDS_MENU_DISABLE_WRITE 45106
#define IDS_STATUS_DISABLE_WRITE 45107
#define IDB_LOGIN_HEADER 163    // 49 x 49
#define IDB_LOGIN_WATERMARK 164 // 164 x 314
#define IDM_ADD_LOGINS 40011
#define IDM_DISABLE_READ 40012
#define IDM_ENABLE_READ 40013
#define IDM_DISABLE_WRITE 40014
#define IDM_ENABLE_WRITE 40015

// Login property pages: titles, templates, the General page's icon and the pages' controls; the
// Permissions page has one summary value per data type, and the names of the data types 1 to 26.
#define IDS_PAGE_PERMISSIONS 69
#define IDD_LOGIN_GENERAL 157
#define IDI_LOGIN 158
#define IDD_LOGIN_PERMISSIONS 161
#define IDC_LOGIN_READ 1128
#define IDC_LOGIN_NAME 1130
#define IDC_LOGIN_TYPE 1131
#define IDC_LOGIN_WRITE 1132
#define IDC_LOGIN_CREATE 1133
#define IDC_LOGIN_DELETE 1134
#define IDC_SUMMARY_ALTERATIONS 1136
#define IDC_SUMMARY_ANNOTATION 1137
#define IDC_SUMMARY_BLOCK_BUFFER 1138
#define IDC_SUMMARY_CUT_DATA 1139
#define IDC_SUMMARY_RAW_PIECE 1140
#define IDC_SUMMARY_LAY_LIMITS 1141
#define IDC_SUMMARY_LAY_RULES 1142
#define IDC_SUMMARY_MACRO 1143
#define IDC_SUMMARY_MARKERS 1144
#define IDC_SUMMARY_MATCHING 1145
#define IDC_SUMMARY_MODELS 1146
#define IDC_SUMMARY_ORDERS 1147
#define IDC_SUMMARY_CUT_PARAMETER 1148
#define IDC_SUMMARY_LRS_PARAMETER 1149
#define IDC_SUMMARY_MARKER_PLOT 1150
#define IDC_SUMMARY_NOTCH 1151
#define IDC_SUMMARY_PIECE_PLOT 1152
#define IDC_SUMMARY_USER_ENVIRONMENT 1153
#define IDC_SUMMARY_PIECES 1154
#define IDC_SUMMARY_PIECE_LIST 1155
#define IDC_SUMMARY_PLOT_DATA 1156
#define IDC_SUMMARY_GRADE_RULE 1157
#define IDC_SUMMARY_SIZE_CODE 1158
#define IDC_SUMMARY_TEXT_DATA 1159
#define IDC_SUMMARY_MEXT 1160
#define IDC_SUMMARY_PLOT_PARAMETER 1161
#define IDS_TYPE_ALTERATIONS 500
#define IDS_TYPE_ANNOTATION 501
#define IDS_TYPE_BLOCK_BUFFER 502
#define IDS_TYPE_CUT_DATA 503
#define IDS_TYPE_RAW_PIECE 504
#define IDS_TYPE_LAY_LIMITS 505
#define IDS_TYPE_MACRO 506
#define IDS_TYPE_MARKERS 507
#define IDS_TYPE_MATCHING 508
#define IDS_TYPE_MODELS 509
#define IDS_TYPE_ORDERS 510
#define IDS_TYPE_CUT_PARAMETER 511
#define IDS_TYPE_LRS_PARAMETER 512
#define IDS_TYPE_MARKER_PLOT 513
#define IDS_TYPE_NOTCH 514
#define IDS_TYPE_PIECE_PLOT 515
#define IDS_TYPE_USER_ENVIRONMENT 516
#define IDS_TYPE_PIECES 517
#define IDS_TYPE_PIECE_LIST 518
#define IDS_TYPE_PLOT_DATA 519
#define IDS_TYPE_GRADE_RULE 520
#define IDS_TYPE_SIZE_CODE 521
#define IDS_TYPE_TEXT_DATA 522
#define IDS_TYPE_LAY_RULES 523
#define IDS_TYPE_MEXT 524
#define IDS_TYPE_PLOT_PARAMETER 525
// Restore Database wizard: titles, texts, templates and the pages' controls.
#define IDS_RESTORE_TITLE 42000
#define IDS_RESTORE_SUCCEEDED 42002
#define IDS_RESTORE_FAILED 42003
#define IDS_RESTORE_FILE_TITLE 42004
#define IDS_RESTORE_FILE_SUBTITLE 42005
#define IDS_RESTORE_DATABASE_TITLE 42006
#define IDS_RESTORE_DATABASE_SUBTITLE 42007
#define IDS_RESTORE_PROGRESS_TITLE 42011
#define IDS_RESTORE_PROGRESS_SUBTITLE 42012
#define IDS_RESTORE_OPEN_TITLE 42013
#define IDD_RESTORE_START 110
#define IDD_RESTORE_FILE 111
#define IDD_RESTORE_DATABASE 112
#define IDD_RESTORE_PROGRESS 113
#define IDD_RESTORE_FINISH 114
#define IDC_RESTORE_TARGET 1011
#define IDC_RESTORE_BROWSE 1012
#define IDC_RESTORE_FILE 1013
#define IDC_RESTORE_RESULT 1014
#define IDC_RESTORE_OVERWRITE 1018
#define IDC_RESTORE_PROGRESS 1020
// Backup Database wizard: texts, page templates and their controls.
#define IDS_BACKUP_TYPE_FULL 10
#define IDS_BACKUP_TYPE_INCREMENTAL 11
#define IDS_BACKUP_TYPE_LOG 12
#define IDS_BACKUP_MEDIA_DISK 13
#define IDS_BACKUP_MEDIA_TAPE 14
#define IDS_BACKUP_TITLE 41000
#define IDS_BACKUP_SUCCEEDED 41002
#define IDS_BACKUP_FAILED 41003
#define IDS_BACKUP_DATABASE_TITLE 41004
#define IDS_BACKUP_DATABASE_SUBTITLE 41005
#define IDS_BACKUP_FILE_TITLE 41006
#define IDS_BACKUP_FILE_SUBTITLE 41007
#define IDS_BACKUP_PROGRESS_TITLE 41012
#define IDS_BACKUP_PROGRESS_SUBTITLE 41013
#define IDS_BACKUP_STORED_AS 41014
#define IDS_BACKUP_SAVE_TITLE 41015
#define IDS_BACKUP_REMOTE_TITLE 41016
#define IDS_BACKUP_REMOTE_SUBTITLE 41017
#define IDD_BACKUP_START 105
#define IDD_BACKUP_DATABASE 106
#define IDD_BACKUP_FILE 107
#define IDD_BACKUP_PROGRESS 108
#define IDD_BACKUP_FINISH 109
#define IDD_BACKUP_REMOTE_FILE 131
#define IDC_BACKUP_FULL 1001
#define IDC_BACKUP_DIFFERENTIAL 1002
#define IDC_BACKUP_LOG 1003
#define IDC_BACKUP_DATABASE 1004
#define IDC_BACKUP_DESCRIPTION 1005
#define IDC_BACKUP_FILE 1006
#define IDC_BACKUP_DISK 1007
#define IDC_BACKUP_TAPE 1008
#define IDC_BACKUP_BROWSE 1009
#define IDC_BACKUP_TEXT 1010
#define IDC_BACKUP_OVERWRITE 1017
#define IDC_BACKUP_PROGRESS 1019
#define IDC_BACKUP_FOLDER 1042
#define IDC_BACKUP_FILE_NAME 1043
