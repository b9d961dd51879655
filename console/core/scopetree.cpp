// The scope tree and IConsoleNameSpace2's rules for it: where InsertItem puts an item relative to
// another, what SetItem may change, how GetChildItem and its siblings walk the tree, and that a stale
// or foreign handle fails with E_INVALIDARG instead of naming some other item.
#include "scopetree.h"

#include <algorithm>

namespace Console {

HSCOPEITEM CScopeTree::AddStaticNode(CSnapin* owner, const std::wstring& name) {
    auto item = std::make_unique<CScopeItem>();
    item->id = NewId();
    item->owner = owner;
    item->isStatic = true;
    item->nameIsCallback = false;
    item->name = name;
    HSCOPEITEM id = item->id;
    m_items.emplace(id, std::move(item));
    m_roots.push_back(id);
    return id;
}

CScopeItem* CScopeTree::Find(HSCOPEITEM item) {
    auto found = m_items.find(item);
    return found == m_items.end() ? nullptr : found->second.get();
}

const CScopeItem* CScopeTree::Find(HSCOPEITEM item) const {
    auto found = m_items.find(item);
    return found == m_items.end() ? nullptr : found->second.get();
}

HRESULT CScopeTree::InsertItem(CSnapin* owner, LPSCOPEDATAITEM data) {
    if (!data) return E_POINTER;
    // The name of an inserted item is always asked for later; a string here is a snap-in error.
    if ((data->mask & SDI_STR) && data->displayname != MMC_CALLBACK) return E_INVALIDARG;

    const DWORD placement = data->mask & (SDI_PREVIOUS | SDI_NEXT | SDI_FIRST);
    CScopeItem* relative = Find(data->relativeID);
    if (!relative) return E_INVALIDARG;
    CScopeItem* parent = relative;
    if (placement == SDI_PREVIOUS || placement == SDI_NEXT) {
        if (relative->isStatic) return E_INVALIDARG; // nothing sits beside a static node
        parent = Find(relative->parent);
        if (!parent) return E_INVALIDARG;
    } else if (placement != 0 && placement != SDI_FIRST) {
        return E_INVALIDARG;
    }

    auto item = std::make_unique<CScopeItem>();
    item->id = NewId();
    item->parent = parent->id;
    item->owner = owner;
    if (data->mask & SDI_IMAGE) item->image = data->nImage;
    if (data->mask & SDI_OPENIMAGE) item->openImage = data->nOpenImage;
    if (data->mask & SDI_PARAM) item->lParam = data->lParam;
    if (data->mask & SDI_CHILDREN) item->childCount = data->cChildren;

    auto& siblings = parent->children;
    auto where = siblings.end();
    if (placement == SDI_FIRST) {
        where = siblings.begin();
    } else if (placement == SDI_PREVIOUS) {
        where = std::find(siblings.begin(), siblings.end(), relative->id) + 1;
    } else if (placement == SDI_NEXT) {
        where = std::find(siblings.begin(), siblings.end(), relative->id);
    }
    siblings.insert(where, item->id);
    data->ID = item->id;
    m_items.emplace(item->id, std::move(item));
    return S_OK;
}

HRESULT CScopeTree::SetItem(LPSCOPEDATAITEM data) {
    if (!data) return E_POINTER;
    CScopeItem* item = Find(data->ID);
    if (!item) return E_INVALIDARG;
    if (data->mask & SDI_STR) {
        if (data->displayname == MMC_CALLBACK) {
            item->nameIsCallback = true;
            item->name.clear();
        } else if (item->isStatic && data->displayname) {
            item->nameIsCallback = false;
            item->name = data->displayname;
        } else {
            return E_INVALIDARG; // only the static node may carry a name of its own
        }
    }
    if (data->mask & SDI_IMAGE) item->image = data->nImage;
    if (data->mask & SDI_OPENIMAGE) item->openImage = data->nOpenImage;
    if (data->mask & SDI_PARAM) {
        if (item->isStatic) return E_INVALIDARG; // the static node's cookie is always 0
        item->lParam = data->lParam;
    }
    if (data->mask & SDI_CHILDREN) item->childCount = data->cChildren;
    return S_OK;
}

HRESULT CScopeTree::GetItem(LPSCOPEDATAITEM data) const {
    if (!data) return E_POINTER;
    const CScopeItem* item = Find(data->ID);
    if (!item) return E_INVALIDARG;
    // The console keeps no copy of a callback name to give back.
    if (data->mask & SDI_STR)
        data->displayname = item->nameIsCallback ? MMC_CALLBACK : const_cast<LPOLESTR>(item->name.c_str());
    if (data->mask & SDI_IMAGE) data->nImage = item->image;
    if (data->mask & SDI_OPENIMAGE) data->nOpenImage = item->openImage;
    if (data->mask & SDI_STATE) data->nState = item->expandedOnce ? MMC_SCOPE_ITEM_STATE_EXPANDEDONCE : 0;
    if (data->mask & SDI_PARAM) data->lParam = item->lParam;
    if (data->mask & SDI_CHILDREN)
        data->cChildren = item->children.empty() ? (item->childCount < 0 ? 1 : item->childCount)
                                                 : static_cast<int>(item->children.size());
    data->relativeID = item->parent;
    return S_OK;
}

namespace {
// Fills the out parameters of the walking methods: the handle and cookie, or 0 and 0 when there is
// no such item.
HRESULT Answer(const CScopeItem* item, HSCOPEITEM* handle, MMC_COOKIE* cookie) {
    *handle = item ? item->id : 0;
    if (cookie) *cookie = item ? item->lParam : 0;
    return S_OK;
}
} // namespace

HRESULT CScopeTree::GetChildItem(HSCOPEITEM itemId, HSCOPEITEM* child, MMC_COOKIE* cookie) const {
    if (!child) return E_POINTER;
    const CScopeItem* item = Find(itemId);
    if (!item) {
        Answer(nullptr, child, cookie);
        return E_INVALIDARG;
    }
    return Answer(item->children.empty() ? nullptr : Find(item->children.front()), child, cookie);
}

HRESULT CScopeTree::GetNextItem(HSCOPEITEM itemId, HSCOPEITEM* next, MMC_COOKIE* cookie) const {
    if (!next) return E_POINTER;
    const CScopeItem* item = Find(itemId);
    if (!item) {
        Answer(nullptr, next, cookie);
        return E_INVALIDARG;
    }
    const CScopeItem* parent = Find(item->parent);
    if (!parent) return Answer(nullptr, next, cookie); // the static nodes have no siblings to walk
    auto& siblings = parent->children;
    auto at = std::find(siblings.begin(), siblings.end(), itemId);
    return Answer(at == siblings.end() || at + 1 == siblings.end() ? nullptr : Find(*(at + 1)), next, cookie);
}

HRESULT CScopeTree::GetParentItem(HSCOPEITEM itemId, HSCOPEITEM* parent, MMC_COOKIE* cookie) const {
    if (!parent) return E_POINTER;
    const CScopeItem* item = Find(itemId);
    if (!item) {
        Answer(nullptr, parent, cookie);
        return E_INVALIDARG;
    }
    return Answer(Find(item->parent), parent, cookie);
}

void CScopeTree::Erase(HSCOPEITEM id, std::vector<HSCOPEITEM>* removed) {
    CScopeItem* item = Find(id);
    if (!item) return;
    std::vector<HSCOPEITEM> children = std::move(item->children);
    for (HSCOPEITEM child : children)
        Erase(child, removed);
    if (removed) removed->push_back(id);
    m_items.erase(id);
}

HRESULT CScopeTree::DeleteItem(HSCOPEITEM id, bool deleteThis, std::vector<HSCOPEITEM>* removed) {
    CScopeItem* item = Find(id);
    if (!item) return E_INVALIDARG;
    if (deleteThis && item->isStatic) return E_INVALIDARG; // the console owns the static node
    if (!deleteThis) {
        std::vector<HSCOPEITEM> children = std::move(item->children);
        item->children.clear();
        for (HSCOPEITEM child : children)
            Erase(child, removed);
        return S_OK;
    }
    if (CScopeItem* parent = Find(item->parent)) std::erase(parent->children, id);
    Erase(id, removed);
    return S_OK;
}

void CScopeTree::RemoveStaticNode(HSCOPEITEM id) {
    std::erase(m_roots, id);
    Erase(id, nullptr);
}

bool CScopeTree::IsWithin(HSCOPEITEM id, HSCOPEITEM top) const {
    for (const CScopeItem* item = Find(id); item; item = Find(item->parent))
        if (item->id == top) return true;
    return false;
}

bool CScopeTree::HasExpandButton(HSCOPEITEM id) const {
    const CScopeItem* item = Find(id);
    if (!item) return false;
    if (!item->children.empty()) return true;
    if (item->expandedOnce) return false;
    return item->childCount != 0;
}

} // namespace Console
