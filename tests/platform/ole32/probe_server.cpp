// A small in-process server for the class-object tests: one class whose objects count themselves.
#include "objbase.h"
#include "tvcom.h"

namespace {

LONG g_objects = 0;

// {6F1C2D3E-4A5B-4C6D-8E9F-0A1B2C3D4E5F}
DEFINE_GUID(CLSID_Probe, 0x6F1C2D3E, 0x4A5B, 0x4C6D, 0x8E, 0x9F, 0x0A, 0x1B, 0x2C, 0x3D, 0x4E, 0x5F);

class Probe : public tvcom::Object<IUnknown> {
public:
    Probe() { InterlockedIncrement(&g_objects); }
    ~Probe() override { InterlockedDecrement(&g_objects); }
};

class Factory : public tvcom::Object<IClassFactory> {
public:
    Factory() { InterlockedIncrement(&g_objects); }
    ~Factory() override { InterlockedDecrement(&g_objects); }
    STDMETHOD(CreateInstance)(IUnknown* outer, REFIID riid, void** ppv) override {
        if (outer) return CLASS_E_NOAGGREGATION;
        return tvcom::Make<Probe>()->QueryInterface(riid, ppv);
    }
    STDMETHOD(LockServer)(BOOL) override { return S_OK; }
};

} // namespace

STDAPI DllGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID* ppv) {
    if (!IsEqualCLSID(rclsid, CLSID_Probe)) return CLASS_E_CLASSNOTAVAILABLE;
    return tvcom::Make<Factory>()->QueryInterface(riid, ppv);
}

STDAPI DllCanUnloadNow() {
    return g_objects == 0 ? S_OK : S_FALSE;
}

extern "C" __attribute__((visibility("default"))) LONG ProbeObjects() {
    return g_objects;
}
