// IControlbar and IToolbar: a snap-in creates toolbars on its view's control bar, fills them with buttons
// and attaches them while its items are selected. The console keeps the buttons and their states; a
// button a person presses goes back to the snap-in's IExtendControlbar::ControlbarNotify.
#include "objects.h"

namespace Console {

namespace {

BYTE StateBit(MMC_BUTTON_STATE state) {
    switch (state) {
    case ENABLED:
        return TBSTATE_ENABLED;
    case CHECKED:
        return TBSTATE_CHECKED;
    case HIDDEN:
        return TBSTATE_HIDDEN;
    case INDETERMINATE:
        return TBSTATE_INDETERMINATE;
    case BUTTONPRESSED:
        return TBSTATE_PRESSED;
    }
    return 0;
}

CToolbar::Button Copy(const MMCBUTTON& button) {
    CToolbar::Button copy;
    copy.bitmap = button.nBitmap;
    copy.command = button.idCommand;
    copy.state = button.fsState;
    copy.type = button.fsType;
    if (button.lpButtonText) copy.text = button.lpButtonText;
    if (button.lpTooltipText) copy.tooltip = button.lpTooltipText;
    return copy;
}

} // namespace

const CToolbar::Button* CToolbar::FindButton(int command) const {
    for (const Button& button : m_buttons)
        if (button.command == command && !(button.type & TBSTYLE_SEP)) return &button;
    return nullptr;
}

// Toolbar images are 16 by 16 pixels.
STDMETHODIMP CToolbar::AddBitmap(int nImages, HBITMAP hbmp, int cxSize, int cySize, COLORREF) {
    if (nImages <= 0 || !hbmp || cxSize != 16 || cySize != 16) return E_INVALIDARG;
    m_images += nImages;
    return S_OK;
}

STDMETHODIMP CToolbar::AddButtons(int nButtons, LPMMCBUTTON lpButtons) {
    if (nButtons <= 0 || !lpButtons) return E_INVALIDARG;
    for (int i = 0; i < nButtons; ++i)
        m_buttons.push_back(Copy(lpButtons[i]));
    return S_OK;
}

STDMETHODIMP CToolbar::InsertButton(int nIndex, LPMMCBUTTON lpButton) {
    auto& buttons = m_buttons;
    if (!lpButton || nIndex < 0 || nIndex > static_cast<int>(buttons.size())) return E_INVALIDARG;
    buttons.insert(buttons.begin() + nIndex, Copy(*lpButton));
    return S_OK;
}

STDMETHODIMP CToolbar::DeleteButton(int nIndex) {
    auto& buttons = m_buttons;
    if (nIndex < 0 || nIndex >= static_cast<int>(buttons.size())) return E_INVALIDARG;
    buttons.erase(buttons.begin() + nIndex);
    return S_OK;
}

STDMETHODIMP CToolbar::GetButtonState(int idCommand, MMC_BUTTON_STATE nState, BOOL* pState) {
    if (!pState) return E_POINTER;
    BYTE bit = StateBit(nState);
    const CToolbar::Button* button = FindButton(idCommand);
    if (!button || !bit) return E_INVALIDARG;
    *pState = (button->state & bit) != 0;
    return S_OK;
}

STDMETHODIMP CToolbar::SetButtonState(int idCommand, MMC_BUTTON_STATE nState, BOOL bState) {
    BYTE bit = StateBit(nState);
    if (!bit) return E_INVALIDARG;
    bool found = false;
    for (CToolbar::Button& button : m_buttons) {
        if (button.command != idCommand || (button.type & TBSTYLE_SEP)) continue;
        button.state = bState ? (button.state | bit) : (button.state & ~bit);
        found = true;
    }
    return found ? S_OK : E_INVALIDARG;
}

// The control bar -----------------------------------------------------------------------------------------

void CControlbar::Disconnect() {
    m_view = nullptr;
    for (const auto& toolbar : m_toolbars) {
        toolbar->SetAttached(false);
        toolbar->Disconnect();
    }
}

CToolbar* CControlbar::Toolbar(IUnknown* unknown) const {
    if (!unknown) return nullptr;
    auto identity = tvcom::QueryFrom<IUnknown>(unknown);
    for (const auto& toolbar : m_toolbars)
        if (static_cast<IUnknown*>(toolbar.Get()) == identity.Get()) return toolbar.Get();
    return nullptr;
}

STDMETHODIMP CControlbar::Create(MMC_CONTROL_TYPE nType, LPEXTENDCONTROLBAR pExtendControlbar,
                                 LPUNKNOWN* ppUnknown) {
    if (!ppUnknown) return E_POINTER;
    *ppUnknown = nullptr;
    if (!m_view) return E_UNEXPECTED;
    if (!pExtendControlbar) return E_INVALIDARG;
    if (nType != TOOLBAR) return E_NOTIMPL; // the console offers toolbars, not menu buttons
    m_toolbars.push_back(tvcom::Make<CToolbar>(pExtendControlbar));
    return m_toolbars.back()->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(ppUnknown));
}

STDMETHODIMP CControlbar::Attach(MMC_CONTROL_TYPE nType, LPUNKNOWN lpUnknown) {
    if (!m_view) return E_UNEXPECTED;
    CToolbar* toolbar = Toolbar(lpUnknown);
    if (nType != TOOLBAR || !toolbar) return E_INVALIDARG;
    toolbar->SetAttached(true);
    return S_OK;
}

STDMETHODIMP CControlbar::Detach(LPUNKNOWN lpUnknown) {
    if (!m_view) return E_UNEXPECTED;
    CToolbar* toolbar = Toolbar(lpUnknown);
    if (!toolbar) return E_INVALIDARG;
    toolbar->SetAttached(false);
    return S_OK;
}

} // namespace Console
