// How our COM toolkit (tvcom.h) knows an interface: its IID and the interface it derives from. Each
// header that declares an interface names them right after the declaration with TVCOM_IID (for an
// interface derived from IUnknown) or TVCOM_IID_DERIVED (for one derived from another interface, such as
// IConsole2 from IConsole), so that ComPtr::As<I>() and Object<I...> need no IID at the place of use.
#pragma once

#include <type_traits>

#include "guiddef.h"

struct IUnknown;

namespace tvcom {

// What TVCOM_IID declares about interface I; an interface without it does not compile in As<I>() or
// Object<I...>.
template <class I> struct Declared;

// The IID of interface I.
template <class I> const IID& IidOf() {
    return Declared<I>::Iid();
}
// The interface I derives from (IUnknown for most).
template <class I> using BaseOf = typename Declared<I>::Base;

// Whether riid names I or one of the interfaces it derives from, IUnknown apart: what an object that
// implements I answers for it.
template <class I> bool Answers(REFIID riid) {
    if constexpr (std::is_same_v<I, IUnknown>)
        return false;
    else
        return riid == IidOf<I>() || Answers<BaseOf<I>>(riid);
}

} // namespace tvcom

// Names the IID of an interface derived from Base; written at namespace scope after the declaration.
#define TVCOM_IID_DERIVED(Interface, iid, BaseInterface)                                                     \
    template <> struct tvcom::Declared<Interface> {                                                          \
        static_assert(std::is_base_of_v<BaseInterface, Interface>,                                           \
                      #Interface " derives from " #BaseInterface);                                           \
        using Base = BaseInterface;                                                                          \
        static const IID& Iid() { return iid; }                                                              \
    };
// Names the IID of an interface derived directly from IUnknown.
#define TVCOM_IID(Interface, iid) TVCOM_IID_DERIVED(Interface, iid, IUnknown)
