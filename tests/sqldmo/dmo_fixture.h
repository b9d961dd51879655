// What the object model's tests share: the library registered in the test prefix, the default
// instance, a counted pointer for the interfaces, and helpers that read BSTR properties and the
// thread's error description.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "engine/engine.h"
#include "sqldmo.h"
#include "test_support.h"
#include "tvplatform.h"

namespace dmotest {

template <class I> class Ptr {
public:
    Ptr() = default;
    Ptr(const Ptr& other) : p_(other.p_) {
        if (p_) p_->AddRef();
    }
    Ptr& operator=(Ptr other) {
        std::swap(p_, other.p_);
        return *this;
    }
    ~Ptr() {
        if (p_) p_->Release();
    }
    I** operator&() {
        if (p_) p_->Release();
        p_ = nullptr;
        return &p_;
    }
    I* operator->() const { return p_; }
    I* get() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }

private:
    I* p_ = nullptr;
};

// Registers libsqldmo.so (once) and makes sure the default instance exists.
void Prepare();

// CoCreateInstance of a class as interface I; fails the test when it cannot be created.
template <class I> Ptr<I> Create(REFCLSID clsid, REFIID iid) {
    Prepare();
    Ptr<I> object;
    HRESULT hr =
        CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, iid, reinterpret_cast<void**>(&object));
    EXPECT_EQ(S_OK, hr);
    return object;
}

// A server object connected with integrated authentication to "(local)".
Ptr<IWSQLDMOServer> Connected();

// A BSTR result as a string (and freed).
std::wstring Take(BSTR text);
template <class I, class M> std::wstring Text(I* object, M member) {
    BSTR text = nullptr;
    EXPECT_EQ(S_OK, (object->*member)(&text));
    return Take(text);
}
template <class I, class M> long Number(I* object, M member) {
    LONG value = -12345;
    EXPECT_EQ(S_OK, (object->*member)(&value));
    return value;
}

// The description of the thread's error object, or "<none>"; takes the object.
std::wstring ErrorDescription();

// Creates a database with one table through the engine, as existing data would be.
void MakeDatabase(const std::string& name);

} // namespace dmotest
