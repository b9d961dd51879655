// comctl32, the common controls: list view, progress bar, date-time picker and image lists, with their
// window class names and styles as dialog templates name them (narrow forms for resource scripts, wide
// forms for C++ code), their messages, notifications and macros; and the property sheets of prsht.h.
// The control classes are registered when comctl32 is loaded (InitCommonControlsEx has nothing left to
// do but say so).
#pragma once

#include "windef.h"
#include "prsht.h"

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

// Extended list view styles (LVM_SETEXTENDEDLISTVIEWSTYLE).
#define LVS_EX_GRIDLINES 0x00000001
#define LVS_EX_SUBITEMIMAGES 0x00000002
#define LVS_EX_CHECKBOXES 0x00000004
#define LVS_EX_TRACKSELECT 0x00000008
#define LVS_EX_HEADERDRAGDROP 0x00000010
#define LVS_EX_FULLROWSELECT 0x00000020
#define LVS_EX_ONECLICKACTIVATE 0x00000040
#define LVS_EX_TWOCLICKACTIVATE 0x00000080
#define LVS_EX_LABELTIP 0x00004000
#define LVS_EX_DOUBLEBUFFER 0x00010000

// Common notifications ---------------------------------------------------------------------------------

#define NM_FIRST (0U - 0U)
#define NM_OUTOFMEMORY (NM_FIRST - 1)
#define NM_CLICK (NM_FIRST - 2)
#define NM_DBLCLK (NM_FIRST - 3)
#define NM_RETURN (NM_FIRST - 4)
#define NM_RCLICK (NM_FIRST - 5)
#define NM_RDBLCLK (NM_FIRST - 6)
#define NM_SETFOCUS (NM_FIRST - 7)
#define NM_KILLFOCUS (NM_FIRST - 8)

#define ICC_LISTVIEW_CLASSES 0x00000001
#define ICC_TREEVIEW_CLASSES 0x00000002
#define ICC_BAR_CLASSES 0x00000004
#define ICC_TAB_CLASSES 0x00000008
#define ICC_UPDOWN_CLASS 0x00000010
#define ICC_PROGRESS_CLASS 0x00000020
#define ICC_HOTKEY_CLASS 0x00000040
#define ICC_ANIMATE_CLASS 0x00000080
#define ICC_WIN95_CLASSES 0x000000FF
#define ICC_DATE_CLASSES 0x00000100
#define ICC_USEREX_CLASSES 0x00000200
#define ICC_COOL_CLASSES 0x00000400
#define ICC_STANDARD_CLASSES 0x00004000

#ifndef RC_INVOKED

typedef struct tagINITCOMMONCONTROLSEX {
    DWORD dwSize;
    DWORD dwICC;
} INITCOMMONCONTROLSEX, *LPINITCOMMONCONTROLSEX;

WINBASEAPI BOOL WINAPI InitCommonControlsEx(const INITCOMMONCONTROLSEX* picce);
WINBASEAPI void WINAPI InitCommonControls(void);

// Image lists ---------------------------------------------------------------------------------------------

struct _IMAGELIST;
typedef struct _IMAGELIST* HIMAGELIST;

#define ILC_MASK 0x00000001
#define ILC_COLOR 0x00000000
#define ILC_COLORDDB 0x000000FE
#define ILC_COLOR4 0x00000004
#define ILC_COLOR8 0x00000008
#define ILC_COLOR16 0x00000010
#define ILC_COLOR24 0x00000018
#define ILC_COLOR32 0x00000020
#define CLR_NONE 0xFFFFFFFFL
#define CLR_DEFAULT 0xFF000000L

typedef struct _IMAGEINFO {
    HBITMAP hbmImage;
    HBITMAP hbmMask;
    int Unused1;
    int Unused2;
    RECT rcImage;
} IMAGEINFO, *LPIMAGEINFO;

// Images of cx x cy pixels, kept as 32-bit colours with an alpha of 0 where the mask makes them
// transparent. A bitmap added to a list is cut into as many images as its width holds; the caller
// keeps the bitmaps it passes. HIMAGELISTs are ids: a destroyed list's handle names nothing.
WINBASEAPI HIMAGELIST WINAPI ImageList_Create(int cx, int cy, UINT flags, int cInitial, int cGrow);
WINBASEAPI BOOL WINAPI ImageList_Destroy(HIMAGELIST himl);
WINBASEAPI int WINAPI ImageList_GetImageCount(HIMAGELIST himl);
WINBASEAPI BOOL WINAPI ImageList_GetIconSize(HIMAGELIST himl, int* cx, int* cy);
// Returns the index of the first new image, or -1.
WINBASEAPI int WINAPI ImageList_Add(HIMAGELIST himl, HBITMAP hbmImage, HBITMAP hbmMask);
WINBASEAPI int WINAPI ImageList_AddMasked(HIMAGELIST himl, HBITMAP hbmImage, COLORREF crMask);
WINBASEAPI BOOL WINAPI ImageList_Remove(HIMAGELIST himl, int i);
// hbmImage is a 32-bit bitmap of all images side by side (alpha 0 where transparent), owned by the
// list: read it with GetDIBits, never delete it.
WINBASEAPI BOOL WINAPI ImageList_GetImageInfo(HIMAGELIST himl, int i, IMAGEINFO* pImageInfo);

#endif // RC_INVOKED

// List view -------------------------------------------------------------------------------------------------

#define LVM_FIRST 0x1000
#define LVM_GETIMAGELIST (LVM_FIRST + 2)
#define LVM_SETIMAGELIST (LVM_FIRST + 3)
#define LVM_GETITEMCOUNT (LVM_FIRST + 4)
#define LVM_DELETEITEM (LVM_FIRST + 8)
#define LVM_DELETEALLITEMS (LVM_FIRST + 9)
#define LVM_GETNEXTITEM (LVM_FIRST + 12)
#define LVM_ENSUREVISIBLE (LVM_FIRST + 19)
#define LVM_REDRAWITEMS (LVM_FIRST + 21)
#define LVM_ARRANGE (LVM_FIRST + 22)
#define LVM_DELETECOLUMN (LVM_FIRST + 28)
#define LVM_GETCOLUMNWIDTH (LVM_FIRST + 29)
#define LVM_SETCOLUMNWIDTH (LVM_FIRST + 30)
#define LVM_GETTOPINDEX (LVM_FIRST + 39)
#define LVM_GETCOUNTPERPAGE (LVM_FIRST + 40)
#define LVM_UPDATE (LVM_FIRST + 42)
#define LVM_SETITEMSTATE (LVM_FIRST + 43)
#define LVM_GETITEMSTATE (LVM_FIRST + 44)
#define LVM_SETITEMCOUNT (LVM_FIRST + 47)
#define LVM_SORTITEMS (LVM_FIRST + 48)
#define LVM_GETSELECTEDCOUNT (LVM_FIRST + 50)
#define LVM_SETEXTENDEDLISTVIEWSTYLE (LVM_FIRST + 54)
#define LVM_GETEXTENDEDLISTVIEWSTYLE (LVM_FIRST + 55)
#define LVM_GETSELECTIONMARK (LVM_FIRST + 66)
#define LVM_SETSELECTIONMARK (LVM_FIRST + 67)
#define LVM_GETITEMW (LVM_FIRST + 75)
#define LVM_SETITEMW (LVM_FIRST + 76)
#define LVM_INSERTITEMW (LVM_FIRST + 77)
#define LVM_SORTITEMSEX (LVM_FIRST + 81)
#define LVM_FINDITEMW (LVM_FIRST + 83)
#define LVM_GETCOLUMNW (LVM_FIRST + 95)
#define LVM_SETCOLUMNW (LVM_FIRST + 96)
#define LVM_INSERTCOLUMNW (LVM_FIRST + 97)
#define LVM_GETITEMTEXTW (LVM_FIRST + 115)
#define LVM_SETITEMTEXTW (LVM_FIRST + 116)
#define LVM_SETVIEW (LVM_FIRST + 142)
#define LVM_GETVIEW (LVM_FIRST + 143)
#define LVM_GETITEM LVM_GETITEMW
#define LVM_SETITEM LVM_SETITEMW
#define LVM_INSERTITEM LVM_INSERTITEMW
#define LVM_FINDITEM LVM_FINDITEMW
#define LVM_GETCOLUMN LVM_GETCOLUMNW
#define LVM_SETCOLUMN LVM_SETCOLUMNW
#define LVM_INSERTCOLUMN LVM_INSERTCOLUMNW
#define LVM_GETITEMTEXT LVM_GETITEMTEXTW
#define LVM_SETITEMTEXT LVM_SETITEMTEXTW

#define LVN_FIRST (0U - 100U)
#define LVN_ITEMCHANGING (LVN_FIRST - 0)
#define LVN_ITEMCHANGED (LVN_FIRST - 1)
#define LVN_INSERTITEM (LVN_FIRST - 2)
#define LVN_DELETEITEM (LVN_FIRST - 3)
#define LVN_DELETEALLITEMS (LVN_FIRST - 4)
#define LVN_COLUMNCLICK (LVN_FIRST - 8)
#define LVN_ITEMACTIVATE (LVN_FIRST - 14)

#define LVSIL_NORMAL 0
#define LVSIL_SMALL 1
#define LVSIL_STATE 2

#define LVIF_TEXT 0x00000001
#define LVIF_IMAGE 0x00000002
#define LVIF_PARAM 0x00000004
#define LVIF_STATE 0x00000008
#define LVIF_INDENT 0x00000010
#define LVIF_NORECOMPUTE 0x00000800

#define LVIS_FOCUSED 0x0001
#define LVIS_SELECTED 0x0002
#define LVIS_CUT 0x0004
#define LVIS_DROPHILITED 0x0008
#define LVIS_OVERLAYMASK 0x0F00
#define LVIS_STATEIMAGEMASK 0xF000

#define LVNI_ALL 0x0000
#define LVNI_FOCUSED 0x0001
#define LVNI_SELECTED 0x0002
#define LVNI_CUT 0x0004
#define LVNI_DROPHILITED 0x0008
#define LVNI_ABOVE 0x0100
#define LVNI_BELOW 0x0200
#define LVNI_TOLEFT 0x0400
#define LVNI_TORIGHT 0x0800

#define LVCF_FMT 0x0001
#define LVCF_WIDTH 0x0002
#define LVCF_TEXT 0x0004
#define LVCF_SUBITEM 0x0008
#define LVCF_IMAGE 0x0010
#define LVCF_ORDER 0x0020
#define LVCFMT_LEFT 0x0000
#define LVCFMT_RIGHT 0x0001
#define LVCFMT_CENTER 0x0002
#define LVCFMT_JUSTIFYMASK 0x0003

#define LVSCW_AUTOSIZE (-1)
#define LVSCW_AUTOSIZE_USEHEADER (-2)

#define LVFI_PARAM 0x0001
#define LVFI_STRING 0x0002
#define LVFI_SUBSTRING 0x0004
#define LVFI_PARTIAL 0x0008
#define LVFI_WRAP 0x0020

#define LV_VIEW_ICON 0x0000
#define LV_VIEW_DETAILS 0x0001
#define LV_VIEW_SMALLICON 0x0002
#define LV_VIEW_LIST 0x0003

#ifndef RC_INVOKED

#define LPSTR_TEXTCALLBACKW ((LPWSTR)(LONG_PTR)-1)
#define I_IMAGECALLBACK (-1)
#define I_IMAGENONE (-2)

typedef struct tagLVITEMW {
    UINT mask;
    int iItem;
    int iSubItem;
    UINT state;
    UINT stateMask;
    LPWSTR pszText;
    int cchTextMax;
    int iImage;
    LPARAM lParam;
    int iIndent;
    int iGroupId;
    UINT cColumns;
    PUINT puColumns;
    int* piColFmt;
    int iGroup;
} LVITEMW, *LPLVITEMW;

typedef struct tagLVCOLUMNW {
    UINT mask;
    int fmt;
    int cx;
    LPWSTR pszText;
    int cchTextMax;
    int iSubItem;
    int iImage;
    int iOrder;
    int cxMin;
    int cxDefault;
    int cxIdeal;
} LVCOLUMNW, *LPLVCOLUMNW;

typedef struct tagLVFINDINFOW {
    UINT flags;
    LPCWSTR psz;
    LPARAM lParam;
    POINT pt;
    UINT vkDirection;
} LVFINDINFOW, *LPFINDINFOW;

typedef struct tagNMLISTVIEW {
    NMHDR hdr;
    int iItem;
    int iSubItem;
    UINT uNewState;
    UINT uOldState;
    UINT uChanged;
    POINT ptAction;
    LPARAM lParam;
} NMLISTVIEW, *LPNMLISTVIEW;

typedef struct tagNMITEMACTIVATE {
    NMHDR hdr;
    int iItem;
    int iSubItem;
    UINT uNewState;
    UINT uOldState;
    UINT uChanged;
    POINT ptAction;
    LPARAM lParam;
    UINT uKeyFlags;
} NMITEMACTIVATE, *LPNMITEMACTIVATE;

typedef int(CALLBACK* PFNLVCOMPARE)(LPARAM, LPARAM, LPARAM);

#define LVITEM LVITEMW
#define LVCOLUMN LVCOLUMNW
#define LVFINDINFO LVFINDINFOW
#define LV_ITEM LVITEMW
#define LV_COLUMN LVCOLUMNW

inline int ListView_InsertItem(HWND hwnd, const LVITEMW* item) {
    return (int)SendMessageW(hwnd, LVM_INSERTITEMW, 0, (LPARAM)item);
}
inline BOOL ListView_SetItem(HWND hwnd, const LVITEMW* item) {
    return (BOOL)SendMessageW(hwnd, LVM_SETITEMW, 0, (LPARAM)item);
}
inline BOOL ListView_GetItem(HWND hwnd, LVITEMW* item) {
    return (BOOL)SendMessageW(hwnd, LVM_GETITEMW, 0, (LPARAM)item);
}
inline BOOL ListView_DeleteItem(HWND hwnd, int i) {
    return (BOOL)SendMessageW(hwnd, LVM_DELETEITEM, (WPARAM)i, 0);
}
inline BOOL ListView_DeleteAllItems(HWND hwnd) {
    return (BOOL)SendMessageW(hwnd, LVM_DELETEALLITEMS, 0, 0);
}
inline int ListView_GetItemCount(HWND hwnd) {
    return (int)SendMessageW(hwnd, LVM_GETITEMCOUNT, 0, 0);
}
inline int ListView_GetNextItem(HWND hwnd, int i, UINT flags) {
    return (int)SendMessageW(hwnd, LVM_GETNEXTITEM, (WPARAM)i, MAKELPARAM(flags, 0));
}
inline UINT ListView_GetSelectedCount(HWND hwnd) {
    return (UINT)SendMessageW(hwnd, LVM_GETSELECTEDCOUNT, 0, 0);
}
inline void ListView_SetItemState(HWND hwnd, int i, UINT data, UINT mask) {
    LVITEMW item{};
    item.stateMask = mask;
    item.state = data;
    SendMessageW(hwnd, LVM_SETITEMSTATE, (WPARAM)i, (LPARAM)&item);
}
inline UINT ListView_GetItemState(HWND hwnd, int i, UINT mask) {
    return (UINT)SendMessageW(hwnd, LVM_GETITEMSTATE, (WPARAM)i, (LPARAM)mask);
}
inline void ListView_GetItemText(HWND hwnd, int i, int subItem, LPWSTR text, int textMax) {
    LVITEMW item{};
    item.iSubItem = subItem;
    item.cchTextMax = textMax;
    item.pszText = text;
    SendMessageW(hwnd, LVM_GETITEMTEXTW, (WPARAM)i, (LPARAM)&item);
}
inline void ListView_SetItemText(HWND hwnd, int i, int subItem, LPWSTR text) {
    LVITEMW item{};
    item.iSubItem = subItem;
    item.pszText = text;
    SendMessageW(hwnd, LVM_SETITEMTEXTW, (WPARAM)i, (LPARAM)&item);
}
inline int ListView_InsertColumn(HWND hwnd, int i, const LVCOLUMNW* column) {
    return (int)SendMessageW(hwnd, LVM_INSERTCOLUMNW, (WPARAM)i, (LPARAM)column);
}
inline BOOL ListView_SetColumn(HWND hwnd, int i, const LVCOLUMNW* column) {
    return (BOOL)SendMessageW(hwnd, LVM_SETCOLUMNW, (WPARAM)i, (LPARAM)column);
}
inline BOOL ListView_GetColumn(HWND hwnd, int i, LVCOLUMNW* column) {
    return (BOOL)SendMessageW(hwnd, LVM_GETCOLUMNW, (WPARAM)i, (LPARAM)column);
}
inline BOOL ListView_DeleteColumn(HWND hwnd, int i) {
    return (BOOL)SendMessageW(hwnd, LVM_DELETECOLUMN, (WPARAM)i, 0);
}
inline BOOL ListView_SetColumnWidth(HWND hwnd, int i, int cx) {
    return (BOOL)SendMessageW(hwnd, LVM_SETCOLUMNWIDTH, (WPARAM)i, MAKELPARAM(cx, 0));
}
inline int ListView_GetColumnWidth(HWND hwnd, int i) {
    return (int)SendMessageW(hwnd, LVM_GETCOLUMNWIDTH, (WPARAM)i, 0);
}
inline HIMAGELIST ListView_SetImageList(HWND hwnd, HIMAGELIST list, int which) {
    return (HIMAGELIST)SendMessageW(hwnd, LVM_SETIMAGELIST, (WPARAM)which, (LPARAM)list);
}
inline HIMAGELIST ListView_GetImageList(HWND hwnd, int which) {
    return (HIMAGELIST)SendMessageW(hwnd, LVM_GETIMAGELIST, (WPARAM)which, 0);
}
inline BOOL ListView_SortItems(HWND hwnd, PFNLVCOMPARE compare, LPARAM sort) {
    return (BOOL)SendMessageW(hwnd, LVM_SORTITEMS, (WPARAM)sort, (LPARAM)compare);
}
inline BOOL ListView_SortItemsEx(HWND hwnd, PFNLVCOMPARE compare, LPARAM sort) {
    return (BOOL)SendMessageW(hwnd, LVM_SORTITEMSEX, (WPARAM)sort, (LPARAM)compare);
}
inline int ListView_FindItem(HWND hwnd, int start, const LVFINDINFOW* find) {
    return (int)SendMessageW(hwnd, LVM_FINDITEMW, (WPARAM)start, (LPARAM)find);
}
inline BOOL ListView_EnsureVisible(HWND hwnd, int i, BOOL partialOk) {
    return (BOOL)SendMessageW(hwnd, LVM_ENSUREVISIBLE, (WPARAM)i, MAKELPARAM(partialOk, 0));
}
inline DWORD ListView_SetExtendedListViewStyle(HWND hwnd, DWORD style) {
    return (DWORD)SendMessageW(hwnd, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, (LPARAM)style);
}
inline DWORD ListView_SetExtendedListViewStyleEx(HWND hwnd, DWORD mask, DWORD style) {
    return (DWORD)SendMessageW(hwnd, LVM_SETEXTENDEDLISTVIEWSTYLE, (WPARAM)mask, (LPARAM)style);
}
inline DWORD ListView_GetExtendedListViewStyle(HWND hwnd) {
    return (DWORD)SendMessageW(hwnd, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0);
}

#endif // RC_INVOKED

// Progress bar --------------------------------------------------------------------------------------

#define PBM_SETRANGE (WM_USER + 1)
#define PBM_SETPOS (WM_USER + 2)
#define PBM_DELTAPOS (WM_USER + 3)
#define PBM_SETSTEP (WM_USER + 4)
#define PBM_STEPIT (WM_USER + 5)
#define PBM_SETRANGE32 (WM_USER + 6)
#define PBM_GETRANGE (WM_USER + 7)
#define PBM_GETPOS (WM_USER + 8)
#define PBM_GETSTEP (WM_USER + 13)

#ifndef RC_INVOKED
typedef struct {
    int iLow;
    int iHigh;
} PBRANGE, *PPBRANGE;
#endif

// Date-time picker ------------------------------------------------------------------------------------

#define DTM_FIRST 0x1000
#define DTM_GETSYSTEMTIME (DTM_FIRST + 1)
#define DTM_SETSYSTEMTIME (DTM_FIRST + 2)
#define DTM_GETRANGE (DTM_FIRST + 3)
#define DTM_SETRANGE (DTM_FIRST + 4)
#define DTM_SETFORMATW (DTM_FIRST + 50)
#define DTM_SETFORMAT DTM_SETFORMATW

#define GDT_ERROR (-1)
#define GDT_VALID 0
#define GDT_NONE 1
#define GDTR_MIN 0x0001
#define GDTR_MAX 0x0002

#define DTN_FIRST (0U - 740U)
#define DTN_FIRST2 (0U - 753U)
#define DTN_DATETIMECHANGE (DTN_FIRST2 - 6)

#ifndef RC_INVOKED

typedef struct tagNMDATETIMECHANGE {
    NMHDR nmhdr;
    DWORD dwFlags;
    SYSTEMTIME st;
} NMDATETIMECHANGE, *LPNMDATETIMECHANGE;

inline DWORD DateTime_GetSystemtime(HWND hwnd, SYSTEMTIME* time) {
    return (DWORD)SendMessageW(hwnd, DTM_GETSYSTEMTIME, 0, (LPARAM)time);
}
inline BOOL DateTime_SetSystemtime(HWND hwnd, DWORD flag, const SYSTEMTIME* time) {
    return (BOOL)SendMessageW(hwnd, DTM_SETSYSTEMTIME, (WPARAM)flag, (LPARAM)time);
}
inline BOOL DateTime_SetFormat(HWND hwnd, LPCWSTR format) {
    return (BOOL)SendMessageW(hwnd, DTM_SETFORMATW, 0, (LPARAM)format);
}

#endif // RC_INVOKED
