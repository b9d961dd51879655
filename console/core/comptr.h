// The console's COM plumbing: a reference-holding pointer for the snap-in's interfaces, and the pieces
// its own objects are made of. The console hands the snap-in objects that answer several interfaces
// (the view's console answers IConsole2, IResultData, IHeaderCtrl2 ...); each interface is a small part
// that forwards QueryInterface, AddRef and Release to the object it belongs to, so that every interface
// of one object has one identity and one reference count, as COM requires.
#pragma once

#include <utility>

#include "objbase.h"

namespace Console {

// Holds one reference to an interface; the reference goes when the pointer does.
template <class T> class ComPtr {
public:
    ComPtr() = default;
    ComPtr(std::nullptr_t) {}
    explicit ComPtr(T* p) : m_p(p) {
        if (m_p) m_p->AddRef();
    }
    ComPtr(const ComPtr& other) : ComPtr(other.m_p) {}
    ComPtr(ComPtr&& other) noexcept : m_p(std::exchange(other.m_p, nullptr)) {}
    ~ComPtr() { Reset(); }
    ComPtr& operator=(const ComPtr& other) {
        ComPtr copy(other);
        std::swap(m_p, copy.m_p);
        return *this;
    }
    ComPtr& operator=(ComPtr&& other) noexcept {
        if (this != &other) {
            Reset();
            m_p = std::exchange(other.m_p, nullptr);
        }
        return *this;
    }

    // Takes over a reference the caller already owns (an out parameter's).
    static ComPtr Adopt(T* p) {
        ComPtr result;
        result.m_p = p;
        return result;
    }
    void Reset() {
        if (T* p = std::exchange(m_p, nullptr)) p->Release();
    }
    // For out parameters: the old reference goes first.
    T** Receive() {
        Reset();
        return &m_p;
    }
    void** ReceiveVoid() { return reinterpret_cast<void**>(Receive()); }
    // Hands the reference to the caller.
    T* Detach() { return std::exchange(m_p, nullptr); }

    T* Get() const { return m_p; }
    T* operator->() const { return m_p; }
    explicit operator bool() const { return m_p != nullptr; }

    // The interface riid of the same object; empty when the object does not answer it.
    template <class U> ComPtr<U> As(REFIID riid) const {
        ComPtr<U> result;
        if (m_p && FAILED(m_p->QueryInterface(riid, result.ReceiveVoid()))) result.Reset();
        return result;
    }

private:
    T* m_p = nullptr;
};

// An object of the console's own, handed to the snap-in: counted with interlocked operations, deleted
// when the last reference goes. The console keeps a reference of its own while it uses the object.
class CComObject {
public:
    virtual ~CComObject() = default;
    ULONG AddRefObject() { return static_cast<ULONG>(InterlockedIncrement(&m_refs)); }
    ULONG ReleaseObject() {
        LONG refs = InterlockedDecrement(&m_refs);
        if (refs == 0) delete this;
        return static_cast<ULONG>(refs);
    }
    // The object's answer to QueryInterface: the interface it offers for riid, or null.
    virtual IUnknown* Find(REFIID riid) = 0;
    HRESULT QueryObject(REFIID riid, void** ppv) {
        if (!ppv) return E_POINTER;
        IUnknown* found = Find(riid);
        *ppv = found;
        if (!found) return E_NOINTERFACE;
        AddRefObject();
        return S_OK;
    }

private:
    LONG m_refs = 0;
};

// One interface of a CComObject; Outer is the object (derived from CComObject).
template <class Itf, class Outer> class CPart : public Itf {
public:
    explicit CPart(Outer* outer) : m_outer(outer) {}
    STDMETHOD(QueryInterface)(REFIID riid, void** ppv) override { return m_outer->QueryObject(riid, ppv); }
    STDMETHOD_(ULONG, AddRef)() override { return m_outer->AddRefObject(); }
    STDMETHOD_(ULONG, Release)() override { return m_outer->ReleaseObject(); }

protected:
    Outer* m_outer;
};

} // namespace Console
