// The console: the snap-ins it has loaded (found through the registry and created through their class
// factories), the scope tree they fill, and its views. This is the one header a front end includes; the
// desktop and headless front ends both draw what it holds and act only through it.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "scopetree.h"
#include "toolbar.h"
#include "view.h"

namespace Console {

class CSnapin;
class CPropertySheets;

// What the console tells its front end without being asked.
class IConsoleEvents {
public:
    // A help topic was shown: "file.chm::/topic.htm", and the HTML file it resolves to.
    virtual void HelpShown(const std::wstring& topic, const std::wstring& path) = 0;
    // An open property sheet was asked for again (a second Properties on its item) and is now the front
    // one of OpenSheets(): the front end shows it in front of the others.
    virtual void SheetBroughtForward(HWND sheet) {}

protected:
    ~IConsoleEvents() = default;
};

// A snap-in the registry names under HKLM\SOFTWARE\Microsoft\MMC\SnapIns.
struct CRegisteredSnapin {
    CLSID clsid = CLSID_NULL;
    std::wstring name;       // NameString
    bool standAlone = false; // has the StandAlone subkey
    std::wstring server;     // InprocServer32 of its class, empty when the class is not registered
};
std::vector<CRegisteredSnapin> FindRegisteredSnapins();

class CConsole {
public:
    CConsole();
    ~CConsole();
    CConsole(const CConsole&) = delete;
    CConsole& operator=(const CConsole&) = delete;

    void SetEvents(IConsoleEvents* events) { m_events = events; }
    void SetMainWindow(HWND window) { m_mainWindow = window; }
    HWND MainWindow() const { return m_mainWindow; }

    // Creates the snap-in through its class factory, gives it the console and inserts its static node.
    // On failure `problem` says what failed in words a person can act on.
    HRESULT AddSnapin(REFCLSID clsid, std::wstring* problem);
    // Every stand-alone snap-in of the registry, in the registry's order. Fails when none could be
    // created; `problem` names every snap-in that could not be, even when others were.
    HRESULT AddRegisteredSnapins(std::wstring* problem);
    // Destroys the open property sheets, then releases the views' components and then the snap-ins, as
    // a console closes its document.
    void Close();

    // The first view exists from the start; a front end may open more.
    CView& NewView();
    CView& View(size_t index = 0) { return *m_views.at(index); }
    size_t ViewCount() const { return m_views.size(); }

    // The scope tree, as front ends draw it.
    const std::vector<HSCOPEITEM>& Roots() const { return m_tree.Roots(); }
    std::vector<HSCOPEITEM> Children(HSCOPEITEM item) const;
    HSCOPEITEM Parent(HSCOPEITEM item) const;
    bool Exists(HSCOPEITEM item) const { return m_tree.Find(item) != nullptr; }
    bool HasExpandButton(HSCOPEITEM item) const { return m_tree.HasExpandButton(item); }
    bool ExpandedOnce(HSCOPEITEM item) const;
    // The item's name: the static node's own, or the one its snap-in gives through GetDisplayInfo.
    std::wstring DisplayName(HSCOPEITEM item);

    // Property sheets and wizards, as front ends show them. The platform tells a front end when one opens
    // or closes (TvWindowChanged); these say which are the console's.
    // The modeless property sheets still open, back to front: the last one is in front.
    std::vector<HWND> OpenSheets() const;
    // The innermost wizard running modally (its Show has not returned yet), or null.
    HWND ModalSheet() const;
    // What a person's input goes to: the modal wizard if one runs, else the front property sheet, else null.
    HWND FrontSheet() const;

    // Help: the snap-ins' help files, and where a topic ("file.chm::/topic.htm") is found.
    std::vector<std::wstring> HelpFiles();
    std::wstring HelpPath(const std::wstring& topic) const;
    void ShowHelpTopic(const std::wstring& topic);

    // Used by the views and the objects handed to the snap-ins ------------------------------------

    CScopeTree& Tree() { return m_tree; }
    const CScopeTree& Tree() const { return m_tree; }
    CPropertySheets& Sheets() { return *m_sheets; }
    void SheetBroughtForward(HWND sheet);
    CSnapin* SnapinOf(HSCOPEITEM item) const;
    // Sends MMCN_EXPAND the first time an item's children are needed, in any view.
    HRESULT ExpandOnce(HSCOPEITEM item);
    bool InExpand() const { return m_expandDepth > 0; }
    HRESULT InsertScopeItem(CSnapin* snapin, LPSCOPEDATAITEM item);
    HRESULT DeleteScopeItem(CSnapin* snapin, HSCOPEITEM item, bool deleteThis);
    HRESULT UpdateAllViews(CSnapin* snapin, LPDATAOBJECT data, LPARAM arg, LONG_PTR hint);
    // The view the person last acted in: where the scope side's requests to select or expand go.
    CView& ActiveView();
    void SetActiveView(CView& view) { m_activeView = view.Index(); }

    // Everything a front end asks of the console runs inside an action; when the outermost one ends,
    // the views put back a selection that a deletion took away.
    class CAction {
    public:
        explicit CAction(CConsole& console);
        ~CAction();
        CAction(const CAction&) = delete;
        CAction& operator=(const CAction&) = delete;

    private:
        CConsole& m_console;
    };

private:
    CScopeTree m_tree;
    std::vector<std::unique_ptr<CSnapin>> m_snapins;
    std::vector<std::unique_ptr<CView>> m_views;
    std::unique_ptr<CPropertySheets> m_sheets;
    IConsoleEvents* m_events = nullptr;
    HWND m_mainWindow = nullptr;
    int m_expandDepth = 0;
    int m_actionDepth = 0;
    size_t m_activeView = 0;
    bool m_closed = false;
};

} // namespace Console
