// CSnapinObject, the base of the snap-in's own COM objects (class factory, component data, component,
// data object, about information): the toolkit's Object, counted among the module's objects for as long
// as it lives, so that the library stays loaded until the last of them has gone.
#pragma once

#include "mmc.h"
#include "snapins/module.h"
#include "tvcom.h"

namespace Snapins {

template <class First, class... Rest> class CSnapinObject : public tvcom::Object<First, Rest...> {
public:
    // Exactly the listed interfaces: ISnapinHelp2 does not answer for ISnapinHelp, nor
    // IExtendPropertySheet2 for IExtendPropertySheet. A null out pointer is E_FAIL, as the console
    // expects of a snap-in.
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        if (!ppv) return E_FAIL;
        if (riid != IID_IUnknown && riid != tvcom::IidOf<First>() &&
            (... && (riid != tvcom::IidOf<Rest>()))) {
            *ppv = nullptr;
            return E_NOINTERFACE;
        }
        return tvcom::Object<First, Rest...>::QueryInterface(riid, ppv);
    }

protected:
    CSnapinObject() { AddObject(); }
    ~CSnapinObject() override { RemoveObject(); }
};

} // namespace Snapins
