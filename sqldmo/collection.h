// The shape every collection of the object model shares: a list read from the server (or the
// registration store) on first use and again on Refresh, items by 0-based ordinal and by name, and
// the count. A concrete collection says how to read the list and how to make the object for an item.
#pragma once

#include "object.h"

namespace sqldmo {

template <class Coll, class Item, class... More> class Collection : public Object<Coll, More...> {
public:
    STDMETHODIMP GetCount(LPLONG pRetVal) override {
        return this->Call([&] { Out(pRetVal, long(Names().size())); });
    }
    STDMETHODIMP GetItemByOrd(long lOrdinal, Item** ppObj) override {
        return this->Call([&] { Out(ppObj, Make(IndexOf(lOrdinal))); });
    }
    STDMETHODIMP GetItemByName(SQLDMO_LPCSTR szName, Item** ppObj) override {
        return this->Call([&] { Out(ppObj, Make(IndexOf(In(szName)))); });
    }
    STDMETHODIMP Refresh(VARIANT_BOOL) override {
        return this->Call([&] { Reload(); });
    }

protected:
    // Reads the list; the names, in the order the items are numbered.
    virtual std::vector<std::wstring> Load() = 0;
    // A new object (one reference) for the item at index of the last list read.
    virtual Item* Make(size_t index) = 0;

    const std::vector<std::wstring>& Names() {
        if (!loaded_) Reload();
        return names_;
    }
    void Reload() {
        names_ = Load();
        loaded_ = true;
    }
    void Forget() { loaded_ = false; }
    size_t IndexOf(long ordinal) {
        if (ordinal < 0 || size_t(ordinal) >= Names().size())
            Fail(L"There is no item at position " + std::to_wstring(ordinal) + L" of the collection.",
                 E_INVALIDARG);
        return size_t(ordinal);
    }
    size_t IndexOf(const std::wstring& name) {
        const auto& names = Names();
        for (size_t i = 0; i < names.size(); ++i)
            if (SameName(names[i], name)) return i;
        Fail(L"'" + name + L"' was not found in the collection.", E_INVALIDARG);
    }

private:
    std::vector<std::wstring> names_;
    bool loaded_ = false;
};

} // namespace sqldmo
