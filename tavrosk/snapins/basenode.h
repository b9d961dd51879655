// CBaseNode, the base of every item the snap-in shows in the console: it owns its children, remembers
// where it sits in the console, and has one virtual operation per console event that the component
// data and the components forward. The defaults make a working container: children are created on
// first expansion or display, shown as scope or result items, counted in the status bar, refreshed,
// deleted and sorted by their column text. What every node does alike (its help topic, its columns, the
// verbs it enables when selected, the pictures of its wizards, the run of a wizard) the base does from
// what the node declares in its data members; concrete nodes override what makes them different.
#pragma once

#include <span>
#include <string>
#include <vector>

#include "mmc.h"

namespace Snapins {

class CBasePropPage;
class CComponent;

// One context-menu item of a node: string ids of its text and status-bar text (nameId 0: both empty),
// the command id given back to OnMenuCommand, and the console's insertion point and flags. A table of
// them ends with a row whose insertion point is 0.
struct SNAPINMENUITEM {
    UINT nameId;
    UINT statusId;
    UINT commandId;
    UINT insertionPoint;
    UINT flags;
    UINT specialFlags;
};

// One toolbar button: bitmap index, command id, state and type (low byte of each), string ids of its
// text and tooltip. A table of them ends with a row whose text id is 0.
struct SNAPINTOOLBARBUTTON {
    UINT bitmap;
    UINT commandId;
    UINT state;
    UINT type;
    UINT textId;
    UINT tooltipId;
};

// One step of a node's selection: enable a console verb, or make it the default verb. The console sees
// the steps in the order of the node's table.
enum SNAPINVERBSTEP { kEnableVerb, kDefaultVerb };
struct SNAPINVERB {
    SNAPINVERBSTEP step;
    MMC_CONSOLE_VERB verb;
};

// The verbs of a container that is only refreshed.
inline constexpr SNAPINVERB kRefreshVerbs[] = {{kEnableVerb, MMC_VERB_REFRESH}};

// The pictures of a node's wizard: bitmap ids of the watermark and the header (0: none) and whether the
// console stretches them.
struct SNAPINWIZARDPICTURES {
    UINT watermarkId;
    UINT headerId;
    BOOL stretch;
};

// Sizes of the buffers through which display texts reach the console; a longer text is cut.
constexpr size_t kDisplayTextBuffer = 260;

class CBaseNode {
public:
    using iterator = std::vector<CBaseNode*>::iterator;

    CBaseNode();
    CBaseNode(const CBaseNode&) = delete;
    CBaseNode& operator=(const CBaseNode&) = delete;

    // The virtual operations, in the order the framework's callers know them.
    virtual ~CBaseNode();
    virtual HRESULT Initialize();
    // Throws std::invalid_argument("Child already in collection") when checkDuplicate finds the child.
    virtual void AddChild(CBaseNode* child, bool checkDuplicate);
    // Forgets the child without deleting it.
    virtual void RemoveChild(IConsole* console, CBaseNode* child);
    virtual CBaseNode* GetChild(unsigned index);
    virtual iterator ChildrenBegin();
    virtual iterator ChildrenEnd();
    virtual const std::wstring GetDisplayText(int column) = 0;
    virtual const GUID* GetNodeType();
    virtual const void* GetCookie();
    virtual int GetImageIndex();
    virtual int GetOpenImageIndex();
    virtual void GetVirtualItemInfo(RESULTDATAITEM* item);
    virtual HRESULT GetResultViewType(LPOLESTR* viewType, long* viewOptions);
    virtual HRESULT OnExpand(IConsoleNameSpace* nameSpace, IConsole* console, HSCOPEITEM item);
    virtual HRESULT OnShow(IConsole* console, BOOL selecting, HSCOPEITEM item);
    virtual HRESULT OnAddImages(IImageList* images, HSCOPEITEM item);
    virtual HRESULT OnRefresh(IConsole* console);
    virtual HRESULT OnRename(LPOLESTR newName);
    // On selection, the steps of m_verbs; the result of the last. S_FALSE without verbs or on deselection.
    virtual HRESULT OnSelect(IConsole* console, BOOL scope, BOOL select);
    virtual HRESULT OnFilterChange(IConsole* console, long code, int column, LPCWSTR text, long value);
    virtual HRESULT OnFilterButtonClick(IConsole* console, int column, RECT* rect);
    virtual HRESULT OnDelete(IConsole* console);
    virtual HRESULT OnQueryPaste(IConsole* console, CBaseNode* source);
    virtual HRESULT OnPaste(IConsole* console, CBaseNode* source);
    virtual HRESULT OnPrint(IConsole* console);
    virtual HRESULT OnPropertyChange(IConsole* console, LPARAM arg, LPARAM param);
    virtual HRESULT CreatePropertyPages(IPropertySheetCallback* callback, LONG_PTR notifyHandle);
    virtual HRESULT QueryPagesFor();
    // The row of m_wizardPictures for the wizard being run; S_FALSE when the node declares none.
    virtual HRESULT GetWatermarks(HBITMAP* watermark, HBITMAP* header, HPALETTE* palette, BOOL* stretch);
    // Shows helpFile + m_helpTopic; S_FALSE when the node has no topic of its own.
    virtual HRESULT OnContextHelp(IDisplayHelp* displayHelp, const std::wstring& helpFile);
    virtual HRESULT AddMenuItems(IContextMenuCallback* callback, long* insertionAllowed);
    virtual HRESULT OnMenuCommand(IConsole* console, long commandId, IComponent* component,
                                  IComponentData* componentData, IDataObject* dataObject);
    virtual HRESULT SortItems(int column, DWORD options, LPARAM userValue);
    virtual HRESULT CacheHint(int first, int last);
    virtual HRESULT FindItem(RESULTFINDINFO* findInfo, int* foundIndex);
    virtual HRESULT OnControlbarSelect(IControlbar* controlbar, IToolbar* toolbar, BOOL scope, BOOL select);
    virtual HRESULT OnToolbarCommand(IConsole* console, CComponent* component, long commandId);
    // Two spare slots that nothing calls.
    virtual HRESULT Reserved1(LPARAM, LPARAM);
    virtual HRESULT Reserved2(LPARAM, LPARAM, LPARAM, LPARAM);
    virtual HRESULT CompareResultItems(CBaseNode* other, int column, int* result);
    // A negative result cancels the paste.
    virtual HRESULT OnBeginPaste(IConsole* console, int count);
    virtual HRESULT OnEndPaste();
    virtual HRESULT CreateChildren(IConsole* console);
    // The titles of m_columns, left-aligned with automatic width, up to the first failing insert;
    // S_FALSE when the node declares no columns.
    virtual HRESULT InsertColumns(IHeaderCtrl* header);
    virtual HRESULT ClearResultItems(IResultData* resultData);
    virtual HRESULT ShowChildren(IConsoleNameSpace* nameSpace, IConsole* console, HSCOPEITEM parent);
    // Both delete the node itself when the console removed its item: do not touch it after success.
    virtual HRESULT DeleteScopeItem(IConsole* console);
    virtual HRESULT DeleteResultItem(IConsole* console);
    virtual HRESULT SetupColumnFilters(IHeaderCtrl2* header);
    virtual HRESULT AddMenuItemsFromTable(IContextMenuCallback* callback, const SNAPINMENUITEM* table,
                                          long* insertionAllowed);
    virtual HRESULT SetToolbarButtons(IToolbar* toolbar, const SNAPINTOOLBARBUTTON* table, bool insert);
    // Shows "text|%NN" in the status bar: the text of textId (none for 0) with a progress bar.
    virtual HRESULT ShowProgress(IConsole* console, int percent, UINT textId);
    virtual void ApplyFilter(CBaseNode* child);

    // Shows the node's wizard through the console's property sheet provider.
    HRESULT RunWizard(IConsole* console, IComponent* component, IComponentData* componentData,
                      IDataObject* dataObject);
    // Back to property-sheet pages after a wizard, deleting the wizard's pages.
    HRESULT EndWizard();
    // A wizard of the node from its menu: m_wizardSelector names it while it runs (the node's pages and
    // pictures follow it), then RunWizard, EndWizard, and a refresh of the node, which shows what the
    // wizard did. The wizard reports its outcome on its own pages, so nothing is returned.
    void RunNodeWizard(int selector, IConsole* console, IComponent* component, IComponentData* componentData,
                       IDataObject* dataObject);

    // True when the address is a node that exists now. Cookies and data-object contents come from
    // outside the snap-in; they are checked here before they are used as nodes.
    static bool IsLive(const void* address);

    // The shared image strips, loaded on the first node's construction.
    static HBITMAP SmallImages();
    static HBITMAP LargeImages();

    CBaseNode* Parent() const { return m_parent; }
    size_t ChildCount() const { return m_children.size(); }
    HSCOPEITEM ScopeItem() const { return m_scopeItem; }
    HRESULTITEM ResultItem() const { return m_resultItem; }
    bool IsScopeItem() const { return m_isScopeItem != 0; }
    bool InsertedInScope() const { return m_insertedInScope; }
    bool PagesMode() const { return m_pagesMode; }
    bool IsOwnerData() const { return m_ownerData; }
    bool MatchesFilter() const { return m_matchesFilter; }
    LONG_PTR SheetNotifyHandle() const { return m_sheetNotifyHandle; }
    int FilterColumn() const { return m_filterColumn; }
    const std::wstring& FilterText() const { return m_filterText; }
    // Which of the node's wizards is being run; 0 while none is.
    int WizardSelector() const { return m_wizardSelector; }
    bool WizardRunning() const { return m_wizardSelector != 0; }

protected:
    // Keeps a page of the node's current sheet or wizard. The node deletes it when the next sheet is
    // created, in EndWizard, and in its destructor.
    void KeepPage(CBasePropPage* page) { m_pages.push_back(page); }
    void DeletePages();

    // Inserts children [0, count) as result items, in order, unless the list is owner data.
    HRESULT InsertResultChildren(IResultData* resultData, size_t count);

    bool m_insertedInScope = false;
    bool m_pagesMode = true;
    bool m_filteredView = false;
    bool m_multiSelect = false;
    bool m_ownerData = false;
    bool m_noScopeChildren = false;
    bool m_childrenHaveNoChildren = false;
    bool m_matchesFilter = false;
    HSCOPEITEM m_scopeItem = 0;
    HRESULTITEM m_resultItem = 0;
    int m_isScopeItem = 1;
    CBaseNode* m_parent = nullptr;
    int m_imageIndex = 0;
    int m_openImageIndex = 0;
    LONG_PTR m_sheetNotifyHandle = 0;
    int m_filterColumn = -1;
    std::wstring m_filterText = L"*";
    long m_filterValue = 0;
    std::vector<CBaseNode*> m_children;

    // What the node declares about itself, usually in its constructor; the base acts on it. A node whose
    // verbs or pictures depend on its state points these at another table when the state changes.
    const wchar_t* m_helpTopic = nullptr;                   // appended to the help file: L"::servers.htm"
    std::span<const UINT> m_columns;                        // string ids of the result list's column titles
    std::span<const SNAPINVERB> m_verbs;                    // what selecting the node does to the verbs
    std::span<const SNAPINWIZARDPICTURES> m_wizardPictures; // by m_wizardSelector; the last row for higher
    int m_wizardSelector = 0;                               // set by RunNodeWizard for the length of a run

private:
    std::vector<CBasePropPage*> m_pages;
    bool m_settingUpFilters = false; // SetupColumnFilters is running: value changes are not applied
};

// Copies a display text into one of the console's text buffers, cut to fit with its terminating null.
void CopyDisplayText(WCHAR (&buffer)[kDisplayTextBuffer], const std::wstring& text);

// Shows the text in the console's status bar when the console has one (IConsole2).
void SetConsoleStatusText(IConsole* console, std::wstring text);

} // namespace Snapins
