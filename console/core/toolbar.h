// A toolbar of a view: the buttons a snap-in put on it through IToolbar and their states, and whether
// it is attached (shown) now. Front ends draw the attached toolbars of a view (CView::Toolbars) and hand
// a person's press back to the view.
#pragma once

#include <string>
#include <vector>

#include "tvcom.h"
#include "mmc.h"

namespace Console {

// A toolbar a snap-in created through its control bar: the buttons and their states.
class CToolbar : public tvcom::Object<IToolbar> {
public:
    struct Button {
        int bitmap = 0;
        int command = 0;
        BYTE state = 0; // TBSTATE_ bits
        BYTE type = 0;  // TBSTYLE_ bits
        std::wstring text;
        std::wstring tooltip;
    };
    explicit CToolbar(IExtendControlbar* owner) : m_owner(tvcom::ComPtr<IExtendControlbar>::Retain(owner)) {}
    void Disconnect() { m_owner.Reset(); }

    const std::vector<Button>& Buttons() const { return m_buttons; }
    int ImageCount() const { return m_images; }
    bool IsAttached() const { return m_attached; }
    void SetAttached(bool attached) { m_attached = attached; }
    IExtendControlbar* Extender() const { return m_owner.Get(); }
    const Button* FindButton(int command) const;

    STDMETHOD(AddBitmap)(int nImages, HBITMAP hbmp, int cxSize, int cySize, COLORREF crMask) override;
    STDMETHOD(AddButtons)(int nButtons, LPMMCBUTTON lpButtons) override;
    STDMETHOD(InsertButton)(int nIndex, LPMMCBUTTON lpButton) override;
    STDMETHOD(DeleteButton)(int nIndex) override;
    STDMETHOD(GetButtonState)(int idCommand, MMC_BUTTON_STATE nState, BOOL* pState) override;
    STDMETHOD(SetButtonState)(int idCommand, MMC_BUTTON_STATE nState, BOOL bState) override;

private:
    tvcom::ComPtr<IExtendControlbar> m_owner;
    std::vector<Button> m_buttons;
    int m_images = 0;
    bool m_attached = false;
};

} // namespace Console
