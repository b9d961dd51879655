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
#include "tvcom.h"
#include "tvplatform.h"
#include "windows.h"

namespace sqldmo {

// Each interface's IID comes from its TVCOM_IID line in sqldmo.h.
using tvcom::IidOf;

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
// The object's one reference goes to the caller, or with the failure.
template <class I> void Out(I** target, I* object) {
    auto owned = tvcom::ComPtr<I>::Adopt(object);
    if (!target) FailArgument(L"result pointer");
    *target = owned.Detach();
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

// The objects alive in this process, for DllCanUnloadNow.
std::atomic<long>& LiveObjects();

// A class of the object model implementing Interfaces: the toolkit's object with ISupportErrorInfo for
// each of them, counted among the live objects. The first interface is the one IUnknown answers with
// and whose IID Call reports failures under.
template <class First, class... Rest> class Object : public tvcom::Object<First, Rest..., ISupportErrorInfo> {
public:
    Object() { ++LiveObjects(); }
    ~Object() override { --LiveObjects(); }

protected:
    template <class F> HRESULT Call(F&& body) { return Guard(IidOf<First>(), std::forward<F>(body)); }
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
