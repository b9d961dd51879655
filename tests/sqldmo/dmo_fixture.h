// What the object model's tests share: the library registered in the test prefix, the default
// instance, and helpers that read BSTR properties and the
// thread's error description.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "engine/engine.h"
#include "sqldmo.h"
#include "test_support.h"
#include "tvcom.h"
#include "tvplatform.h"

namespace dmotest {

using tvcom::ComPtr;

// Registers libsqldmo.so (once) and makes sure the default instance exists.
void Prepare();

// CoCreateInstance of a class as interface I; fails the test when it cannot be created.
template <class I> ComPtr<I> Create(REFCLSID clsid, REFIID iid) {
    Prepare();
    ComPtr<I> object;
    HRESULT hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, iid, object.ReceiveVoid());
    EXPECT_EQ(S_OK, hr);
    return object;
}

// A server object connected with integrated authentication to "(local)".
ComPtr<IWSQLDMOServer> Connected();

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
