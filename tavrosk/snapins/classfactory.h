// The class factory of the library's two creatable classes: the snap-in and its about information. The
// framework does not know the concrete snap-in: it asks CreateSnapin, which the snap-in defines.
#pragma once

#include "mmc.h"
#include "snapins/snapinobject.h"

namespace Snapins {

// {B121F51B-F25A-4977-8CB1-799DAC971AB5}
DEFINE_GUID(CLSID_Snapin, 0xB121F51B, 0xF25A, 0x4977, 0x8C, 0xB1, 0x79, 0x9D, 0xAC, 0x97, 0x1A, 0xB5);
// {32C6893E-853A-49A3-9564-EF353D0EF6FF}
DEFINE_GUID(CLSID_SnapinAbout, 0x32C6893E, 0x853A, 0x49A3, 0x95, 0x64, 0xEF, 0x35, 0x3D, 0x0E, 0xF6, 0xFF);

// The concrete snap-in's component data, new, with its creator's reference; empty when it could not be
// made. Defined by the snap-in (CMyBase's source), not by the framework.
tvcom::ComPtr<IComponentData> CreateSnapin();

class CClassFactory : public CSnapinObject<IClassFactory> {
public:
    enum FACTORY_TYPE { COMPONENT = 0, ABOUT = 1 };

    explicit CClassFactory(FACTORY_TYPE kind) : m_kind(kind) {}

    STDMETHOD(CreateInstance)(IUnknown* pUnkOuter, REFIID riid, void** ppv) override;
    STDMETHOD(LockServer)(BOOL fLock) override;

private:
    FACTORY_TYPE m_kind;
};

} // namespace Snapins
