// CDataObject: the console's clipboard formats, rendered into the global memory the console supplies,
// and the recognition of the snap-in's own data objects. The private format holds the object's address
// (pointer-sized); an address read back from a data object is used only while it names one of the data
// objects that exist now, so another snap-in's object that answers the same format, or a stale one, is
// never taken for ours.
#include "snapins/dataobject.h"

#include <cstring>
#include <mutex>
#include <new>
#include <unordered_set>

#include "snapins/basenode.h"
#include "snapins/classfactory.h"
#include "snapins/module.h"
#include "tvplatform.h"

namespace Snapins {

namespace {

// The private format's name; any snap-in built the same way answers it with its own objects.
const WCHAR kPrivateFormatName[] = L"{2479DB32-5276-11d2-94F5-00C04FB92EC2}";

// Registered when the library loads.
struct Formats {
    UINT displayName = RegisterClipboardFormatW(CCF_DISPLAY_NAME);
    UINT nodeType = RegisterClipboardFormatW(CCF_NODETYPE);
    UINT textNodeType = RegisterClipboardFormatW(CCF_SZNODETYPE);
    UINT snapinClass = RegisterClipboardFormatW(CCF_SNAPIN_CLASSID);
    UINT privateFormat = RegisterClipboardFormatW(kPrivateFormatName);
    UINT objectTypes = RegisterClipboardFormatW(CCF_OBJECT_TYPES_IN_MULTI_SELECT);
};
const Formats g_formats;

std::mutex g_liveLock;
std::unordered_set<const void*>& LiveObjects() {
    static std::unordered_set<const void*> objects;
    return objects;
}

bool IsLiveObject(const void* address) {
    std::lock_guard guard(g_liveLock);
    return LiveObjects().count(address) != 0;
}

HRESULT WriteText(IStream* stream, const std::wstring& text) {
    std::u16string units = tvp::ToUtf16(text);
    return stream->Write(units.c_str(), static_cast<ULONG>((units.size() + 1) * sizeof(char16_t)), nullptr);
}

} // namespace

UINT CDataObject::DisplayNameFormat() {
    return g_formats.displayName;
}
UINT CDataObject::NodeTypeFormat() {
    return g_formats.nodeType;
}
UINT CDataObject::TextNodeTypeFormat() {
    return g_formats.textNodeType;
}
UINT CDataObject::SnapinClassFormat() {
    return g_formats.snapinClass;
}
UINT CDataObject::PrivateFormat() {
    return g_formats.privateFormat;
}
UINT CDataObject::ObjectTypesFormat() {
    return g_formats.objectTypes;
}

// Counted among the module's objects (CSnapinObject): the console may hold a data object longer than any
// component, and the library must stay loaded until the object's last Release has run.
CDataObject::CDataObject(CBaseNode* node, DATA_OBJECT_TYPES type) : m_node(node), m_objectType(type) {
    std::lock_guard guard(g_liveLock);
    LiveObjects().insert(this);
}

CDataObject::~CDataObject() {
    std::lock_guard guard(g_liveLock);
    LiveObjects().erase(this);
}

// Only the node types of a multiple selection come as a new block; every other format is written into
// the caller's block by GetDataHere.
STDMETHODIMP CDataObject::GetData(FORMATETC* pformatetcIn, STGMEDIUM* pmedium) {
    if (!pformatetcIn || !pmedium) return E_POINTER;
    if (pformatetcIn->cfFormat != g_formats.objectTypes) return S_FALSE;
    // A count of one, the node type, and one more GUID's room left zero.
    HGLOBAL block = GlobalAlloc(GMEM_SHARE | GMEM_MOVEABLE, sizeof(SMMCOBJECTTYPES) + sizeof(GUID));
    if (!block) return STG_E_MEDIUMFULL;
    auto* types = static_cast<SMMCOBJECTTYPES*>(GlobalLock(block));
    types->count = 1;
    types->guid[0] = m_nodeType;
    GlobalUnlock(block);
    pmedium->tymed = TYMED_HGLOBAL;
    pmedium->hGlobal = block;
    pmedium->pUnkForRelease = nullptr;
    return S_OK;
}

STDMETHODIMP CDataObject::GetDataHere(FORMATETC* pformatetc, STGMEDIUM* pmedium) {
    if (!pformatetc || !pmedium) return E_POINTER;
    tvcom::ComPtr<IStream> stream;
    HRESULT hr = CreateStreamOnHGlobal(pmedium->hGlobal, FALSE, stream.Receive());
    if (FAILED(hr)) return hr;
    return WriteContent(pformatetc->cfFormat, stream.Get());
}

HRESULT CDataObject::WriteContent(CLIPFORMAT format, IStream* stream) {
    if (format == g_formats.privateFormat) {
        const CDataObject* self = this;
        return stream->Write(&self, sizeof(self), nullptr);
    }
    if (format == g_formats.snapinClass) return stream->Write(&CLSID_Snapin, sizeof(CLSID), nullptr);
    if (format != g_formats.displayName && format != g_formats.nodeType && format != g_formats.textNodeType)
        return DV_E_FORMATETC;

    // These name a single node: a multiple selection has none, and a deleted node has no text or type.
    CBaseNode* node = Node();
    if (!node) return DV_E_FORMATETC;
    if (format == g_formats.displayName) return WriteText(stream, node->GetDisplayText(0));
    const GUID* nodeType = node->GetNodeType();
    if (format == g_formats.nodeType) return stream->Write(nodeType, sizeof(GUID), nullptr);
    WCHAR text[40] = {};
    StringFromGUID2(*nodeType, text, ARRAYSIZE(text));
    return WriteText(stream, text);
}

STDMETHODIMP CDataObject::QueryGetData(FORMATETC*) {
    return E_NOTIMPL;
}

STDMETHODIMP CDataObject::GetCanonicalFormatEtc(FORMATETC*, FORMATETC*) {
    return E_NOTIMPL;
}

STDMETHODIMP CDataObject::SetData(FORMATETC*, STGMEDIUM*, BOOL) {
    return E_NOTIMPL;
}

STDMETHODIMP CDataObject::EnumFormatEtc(DWORD, IEnumFORMATETC**) {
    return E_NOTIMPL;
}

STDMETHODIMP CDataObject::DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) {
    return E_NOTIMPL;
}

STDMETHODIMP CDataObject::DUnadvise(DWORD) {
    return E_NOTIMPL;
}

STDMETHODIMP CDataObject::EnumDAdvise(IEnumSTATDATA**) {
    return E_NOTIMPL;
}

CBaseNode* CDataObject::Node() const {
    return !IsMultiSelect() && CBaseNode::IsLive(m_node) ? m_node : nullptr;
}

void CDataObject::Append(CBaseNode* node) {
    if (!m_items) m_items = std::make_unique<std::vector<CBaseNode*>>();
    m_items->push_back(node);
}

CBaseNode* CDataObject::GetItem(size_t i) const {
    if (!m_items || i >= m_items->size()) return nullptr;
    CBaseNode* node = (*m_items)[i];
    return CBaseNode::IsLive(node) ? node : nullptr;
}

size_t CDataObject::GetItemCount() const {
    return m_items ? m_items->size() : 0;
}

CDataObject* CDataObject::FromDataObject(IDataObject* dataObject) {
    if (IS_SPECIAL_DATAOBJECT(dataObject)) return nullptr;
    HGLOBAL block = GlobalAlloc(GMEM_SHARE | GMEM_MOVEABLE, sizeof(CDataObject*));
    if (!block) return nullptr;
    FORMATETC format{static_cast<CLIPFORMAT>(g_formats.privateFormat), nullptr, DVASPECT_CONTENT, -1,
                     TYMED_HGLOBAL};
    STGMEDIUM medium{};
    medium.tymed = TYMED_HGLOBAL;
    medium.hGlobal = block;
    CDataObject* found = nullptr;
    if (SUCCEEDED(dataObject->GetDataHere(&format, &medium)) && GlobalSize(block) >= sizeof(found)) {
        std::memcpy(&found, GlobalLock(block), sizeof(found));
        GlobalUnlock(block);
    }
    GlobalFree(block);
    return found && IsLiveObject(found) ? found : nullptr;
}

CBaseNode* CDataObject::NodeOf(IDataObject* dataObject) {
    CDataObject* object = FromDataObject(dataObject);
    return object ? object->Node() : nullptr;
}

} // namespace Snapins
