// CComponent, the snap-in's result side: one per console view, made by the component data. It answers
// the view's requests (which result view to show, the text and image of each list item, data objects
// for single and multiple selections, sorting, context menus, property sheets, the toolbar) and every
// result-pane notification, each by passing it to the node concerned; it keeps no node state of its own
// beyond the node whose result view it shows.
#pragma once

#include "mmc.h"
#include "snapins/componentdata.h"
#include "snapins/snapinobject.h"

namespace Snapins {

class CBaseNode;

class CComponent : public CSnapinObject<IComponent, IExtendContextMenu, IExtendPropertySheet2,
                                        IResultOwnerData, IExtendControlbar, IResultDataCompareEx> {
public:
    explicit CComponent(CComponentDataBase* componentData);

    // IComponent
    STDMETHOD(Initialize)(LPCONSOLE lpConsole) override;
    STDMETHOD(Notify)(LPDATAOBJECT lpDataObject, MMC_NOTIFY_TYPE event, LPARAM arg, LPARAM param) override;
    STDMETHOD(Destroy)(MMC_COOKIE cookie) override;
    STDMETHOD(QueryDataObject)
    (MMC_COOKIE cookie, DATA_OBJECT_TYPES type, LPDATAOBJECT* ppDataObject) override;
    STDMETHOD(GetResultViewType)(MMC_COOKIE cookie, LPOLESTR* ppViewType, long* pViewOptions) override;
    STDMETHOD(GetDisplayInfo)(RESULTDATAITEM* pResultDataItem) override;
    STDMETHOD(CompareObjects)(LPDATAOBJECT lpDataObjectA, LPDATAOBJECT lpDataObjectB) override;
    // IResultOwnerData
    STDMETHOD(FindItem)(LPRESULTFINDINFO pFindInfo, int* pnFoundIndex) override;
    STDMETHOD(CacheHint)(int nStartIndex, int nEndIndex) override;
    STDMETHOD(SortItems)(int nColumn, DWORD dwSortOptions, LPARAM lUserParam) override;
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
    // IExtendControlbar
    STDMETHOD(SetControlbar)(LPCONTROLBAR pControlbar) override;
    STDMETHOD(ControlbarNotify)(MMC_NOTIFY_TYPE event, LPARAM arg, LPARAM param) override;
    // IResultDataCompareEx
    STDMETHOD(Compare)(RDCOMPARE* prdc, int* pnResult) override;

    // The node whose result view this view shows, while it exists.
    CBaseNode* CurrentNode() const;
    // The node last shown in any view's result pane, while it exists.
    static CBaseNode* ShownNode();

private:
    HRESULT OnPaste(CBaseNode* target, LPDATAOBJECT pasted, LPARAM param);
    HRESULT OnFilterChange(CBaseNode* node, LPARAM code, LPARAM column);

    tvcom::ComPtr<CComponentDataBase> m_componentData; // held for the component's life
    CBaseNode* m_currentNode = nullptr;
    tvcom::ComPtr<IConsole> m_console;
    tvcom::ComPtr<IDisplayHelp> m_displayHelp;
    tvcom::ComPtr<IControlbar> m_controlbar;
    tvcom::ComPtr<IToolbar> m_toolbar;
};

} // namespace Snapins
