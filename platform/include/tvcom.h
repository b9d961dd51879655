// The COM toolkit every room shares: ComPtr, a pointer that holds one reference and whose constructors
// say whether they adopt a reference or add one, and Object<I...>, the base of our own COM objects
// (QueryInterface over the listed interfaces and the interfaces they derive from, an interlocked
// reference count, ISupportErrorInfo when it is listed). Part serves objects whose interfaces cannot all
// be bases of one class. An interface's IID comes from the TVCOM_IID line beside its declaration
// (tvcomiid.h).
#pragma once

#include <atomic>
#include <cstddef>
#include <type_traits>
#include <utility>

#include "oaidl.h"
#include "tvcomiid.h"
#include "unknwn.h"

namespace tvcom {

// Holds one reference to an interface, released when the pointer goes. There is no constructor from a
// raw pointer: Adopt takes over a reference the caller owns (a creator's or an out parameter's), Retain
// adds one of its own.
template <class I> class ComPtr {
public:
    ComPtr() = default;
    ComPtr(std::nullptr_t) {}
    ComPtr(const ComPtr& other) : m_p(other.m_p) {
        if (m_p) m_p->AddRef();
    }
    ComPtr(ComPtr&& other) noexcept : m_p(std::exchange(other.m_p, nullptr)) {}
    // A pointer to a derived interface or object converts, sharing its reference count.
    template <class U, class = std::enable_if_t<std::is_convertible_v<U*, I*>>>
    ComPtr(ComPtr<U> other) : m_p(other.Detach()) {}
    ~ComPtr() { Reset(); }

    ComPtr& operator=(ComPtr other) noexcept {
        std::swap(m_p, other.m_p);
        return *this;
    }

    static ComPtr Adopt(I* p) {
        ComPtr result;
        result.m_p = p;
        return result;
    }
    static ComPtr Retain(I* p) {
        if (p) p->AddRef();
        return Adopt(p);
    }

    void Reset() {
        if (I* p = std::exchange(m_p, nullptr)) p->Release();
    }
    // For out parameters: the old reference goes first, the callee's becomes ours.
    I** Receive() {
        Reset();
        return &m_p;
    }
    void** ReceiveVoid() { return reinterpret_cast<void**>(Receive()); }
    // Hands our reference to the caller.
    [[nodiscard]] I* Detach() { return std::exchange(m_p, nullptr); }
    // Gives an out parameter a reference of its own; E_POINTER for a null one.
    HRESULT CopyTo(I** out) const {
        if (!out) return E_POINTER;
        *out = m_p;
        if (m_p) m_p->AddRef();
        return S_OK;
    }

    I* Get() const { return m_p; }
    I* operator->() const { return m_p; }
    explicit operator bool() const { return m_p != nullptr; }
    friend bool operator==(const ComPtr& a, const ComPtr& b) { return a.m_p == b.m_p; }

    // The interface U of the same object; empty when the object does not answer it (hr says why).
    template <class U> ComPtr<U> As(REFIID riid, HRESULT* hr = nullptr) const {
        ComPtr<U> result;
        HRESULT answer = m_p ? m_p->QueryInterface(riid, result.ReceiveVoid()) : E_POINTER;
        if (FAILED(answer)) result.Reset();
        if (hr) *hr = answer;
        return result;
    }
    template <class U> ComPtr<U> As(HRESULT* hr = nullptr) const { return As<U>(IidOf<U>(), hr); }

private:
    I* m_p = nullptr;
};

// Interface U of any object, a new reference or empty: for a raw pointer handed in by a caller.
template <class U, class From> ComPtr<U> QueryFrom(From* from, HRESULT* hr = nullptr) {
    return ComPtr<From>::Retain(from).template As<U>(hr);
}
template <class U, class From> ComPtr<U> QueryFrom(From* from, REFIID riid, HRESULT* hr = nullptr) {
    return ComPtr<From>::Retain(from).template As<U>(riid, hr);
}

// The base of our own COM objects: First answers IUnknown; every listed interface answers
// QueryInterface, and so do the interfaces it derives from (IConsole for IConsole2); listing
// ISupportErrorInfo makes the object say that its other interfaces set error information. An object
// starts with one reference, its creator's (see Make).
template <class First, class... Rest> class Object : public First, public Rest... {
public:
    Object(const Object&) = delete;
    Object& operator=(const Object&) = delete;

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        *ppv = Find(riid);
        if (!*ppv) return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++m_refs; }
    STDMETHODIMP_(ULONG) Release() override {
        ULONG left = --m_refs;
        if (left == 0) delete this;
        return left;
    }
    // Overrides ISupportErrorInfo's member when that interface is listed; otherwise never called.
    STDMETHODIMP InterfaceSupportsErrorInfo(REFIID riid) {
        bool listed = Answers<First>(riid) || (... || Answers<Rest>(riid));
        return listed && riid != IID_ISupportErrorInfo ? S_OK : S_FALSE;
    }

protected:
    Object() = default;
    virtual ~Object() = default;

    // The interface pointer for riid, or null; objects that answer more than their bases override it.
    virtual void* Find(REFIID riid) {
        if (riid == IID_IUnknown || Answers<First>(riid)) return static_cast<First*>(this);
        void* found = nullptr;
        (void)((Answers<Rest>(riid) && (found = static_cast<Rest*>(this), true)) || ...);
        return found;
    }

private:
    std::atomic<ULONG> m_refs{1};
};

// One interface of an object that cannot derive from all its interfaces (two of them declare members of
// one name for different things, such as the console's namespace and result data): the part forwards
// IUnknown to the object it belongs to, so that all its interfaces keep one identity and one count.
// The object derives from Object<IUnknown> and answers each part in its Find, through Answers<I>.
template <class I, class Outer> class Part : public I {
public:
    explicit Part(Outer* outer) : m_outer(outer) {}
    Part(const Part&) = delete;
    Part& operator=(const Part&) = delete;

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        return m_outer->QueryInterface(riid, ppv);
    }
    STDMETHODIMP_(ULONG) AddRef() override { return m_outer->AddRef(); }
    STDMETHODIMP_(ULONG) Release() override { return m_outer->Release(); }

protected:
    Outer* m_outer;
};

// A new object of ours, held by the pointer that owns its first reference.
template <class T, class... Args> ComPtr<T> Make(Args&&... args) {
    return ComPtr<T>::Adopt(new T(std::forward<Args>(args)...));
}

} // namespace tvcom
