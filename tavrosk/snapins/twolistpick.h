// CTwoListPickPage, a wizard page on which the user picks items by moving them from a source list view
// to a picked list view and back with four buttons. The derived page fills in the list and button
// handles from its template and fills the source list; this base moves items, keeps the buttons
// enabled as the lists allow, and lets the wizard go on only while something is picked (unless an empty
// pick is allowed).
#pragma once

#include "snapins/proppage.h"

namespace Snapins {

// The four buttons of the page's templates, by control id.
constexpr WORD kPickSelectedButton = 1023;
constexpr WORD kPickAllButton = 1025;
constexpr WORD kReturnSelectedButton = 1026;
constexpr WORD kReturnAllButton = 1029;

class CTwoListPickPage : public CBasePropPage {
public:
    using CBasePropPage::CBasePropPage;

    INT_PTR OnSetActive(NMHDR* header) override;
    INT_PTR OnCommand(WORD code, WORD id, HWND control) override;
    INT_PTR OnNotify(WPARAM wParam, NMHDR* header) override;
    INT_PTR OnDestroy() override;

protected:
    // Moves the items of `from` (only the selected ones when selectedOnly) to `to`, with their text and
    // image, then updates the buttons.
    void MoveItems(HWND from, HWND to, bool selectedOnly);
    // Enables each button when it has something to move, and tells the sheet whether Next is allowed.
    void UpdateButtons();
    // Gives both lists the images of a strip of 16 x 16 images (the nodes' small strip, say); the page
    // keeps the image list until its window is destroyed.
    void SetListImages(HBITMAP strip);

    HWND m_sourceList = nullptr;
    HWND m_pickedList = nullptr;
    HWND m_pickSelected = nullptr;
    HWND m_pickAll = nullptr;
    HWND m_returnSelected = nullptr;
    HWND m_returnAll = nullptr;
    bool m_allowEmptyPick = false;

private:
    HIMAGELIST m_listImages = nullptr; // released with the page's window
};

} // namespace Snapins
