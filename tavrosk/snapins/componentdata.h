// CComponentDataBase, the snap-in's scope-side object: the object the console creates through the class
// factory and keeps for the life of the snap-in in a console document. It holds the console's
// interfaces, owns the root node, answers the scope pane's requests (display information, data
// objects, expansion, images), makes one CComponent per view, and hands context menus, property sheets
// and help to the node concerned.
#pragma once

#include <string>

#include "mmc.h"
#include "snapins/snapinobject.h"

namespace Snapins {

class CBaseNode;

class CComponentDataBase
    : public CSnapinObject<IComponentData, ISnapinHelp2, IExtendContextMenu, IExtendPropertySheet2> {
public:
    // IComponentData
    STDMETHOD(Initialize)(LPUNKNOWN pUnknown) override;
    STDMETHOD(CreateComponent)(LPCOMPONENT* ppComponent) override;
    STDMETHOD(Notify)(LPDATAOBJECT lpDataObject, MMC_NOTIFY_TYPE event, LPARAM arg, LPARAM param) override;
    STDMETHOD(Destroy)() override;
    STDMETHOD(QueryDataObject)
    (MMC_COOKIE cookie, DATA_OBJECT_TYPES type, LPDATAOBJECT* ppDataObject) override;
    STDMETHOD(GetDisplayInfo)(SCOPEDATAITEM* pScopeDataItem) override;
    STDMETHOD(CompareObjects)(LPDATAOBJECT lpDataObjectA, LPDATAOBJECT lpDataObjectB) override;
    // ISnapinHelp2
    STDMETHOD(GetHelpTopic)(LPOLESTR* lpCompiledHelpFile) override;
    STDMETHOD(GetLinkedTopics)(LPOLESTR* lpCompiledHelpFiles) override;
    // IExtendContextMenu
    STDMETHOD(AddMenuItems)
    (LPDATAOBJECT piDataObject, LPCONTEXTMENUCALLBACK piCallback, long* pInsertionAllowed) override;
    STDMETHOD(Command)(long lCommandID, LPDATAOBJECT piDataObject) override;
    // IExtendPropertySheet2
    STDMETHOD(CreatePropertyPages)
    (LPPROPERTYSHEETCALLBACK lpProvider, LONG_PTR handle, LPDATAOBJECT lpIDataObject) override;
    STDMETHOD(QueryPagesFor)(LPDATAOBJECT lpDataObject) override;
    STDMETHOD(GetWatermarks)
    (LPDATAOBJECT lpIDataObject, HBITMAP* lphWatermark, HBITMAP* lphHeader, HPALETTE* lphPalette,
     BOOL* bStretch) override;

    CBaseNode* Root() const { return m_root; }
    const std::wstring& HelpFile() const { return m_helpFile; }

protected:
    tvcom::ComPtr<IConsole> m_console;            // IConsole2 when the console has it
    tvcom::ComPtr<IConsoleNameSpace> m_nameSpace; // IConsoleNameSpace2 when the console has it
    CBaseNode* m_root = nullptr;                  // owned; the derived class makes and deletes it
    std::wstring m_helpFile;
    CBaseNode* m_sheetNode = nullptr; // the node whose pages were made last
};

} // namespace Snapins
