// The console's property sheets and wizards. A snap-in (or the console itself, for the Properties verb)
// builds a sheet through a node manager, the object of class CLSID_NodeManager that the console
// registers while it runs: CreatePropertySheet, AddPrimaryPages (the snap-in's CreatePropertyPages adds
// its pages through the node manager's IPropertySheetCallback), AddExtensionPages, Show. A wizard runs
// modally inside Show; a property sheet stays open, modeless, and the console keeps it until a person
// closes it, then destroys it and its pages. The console also routes the pages' MMCPropertyChangeNotify
// to the snap-in, on the console's thread.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "tvcom.h"
#include "mmc.h"

namespace Console {

class CConsole;
class CNodeManager;
class CNodeManagerFactory;

// A modeless property sheet the console keeps open.
struct COpenSheet {
    HWND window = nullptr;
    tvcom::ComPtr<IUnknown> primary; // the IComponent or IComponentData whose pages it shows
    tvcom::ComPtr<IDataObject> data;
};

class CPropertySheets {
public:
    explicit CPropertySheets(CConsole& console);
    ~CPropertySheets();
    CPropertySheets(const CPropertySheets&) = delete;
    CPropertySheets& operator=(const CPropertySheets&) = delete;

    // Destroys the open sheets (their pages and the snap-in's page objects go with them), forgets the
    // notify handles and withdraws the node manager class. Snap-ins are still loaded when this runs.
    void Close();

    // The modeless property sheets still open, back to front.
    std::vector<HWND> OpenSheets() const;
    // The innermost wizard running modally, or null.
    HWND ModalSheet() const { return m_modal.empty() ? nullptr : m_modal.back(); }

    // The Properties verb on an item: brings its open sheet forward, or asks the snap-in for pages and
    // opens one. `primary` is the IComponentData for a scope item, the view's IComponent for a result
    // item (then also `component`). S_FALSE when the snap-in has no pages for the item.
    HRESULT ShowProperties(IUnknown* primary, IComponent* component, IDataObject* data, HSCOPEITEM item,
                           MMC_COOKIE cookie, const std::wstring& name);

    // Used by node managers ---------------------------------------------------------------------------

    bool Live() const { return !m_closed; }
    CConsole& Owner() { return m_console; }
    // The hidden window that owns the modeless sheets and receives the pages' change notifications.
    HWND Window() const { return m_window; }
    // A notify handle whose changes reach `component` (else `componentData`) as MMCN_PROPERTY_CHANGE.
    LONG_PTR CreateNotifyHandle(IComponent* component, IComponentData* componentData, bool scopePane);
    void AddSheet(COpenSheet sheet);
    // The open sheet of the item the data object names, brought to the front: S_OK, else S_FALSE.
    HRESULT FindSheet(IComponent* component, IDataObject* data);
    void PushModal(HWND sheet) { m_modal.push_back(sheet); }
    void PopModal(HWND sheet);
    void Attach(CNodeManager* manager) { m_managers.push_back(manager); }
    void Detach(CNodeManager* manager);

private:
    struct CTarget {
        tvcom::ComPtr<IComponent> component;
        tvcom::ComPtr<IComponentData> componentData;
        bool scopePane = false;
    };
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK SheetProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void DestroyClosedSheets();
    void Deliver(LONG_PTR handle, LPARAM param);

    CConsole& m_console;
    HWND m_window = nullptr;
    tvcom::ComPtr<CNodeManagerFactory> m_factory;
    DWORD m_registration = 0;
    bool m_closed = false;
    std::vector<COpenSheet> m_sheets; // back to front
    std::vector<HWND> m_modal;        // outer to inner
    std::map<LONG_PTR, CTarget> m_handles;
    std::vector<CNodeManager*> m_managers;
};

} // namespace Console
