// The snap-in's scope-side object, which the console creates through the class factory and keeps for
// the life of the snap-in in a console document. It owns the root node.
#pragma once

#include "objbase.h"

namespace Snapins {

class CComponentDataBase : public IUnknown {
public:
    CComponentDataBase();

    STDMETHOD(QueryInterface)(REFIID riid, void** ppv) override;
    STDMETHOD_(ULONG, AddRef)() override;
    STDMETHOD_(ULONG, Release)() override;
    virtual ~CComponentDataBase();

    // The object's primary interface, the one that stands for its identity.
    IUnknown* GetUnknown() { return static_cast<IUnknown*>(this); }

protected:
    LONG m_refCount = 0;
};

} // namespace Snapins
