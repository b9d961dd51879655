// The common controls: their window class names and styles, as dialog templates name them. The class
// names have narrow forms for resource scripts and wide forms for C++ code.
#pragma once

#include "windef.h"

#ifdef RC_INVOKED
#define WC_LISTVIEW "SysListView32"
#define PROGRESS_CLASS "msctls_progress32"
#define DATETIMEPICK_CLASS "SysDateTimePick32"
#else
#define WC_LISTVIEWW L"SysListView32"
#define PROGRESS_CLASSW L"msctls_progress32"
#define DATETIMEPICK_CLASSW L"SysDateTimePick32"
#define WC_LISTVIEW WC_LISTVIEWW
#define PROGRESS_CLASS PROGRESS_CLASSW
#define DATETIMEPICK_CLASS DATETIMEPICK_CLASSW
#endif

// List view styles.
#define LVS_ICON 0x0000
#define LVS_REPORT 0x0001
#define LVS_SMALLICON 0x0002
#define LVS_LIST 0x0003
#define LVS_TYPEMASK 0x0003
#define LVS_SINGLESEL 0x0004
#define LVS_SHOWSELALWAYS 0x0008
#define LVS_SORTASCENDING 0x0010
#define LVS_SORTDESCENDING 0x0020
#define LVS_SHAREIMAGELISTS 0x0040
#define LVS_NOLABELWRAP 0x0080
#define LVS_AUTOARRANGE 0x0100
#define LVS_EDITLABELS 0x0200
#define LVS_OWNERDRAWFIXED 0x0400
#define LVS_ALIGNTOP 0x0000
#define LVS_ALIGNLEFT 0x0800
#define LVS_OWNERDATA 0x1000
#define LVS_NOSCROLL 0x2000
#define LVS_NOCOLUMNHEADER 0x4000
#define LVS_NOSORTHEADER 0x8000

// Progress bar styles.
#define PBS_SMOOTH 0x01
#define PBS_VERTICAL 0x04
#define PBS_MARQUEE 0x08

// Date-time picker styles.
#define DTS_UPDOWN 0x0001
#define DTS_SHOWNONE 0x0002
#define DTS_SHORTDATEFORMAT 0x0000
#define DTS_LONGDATEFORMAT 0x0004
#define DTS_SHORTDATECENTURYFORMAT 0x000C
#define DTS_TIMEFORMAT 0x0009
#define DTS_APPCANPARSE 0x0010
#define DTS_RIGHTALIGN 0x0020
