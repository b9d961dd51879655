// CComponentDataBase: reference counting and the object count. The console's interfaces come with
// the console framework.
#include "componentdata.h"

#include "module.h"

namespace Snapins {

CComponentDataBase::CComponentDataBase() {
    AddObject();
}

CComponentDataBase::~CComponentDataBase() {
    RemoveObject();
}

STDMETHODIMP CComponentDataBase::QueryInterface(REFIID riid, void** ppv) {
    if (!ppv) return E_FAIL;
    *ppv = nullptr;
    if (IsEqualIID(riid, IID_IUnknown)) {
        *ppv = GetUnknown();
        AddRef();
        return S_OK;
    }
    return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) CComponentDataBase::AddRef() {
    return static_cast<ULONG>(InterlockedIncrement(&m_refCount));
}

STDMETHODIMP_(ULONG) CComponentDataBase::Release() {
    LONG count = InterlockedDecrement(&m_refCount);
    if (count == 0) delete this;
    return static_cast<ULONG>(count);
}

} // namespace Snapins
