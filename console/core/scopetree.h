// The scope tree: every item the console shows in its scope pane, inserted by the snap-ins (and the
// static node of each snap-in, inserted by the console). Items are named by HSCOPEITEM handles that are
// ids into this tree, never pointers, so a stale handle from a snap-in names nothing and fails
// harmlessly. The tree holds what IConsoleNameSpace2 documents and nothing of the views: which item a
// view selects or shows expanded is the view's business.
#pragma once

#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "mmc.h"

namespace Console {

class CSnapin;

struct CScopeItem {
    HSCOPEITEM id = 0;
    HSCOPEITEM parent = 0;
    std::vector<HSCOPEITEM> children;
    CSnapin* owner = nullptr;
    // Items inserted by a snap-in always take their name from IComponentData::GetDisplayInfo; only the
    // static node may carry a name of its own.
    bool nameIsCallback = true;
    std::wstring name;
    int image = 0;
    int openImage = 0;
    // -1: not said; the item shows an expand button until it has been expanded.
    int childCount = -1;
    LPARAM lParam = 0;
    bool expandedOnce = false;
    bool isStatic = false;
};

class CScopeTree {
public:
    // The static node of a snap-in: a root of the tree, cookie 0, named by the console.
    HSCOPEITEM AddStaticNode(CSnapin* owner, const std::wstring& name);

    // IConsoleNameSpace2 on behalf of the snap-in `owner`.
    HRESULT InsertItem(CSnapin* owner, LPSCOPEDATAITEM item);
    HRESULT SetItem(LPSCOPEDATAITEM item);
    HRESULT GetItem(LPSCOPEDATAITEM item) const;
    HRESULT GetChildItem(HSCOPEITEM item, HSCOPEITEM* child, MMC_COOKIE* cookie) const;
    HRESULT GetNextItem(HSCOPEITEM item, HSCOPEITEM* next, MMC_COOKIE* cookie) const;
    HRESULT GetParentItem(HSCOPEITEM item, HSCOPEITEM* parent, MMC_COOKIE* cookie) const;

    // Removes the children of `item` (and `item` itself with deleteThis), deepest first. The ids
    // removed are appended to `removed`.
    HRESULT DeleteItem(HSCOPEITEM item, bool deleteThis, std::vector<HSCOPEITEM>* removed = nullptr);
    // Removes a static node and everything under it (when its snap-in is closed).
    void RemoveStaticNode(HSCOPEITEM item);

    CScopeItem* Find(HSCOPEITEM item);
    const CScopeItem* Find(HSCOPEITEM item) const;
    const std::vector<HSCOPEITEM>& Roots() const { return m_roots; }
    // True when `item` is `top` or lies under it.
    bool IsWithin(HSCOPEITEM item, HSCOPEITEM top) const;
    // Whether the item shows an expand button: it has children, or it has not been expanded and the
    // snap-in did not say it has none.
    bool HasExpandButton(HSCOPEITEM item) const;

private:
    HSCOPEITEM NewId() { return m_nextId++; }
    void Erase(HSCOPEITEM item, std::vector<HSCOPEITEM>* removed);

    std::unordered_map<HSCOPEITEM, std::unique_ptr<CScopeItem>> m_items;
    std::vector<HSCOPEITEM> m_roots;
    // Handles start well away from 0 and from small numbers, and are never reused.
    HSCOPEITEM m_nextId = 0x1000;
};

} // namespace Console
