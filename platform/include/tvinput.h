// What a front end needs of windows beyond the Windows functions: the state of a window as it is shown
// (for the headless `show`, and for the desktop front end to draw), and user input. A front end turns
// a person's input into these calls, never into messages of its own making, so that the controls
// notify their parents exactly as they do for a person's typing and clicking; code that changes a
// control with its messages notifies only where the documented control does. Implemented in user32;
// the controls of comctl32 answer through the same private messages.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "tvplatform.h"
#include "winuser.h"

// The parts of a property sheet beside its pages, by control id: the buttons have their documented
// ids (IDOK, IDCANCEL, IDHELP, ID_APPLY_NOW, ID_WIZBACK, ID_WIZNEXT, ID_WIZFINISH); these statics show a
// wizard's header title and subtitle, its header bitmap and its watermark.
#define TV_IDC_SHEET_HEADERTITLE 0x3031
#define TV_IDC_SHEET_HEADERSUBTITLE 0x3032
#define TV_IDC_SHEET_HEADERBITMAP 0x3033
#define TV_IDC_SHEET_WATERMARK 0x3034

// Private messages through which the entry points below reach a control's window procedure, on the
// control's own thread. A window that does not know them answers 0 (DefWindowProcW).
#define TVM_GETSTATE 0x03F0    // lParam: tvp::WindowState*; the control fills in its own part
#define TVM_INPUTTEXT 0x03F1   // lParam: const std::wstring*
#define TVM_INPUTCLICK 0x03F2  // no parameters
#define TVM_INPUTCHOOSE 0x03F3 // wParam: the item's index
#define TVM_INPUTPICK 0x03F4   // lParam: const std::vector<int>*
#define TVM_INPUTTIME 0x03F5   // lParam: const SYSTEMTIME*

namespace tvp {

enum class Kind {
    Window,        // a window of an application's own class
    Dialog,        // a dialog, or a page of a property sheet
    PropertySheet, // items are the pages' titles, selection the current page
    Static,        // a text
    Icon,          // a static showing an icon
    Picture,       // a static showing a bitmap
    Edit,          // text is the content (a password edit shows its password characters)
    PushButton,
    CheckBox,    // checked: BST_UNCHECKED, BST_CHECKED or BST_INDETERMINATE
    RadioButton, // checked as for a check box
    GroupBox,
    ComboBox,       // items; selection the current entry (-1: none); text what the box shows
    ListView,       // columns, items with their cells, images and selection
    ProgressBar,    // position, low, high
    DateTimePicker, // time (timeValid false: no date, with DTS_SHOWNONE); text as shown
};

struct ListItem {
    std::wstring text;               // column 0
    std::vector<std::wstring> cells; // the sub-items, column 1 on
    int image = -1;
    bool selected = false;
    bool focused = false;
};

struct WindowState {
    HWND window = nullptr;
    Kind kind = Kind::Window;
    int id = 0;
    std::wstring className;
    DWORD style = 0;
    DWORD exStyle = 0;
    bool enabled = false; // the window itself, whatever its parent
    bool visible = false; // the window's own WS_VISIBLE, whatever its parent
    RECT rect{};          // in the parent's client area, in pixels
    HFONT font = nullptr;
    std::wstring text;
    int checked = 0;
    std::vector<std::wstring> columns;
    std::vector<ListItem> items;
    int selection = -1;
    int position = 0, low = 0, high = 0;
    SYSTEMTIME time{};
    bool timeValid = false;
    HICON icon = nullptr;
    HBITMAP bitmap = nullptr;
    bool wizard = false; // a property sheet in wizard mode
};

// The window's state; false for a handle that names no window.
TVPAPI bool GetWindowState(HWND window, WindowState& state);

// User input. Each returns false, and changes nothing, when the window is not a control of the kind
// the input needs or a person could not reach it: disabled, or hidden (it or a parent).

// Types text into an edit control or the edit field of a combo box: the whole text is replaced as a
// person selecting all and typing would, within the control's text limit and its ES_NUMBER,
// ES_UPPERCASE and ES_LOWERCASE rules; a read-only edit refuses. Notifies EN_UPDATE and EN_CHANGE
// (after EN_MAXTEXT when the limit cut the text), or CBN_EDITUPDATE and CBN_EDITCHANGE.
TVPAPI bool TypeText(HWND control, std::wstring_view text);
// Clicks a button (BN_CLICKED; auto check boxes and auto radio buttons change their state first) or a
// static with SS_NOTIFY (STN_CLICKED).
TVPAPI bool Click(HWND control);
// Chooses entry `index` of a combo box from its list (CBN_DROPDOWN, CBN_SELCHANGE, CBN_SELENDOK,
// CBN_CLOSEUP), or clicks item `index` of a list view, which selects and focuses it alone
// (LVN_ITEMCHANGING and LVN_ITEMCHANGED for each item whose state changes, then NM_CLICK).
TVPAPI bool ChooseItem(HWND control, int index);
// Selects exactly the items `indices` of a list view, as control-clicks would; a single-selection list
// view takes at most one.
TVPAPI bool PickItems(HWND listView, const std::vector<int>& indices);
// Sets a date-time picker as a person would (DTN_DATETIMECHANGE when the value changes).
TVPAPI bool SetTime(HWND picker, const SYSTEMTIME& time);

} // namespace tvp
