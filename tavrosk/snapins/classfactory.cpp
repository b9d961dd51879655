// CClassFactory: makes the snap-in or a CSnapinAbout, and keeps the lock count.
#include "snapins/classfactory.h"

#include <new>

#include "snapins/about.h"
#include "snapins/module.h"

namespace Snapins {

STDMETHODIMP CClassFactory::CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppv) {
    if (!ppv) return E_FAIL;
    *ppv = nullptr;
    if (pUnkOuter) return CLASS_E_NOAGGREGATION;

    tvcom::ComPtr<IUnknown> object;
    if (m_kind == COMPONENT)
        object = CreateSnapin();
    else
        object = tvcom::ComPtr<IUnknown>::Adopt(new (std::nothrow) CSnapinAbout());
    if (!object) return E_OUTOFMEMORY;
    // The new object lives as long as the caller's reference; a refused interface deletes it.
    return object->QueryInterface(riid, ppv);
}

STDMETHODIMP CClassFactory::LockServer(BOOL fLock) {
    LockModule(fLock != FALSE);
    return S_OK;
}

} // namespace Snapins
