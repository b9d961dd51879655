// IConsoleVerb: the snap-in sets the standard verbs of the selection. The console resets them to
// disabled and hidden before it tells the snap-in of a new selection; enabling a verb shows it, and the
// snap-in may hide it again.
#include "objects.h"

#include "view.h"

namespace Console {

const wchar_t* VerbName(MMC_CONSOLE_VERB verb) {
    static const wchar_t* const names[] = {L"open",   L"copy",    L"paste", L"delete", L"properties",
                                           L"rename", L"refresh", L"print", L"cut"};
    return CVerbState::IsVerb(verb) ? names[verb - MMC_VERB_FIRST] : L"none";
}

STDMETHODIMP CVerbObject::GetVerbState(MMC_CONSOLE_VERB eCmdID, MMC_BUTTON_STATE nState, BOOL* pState) {
    if (!pState) return E_POINTER;
    if (!m_view) return E_UNEXPECTED;
    if (!CVerbState::IsVerb(eCmdID)) return E_INVALIDARG;
    const CVerbState::Verb& verb = m_view->Verbs()[eCmdID];
    switch (nState) {
    case ENABLED:
        *pState = verb.enabled;
        break;
    case HIDDEN:
        *pState = verb.hidden;
        break;
    case CHECKED:
        *pState = verb.checked;
        break;
    case INDETERMINATE:
        *pState = verb.indeterminate;
        break;
    case BUTTONPRESSED:
        *pState = verb.pressed;
        break;
    default:
        return E_INVALIDARG;
    }
    return S_OK;
}

STDMETHODIMP CVerbObject::SetVerbState(MMC_CONSOLE_VERB eCmdID, MMC_BUTTON_STATE nState, BOOL bState) {
    if (!m_view) return E_UNEXPECTED;
    if (!CVerbState::IsVerb(eCmdID)) return E_INVALIDARG;
    CVerbState::Verb& verb = m_view->MutableVerbs()[eCmdID];
    bool on = bState != FALSE;
    switch (nState) {
    case ENABLED:
        verb.enabled = on;
        if (on) verb.hidden = false;
        break;
    case HIDDEN:
        verb.hidden = on;
        break;
    case CHECKED:
        verb.checked = on;
        break;
    case INDETERMINATE:
        verb.indeterminate = on;
        break;
    case BUTTONPRESSED:
        verb.pressed = on;
        break;
    default:
        return E_INVALIDARG;
    }
    return S_OK;
}

STDMETHODIMP CVerbObject::SetDefaultVerb(MMC_CONSOLE_VERB eCmdID) {
    if (!m_view) return E_UNEXPECTED;
    if (eCmdID != MMC_VERB_NONE && !CVerbState::IsVerb(eCmdID)) return E_INVALIDARG;
    m_view->MutableVerbs().defaultVerb = eCmdID;
    return S_OK;
}

STDMETHODIMP CVerbObject::GetDefaultVerb(MMC_CONSOLE_VERB* peCmdID) {
    if (!peCmdID) return E_POINTER;
    if (!m_view) return E_UNEXPECTED;
    *peCmdID = m_view->Verbs().defaultVerb;
    return S_OK;
}

} // namespace Console
