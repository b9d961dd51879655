// A small snap-in for the console's tests. It builds its tree from nodes the test describes, does what a
// snap-in does with each notification (inserts its children, fills lists, sets verbs, adds menu items,
// toolbars, property pages and help), and writes every notification and call it receives to a log, so
// that a test can check what the console sent, in which order and with which arguments.
//
// Property pages (testsnapin.rc): an item whose `pages` is set has "General" (edit IDC_TEST_NAME with its
// name; Apply renames it and sends MMCPropertyChangeNotify with param 1) and "Details" (check box
// IDC_TEST_ENABLED). The root's menu item "Run Wizard" runs the three-page Wizard97 wizard "Test Wizard"
// ("Welcome", "Name" with edit IDC_TEST_WIZARD_NAME, "Finish") as a snap-in does, through the
// console's node manager. The pages log "PAGE <title> <event>".
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "mmc.h"
#include "testsnapin_res.h"

namespace TestSnapin {

// {6A0C1F3E-2B4D-4E5F-8A9B-1C2D3E4F5A6B}
DEFINE_GUID(CLSID_TestSnapin, 0x6A0C1F3E, 0x2B4D, 0x4E5F, 0x8A, 0x9B, 0x1C, 0x2D, 0x3E, 0x4F, 0x5A, 0x6B);

enum class View { List, Message, OwnerData, Custom };

// The root's "Run Wizard" command.
const LONG kRunWizardCommand = 7001;

struct MenuEntry {
    std::wstring name;
    std::wstring status;
    LONG command = 0;
    LONG insertionPoint = static_cast<LONG>(CCM_INSERTIONPOINTID_PRIMARY_TOP);
    LONG flags = 0;
    LONG special = 0;
};

struct Node {
    std::wstring name;
    std::vector<std::wstring> cells; // the texts of columns 1, 2 ...
    bool scope = true;               // a scope item of its parent, or a row of its parent's list
    Node* parent = nullptr;
    std::vector<std::unique_ptr<Node>> children;

    View view = View::List;
    long viewOptions = 0;
    std::vector<std::wstring> columns = {L"Name"};
    int rows = 0; // an owner-data list's row count
    std::wstring messageTitle, messageBody;
    IconIdentifier messageIcon = Icon_None;
    std::vector<MMC_CONSOLE_VERB> verbs; // enabled whenever the node is selected
    MMC_CONSOLE_VERB defaultVerb = MMC_VERB_NONE;
    bool acceptRename = true;
    bool noChildren = false; // inserted with no expand button
    std::vector<MenuEntry> menu;
    std::wstring helpTopic;
    bool pages = false; // has the property pages General and Details

    // What the console gave the node.
    HSCOPEITEM scopeItem = 0;
    HRESULTITEM resultItem = 0;
    bool inserted = false;

    Node* Add(const std::wstring& childName, bool asScope, std::vector<std::wstring> childCells = {});
    Node* Find(const std::wstring& path); // "A/B" below this node
};

struct Control {
    Node root;
    std::vector<std::string> log;
    std::vector<HRESULT> addItemResults;
    int compareCalls = 0;
    bool refreshReselects = true; // a refreshed node deletes its scope children and asks to be shown again
    // Which comparison the view's component offers: IResultDataCompareEx, IResultDataCompare, or none.
    enum class Compare { Ex, Plain, None } compare = Compare::Ex;
    bool ownerDescending = false;
    // A menu or toolbar command; the console the snap-in was given for the view (or its scope side).
    std::function<void(LONG command, Node* node, IConsole* console)> onCommand;
    // Property sheets: the notify handle the console gave the last CreatePropertyPages, the threads on
    // which MMCN_PROPERTY_CHANGE arrived, and the name typed into the wizard when it finished.
    LONG_PTR notifyHandle = 0;
    bool pagesFreeHandle = true; // the first page frees the handle when the sheet destroys it
    std::vector<DWORD> changeThreads;
    std::wstring wizardName;
    // What the wizard's pages do meanwhile: called on each page's PSN_SETACTIVE with its title.
    std::function<void(const std::wstring& title, HWND page)> onWizardPage;
    // Work of the snap-in's own still running: DllCanUnloadNow answers S_FALSE this many more times.
    int unloadRefusals = 0;

    // A fresh tree: "Test Root" with the folder "Folder A" (two scope children and three rows),
    // "Virtual" (an owner-data list of five rows) and "Notice" (the message view).
    void Reset();
    // The log entries that start with one of the prefixes ("C.Notify", "CD.Notify" ...).
    std::vector<std::string> Entries(std::initializer_list<const char*> prefixes) const;
};

Control& TheControl();

} // namespace TestSnapin

extern "C" HRESULT STDMETHODCALLTYPE TestSnapinRegister();
