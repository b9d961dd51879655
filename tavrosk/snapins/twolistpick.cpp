// CTwoListPickPage: items move from the last index down, so deleting one never shifts an item still to
// be looked at. The list views of the templates sort by text, so an item lands in order whatever index
// it is inserted at. The image list functions come from the common controls library, loaded at run
// time like the rest of it.
#include "snapins/twolistpick.h"

namespace Snapins {

namespace {

constexpr int kItemTextCharacters = 100;
constexpr COLORREF kImageMask = 0x00FFFFFF;

struct ImageListEntries {
    decltype(&ImageList_Create) create = nullptr;
    decltype(&ImageList_AddMasked) addMasked = nullptr;
    decltype(&ImageList_Destroy) destroy = nullptr;
};

const ImageListEntries& ImageLists() {
    static const ImageListEntries entries = [] {
        ImageListEntries e;
        if (HMODULE library = LoadLibraryW(L"comctl32.dll")) {
            e.create = reinterpret_cast<decltype(e.create)>(GetProcAddress(library, "ImageList_Create"));
            e.addMasked =
                reinterpret_cast<decltype(e.addMasked)>(GetProcAddress(library, "ImageList_AddMasked"));
            e.destroy = reinterpret_cast<decltype(e.destroy)>(GetProcAddress(library, "ImageList_Destroy"));
        }
        return e;
    }();
    return entries;
}

LRESULT ItemCount(HWND list) {
    return SendMessageW(list, LVM_GETITEMCOUNT, 0, 0);
}

LRESULT SelectedCount(HWND list) {
    return SendMessageW(list, LVM_GETSELECTEDCOUNT, 0, 0);
}

} // namespace

INT_PTR CTwoListPickPage::OnSetActive(NMHDR* header) {
    INT_PTR result = CBasePropPage::OnSetActive(header);
    UpdateButtons();
    return result;
}

INT_PTR CTwoListPickPage::OnCommand(WORD code, WORD id, HWND control) {
    if (code == BN_CLICKED) {
        switch (id) {
        case kPickSelectedButton:
            MoveItems(m_sourceList, m_pickedList, true);
            break;
        case kPickAllButton:
            MoveItems(m_sourceList, m_pickedList, false);
            break;
        case kReturnSelectedButton:
            MoveItems(m_pickedList, m_sourceList, true);
            break;
        case kReturnAllButton:
            MoveItems(m_pickedList, m_sourceList, false);
            break;
        }
    }
    return CBasePropPage::OnCommand(code, id, control);
}

INT_PTR CTwoListPickPage::OnNotify(WPARAM wParam, NMHDR* header) {
    // After the change, when the lists' selections are what the buttons must follow.
    if (header->code == LVN_ITEMCHANGED) {
        UpdateButtons();
        return TRUE;
    }
    return CBasePropPage::OnNotify(wParam, header);
}

INT_PTR CTwoListPickPage::OnDestroy() {
    if (m_listImages && ImageLists().destroy) ImageLists().destroy(m_listImages);
    m_listImages = nullptr;
    return 0;
}

void CTwoListPickPage::MoveItems(HWND from, HWND to, bool selectedOnly) {
    if (selectedOnly && SelectedCount(from) == 0) return;
    for (int i = static_cast<int>(ItemCount(from)) - 1; i >= 0; --i) {
        if (selectedOnly && !(SendMessageW(from, LVM_GETITEMSTATE, i, LVIS_SELECTED) & LVIS_SELECTED))
            continue;
        WCHAR text[kItemTextCharacters + 1] = {};
        LVITEMW item{};
        item.mask = LVIF_TEXT | LVIF_IMAGE;
        item.iItem = i;
        item.pszText = text;
        item.cchTextMax = kItemTextCharacters + 1;
        SendMessageW(from, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
        LVITEMW moved{};
        moved.mask = LVIF_TEXT | LVIF_IMAGE;
        moved.iItem = i;
        moved.pszText = text;
        moved.iImage = item.iImage;
        SendMessageW(to, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&moved));
        SendMessageW(from, LVM_DELETEITEM, i, 0);
    }
    UpdateButtons();
}

void CTwoListPickPage::UpdateButtons() {
    EnableWindow(m_pickSelected, SelectedCount(m_sourceList) > 0);
    EnableWindow(m_returnSelected, SelectedCount(m_pickedList) > 0);
    EnableWindow(m_pickAll, ItemCount(m_sourceList) > 0);
    EnableWindow(m_returnAll, ItemCount(m_pickedList) > 0);
    bool next = ItemCount(m_pickedList) > 0 || m_allowEmptyPick;
    // Posted: the page may be handling the sheet's own PSN_SETACTIVE.
    PostMessageW(m_sheetWindow, PSM_SETWIZBUTTONS, 0, next ? PSWIZB_BACK | PSWIZB_NEXT : PSWIZB_BACK);
}

void CTwoListPickPage::SetListImages(HBITMAP strip) {
    const ImageListEntries& entries = ImageLists();
    if (!entries.create || !entries.addMasked || m_listImages) return;
    m_listImages = entries.create(16, 16, ILC_COLOR24 | ILC_MASK, 16, 4);
    if (!m_listImages) return;
    entries.addMasked(m_listImages, strip, kImageMask);
    SendMessageW(m_sourceList, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(m_listImages));
    SendMessageW(m_pickedList, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(m_listImages));
}

} // namespace Snapins
