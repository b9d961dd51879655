// The console's node manager as far as a wizard needs it, for the tests of the snap-in's wizards: it
// asks the node for its pages and shows them as a modal Wizard97 sheet. Registered under
// CLSID_NodeManager with CoRegisterClassObject, it is what the node's RunWizard finds.
#pragma once

#include <vector>

#include "snapins/basenode.h"
#include "snapins/module.h"
#include "commctrl.h"
#include "fake_console.h"

namespace wizardtest {

// The running wizard's window, for the tests' posted steps.
inline HWND g_sheet = nullptr;

inline int CALLBACK RememberSheet(HWND sheet, UINT message, LPARAM) {
    if (message == PSCB_INITIALIZED) g_sheet = sheet;
    return 0;
}

class SheetCallback : public fake::Unknown<IPropertySheetCallback> {
public:
    std::vector<HPROPSHEETPAGE> pages;
    STDMETHODIMP QueryInterface(REFIID, void** ppv) override { return *ppv = nullptr, E_NOINTERFACE; }
    STDMETHODIMP AddPage(HPROPSHEETPAGE page) override { return pages.push_back(page), S_OK; }
    STDMETHODIMP RemovePage(HPROPSHEETPAGE) override { return S_OK; }
};

// What every fake node manager shares: its own class factory, and a sheet that is never open. Each test
// says what AddPrimaryPages and Show do.
class NodeManager : public fake::Unknown<IPropertySheetProvider, IClassFactory> {
public:
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        *ppv = nullptr;
        if (IsEqualIID(riid, IID_IPropertySheetProvider))
            *ppv = static_cast<IPropertySheetProvider*>(this);
        else if (IsEqualIID(riid, IID_IClassFactory) || IsEqualIID(riid, IID_IUnknown))
            *ppv = static_cast<IClassFactory*>(this);
        else
            return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    STDMETHODIMP CreateInstance(IUnknown*, REFIID riid, void** ppv) override {
        return QueryInterface(riid, ppv);
    }
    STDMETHODIMP LockServer(BOOL) override { return S_OK; }
    STDMETHODIMP CreatePropertySheet(LPCWSTR, boolean, MMC_COOKIE, LPDATAOBJECT, DWORD) override {
        return S_OK;
    }
    STDMETHODIMP FindPropertySheet(HSCOPEITEM, LPCOMPONENT, LPDATAOBJECT) override { return S_FALSE; }
    STDMETHODIMP AddExtensionPages() override { return S_OK; }
};

// Shows the node's wizard pages as a modal Wizard97 sheet.
class Provider : public NodeManager {
public:
    Snapins::CBaseNode* node = nullptr;
    SheetCallback callback;
    INT_PTR outcome = -1; // what PropertySheetW returned
    STDMETHODIMP AddPrimaryPages(LPUNKNOWN, BOOL, HWND, BOOL) override {
        callback.pages.clear();
        if (node->QueryPagesFor() != S_OK) return S_FALSE;
        return node->CreatePropertyPages(&callback, 0);
    }
    STDMETHODIMP Show(LONG_PTR, int) override {
        PROPSHEETHEADERW header{};
        header.dwSize = sizeof header;
        header.dwFlags = PSH_WIZARD97 | PSH_USECALLBACK;
        header.hInstance = GetModuleHandleW(nullptr);
        header.nPages = static_cast<UINT>(callback.pages.size());
        header.phpage = callback.pages.data();
        header.pfnCallback = RememberSheet;
        outcome = PropertySheetW(&header);
        return S_OK;
    }
};

// Pumps this thread's messages until every wizard worker has ended and been joined, as the console does
// before it unloads the snap-in.
inline void WaitForWorkers() {
    while (Snapins::RunningWorkers() > 0) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        Sleep(5);
    }
    Snapins::JoinEndedWorkers();
}

} // namespace wizardtest
