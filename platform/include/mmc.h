// The management console's snap-in interfaces, as the console and its snap-ins share them: the snap-in's
// scope side (IComponentData) and result side (IComponent) with the extension interfaces they offer,
// and the console's own interfaces that the snap-in calls (IConsole2, the namespace, the result list, the
// header, verbs, menus, property sheets, toolbars, image lists, help, the message view). Cookies and item
// handles are pointer-sized here.
#pragma once

#include "objidl.h"
#include "windows.h"

// Types ------------------------------------------------------------------------------------------------

typedef LONG_PTR HSCOPEITEM;
typedef LONG_PTR HRESULTITEM;
typedef LONG_PTR MMC_COOKIE;
typedef LONG_PTR HNODE;
typedef unsigned char boolean;

// Property sheet pages are comctl32's handles, declared as comctl32 declares them.
struct _PSP;
typedef struct _PSP* HPROPSHEETPAGE;

#define MMC_VER 0x0200

// The special cookies and item values the console passes.
#define MMC_MULTI_SELECT_COOKIE (-2)
#define MMC_WINDOW_COOKIE (-3)
#define SPECIAL_COOKIE_MIN (-10)
#define SPECIAL_COOKIE_MAX (-1)
// A special "data object" value lies between -10 and 0: no real data object.
#define SPECIAL_DOBJ_MIN (-10)
#define SPECIAL_DOBJ_MAX 0
#define DOBJ_NULL ((LPDATAOBJECT)0)
#define DOBJ_CUSTOMOCX ((LPDATAOBJECT)(LONG_PTR)-1)
#define DOBJ_CUSTOMWEB ((LPDATAOBJECT)(LONG_PTR)-2)
#define IS_SPECIAL_DATAOBJECT(d) (((LONG_PTR)(d) >= SPECIAL_DOBJ_MIN) && ((LONG_PTR)(d) <= SPECIAL_DOBJ_MAX))
#define IS_SPECIAL_COOKIE(c) (((c) >= SPECIAL_COOKIE_MIN) && ((c) <= SPECIAL_COOKIE_MAX))

// A text or image the console asks for later through GetDisplayInfo.
#define MMC_CALLBACK ((LPOLESTR)((LONG_PTR)-1))
#define MMC_TEXTCALLBACK MMC_CALLBACK
#define MMC_IMAGECALLBACK (-1)

#define MMCLV_AUTO (-1)
#define MMCLV_NOPARAM (-2)
#define MMCLV_NOICON (-1)
#define MMCLV_VIEWSTYLE_ICON 0
#define MMCLV_VIEWSTYLE_SMALLICON 0x2
#define MMCLV_VIEWSTYLE_LIST 0x3
#define MMCLV_VIEWSTYLE_REPORT 0x1
#define MMCLV_VIEWSTYLE_FILTERED 0x4
#define MMCLV_NOPTR 0

// IResultData::SetItemCount options.
#define MMCLV_UPDATE_NOINVALIDATEALL 0x1
#define MMCLV_UPDATE_NOSCROLL 0x2

// GetResultViewType options.
#define MMC_VIEW_OPTIONS_NONE 0
#define MMC_VIEW_OPTIONS_NOLISTVIEWS 0x1
#define MMC_VIEW_OPTIONS_MULTISELECT 0x2
#define MMC_VIEW_OPTIONS_OWNERDATALIST 0x4
#define MMC_VIEW_OPTIONS_FILTERED 0x8
#define MMC_VIEW_OPTIONS_CREATENEW 0x10
#define MMC_VIEW_OPTIONS_USEFONTLINKING 0x20
#define MMC_VIEW_OPTIONS_EXCLUDE_SCOPE_ITEMS_FROM_LIST 0x40
#define MMC_VIEW_OPTIONS_LEXICAL_SORT 0x80

// IPropertySheetProvider::CreatePropertySheet options.
#define MMC_PSO_NOAPPLYNOW 0x1
#define MMC_PSO_HASHELP 0x2
#define MMC_PSO_NEWWIZARDTYPE 0x4
#define MMC_PSO_NO_PROPTITLE 0x8

// IResultData::Sort options and IResultOwnerData::SortItems options.
#define RSI_DESCENDING 0x1
#define RSI_NOSORTICON 0x2

// IResultData::ModifyItemState and GetNextItem states: the list view's item states.
#ifndef LVIS_FOCUSED
#define LVIS_FOCUSED 0x0001
#define LVIS_SELECTED 0x0002
#define LVIS_CUT 0x0004
#define LVIS_DROPHILITED 0x0008
#endif

// Column header formats (the list view's) for IHeaderCtrl::InsertColumn.
#ifndef LVCFMT_LEFT
#define LVCFMT_LEFT 0x0000
#define LVCFMT_RIGHT 0x0001
#define LVCFMT_CENTER 0x0002
#endif
#define HIDE_COLUMN (-4)
#define AUTO_WIDTH (-1)

typedef enum _MMC_RESULT_VIEW_STYLE {
    MMC_SINGLESEL = 0x1,
    MMC_SHOWSELALWAYS = 0x2,
    MMC_NOSORTHEADER = 0x4,
    MMC_ENSUREFOCUSVISIBLE = 0x8,
} MMC_RESULT_VIEW_STYLE;

typedef enum _MMC_CONTROL_TYPE {
    TOOLBAR = 0,
    MENUBUTTON = 1,
    COMBOBOXBAR = 2,
} MMC_CONTROL_TYPE;

typedef enum _MMC_CONSOLE_VERB {
    MMC_VERB_NONE = 0x0000,
    MMC_VERB_OPEN = 0x8000,
    MMC_VERB_COPY = 0x8001,
    MMC_VERB_PASTE = 0x8002,
    MMC_VERB_DELETE = 0x8003,
    MMC_VERB_PROPERTIES = 0x8004,
    MMC_VERB_RENAME = 0x8005,
    MMC_VERB_REFRESH = 0x8006,
    MMC_VERB_PRINT = 0x8007,
    MMC_VERB_CUT = 0x8008,
    MMC_VERB_MAX = 0x8009,
    MMC_VERB_FIRST = MMC_VERB_OPEN,
    MMC_VERB_LAST = MMC_VERB_MAX - 1,
} MMC_CONSOLE_VERB;

typedef enum _MMC_BUTTON_STATE {
    ENABLED = 0x1,
    CHECKED = 0x2,
    HIDDEN = 0x4,
    INDETERMINATE = 0x8,
    BUTTONPRESSED = 0x10,
} MMC_BUTTON_STATE;

// Toolbar button states and styles (the common toolbar's) for MMCBUTTON.
#ifndef TBSTATE_ENABLED
#define TBSTATE_CHECKED 0x01
#define TBSTATE_PRESSED 0x02
#define TBSTATE_ENABLED 0x04
#define TBSTATE_HIDDEN 0x08
#define TBSTATE_INDETERMINATE 0x10
#define TBSTATE_WRAP 0x20
#define TBSTYLE_BUTTON 0x0000
#define TBSTYLE_SEP 0x0001
#define TBSTYLE_CHECK 0x0002
#define TBSTYLE_GROUP 0x0004
#define TBSTYLE_CHECKGROUP (TBSTYLE_GROUP | TBSTYLE_CHECK)
#define BTNS_BUTTON TBSTYLE_BUTTON
#define BTNS_SEP TBSTYLE_SEP
#define BTNS_CHECK TBSTYLE_CHECK
#define BTNS_GROUP TBSTYLE_GROUP
#define BTNS_CHECKGROUP TBSTYLE_CHECKGROUP
#endif

typedef struct _MMCButton {
    int nBitmap;
    int idCommand;
    BYTE fsState;
    BYTE fsType;
    LPOLESTR lpButtonText;
    LPOLESTR lpTooltipText;
} MMCBUTTON, *LPMMCBUTTON;

typedef enum _MMC_FILTER_TYPE {
    MMC_STRING_FILTER = 0x0,
    MMC_INT_FILTER = 0x1,
    MMC_FILTER_NOVALUE = 0x8000,
} MMC_FILTER_TYPE;

typedef struct _MMC_FILTERDATA {
    LPOLESTR pszText;
    INT cchTextMax;
    LONG lValue;
} MMC_FILTERDATA;

typedef enum _MMC_FILTER_CHANGE_CODE {
    MFCC_DISABLE = 0,
    MFCC_ENABLE = 1,
    MFCC_VALUE_CHANGE = 2,
} MMC_FILTER_CHANGE_CODE;

typedef struct _MMC_RESTORE_VIEW {
    DWORD dwSize;
    MMC_COOKIE cookie;
    LPOLESTR pViewType;
    long lViewOptions;
} MMC_RESTORE_VIEW;

typedef struct _MMC_EXPANDSYNC_STRUCT {
    BOOL bHandled;
    BOOL bExpanding;
    HSCOPEITEM hItem;
} MMC_EXPANDSYNC_STRUCT;

// Notifications ----------------------------------------------------------------------------------------

// What the console tells IComponentData::Notify, IComponent::Notify and
// IExtendControlbar::ControlbarNotify.
typedef enum _MMC_NOTIFY_TYPE {
    MMCN_ACTIVATE = 0x8001,
    MMCN_ADD_IMAGES = 0x8002,
    MMCN_BTN_CLICK = 0x8003,
    MMCN_CLICK = 0x8004,
    MMCN_COLUMN_CLICK = 0x8005,
    MMCN_CONTEXTMENU = 0x8006,
    MMCN_CUTORMOVE = 0x8007,
    MMCN_DBLCLICK = 0x8008,
    MMCN_DELETE = 0x8009,
    MMCN_DESELECT_ALL = 0x800A,
    MMCN_EXPAND = 0x800B,
    MMCN_HELP = 0x800C,
    MMCN_MENU_BTNCLICK = 0x800D,
    MMCN_MINIMIZED = 0x800E,
    MMCN_PASTE = 0x800F,
    MMCN_PROPERTY_CHANGE = 0x8010,
    MMCN_QUERY_PASTE = 0x8011,
    MMCN_REFRESH = 0x8012,
    MMCN_REMOVE_CHILDREN = 0x8013,
    MMCN_RENAME = 0x8014,
    MMCN_SELECT = 0x8015,
    MMCN_SHOW = 0x8016,
    MMCN_VIEW_CHANGE = 0x8017,
    MMCN_SNAPINHELP = 0x8018,
    MMCN_CONTEXTHELP = 0x8019,
    MMCN_INITOCX = 0x801A,
    MMCN_FILTER_CHANGE = 0x801B,
    MMCN_FILTERBTN_CLICK = 0x801C,
    MMCN_RESTORE_VIEW = 0x801D,
    MMCN_PRINT = 0x801E,
    MMCN_PRELOAD = 0x801F,
    MMCN_LISTPAD = 0x8020,
    MMCN_EXPANDSYNC = 0x8021,
    MMCN_COLUMNS_CHANGED = 0x8022,
    MMCN_CANPASTE_OUTOFPROC = 0x8023,
} MMC_NOTIFY_TYPE;

// The kind of item a data object stands for.
typedef enum _DATA_OBJECT_TYPES {
    CCT_SCOPE = 0x8000,
    CCT_RESULT = 0x8001,
    CCT_SNAPIN_MANAGER = 0x8002,
    CCT_UNINITIALIZED = 0xFFFF,
} DATA_OBJECT_TYPES;

// Scope and result items ---------------------------------------------------------------------------------

#define SDI_STR 0x2
#define SDI_IMAGE 0x4
#define SDI_OPENIMAGE 0x8
#define SDI_STATE 0x10
#define SDI_PARAM 0x20
#define SDI_CHILDREN 0x40
// Where InsertItem puts the item relative to relativeID: under it (the default), or before, after or
// first among its siblings.
#define SDI_PARENT 0
#define SDI_PREVIOUS 0x10000000
#define SDI_NEXT 0x20000000
#define SDI_FIRST 0x08000000

typedef struct _SCOPEDATAITEM {
    DWORD mask;
    LPOLESTR displayname;
    int nImage;
    int nOpenImage;
    UINT nState;
    int cChildren;
    LPARAM lParam;
    HSCOPEITEM relativeID;
    HSCOPEITEM ID;
} SCOPEDATAITEM, *LPSCOPEDATAITEM;

typedef enum _MMC_SCOPE_ITEM_STATE {
    MMC_SCOPE_ITEM_STATE_NORMAL = 0x1,
    MMC_SCOPE_ITEM_STATE_BOLD = 0x2,
    MMC_SCOPE_ITEM_STATE_EXPANDEDONCE = 0x3,
} MMC_SCOPE_ITEM_STATE;

#define RDI_STR 0x2
#define RDI_IMAGE 0x4
#define RDI_STATE 0x8
#define RDI_PARAM 0x10
#define RDI_INDEX 0x20
#define RDI_INDENT 0x40

typedef struct _RESULTDATAITEM {
    DWORD mask;
    BOOL bScopeItem;
    HRESULTITEM itemID;
    int nIndex;
    int nCol;
    LPOLESTR str;
    int nImage;
    UINT nState;
    LPARAM lParam;
    int iIndent;
} RESULTDATAITEM, *LPRESULTDATAITEM;

#define RFI_PARTIAL 0x0001
#define RFI_WRAP 0x0002

typedef struct _RESULTFINDINFO {
    LPOLESTR psz;
    int nStart;
    DWORD dwOptions;
} RESULTFINDINFO, *LPRESULTFINDINFO;

// What IResultDataCompareEx::Compare is given: the two items and the column.
#define RDCI_ScopeItem 0x80000000

typedef struct _RDITEMHDR {
    DWORD dwFlags;
    MMC_COOKIE cookie;
    LPARAM lpReserved;
} RDITEMHDR;

typedef struct _RDCOMPARE {
    DWORD cbSize;
    DWORD dwFlags;
    int nColumn;
    LPARAM lUserParam;
    RDITEMHDR* prdch1;
    RDITEMHDR* prdch2;
} RDCOMPARE;

// Context menus ------------------------------------------------------------------------------------------

typedef struct _CONTEXTMENUITEM {
    LPWSTR strName;
    LPWSTR strStatusBarText;
    LONG lCommandID;
    LONG lInsertionPointID;
    LONG fFlags;
    LONG fSpecialFlags;
} CONTEXTMENUITEM, *LPCONTEXTMENUITEM;

#define CCM_INSERTIONPOINTID_MASK_SPECIAL 0xFFFF0000
#define CCM_INSERTIONPOINTID_MASK_SHARED 0x80000000
#define CCM_INSERTIONPOINTID_MASK_CREATE_PRIMARY 0x40000000
#define CCM_INSERTIONPOINTID_MASK_ADD_PRIMARY 0x20000000
#define CCM_INSERTIONPOINTID_MASK_ADD_3RDPARTY 0x10000000
#define CCM_INSERTIONPOINTID_MASK_RESERVED 0x0FFF0000
#define CCM_INSERTIONPOINTID_MASK_FLAGINDEX 0x0000001F
#define CCM_INSERTIONPOINTID_PRIMARY_TOP 0xA0000000
#define CCM_INSERTIONPOINTID_PRIMARY_NEW 0xA0000001
#define CCM_INSERTIONPOINTID_PRIMARY_TASK 0xA0000002
#define CCM_INSERTIONPOINTID_PRIMARY_VIEW 0xA0000003
#define CCM_INSERTIONPOINTID_PRIMARY_HELP 0xA0000004
#define CCM_INSERTIONPOINTID_3RDPARTY_NEW 0x90000001
#define CCM_INSERTIONPOINTID_3RDPARTY_TASK 0x90000002
#define CCM_INSERTIONPOINTID_ROOT_MENU 0x80000000

#define CCM_INSERTIONALLOWED_TOP 0x1
#define CCM_INSERTIONALLOWED_NEW 0x2
#define CCM_INSERTIONALLOWED_TASK 0x4
#define CCM_INSERTIONALLOWED_VIEW 0x8

#define CCM_COMMANDID_MASK_RESERVED 0xFFFF0000

#define CCM_SPECIAL_SEPARATOR 0x1
#define CCM_SPECIAL_SUBMENU 0x2
#define CCM_SPECIAL_DEFAULT_ITEM 0x4
#define CCM_SPECIAL_INSERTION_POINT 0x8
#define CCM_SPECIAL_TESTONLY 0x10

// Menu item flags (the menu functions' MF_ flags) for CONTEXTMENUITEM::fFlags.
#ifndef MF_STRING
#define MF_ENABLED 0x00000000L
#define MF_STRING 0x00000000L
#define MF_UNCHECKED 0x00000000L
#define MF_GRAYED 0x00000001L
#define MF_DISABLED 0x00000002L
#define MF_CHECKED 0x00000008L
#define MF_POPUP 0x00000010L
#define MF_MENUBARBREAK 0x00000020L
#define MF_MENUBREAK 0x00000040L
#define MF_OWNERDRAW 0x00000100L
#define MF_SEPARATOR 0x00000800L
#endif

// Clipboard formats of data objects -----------------------------------------------------------------------

// Registered by name with RegisterClipboardFormatW.
#define CCF_NODETYPE L"CCF_NODETYPE"
#define CCF_SZNODETYPE L"CCF_SZNODETYPE"
#define CCF_DISPLAY_NAME L"CCF_DISPLAY_NAME"
#define CCF_SNAPIN_CLASSID L"CCF_SNAPIN_CLASSID"
#define CCF_WINDOW_TITLE L"CCF_WINDOW_TITLE"
#define CCF_MMC_MULTISELECT_DATAOBJECT L"CCF_MMC_MULTISELECT_DATAOBJECT"
#define CCF_MULTI_SELECT_SNAPINS L"CCF_MULTI_SELECT_SNAPINS"
#define CCF_OBJECT_TYPES_IN_MULTI_SELECT L"CCF_OBJECT_TYPES_IN_MULTI_SELECT"
#define CCF_MMC_DYNAMIC_EXTENSIONS L"CCF_MMC_DYNAMIC_EXTENSIONS"
#define CCF_SNAPIN_PRELOADS L"CCF_SNAPIN_PRELOADS"
#define CCF_NODEID L"CCF_NODEID"
#define CCF_NODEID2 L"CCF_NODEID2"
#define CCF_COLUMN_SET_ID L"CCF_COLUMN_SET_ID"
#define CCF_DESCRIPTION L"CCF_DESCRIPTION"
#define CCF_HTML_DETAILS L"CCF_HTML_DETAILS"

// The content of CCF_OBJECT_TYPES_IN_MULTI_SELECT: the node types of a multiple selection.
typedef struct _SMMCObjectTypes {
    DWORD count;
    GUID guid[1];
} SMMCOBJECTTYPES;

// The content of CCF_MULTI_SELECT_SNAPINS: one data object per snap-in of a multiple selection.
typedef struct _SMMCDataObjects {
    DWORD count;
    LPDATAOBJECT lpDataObject[1];
} SMMCDATAOBJECTS;

// Message view ------------------------------------------------------------------------------------------

typedef enum tagIconIdentifier {
    Icon_None = 0,
    Icon_Error = 32513,
    Icon_Question = 32514,
    Icon_Warning = 32515,
    Icon_Information = 32516,
    Icon_First = Icon_Error,
    Icon_Last = Icon_Information,
} IconIdentifier;

// Class and interface identifiers -----------------------------------------------------------------------

// The console's node manager: its property sheet provider.
DEFINE_GUID(CLSID_NodeManager, 0x43136EB5, 0xD36C, 0x11CF, 0xAD, 0xBC, 0x00, 0xAA, 0x00, 0xA8, 0x00, 0x33);
// The result view a snap-in names (as text) in GetResultViewType to show a message instead of a list.
DEFINE_GUID(CLSID_MessageView, 0x80F94176, 0xFCCC, 0x11D2, 0xB9, 0x91, 0x00, 0xC0, 0x4F, 0x8E, 0xCD, 0x78);

DEFINE_GUID(IID_IComponentData, 0x955AB28A, 0x5218, 0x11D0, 0xA9, 0x85, 0x00, 0xC0, 0x4F, 0xD8, 0xD5, 0x65);
DEFINE_GUID(IID_IComponent, 0x43136EB2, 0xD36C, 0x11CF, 0xAD, 0xBC, 0x00, 0xAA, 0x00, 0xA8, 0x00, 0x33);
DEFINE_GUID(IID_IConsole, 0x43136EB1, 0xD36C, 0x11CF, 0xAD, 0xBC, 0x00, 0xAA, 0x00, 0xA8, 0x00, 0x33);
DEFINE_GUID(IID_IConsole2, 0x103D842A, 0xAA63, 0x11D1, 0xA7, 0xE1, 0x00, 0xC0, 0x4F, 0xD8, 0xD5, 0x65);
DEFINE_GUID(IID_IConsoleNameSpace, 0xBEDEB620, 0xF24D, 0x11CF, 0x8A, 0xFC, 0x00, 0xAA, 0x00, 0x3C, 0xA9,
            0xF6);
DEFINE_GUID(IID_IConsoleNameSpace2, 0x255F18CC, 0x65DB, 0x11D1, 0xA7, 0xDC, 0x00, 0xC0, 0x4F, 0xD8, 0xD5,
            0x65);
DEFINE_GUID(IID_IResultData, 0x31DA5FA0, 0xE0EB, 0x11CF, 0x9F, 0x21, 0x00, 0xAA, 0x00, 0x3C, 0xA9, 0xF6);
DEFINE_GUID(IID_IHeaderCtrl, 0x43136EB3, 0xD36C, 0x11CF, 0xAD, 0xBC, 0x00, 0xAA, 0x00, 0xA8, 0x00, 0x33);
DEFINE_GUID(IID_IHeaderCtrl2, 0x9757ABB8, 0x1B32, 0x11D1, 0xA7, 0xCE, 0x00, 0xC0, 0x4F, 0xD8, 0xD5, 0x65);
DEFINE_GUID(IID_IConsoleVerb, 0xE49F7A60, 0x74AF, 0x11D0, 0xA2, 0x86, 0x00, 0xC0, 0x4F, 0xD8, 0xFE, 0x93);
DEFINE_GUID(IID_IContextMenuCallback, 0x43136EB7, 0xD36C, 0x11CF, 0xAD, 0xBC, 0x00, 0xAA, 0x00, 0xA8, 0x00,
            0x33);
DEFINE_GUID(IID_IExtendContextMenu, 0x4F3B7A4F, 0xCFAC, 0x11CF, 0xB8, 0xE3, 0x00, 0xC0, 0x4F, 0xD8, 0xD5,
            0xB0);
DEFINE_GUID(IID_IExtendPropertySheet, 0x85DE64DC, 0xEF21, 0x11CF, 0xA2, 0x85, 0x00, 0xC0, 0x4F, 0xD8, 0xDB,
            0xE6);
DEFINE_GUID(IID_IExtendPropertySheet2, 0xB7A87232, 0x4A51, 0x11D1, 0xA7, 0xEA, 0x00, 0xC0, 0x4F, 0xD9, 0x09,
            0xDD);
DEFINE_GUID(IID_IPropertySheetCallback, 0x85DE64DD, 0xEF21, 0x11CF, 0xA2, 0x85, 0x00, 0xC0, 0x4F, 0xD8, 0xDB,
            0xE6);
DEFINE_GUID(IID_IPropertySheetProvider, 0x85DE64DE, 0xEF21, 0x11CF, 0xA2, 0x85, 0x00, 0xC0, 0x4F, 0xD8, 0xDB,
            0xE6);
DEFINE_GUID(IID_IExtendControlbar, 0x49506520, 0x6F40, 0x11D0, 0xA9, 0x8B, 0x00, 0xC0, 0x4F, 0xD8, 0xD5,
            0x65);
DEFINE_GUID(IID_IControlbar, 0x69FB811E, 0x6C1C, 0x11D0, 0xA2, 0xCB, 0x00, 0xC0, 0x4F, 0xD9, 0x09, 0xDD);
DEFINE_GUID(IID_IToolbar, 0x43136EB9, 0xD36C, 0x11CF, 0xAD, 0xBC, 0x00, 0xAA, 0x00, 0xA8, 0x00, 0x33);
DEFINE_GUID(IID_IImageList, 0x43136EB8, 0xD36C, 0x11CF, 0xAD, 0xBC, 0x00, 0xAA, 0x00, 0xA8, 0x00, 0x33);
DEFINE_GUID(IID_IDisplayHelp, 0xCC593830, 0xB926, 0x11D1, 0x80, 0x63, 0x00, 0x00, 0xF8, 0x75, 0xA9, 0xCE);
DEFINE_GUID(IID_IMessageView, 0x80F94174, 0xFCCC, 0x11D2, 0xB9, 0x91, 0x00, 0xC0, 0x4F, 0x8E, 0xCD, 0x78);
DEFINE_GUID(IID_ISnapinAbout, 0x1245208C, 0xA151, 0x11D0, 0xA7, 0xD7, 0x00, 0xC0, 0x4F, 0xD9, 0x09, 0xDD);
DEFINE_GUID(IID_ISnapinHelp, 0xA6B15ACE, 0xDF59, 0x11D0, 0xA7, 0xDD, 0x00, 0xC0, 0x4F, 0xD9, 0x09, 0xDD);
DEFINE_GUID(IID_ISnapinHelp2, 0x4861A010, 0x20F9, 0x11D2, 0xA5, 0x10, 0x00, 0xC0, 0x4F, 0xB6, 0xDD, 0x2C);
DEFINE_GUID(IID_IResultOwnerData, 0x9CB396D8, 0xEA83, 0x11D0, 0xAE, 0xF1, 0x00, 0xC0, 0x4F, 0xB6, 0xDD, 0x2C);
DEFINE_GUID(IID_IResultDataCompare, 0xE8315A52, 0x7A1A, 0x11D0, 0xA2, 0xD2, 0x00, 0xC0, 0x4F, 0xD9, 0x09,
            0xDD);
DEFINE_GUID(IID_IResultDataCompareEx, 0x96933476, 0x0251, 0x11D3, 0xAE, 0xB0, 0x00, 0xC0, 0x4F, 0x8E, 0xCD,
            0x78);

// Interfaces --------------------------------------------------------------------------------------------

interface IConsole;
interface IComponent;
interface IControlbar;
interface IExtendControlbar;
interface IToolbar;
interface IHeaderCtrl;
interface IImageList;
interface IConsoleVerb;
interface IContextMenuCallback;
interface IPropertySheetCallback;
typedef IConsole* LPCONSOLE;
typedef IComponent* LPCOMPONENT;
typedef IControlbar* LPCONTROLBAR;
typedef IExtendControlbar* LPEXTENDCONTROLBAR;
typedef IToolbar* LPTOOLBAR;
typedef IHeaderCtrl* LPHEADERCTRL;
typedef IImageList* LPIMAGELIST;
typedef IConsoleVerb* LPCONSOLEVERB;
typedef IContextMenuCallback* LPCONTEXTMENUCALLBACK;
typedef IPropertySheetCallback* LPPROPERTYSHEETCALLBACK;

// The snap-in's scope side, created by its class factory.
interface IComponentData : public IUnknown {
    STDMETHOD(Initialize)(LPUNKNOWN pUnknown) PURE;
    STDMETHOD(CreateComponent)(LPCOMPONENT* ppComponent) PURE;
    STDMETHOD(Notify)(LPDATAOBJECT lpDataObject, MMC_NOTIFY_TYPE event, LPARAM arg, LPARAM param) PURE;
    STDMETHOD(Destroy)() PURE;
    STDMETHOD(QueryDataObject)(MMC_COOKIE cookie, DATA_OBJECT_TYPES type, LPDATAOBJECT* ppDataObject) PURE;
    STDMETHOD(GetDisplayInfo)(SCOPEDATAITEM* pScopeDataItem) PURE;
    STDMETHOD(CompareObjects)(LPDATAOBJECT lpDataObjectA, LPDATAOBJECT lpDataObjectB) PURE;

protected:
    ~IComponentData() = default;
};
typedef IComponentData* LPCOMPONENTDATA;
TVCOM_IID(IComponentData, IID_IComponentData)

// The snap-in's result side, one per console view.
interface IComponent : public IUnknown {
    STDMETHOD(Initialize)(LPCONSOLE lpConsole) PURE;
    STDMETHOD(Notify)(LPDATAOBJECT lpDataObject, MMC_NOTIFY_TYPE event, LPARAM arg, LPARAM param) PURE;
    STDMETHOD(Destroy)(MMC_COOKIE cookie) PURE;
    STDMETHOD(QueryDataObject)(MMC_COOKIE cookie, DATA_OBJECT_TYPES type, LPDATAOBJECT* ppDataObject) PURE;
    STDMETHOD(GetResultViewType)(MMC_COOKIE cookie, LPOLESTR* ppViewType, long* pViewOptions) PURE;
    STDMETHOD(GetDisplayInfo)(RESULTDATAITEM* pResultDataItem) PURE;
    STDMETHOD(CompareObjects)(LPDATAOBJECT lpDataObjectA, LPDATAOBJECT lpDataObjectB) PURE;

protected:
    ~IComponent() = default;
};
TVCOM_IID(IComponent, IID_IComponent)

// The console, as each view (IComponent) and the scope side (IComponentData) see it.
interface IConsole : public IUnknown {
    STDMETHOD(SetHeader)(LPHEADERCTRL pHeader) PURE;
    STDMETHOD(SetToolbar)(LPTOOLBAR pToolbar) PURE;
    STDMETHOD(QueryResultView)(LPUNKNOWN* pUnknown) PURE;
    STDMETHOD(QueryScopeImageList)(LPIMAGELIST* ppImageList) PURE;
    STDMETHOD(QueryResultImageList)(LPIMAGELIST* ppImageList) PURE;
    STDMETHOD(UpdateAllViews)(LPDATAOBJECT lpDataObject, LPARAM data, LONG_PTR hint) PURE;
    STDMETHOD(MessageBox)(LPCWSTR lpszText, LPCWSTR lpszTitle, UINT fuStyle, int* piRetval) PURE;
    STDMETHOD(QueryConsoleVerb)(LPCONSOLEVERB* ppConsoleVerb) PURE;
    STDMETHOD(SelectScopeItem)(HSCOPEITEM hScopeItem) PURE;
    STDMETHOD(GetMainWindow)(HWND* phwnd) PURE;
    STDMETHOD(NewWindow)(HSCOPEITEM hScopeItem, unsigned long lOptions) PURE;

protected:
    ~IConsole() = default;
};
TVCOM_IID(IConsole, IID_IConsole)

interface IConsole2 : public IConsole {
    STDMETHOD(Expand)(HSCOPEITEM hItem, BOOL bExpand) PURE;
    STDMETHOD(IsTaskpadViewPreferred)() PURE;
    // The text shows in the status bar; "text|%NN" shows the text with a progress bar at NN percent.
    STDMETHOD(SetStatusText)(LPOLESTR pszStatusText) PURE;

protected:
    ~IConsole2() = default;
};
typedef IConsole2* LPCONSOLE2;
TVCOM_IID_DERIVED(IConsole2, IID_IConsole2, IConsole)

// The scope tree, which the console owns and the snap-in fills.
interface IConsoleNameSpace : public IUnknown {
    STDMETHOD(InsertItem)(LPSCOPEDATAITEM item) PURE;
    STDMETHOD(DeleteItem)(HSCOPEITEM hItem, long fDeleteThis) PURE;
    STDMETHOD(SetItem)(LPSCOPEDATAITEM item) PURE;
    STDMETHOD(GetItem)(LPSCOPEDATAITEM item) PURE;
    STDMETHOD(GetChildItem)(HSCOPEITEM item, HSCOPEITEM* pItemChild, MMC_COOKIE* pCookie) PURE;
    STDMETHOD(GetNextItem)(HSCOPEITEM item, HSCOPEITEM* pItemNext, MMC_COOKIE* pCookie) PURE;
    STDMETHOD(GetParentItem)(HSCOPEITEM item, HSCOPEITEM* pItemParent, MMC_COOKIE* pCookie) PURE;

protected:
    ~IConsoleNameSpace() = default;
};
typedef IConsoleNameSpace* LPCONSOLENAMESPACE;
TVCOM_IID(IConsoleNameSpace, IID_IConsoleNameSpace)

interface IConsoleNameSpace2 : public IConsoleNameSpace {
    STDMETHOD(Expand)(HSCOPEITEM hItem) PURE;
    STDMETHOD(AddExtension)(HSCOPEITEM hItem, LPCLSID lpClsid) PURE;

protected:
    ~IConsoleNameSpace2() = default;
};
typedef IConsoleNameSpace2* LPCONSOLENAMESPACE2;
TVCOM_IID_DERIVED(IConsoleNameSpace2, IID_IConsoleNameSpace2, IConsoleNameSpace)

// The result list of a view.
interface IResultData : public IUnknown {
    STDMETHOD(InsertItem)(LPRESULTDATAITEM item) PURE;
    STDMETHOD(DeleteItem)(HRESULTITEM itemID, int nCol) PURE;
    STDMETHOD(FindItemByLParam)(LPARAM lParam, HRESULTITEM* pItemID) PURE;
    STDMETHOD(DeleteAllRsltItems)() PURE;
    STDMETHOD(SetItem)(LPRESULTDATAITEM item) PURE;
    STDMETHOD(GetItem)(LPRESULTDATAITEM item) PURE;
    // Finds the next item after item->nIndex (-1: from the start) whose state has the bits of
    // item->nState; item->nIndex comes back -1 when there is none.
    STDMETHOD(GetNextItem)(LPRESULTDATAITEM item) PURE;
    STDMETHOD(ModifyItemState)(int nIndex, HRESULTITEM itemID, UINT uAdd, UINT uRemove) PURE;
    STDMETHOD(ModifyViewStyle)(MMC_RESULT_VIEW_STYLE add, MMC_RESULT_VIEW_STYLE remove) PURE;
    STDMETHOD(SetViewMode)(long lViewMode) PURE;
    STDMETHOD(GetViewMode)(long* lViewMode) PURE;
    STDMETHOD(UpdateItem)(HRESULTITEM itemID) PURE;
    STDMETHOD(Sort)(int nColumn, DWORD dwSortOptions, LPARAM lUserParam) PURE;
    STDMETHOD(SetDescBarText)(LPOLESTR DescText) PURE;
    STDMETHOD(SetItemCount)(int nItemCount, DWORD dwOptions) PURE;

protected:
    ~IResultData() = default;
};
typedef IResultData* LPRESULTDATA;
TVCOM_IID(IResultData, IID_IResultData)

// The column header of a view's list.
interface IHeaderCtrl : public IUnknown {
    STDMETHOD(InsertColumn)(int nCol, LPCWSTR title, int nFormat, int nWidth) PURE;
    STDMETHOD(DeleteColumn)(int nCol) PURE;
    STDMETHOD(SetColumnText)(int nCol, LPCWSTR title) PURE;
    STDMETHOD(GetColumnText)(int nCol, LPOLESTR* pText) PURE;
    STDMETHOD(SetColumnWidth)(int nCol, int nWidth) PURE;
    STDMETHOD(GetColumnWidth)(int nCol, int* pWidth) PURE;

protected:
    ~IHeaderCtrl() = default;
};
TVCOM_IID(IHeaderCtrl, IID_IHeaderCtrl)

interface IHeaderCtrl2 : public IHeaderCtrl {
    STDMETHOD(SetChangeTimeOut)(unsigned long uTimeout) PURE;
    STDMETHOD(SetColumnFilter)(UINT nColumn, DWORD dwType, MMC_FILTERDATA* pFilterData) PURE;
    STDMETHOD(GetColumnFilter)(UINT nColumn, LPDWORD pdwType, MMC_FILTERDATA* pFilterData) PURE;

protected:
    ~IHeaderCtrl2() = default;
};
typedef IHeaderCtrl2* LPHEADERCTRL2;
TVCOM_IID_DERIVED(IHeaderCtrl2, IID_IHeaderCtrl2, IHeaderCtrl)

// The standard verbs (open, copy, paste, delete, properties, rename, refresh, print, cut) of the
// current selection.
interface IConsoleVerb : public IUnknown {
    STDMETHOD(GetVerbState)(MMC_CONSOLE_VERB eCmdID, MMC_BUTTON_STATE nState, BOOL* pState) PURE;
    STDMETHOD(SetVerbState)(MMC_CONSOLE_VERB eCmdID, MMC_BUTTON_STATE nState, BOOL bState) PURE;
    STDMETHOD(SetDefaultVerb)(MMC_CONSOLE_VERB eCmdID) PURE;
    STDMETHOD(GetDefaultVerb)(MMC_CONSOLE_VERB* peCmdID) PURE;

protected:
    ~IConsoleVerb() = default;
};
TVCOM_IID(IConsoleVerb, IID_IConsoleVerb)

// The console's image strips for scope and result items. The handles travel in the pointer-typed
// parameters themselves: (LONG_PTR*)hBitmap, (LONG_PTR*)hIcon; the console copies the images it needs.
interface IImageList : public IUnknown {
    STDMETHOD(ImageListSetIcon)(LONG_PTR* pIcon, long nLoc) PURE;
    STDMETHOD(ImageListSetStrip)(LONG_PTR* pBMapSm, LONG_PTR* pBMapLg, long nStartLoc, COLORREF cMask) PURE;

protected:
    ~IImageList() = default;
};
TVCOM_IID(IImageList, IID_IImageList)

interface IContextMenuCallback : public IUnknown {
    STDMETHOD(AddItem)(CONTEXTMENUITEM* pItem) PURE;

protected:
    ~IContextMenuCallback() = default;
};
TVCOM_IID(IContextMenuCallback, IID_IContextMenuCallback)

interface IExtendContextMenu : public IUnknown {
    STDMETHOD(AddMenuItems)
    (LPDATAOBJECT piDataObject, LPCONTEXTMENUCALLBACK piCallback, long* pInsertionAllowed) PURE;
    STDMETHOD(Command)(long lCommandID, LPDATAOBJECT piDataObject) PURE;

protected:
    ~IExtendContextMenu() = default;
};
typedef IExtendContextMenu* LPEXTENDCONTEXTMENU;
TVCOM_IID(IExtendContextMenu, IID_IExtendContextMenu)

interface IPropertySheetCallback : public IUnknown {
    STDMETHOD(AddPage)(HPROPSHEETPAGE hPage) PURE;
    STDMETHOD(RemovePage)(HPROPSHEETPAGE hPage) PURE;

protected:
    ~IPropertySheetCallback() = default;
};
TVCOM_IID(IPropertySheetCallback, IID_IPropertySheetCallback)

// The console's property sheets and wizards (the node manager's), which collect the snap-in's pages.
interface IPropertySheetProvider : public IUnknown {
    STDMETHOD(CreatePropertySheet)
    (LPCWSTR title, boolean type, MMC_COOKIE cookie, LPDATAOBJECT pIDataObjectm, DWORD dwOptions) PURE;
    STDMETHOD(FindPropertySheet)(HSCOPEITEM hItem, LPCOMPONENT lpComponent, LPDATAOBJECT lpDataObject) PURE;
    STDMETHOD(AddPrimaryPages)
    (LPUNKNOWN lpUnknown, BOOL bCreateHandle, HWND hNotifyWindow, BOOL bScopePane) PURE;
    STDMETHOD(AddExtensionPages)() PURE;
    STDMETHOD(Show)(LONG_PTR window, int page) PURE;

protected:
    ~IPropertySheetProvider() = default;
};
typedef IPropertySheetProvider* LPPROPERTYSHEETPROVIDER;
TVCOM_IID(IPropertySheetProvider, IID_IPropertySheetProvider)

interface IExtendPropertySheet : public IUnknown {
    STDMETHOD(CreatePropertyPages)
    (LPPROPERTYSHEETCALLBACK lpProvider, LONG_PTR handle, LPDATAOBJECT lpIDataObject) PURE;
    STDMETHOD(QueryPagesFor)(LPDATAOBJECT lpDataObject) PURE;

protected:
    ~IExtendPropertySheet() = default;
};
TVCOM_IID(IExtendPropertySheet, IID_IExtendPropertySheet)

interface IExtendPropertySheet2 : public IExtendPropertySheet {
    STDMETHOD(GetWatermarks)
    (LPDATAOBJECT lpIDataObject, HBITMAP* lphWatermark, HBITMAP* lphHeader, HPALETTE* lphPalette,
     BOOL* bStretch) PURE;

protected:
    ~IExtendPropertySheet2() = default;
};
TVCOM_IID_DERIVED(IExtendPropertySheet2, IID_IExtendPropertySheet2, IExtendPropertySheet)

// Toolbars of a view.
interface IToolbar : public IUnknown {
    STDMETHOD(AddBitmap)(int nImages, HBITMAP hbmp, int cxSize, int cySize, COLORREF crMask) PURE;
    STDMETHOD(AddButtons)(int nButtons, LPMMCBUTTON lpButtons) PURE;
    STDMETHOD(InsertButton)(int nIndex, LPMMCBUTTON lpButton) PURE;
    STDMETHOD(DeleteButton)(int nIndex) PURE;
    STDMETHOD(GetButtonState)(int idCommand, MMC_BUTTON_STATE nState, BOOL* pState) PURE;
    STDMETHOD(SetButtonState)(int idCommand, MMC_BUTTON_STATE nState, BOOL bState) PURE;

protected:
    ~IToolbar() = default;
};
TVCOM_IID(IToolbar, IID_IToolbar)

interface IControlbar : public IUnknown {
    STDMETHOD(Create)
    (MMC_CONTROL_TYPE nType, LPEXTENDCONTROLBAR pExtendControlbar, LPUNKNOWN* ppUnknown) PURE;
    STDMETHOD(Attach)(MMC_CONTROL_TYPE nType, LPUNKNOWN lpUnknown) PURE;
    STDMETHOD(Detach)(LPUNKNOWN lpUnknown) PURE;

protected:
    ~IControlbar() = default;
};
TVCOM_IID(IControlbar, IID_IControlbar)

interface IExtendControlbar : public IUnknown {
    STDMETHOD(SetControlbar)(LPCONTROLBAR pControlbar) PURE;
    STDMETHOD(ControlbarNotify)(MMC_NOTIFY_TYPE event, LPARAM arg, LPARAM param) PURE;

protected:
    ~IExtendControlbar() = default;
};
TVCOM_IID(IExtendControlbar, IID_IExtendControlbar)

// Shows a help topic, "file.chm::topic.htm".
interface IDisplayHelp : public IUnknown {
    STDMETHOD(ShowTopic)(LPOLESTR pszHelpTopic) PURE;

protected:
    ~IDisplayHelp() = default;
};
typedef IDisplayHelp* LPDISPLAYHELP;
TVCOM_IID(IDisplayHelp, IID_IDisplayHelp)

// The message view's title, body and icon.
interface IMessageView : public IUnknown {
    STDMETHOD(SetTitleText)(LPCOLESTR pszTitleText) PURE;
    STDMETHOD(SetBodyText)(LPCOLESTR pszBodyText) PURE;
    STDMETHOD(SetIcon)(IconIdentifier id) PURE;
    STDMETHOD(Clear)() PURE;

protected:
    ~IMessageView() = default;
};
TVCOM_IID(IMessageView, IID_IMessageView)

// What the console shows about a snap-in before and after adding it.
interface ISnapinAbout : public IUnknown {
    STDMETHOD(GetSnapinDescription)(LPOLESTR* lpDescription) PURE;
    STDMETHOD(GetProvider)(LPOLESTR* lpName) PURE;
    STDMETHOD(GetSnapinVersion)(LPOLESTR* lpVersion) PURE;
    STDMETHOD(GetSnapinImage)(HICON* hAppIcon) PURE;
    STDMETHOD(GetStaticFolderImage)
    (HBITMAP* hSmallImage, HBITMAP* hSmallImageOpen, HBITMAP* hLargeImage, COLORREF* cMask) PURE;

protected:
    ~ISnapinAbout() = default;
};
typedef ISnapinAbout* LPSNAPINABOUT;
TVCOM_IID(ISnapinAbout, IID_ISnapinAbout)

// The snap-in's help file, and the help files its topics link to.
interface ISnapinHelp : public IUnknown {
    STDMETHOD(GetHelpTopic)(LPOLESTR* lpCompiledHelpFile) PURE;

protected:
    ~ISnapinHelp() = default;
};
TVCOM_IID(ISnapinHelp, IID_ISnapinHelp)

interface ISnapinHelp2 : public ISnapinHelp {
    STDMETHOD(GetLinkedTopics)(LPOLESTR* lpCompiledHelpFiles) PURE;

protected:
    ~ISnapinHelp2() = default;
};
TVCOM_IID_DERIVED(ISnapinHelp2, IID_ISnapinHelp2, ISnapinHelp)

// A virtual (owner-data) list: the snap-in keeps the items, the console asks by index.
interface IResultOwnerData : public IUnknown {
    STDMETHOD(FindItem)(LPRESULTFINDINFO pFindInfo, int* pnFoundIndex) PURE;
    STDMETHOD(CacheHint)(int nStartIndex, int nEndIndex) PURE;
    STDMETHOD(SortItems)(int nColumn, DWORD dwSortOptions, LPARAM lUserParam) PURE;

protected:
    ~IResultOwnerData() = default;
};
TVCOM_IID(IResultOwnerData, IID_IResultOwnerData)

// Sorting of result items by the snap-in.
interface IResultDataCompare : public IUnknown {
    STDMETHOD(Compare)(LPARAM lUserParam, MMC_COOKIE cookieA, MMC_COOKIE cookieB, int* pnResult) PURE;

protected:
    ~IResultDataCompare() = default;
};
TVCOM_IID(IResultDataCompare, IID_IResultDataCompare)

interface IResultDataCompareEx : public IUnknown {
    STDMETHOD(Compare)(RDCOMPARE* prdc, int* pnResult) PURE;

protected:
    ~IResultDataCompareEx() = default;
};
TVCOM_IID(IResultDataCompareEx, IID_IResultDataCompareEx)

// Property pages tell the console of a change with the handle their sheet was given; the console then
// sends MMCN_PROPERTY_CHANGE with param to the snap-in, on the console's thread.
STDAPI MMCPropertyChangeNotify(LONG_PTR lNotifyHandle, LPARAM param);
STDAPI MMCFreeNotifyHandle(LONG_PTR lNotifyHandle);
