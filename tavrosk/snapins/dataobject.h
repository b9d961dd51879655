// CDataObject, what the snap-in hands the console to name an item: one node, or the result items of a
// multiple selection. It renders the console's clipboard formats (display name, node type as a GUID and
// as text, snap-in class, the node types of a multiple selection) and one private format that holds its
// own address, by which the snap-in recognises its data objects among those the console gives back.
#pragma once

#include <memory>
#include <vector>

#include "mmc.h"
#include "snapins/snapinobject.h"

namespace Snapins {

class CBaseNode;

class CDataObject : public CSnapinObject<IDataObject> {
public:
    // node: the node the object names, or MultiSelect() for a multiple selection. type: the console's
    // data object type (CCT_SCOPE, CCT_RESULT, ...), kept as given. The creator holds the first reference.
    CDataObject(CBaseNode* node, DATA_OBJECT_TYPES type);

    STDMETHOD(GetData)(FORMATETC* pformatetcIn, STGMEDIUM* pmedium) override;
    STDMETHOD(GetDataHere)(FORMATETC* pformatetc, STGMEDIUM* pmedium) override;
    STDMETHOD(QueryGetData)(FORMATETC* pformatetc) override;
    STDMETHOD(GetCanonicalFormatEtc)(FORMATETC* pformatectIn, FORMATETC* pformatetcOut) override;
    STDMETHOD(SetData)(FORMATETC* pformatetc, STGMEDIUM* pmedium, BOOL fRelease) override;
    STDMETHOD(EnumFormatEtc)(DWORD dwDirection, IEnumFORMATETC** ppenumFormatEtc) override;
    STDMETHOD(DAdvise)
    (FORMATETC* pformatetc, DWORD advf, IAdviseSink* pAdvSink, DWORD* pdwConnection) override;
    STDMETHOD(DUnadvise)(DWORD dwConnection) override;
    STDMETHOD(EnumDAdvise)(IEnumSTATDATA** ppenumAdvise) override;

    // The marker that stands in the node's place for a multiple selection.
    static CBaseNode* MultiSelect() { return reinterpret_cast<CBaseNode*>(static_cast<LONG_PTR>(-2)); }

    // The snap-in's own data object behind a data object the console hands in; null for a special value
    // (-10 to 0), a data object of another snap-in, or one that no longer exists.
    static CDataObject* FromDataObject(IDataObject* dataObject);
    // The single node that a data object names, when it is one of ours and the node still exists.
    static CBaseNode* NodeOf(IDataObject* dataObject);

    bool IsMultiSelect() const { return m_node == MultiSelect(); }
    // The node named, when it still exists; null for a multiple selection or a deleted node.
    CBaseNode* Node() const;
    DATA_OBJECT_TYPES ObjectType() const { return m_objectType; }
    void SetNodeType(const GUID& nodeType) { m_nodeType = nodeType; }
    const GUID& NodeType() const { return m_nodeType; }

    // The selected nodes of a multiple selection, in selection order.
    void Append(CBaseNode* node);
    // Null when i is not below the number of items, or the item no longer exists.
    CBaseNode* GetItem(size_t i) const;
    size_t GetItemCount() const;

    // The registered clipboard formats.
    static UINT DisplayNameFormat();
    static UINT NodeTypeFormat();
    static UINT TextNodeTypeFormat();
    static UINT SnapinClassFormat();
    static UINT PrivateFormat();
    static UINT ObjectTypesFormat();

protected:
    ~CDataObject() override;

private:
    HRESULT WriteContent(CLIPFORMAT format, IStream* stream);

    CBaseNode* m_node;
    DATA_OBJECT_TYPES m_objectType;
    GUID m_nodeType{};
    std::unique_ptr<std::vector<CBaseNode*>> m_items;
};

} // namespace Snapins
