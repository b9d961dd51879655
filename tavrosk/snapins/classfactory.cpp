// CClassFactory: makes a CMyBase (the snap-in) or a CSnapinAbout, and keeps the lock count.
#include "snapins/classfactory.h"

#include <new>

#include "msde/mybase.h"
#include "snapins/about.h"
#include "snapins/module.h"

namespace Snapins {

CClassFactory::CClassFactory(FACTORY_TYPE kind) : m_kind(kind) {
    AddObject();
}

CClassFactory::~CClassFactory() {
    RemoveObject();
}

STDMETHODIMP CClassFactory::QueryInterface(REFIID riid, void** ppv) {
    if (!ppv) return E_FAIL;
    *ppv = nullptr;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IClassFactory)) {
        *ppv = static_cast<IClassFactory*>(this);
        AddRef();
        return S_OK;
    }
    return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) CClassFactory::AddRef() {
    return static_cast<ULONG>(InterlockedIncrement(&m_refCount));
}

STDMETHODIMP_(ULONG) CClassFactory::Release() {
    LONG count = InterlockedDecrement(&m_refCount);
    if (count == 0) delete this;
    return static_cast<ULONG>(count);
}

STDMETHODIMP CClassFactory::CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppv) {
    if (!ppv) return E_FAIL;
    *ppv = nullptr;
    if (pUnkOuter) return CLASS_E_NOAGGREGATION;

    IUnknown* object = nullptr;
    if (m_kind == COMPONENT) {
        if (auto* snapin = new (std::nothrow) MSDE::CMyBase()) object = snapin->GetUnknown();
    } else {
        object = new (std::nothrow) CSnapinAbout();
    }
    if (!object) return E_OUTOFMEMORY;

    // The new object lives as long as the caller's reference; a refused interface deletes it.
    object->AddRef();
    HRESULT hr = object->QueryInterface(riid, ppv);
    object->Release();
    return hr;
}

STDMETHODIMP CClassFactory::LockServer(BOOL fLock) {
    LockModule(fLock != FALSE);
    return S_OK;
}

} // namespace Snapins
