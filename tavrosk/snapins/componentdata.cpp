// CComponentDataBase: the console's scope-side requests, each passed to the node that the data object
// or the cookie names. A data object the snap-in did not make, or a cookie that names no live node,
// names no node: the request is answered without one.
#include "snapins/componentdata.h"

#include <cstring>
#include <new>

#include "snapins/basenode.h"
#include "snapins/component.h"
#include "snapins/dataobject.h"
#include "snapins/module.h"

namespace Snapins {

namespace {

constexpr COLORREF kImageMask = 0x00FFFFFF;

// The process-wide buffer through which scope item names reach the console.
WCHAR g_displayName[kDisplayTextBuffer];

} // namespace

STDMETHODIMP CComponentDataBase::Initialize(LPUNKNOWN pUnknown) {
    if (!pUnknown) return E_POINTER;
    m_nameSpace.Reset();
    m_console.Reset();
    // An older console has only the first versions of the namespace and the console.
    HRESULT hr = S_OK;
    m_nameSpace = tvcom::QueryFrom<IConsoleNameSpace>(pUnknown, IID_IConsoleNameSpace2, &hr);
    if (FAILED(hr)) {
        m_nameSpace = tvcom::QueryFrom<IConsoleNameSpace>(pUnknown, IID_IConsoleNameSpace, &hr);
        if (FAILED(hr)) return hr;
        m_console = tvcom::QueryFrom<IConsole>(pUnknown, IID_IConsole, &hr);
    } else {
        m_console = tvcom::QueryFrom<IConsole>(pUnknown, IID_IConsole2, &hr);
    }
    if (FAILED(hr)) return hr;

    tvcom::ComPtr<IImageList> images;
    hr = m_console->QueryScopeImageList(images.Receive());
    if (FAILED(hr)) return hr;
    if (!images) return E_UNEXPECTED;
    return images->ImageListSetStrip(reinterpret_cast<LONG_PTR*>(CBaseNode::SmallImages()),
                                     reinterpret_cast<LONG_PTR*>(CBaseNode::LargeImages()), 0, kImageMask);
}

STDMETHODIMP CComponentDataBase::CreateComponent(LPCOMPONENT* ppComponent) {
    if (!ppComponent) return E_POINTER;
    *ppComponent = nullptr;
    auto component = tvcom::ComPtr<CComponent>::Adopt(new (std::nothrow) CComponent(this));
    if (!component) return E_OUTOFMEMORY;
    return component->QueryInterface(IID_IComponent, reinterpret_cast<void**>(ppComponent));
}

STDMETHODIMP CComponentDataBase::Notify(LPDATAOBJECT lpDataObject, MMC_NOTIFY_TYPE event, LPARAM arg,
                                        LPARAM param) {
    CBaseNode* node = CDataObject::NodeOf(lpDataObject);
    if (!node) {
        // A page's change notice comes without a data object: it belongs to the node of the last sheet.
        if (event == MMCN_PROPERTY_CHANGE && CBaseNode::IsLive(m_sheetNode))
            return m_sheetNode->OnPropertyChange(m_console.Get(), arg, param);
        return S_FALSE;
    }
    switch (event) {
    case MMCN_ADD_IMAGES:
        return node->OnAddImages(reinterpret_cast<IImageList*>(arg), static_cast<HSCOPEITEM>(param));
    case MMCN_DELETE:
        return node->OnDelete(m_console.Get());
    case MMCN_EXPAND: // collapsing is passed on too; the node does not look at which it is
        return node->OnExpand(m_nameSpace.Get(), m_console.Get(), static_cast<HSCOPEITEM>(param));
    case MMCN_RENAME:
        return node->OnRename(reinterpret_cast<LPOLESTR>(param));
    case MMCN_PRINT:
        return node->OnPrint(m_console.Get());
    default:
        return S_FALSE;
    }
}

STDMETHODIMP CComponentDataBase::Destroy() {
    m_nameSpace.Reset();
    m_console.Reset();
    return S_OK;
}

STDMETHODIMP CComponentDataBase::QueryDataObject(MMC_COOKIE cookie, DATA_OBJECT_TYPES type,
                                                 LPDATAOBJECT* ppDataObject) {
    if (!ppDataObject) return E_POINTER;
    *ppDataObject = nullptr;
    CBaseNode* node = cookie == 0 ? m_root : reinterpret_cast<CBaseNode*>(cookie);
    if (!CBaseNode::IsLive(node)) return E_FAIL;
    auto object = tvcom::ComPtr<CDataObject>::Adopt(new (std::nothrow) CDataObject(node, type));
    if (!object) return E_OUTOFMEMORY;
    *ppDataObject = object.Detach();
    return S_OK;
}

STDMETHODIMP CComponentDataBase::GetDisplayInfo(SCOPEDATAITEM* pScopeDataItem) {
    if (!pScopeDataItem) return E_POINTER;
    auto* node = reinterpret_cast<CBaseNode*>(pScopeDataItem->lParam);
    if (!CBaseNode::IsLive(node)) return S_FALSE;
    if (pScopeDataItem->mask & SDI_STR) {
        CopyDisplayText(g_displayName, node->GetDisplayText(0));
        pScopeDataItem->displayname = g_displayName;
    }
    if (pScopeDataItem->mask & SDI_IMAGE) pScopeDataItem->nImage = node->GetImageIndex();
    if (pScopeDataItem->mask & SDI_OPENIMAGE) pScopeDataItem->nOpenImage = node->GetOpenImageIndex();
    return S_FALSE;
}

STDMETHODIMP CComponentDataBase::CompareObjects(LPDATAOBJECT lpDataObjectA, LPDATAOBJECT lpDataObjectB) {
    CBaseNode* a = CDataObject::NodeOf(lpDataObjectA);
    CBaseNode* b = CDataObject::NodeOf(lpDataObjectB);
    if (!a || !b) return S_FALSE;
    return a->GetCookie() == b->GetCookie() ? S_OK : S_FALSE;
}

STDMETHODIMP CComponentDataBase::GetHelpTopic(LPOLESTR* lpCompiledHelpFile) {
    if (!lpCompiledHelpFile) return E_POINTER;
    size_t bytes = (m_helpFile.size() + 1) * sizeof(WCHAR);
    auto* copy = static_cast<LPOLESTR>(CoTaskMemAlloc(bytes));
    *lpCompiledHelpFile = copy;
    if (!copy) return E_OUTOFMEMORY;
    std::memcpy(copy, m_helpFile.c_str(), bytes);
    return S_OK;
}

STDMETHODIMP CComponentDataBase::GetLinkedTopics(LPOLESTR* lpCompiledHelpFiles) {
    if (lpCompiledHelpFiles) *lpCompiledHelpFiles = nullptr;
    return S_FALSE;
}

STDMETHODIMP CComponentDataBase::AddMenuItems(LPDATAOBJECT piDataObject, LPCONTEXTMENUCALLBACK piCallback,
                                              long* pInsertionAllowed) {
    CBaseNode* node = CDataObject::NodeOf(piDataObject);
    if (!node) return S_OK;
    return node->AddMenuItems(piCallback, pInsertionAllowed);
}

STDMETHODIMP CComponentDataBase::Command(long lCommandID, LPDATAOBJECT piDataObject) {
    CBaseNode* node = CDataObject::NodeOf(piDataObject);
    if (!node) return S_OK;
    // The node may start a wizard through this object; the reference keeps it alive meanwhile.
    auto self = tvcom::ComPtr<IComponentData>::Retain(this);
    return node->OnMenuCommand(m_console.Get(), lCommandID, nullptr, self.Get(), piDataObject);
}

STDMETHODIMP CComponentDataBase::CreatePropertyPages(LPPROPERTYSHEETCALLBACK lpProvider, LONG_PTR handle,
                                                     LPDATAOBJECT lpIDataObject) {
    CBaseNode* node = CDataObject::NodeOf(lpIDataObject);
    if (!node) return S_OK;
    m_sheetNode = node;
    return node->CreatePropertyPages(lpProvider, handle);
}

STDMETHODIMP CComponentDataBase::QueryPagesFor(LPDATAOBJECT lpDataObject) {
    CBaseNode* node = CDataObject::NodeOf(lpDataObject);
    if (!node) return S_OK;
    return node->QueryPagesFor();
}

STDMETHODIMP CComponentDataBase::GetWatermarks(LPDATAOBJECT lpIDataObject, HBITMAP* lphWatermark,
                                               HBITMAP* lphHeader, HPALETTE* lphPalette, BOOL* bStretch) {
    CBaseNode* node = CDataObject::NodeOf(lpIDataObject);
    if (!node) return S_OK;
    return node->GetWatermarks(lphWatermark, lphHeader, lphPalette, bStretch);
}

} // namespace Snapins
