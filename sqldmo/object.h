// What every class of the object model shares: reference counting and QueryInterface over the
// interfaces a class implements, ISupportErrorInfo for each of them, and the way a failure becomes a
// failing HRESULT with an error object whose description names its sources in brackets
// ("[Tavrosk][Engine]Login failed for user 'sa'."). Also the connection that a server object and the
// objects taken from it share, and the creators of the classes that callers may create themselves.
#pragma once

#include <atomic>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "engine/engine.h"
#include "sqldmo.h"
#include "tvplatform.h"
#include "windows.h"

namespace sqldmo {

template <class I> const IID& IidOf();
#define SQLDMO_IID_OF(I)                                                                                     \
    template <> inline const IID& IidOf<I>() {                                                               \
        return IID_##I;                                                                                      \
    }
SQLDMO_IID_OF(IWSQLDMOApplication)
SQLDMO_IID_OF(IWSQLDMOServer)
SQLDMO_IID_OF(IWSQLDMODatabase)
SQLDMO_IID_OF(IWSQLDMODatabases)
SQLDMO_IID_OF(IWSQLDMODBOption)
SQLDMO_IID_OF(IWSQLDMOTransactionLog)
SQLDMO_IID_OF(IWSQLDMOLogin)
SQLDMO_IID_OF(IWSQLDMOLogins)
SQLDMO_IID_OF(IWSQLDMOServerGroup)
SQLDMO_IID_OF(IWSQLDMOServerGroups)
SQLDMO_IID_OF(IWSQLDMORegisteredServer)
SQLDMO_IID_OF(IWSQLDMORegisteredServers)
SQLDMO_IID_OF(IWSQLDMOBackup)
SQLDMO_IID_OF(IWSQLDMOQueryResults)
SQLDMO_IID_OF(IWSQLDMOFileGroup)
SQLDMO_IID_OF(IWSQLDMOFileGroups)
SQLDMO_IID_OF(IWSQLDMODBFile)
SQLDMO_IID_OF(IWSQLDMODBFiles)
SQLDMO_IID_OF(IWSQLDMOLogFile)
SQLDMO_IID_OF(IWSQLDMOLogFiles)
SQLDMO_IID_OF(IWSQLDMORestore)
SQLDMO_IID_OF(IWSQLDMONameList)
SQLDMO_IID_OF(IWSQLDMORegistry)
SQLDMO_IID_OF(IWSQLDMOServerRole)
SQLDMO_IID_OF(IWSQLDMOServerRoles)
SQLDMO_IID_OF(IWSQLDMOBackupDevice)
SQLDMO_IID_OF(IWSQLDMOBackupDevices)
SQLDMO_IID_OF(IWSQLDMOJobServer)
SQLDMO_IID_OF(IWSQLDMOJob)
SQLDMO_IID_OF(IWSQLDMOJobs)
SQLDMO_IID_OF(IWSQLDMOJobStep)
SQLDMO_IID_OF(IWSQLDMOJobSteps)
SQLDMO_IID_OF(IWSQLDMOJobSchedule)
SQLDMO_IID_OF(IWSQLDMOJobSchedules)
SQLDMO_IID_OF(IWSQLDMOSchedule)
SQLDMO_IID_OF(IWSQLDMOBackupSink)
SQLDMO_IID_OF(IWSQLDMORestoreSink)
SQLDMO_IID_OF(IConnectionPointContainer)
SQLDMO_IID_OF(IConnectionPoint)

// A failure of the object model itself (not of the server): its sentence and HRESULT.
struct Failure {
    HRESULT hr;
    std::wstring text;
};
[[noreturn]] void Fail(const std::wstring& text, HRESULT hr = E_FAIL);
[[noreturn]] void FailArgument(const wchar_t* what);

// Runs one call of interface iid: an exception becomes the failing HRESULT and the thread's error
// object; success leaves the thread's error object as it was.
HRESULT Report(REFIID iid, HRESULT hr, const std::wstring& description);
HRESULT Translate(REFIID iid);
template <class F> HRESULT Guard(REFIID iid, F&& body) {
    try {
        body();
        return S_OK;
    } catch (...) {
        return Translate(iid);
    }
}

// Out parameters; a null pointer is a failure of the call, reported as E_POINTER.
void Out(BSTR* target, const std::wstring& value);
void Out(LPLONG target, long value);
void Out(float* target, double value);
void Out(double* target, double value);
void Out(VARIANT_BOOL* target, bool value);
template <class I> void Out(I** target, I* object) {
    if (!target) {
        if (object) object->Release();
        FailArgument(L"result pointer");
    }
    *target = object;
}
inline std::wstring In(LPCOLESTR text) {
    return text ? text : L"";
}
inline std::string Utf8(const std::wstring& text) {
    return tvp::ToUtf8(text);
}
inline std::wstring Wide(const std::string& text) {
    return tvp::FromUtf8(text);
}
bool SameName(const std::wstring& a, const std::wstring& b); // case-insensitive, as the server compares
std::wstring DateText(std::time_t when);                     // "YYYY-MM-DD HH:MM:SS", empty for 0

// Counted reference to an interface, for the objects' own members.
template <class I> class Ref {
public:
    Ref() = default;
    explicit Ref(I* adopt) : p_(adopt) {}
    Ref(const Ref& other) : p_(other.p_) {
        if (p_) p_->AddRef();
    }
    Ref& operator=(Ref other) {
        std::swap(p_, other.p_);
        return *this;
    }
    ~Ref() {
        if (p_) p_->Release();
    }
    I* get() const { return p_; }
    I* operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }
    I* detach() {
        I* p = p_;
        p_ = nullptr;
        return p;
    }

private:
    I* p_ = nullptr;
};

// Reference counting, QueryInterface and ISupportErrorInfo for a class implementing Interfaces; the
// first interface is the one IUnknown answers with and whose IID Call reports failures under.
// The objects alive in this process, for DllCanUnloadNow.
std::atomic<long>& LiveObjects();

template <class First, class... Rest> class Object : public First, public Rest..., public ISupportErrorInfo {
public:
    Object() { ++LiveObjects(); }
    Object(const Object&) = delete;
    Object& operator=(const Object&) = delete;
    virtual ~Object() { --LiveObjects(); }

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        if (riid == IID_IUnknown || riid == IidOf<First>())
            *ppv = static_cast<First*>(this);
        else if (riid == IID_ISupportErrorInfo)
            *ppv = static_cast<ISupportErrorInfo*>(this);
        else
            (void)((riid == IidOf<Rest>() && (*ppv = static_cast<Rest*>(this), true)) || ... || false);
        if (!*ppv) return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++refs_; }
    STDMETHODIMP_(ULONG) Release() override {
        ULONG left = --refs_;
        if (left == 0) delete this;
        return left;
    }
    STDMETHODIMP InterfaceSupportsErrorInfo(REFIID riid) override {
        if (riid == IidOf<First>() || (... || (riid == IidOf<Rest>()))) return S_OK;
        return S_FALSE;
    }

protected:
    template <class F> HRESULT Call(F&& body) { return Guard(IidOf<First>(), std::forward<F>(body)); }

private:
    std::atomic<ULONG> refs_{1};
};

// The session that a connected server object and everything taken from it share. A disconnected
// server leaves its objects holding a connection without a session: their calls fail cleanly.
struct Connection {
    std::unique_ptr<tvengine::Session> session;
    std::wstring serverName; // as the caller named the server
    tvengine::Session& Live();
};
using ConnectionPtr = std::shared_ptr<Connection>;

// The connection of a server object handed in by a caller (backup, restore); fails unless connected.
ConnectionPtr ConnectionOf(IWSQLDMOServer* server);

// Creators of the classes callers create with CoCreateInstance; each returns one reference.
IUnknown* NewApplication();
IUnknown* NewServer();
IUnknown* NewDatabase();
IUnknown* NewDBFile();
IUnknown* NewLogFile();
IUnknown* NewLogin();
IUnknown* NewServerGroup();
IUnknown* NewRegisteredServer();
IUnknown* NewBackup();
IUnknown* NewRestore();
IUnknown* NewJob();
IUnknown* NewJobStep();
IUnknown* NewJobSchedule();

// Objects the server hands out.
IWSQLDMODatabases* NewDatabases(const ConnectionPtr& connection);
IWSQLDMOJobServer* NewJobServer(const ConnectionPtr& connection);
IWSQLDMOQueryResults* NewQueryResults(const tvengine::ResultSet& results);
IWSQLDMONameList* NewNameList(std::vector<std::wstring> names);

// The object behind an interface pointer when it is one of ours, else a failure naming the argument.
template <class T, class I> T* Implementation(I* object, const wchar_t* what) {
    T* impl = object ? dynamic_cast<T*>(object) : nullptr;
    if (!impl) FailArgument(what);
    return impl;
}

} // namespace sqldmo
