// A small in-process server for the class-object tests: one class whose objects count themselves.
#include <new>

#include "objbase.h"

namespace {

LONG g_objects = 0;

// {6F1C2D3E-4A5B-4C6D-8E9F-0A1B2C3D4E5F}
DEFINE_GUID(CLSID_Probe, 0x6F1C2D3E, 0x4A5B, 0x4C6D, 0x8E, 0x9F, 0x0A, 0x1B, 0x2C, 0x3D, 0x4E, 0x5F);

class Probe : public IUnknown {
public:
    Probe() { InterlockedIncrement(&g_objects); }
    virtual ~Probe() { InterlockedDecrement(&g_objects); }
    STDMETHOD(QueryInterface)(REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        *ppv = IsEqualIID(riid, IID_IUnknown) ? static_cast<IUnknown*>(this) : nullptr;
        if (!*ppv) return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    STDMETHOD_(ULONG, AddRef)() override { return InterlockedIncrement(&m_refs); }
    STDMETHOD_(ULONG, Release)() override {
        LONG refs = InterlockedDecrement(&m_refs);
        if (refs == 0) delete this;
        return refs;
    }

private:
    LONG m_refs = 0;
};

class Factory : public IClassFactory {
public:
    Factory() { InterlockedIncrement(&g_objects); }
    virtual ~Factory() { InterlockedDecrement(&g_objects); }
    STDMETHOD(QueryInterface)(REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        *ppv = IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IClassFactory) ? this : nullptr;
        if (!*ppv) return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    STDMETHOD_(ULONG, AddRef)() override { return InterlockedIncrement(&m_refs); }
    STDMETHOD_(ULONG, Release)() override {
        LONG refs = InterlockedDecrement(&m_refs);
        if (refs == 0) delete this;
        return refs;
    }
    STDMETHOD(CreateInstance)(IUnknown* outer, REFIID riid, void** ppv) override {
        if (outer) return CLASS_E_NOAGGREGATION;
        Probe* probe = new (std::nothrow) Probe();
        if (!probe) return E_OUTOFMEMORY;
        probe->AddRef();
        HRESULT hr = probe->QueryInterface(riid, ppv);
        probe->Release();
        return hr;
    }
    STDMETHOD(LockServer)(BOOL) override { return S_OK; }

private:
    LONG m_refs = 0;
};

} // namespace

STDAPI DllGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID* ppv) {
    if (!IsEqualCLSID(rclsid, CLSID_Probe)) return CLASS_E_CLASSNOTAVAILABLE;
    Factory* factory = new Factory();
    factory->AddRef();
    HRESULT hr = factory->QueryInterface(riid, ppv);
    factory->Release();
    return hr;
}

STDAPI DllCanUnloadNow() {
    return g_objects == 0 ? S_OK : S_FALSE;
}

extern "C" __attribute__((visibility("default"))) LONG ProbeObjects() {
    return g_objects;
}
