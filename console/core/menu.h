// A context menu as the console builds it from the items the snap-in adds through
// IContextMenuCallback: each item remembers where it goes (top of the menu, New, All Tasks, View, or a
// submenu of the snap-in's own) and which of the snap-in's objects added it, so that choosing it is
// handed back to that object's IExtendContextMenu::Command with the data object the menu was built for.
#pragma once

#include <string>
#include <vector>

#include "tvcom.h"
#include "mmc.h"

namespace Console {

struct CMenuItem {
    enum Group { Top, New, Task, View, Submenu };
    std::wstring name;   // as the snap-in gave it, with its & mnemonics
    std::wstring status; // the status-bar text
    LONG commandId = 0;
    LONG insertionPoint = 0;
    LONG flags = 0;
    LONG specialFlags = 0;
    Group group = Top;
    int depth = 0;    // 1 inside a submenu, 2 inside a submenu of a submenu ...
    int extender = 0; // index of the object that added it (CContextMenu::Extender)

    bool IsSubmenu() const { return (flags & MF_POPUP) != 0; }
    bool IsInsertionPoint() const { return (specialFlags & CCM_SPECIAL_INSERTION_POINT) != 0; }
    bool IsEnabled() const { return (flags & (MF_GRAYED | MF_DISABLED)) == 0; }
    // The text a person reads: the name without its & mnemonic markers ("&&" is one &).
    std::wstring ShownName() const;
};

class CContextMenu {
public:
    // Every item, each submenu's items right after it, the groups in the order the menu shows them:
    // the top items, then New, All Tasks and View.
    std::vector<const CMenuItem*> InMenuOrder() const;
    // The item whose shown name (or raw name) is `name`; commands only, not submenus.
    const CMenuItem* FindCommand(const std::wstring& name) const;
    const std::vector<CMenuItem>& Items() const { return m_items; }

    // Used while the menu is built and when an item is chosen.
    struct Extender {
        tvcom::ComPtr<IExtendContextMenu> extend;
        long allowed = 0; // the insertion points this object was allowed to use
    };
    HRESULT Add(int extender, const CONTEXTMENUITEM* item);
    std::vector<Extender> extenders;
    tvcom::ComPtr<IDataObject> dataObject;

private:
    const CMenuItem* FindContainer(LONG insertionPoint, int extender) const;
    void AppendInOrder(LONG container, int extender, std::vector<const CMenuItem*>* out) const;

    std::vector<CMenuItem> m_items;
};

} // namespace Console
