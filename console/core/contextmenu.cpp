// Context menus: the items a snap-in adds through IContextMenuCallback, checked as the console checks
// them. An item goes only where the object adding it was allowed to put items (the top of the menu, New,
// All Tasks, View) or into a submenu or insertion point that object added before; separators and items
// at the root belong to the console; owner-drawn and bitmap items and command ids with reserved bits
// are refused with E_INVALIDARG.
#include "objects.h"

namespace Console {

namespace {

const LONG kBitmapItem = 0x00000004L; // MF_BITMAP: a menu item drawn from a bitmap

struct GroupPoint {
    LONG insertionPoint;
    long allowedBit;
    CMenuItem::Group group;
};
const GroupPoint kGroups[] = {
    {static_cast<LONG>(CCM_INSERTIONPOINTID_PRIMARY_TOP), CCM_INSERTIONALLOWED_TOP, CMenuItem::Top},
    {static_cast<LONG>(CCM_INSERTIONPOINTID_PRIMARY_NEW), CCM_INSERTIONALLOWED_NEW, CMenuItem::New},
    {static_cast<LONG>(CCM_INSERTIONPOINTID_PRIMARY_TASK), CCM_INSERTIONALLOWED_TASK, CMenuItem::Task},
    {static_cast<LONG>(CCM_INSERTIONPOINTID_PRIMARY_VIEW), CCM_INSERTIONALLOWED_VIEW, CMenuItem::View},
};

bool IsShared(LONG id) {
    return (static_cast<ULONG>(id) & CCM_INSERTIONPOINTID_MASK_SHARED) != 0;
}

} // namespace

std::wstring CMenuItem::ShownName() const {
    std::wstring shown;
    for (size_t i = 0; i < name.size(); ++i) {
        if (name[i] == L'&') {
            if (i + 1 < name.size() && name[i + 1] == L'&') {
                shown += L'&';
                ++i;
            }
            continue;
        }
        shown += name[i];
    }
    return shown;
}

const CMenuItem* CContextMenu::FindContainer(LONG insertionPoint, int extender) const {
    const CMenuItem* found = nullptr;
    for (const CMenuItem& item : m_items) {
        if (!item.IsSubmenu() && !item.IsInsertionPoint()) continue;
        if (item.commandId != insertionPoint) continue;
        // An unshared submenu or insertion point belongs to the object that added it.
        if (!IsShared(insertionPoint) && item.extender != extender) continue;
        found = &item;
    }
    return found;
}

HRESULT CContextMenu::Add(int extender, const CONTEXTMENUITEM* added) {
    if (!added) return E_INVALIDARG;
    const LONG flags = added->fFlags;
    const LONG special = added->fSpecialFlags;
    if (flags & (MF_OWNERDRAW | kBitmapItem)) return E_INVALIDARG;
    if ((flags & MF_SEPARATOR) || (special & CCM_SPECIAL_SEPARATOR)) return E_INVALIDARG;
    if ((flags & MF_MENUBARBREAK) && (flags & MF_MENUBREAK)) return E_INVALIDARG;
    if ((special & CCM_SPECIAL_SUBMENU) && !(flags & MF_POPUP)) return E_INVALIDARG;

    const ULONG command = static_cast<ULONG>(added->lCommandID);
    const bool insertionPoint = (special & CCM_SPECIAL_INSERTION_POINT) != 0;
    const bool container = insertionPoint || (flags & MF_POPUP);
    if (container) {
        if (command & CCM_INSERTIONPOINTID_MASK_RESERVED) return E_INVALIDARG;
        // A snap-in's shared submenus carry the bit that keeps them apart from the console's own.
        if ((command & CCM_INSERTIONPOINTID_MASK_SHARED) &&
            !(command & CCM_INSERTIONPOINTID_MASK_CREATE_PRIMARY))
            return E_INVALIDARG;
    } else if (command & CCM_COMMANDID_MASK_RESERVED) {
        return E_INVALIDARG;
    }
    if (!insertionPoint && !added->strName) return E_INVALIDARG;
    // Each submenu and insertion point is named once, so the menu stays a tree.
    if (container && FindContainer(added->lCommandID, extender)) return E_INVALIDARG;

    CMenuItem item;
    item.extender = extender;
    item.insertionPoint = added->lInsertionPointID;
    bool placed = false;
    for (const GroupPoint& point : kGroups) {
        if (added->lInsertionPointID != point.insertionPoint) continue;
        if (!(extenders.at(extender).allowed & point.allowedBit)) return E_INVALIDARG;
        item.group = point.group;
        placed = true;
    }
    if (!placed) {
        // Anything else must be a submenu or insertion point added before; the root of the menu, the
        // extensions' points and the help point are not the snap-in's.
        const CMenuItem* parent = FindContainer(added->lInsertionPointID, extender);
        if (!parent) return E_INVALIDARG;
        item.group = parent->IsSubmenu() ? CMenuItem::Submenu : parent->group;
        item.depth = parent->depth + (parent->IsSubmenu() ? 1 : 0);
    }
    if (special & CCM_SPECIAL_TESTONLY) return S_OK;

    if (added->strName) item.name = added->strName;
    if (added->strStatusBarText) item.status = added->strStatusBarText;
    item.commandId = added->lCommandID;
    item.flags = flags;
    item.specialFlags = special;
    m_items.push_back(std::move(item));
    return S_OK;
}

void CContextMenu::AppendInOrder(LONG container, int extender, std::vector<const CMenuItem*>* out) const {
    for (const CMenuItem& item : m_items) {
        if (item.insertionPoint != container) continue;
        if (extender >= 0 && !IsShared(container) && item.extender != extender) continue;
        if (!item.IsInsertionPoint()) out->push_back(&item);
        if (item.IsSubmenu() || item.IsInsertionPoint()) AppendInOrder(item.commandId, item.extender, out);
    }
}

std::vector<const CMenuItem*> CContextMenu::InMenuOrder() const {
    std::vector<const CMenuItem*> ordered;
    for (const GroupPoint& point : kGroups)
        AppendInOrder(point.insertionPoint, -1, &ordered);
    return ordered;
}

const CMenuItem* CContextMenu::FindCommand(const std::wstring& name) const {
    for (const CMenuItem* item : InMenuOrder())
        if (!item->IsSubmenu() && (item->ShownName() == name || item->name == name)) return item;
    return nullptr;
}

STDMETHODIMP CContextMenuCallback::AddItem(CONTEXTMENUITEM* pItem) {
    if (!m_menu) return E_UNEXPECTED; // the menu was built already
    return m_menu->Add(m_extender, pItem);
}

} // namespace Console
