// The snap-in's access to the database-management object model: a counted smart pointer type for
// every interface the nodes, pages and wizards hold, dmo_error (the exception a failed call becomes,
// carrying the failing object's error description), the throw idiom used at every call site, and the
// two ways a caught failure is reported: shown in a message box, or written to the debugger output.
#pragma once

#include <loki/SmartPtr.h>

#include <cstdint>
#include <exception>
#include <string>

#include "oaidl.h"
#include "sqldmo.h"
#include "tvcom.h"
#include "windows.h"

// The storage never deletes an interface: COM objects free themselves in their last Release, and
// their destructors are not public. COMRefCounted never asks the storage to destroy; this only keeps
// the destroying member, which the smart pointer instantiates, from naming the destructor.
#define MSDE_DMO_STORAGE(I)                                                                                  \
    template <> inline void Loki::DefaultSPStorage<I>::Destroy() {}
MSDE_DMO_STORAGE(IUnknown)
MSDE_DMO_STORAGE(IWSQLDMOApplication)
MSDE_DMO_STORAGE(IWSQLDMOServerGroups)
MSDE_DMO_STORAGE(IWSQLDMOServerGroup)
MSDE_DMO_STORAGE(IWSQLDMORegisteredServers)
MSDE_DMO_STORAGE(IWSQLDMORegisteredServer)
MSDE_DMO_STORAGE(IWSQLDMONameList)
MSDE_DMO_STORAGE(IWSQLDMOServer)
MSDE_DMO_STORAGE(IWSQLDMODatabases)
MSDE_DMO_STORAGE(IWSQLDMODatabase)
MSDE_DMO_STORAGE(IWSQLDMODBOption)
MSDE_DMO_STORAGE(IWSQLDMOTransactionLog)
MSDE_DMO_STORAGE(IWSQLDMOFileGroups)
MSDE_DMO_STORAGE(IWSQLDMOFileGroup)
MSDE_DMO_STORAGE(IWSQLDMODBFiles)
MSDE_DMO_STORAGE(IWSQLDMODBFile)
MSDE_DMO_STORAGE(IWSQLDMOLogFiles)
MSDE_DMO_STORAGE(IWSQLDMOLogFile)
MSDE_DMO_STORAGE(IWSQLDMOQueryResults)
MSDE_DMO_STORAGE(IWSQLDMOBackup)
MSDE_DMO_STORAGE(IWSQLDMORestore)
MSDE_DMO_STORAGE(IWSQLDMOJobServer)
MSDE_DMO_STORAGE(IWSQLDMOJobs)
MSDE_DMO_STORAGE(IWSQLDMOJob)
MSDE_DMO_STORAGE(IWSQLDMOJobSteps)
MSDE_DMO_STORAGE(IWSQLDMOJobStep)
MSDE_DMO_STORAGE(IWSQLDMOJobSchedules)
MSDE_DMO_STORAGE(IWSQLDMOJobSchedule)
MSDE_DMO_STORAGE(IWSQLDMOSchedule)
MSDE_DMO_STORAGE(IWSQLDMOLogins)
MSDE_DMO_STORAGE(IWSQLDMOLogin)
MSDE_DMO_STORAGE(IWSQLDMOServerRoles)
MSDE_DMO_STORAGE(IWSQLDMOServerRole)
MSDE_DMO_STORAGE(IWSQLDMOBackupDevices)
MSDE_DMO_STORAGE(IWSQLDMOBackupDevice)
MSDE_DMO_STORAGE(IWSQLDMORegistry)
#undef MSDE_DMO_STORAGE

namespace MSDE {

// Copying adds a reference, destruction releases it, a raw pointer is never handed out implicitly,
// and dereferencing a null pointer is an assertion failure.
template <class I>
using DmoPtr = Loki::SmartPtr<I, Loki::COMRefCounted, Loki::DisallowConversion, Loki::AssertCheck,
                              Loki::DefaultSPStorage>;

typedef DmoPtr<IWSQLDMOApplication> ApplicationPtr;
typedef DmoPtr<IWSQLDMOServerGroups> ServerGroupsPtr;
typedef DmoPtr<IWSQLDMOServerGroup> ServerGroupPtr;
typedef DmoPtr<IWSQLDMORegisteredServers> RegisteredServersPtr;
typedef DmoPtr<IWSQLDMORegisteredServer> RegisteredServerPtr;
typedef DmoPtr<IWSQLDMONameList> NameListPtr;
typedef DmoPtr<IWSQLDMOServer> ServerPtr;
typedef DmoPtr<IWSQLDMODatabases> DatabasesPtr;
typedef DmoPtr<IWSQLDMODatabase> DatabasePtr;
typedef DmoPtr<IWSQLDMODBOption> DBOptionPtr;
typedef DmoPtr<IWSQLDMOTransactionLog> TransactionLogPtr;
typedef DmoPtr<IWSQLDMOFileGroups> FileGroupsPtr;
typedef DmoPtr<IWSQLDMOFileGroup> FileGroupPtr;
typedef DmoPtr<IWSQLDMODBFiles> DBFilesPtr;
typedef DmoPtr<IWSQLDMODBFile> DBFilePtr;
typedef DmoPtr<IWSQLDMOLogFiles> LogFilesPtr;
typedef DmoPtr<IWSQLDMOLogFile> LogFilePtr;
typedef DmoPtr<IWSQLDMOQueryResults> QueryResultsPtr;
typedef DmoPtr<IWSQLDMOBackup> BackupPtr;
typedef DmoPtr<IWSQLDMORestore> RestorePtr;
typedef DmoPtr<IWSQLDMOJobServer> JobServerPtr;
typedef DmoPtr<IWSQLDMOJobs> JobsPtr;
typedef DmoPtr<IWSQLDMOJob> JobPtr;
typedef DmoPtr<IWSQLDMOJobSteps> JobStepsPtr;
typedef DmoPtr<IWSQLDMOJobStep> JobStepPtr;
typedef DmoPtr<IWSQLDMOJobSchedules> JobSchedulesPtr;
typedef DmoPtr<IWSQLDMOJobSchedule> JobSchedulePtr;
typedef DmoPtr<IWSQLDMOSchedule> SchedulePtr;
typedef DmoPtr<IWSQLDMOLogins> LoginsPtr;
typedef DmoPtr<IWSQLDMOLogin> LoginPtr;
typedef DmoPtr<IWSQLDMOServerRoles> ServerRolesPtr;
typedef DmoPtr<IWSQLDMOServerRole> ServerRolePtr;
typedef DmoPtr<IWSQLDMOBackupDevices> BackupDevicesPtr;
typedef DmoPtr<IWSQLDMOBackupDevice> BackupDevicePtr;
typedef DmoPtr<IWSQLDMORegistry> RegistryPtr;

// Where a getter writes its new reference: the pointer's storage, emptied first (its old reference
// released), so that `server->GetDatabases(out(databases))` leaves databases owning the result.
template <class P> typename P::StoredType* out(P& pointer) {
    pointer = P();
    return &Loki::GetImplRef(pointer);
}

// The raw pointer, for the call into the object model.
template <class P> typename P::PointerType raw(const P& pointer) {
    return Loki::GetImpl(pointer);
}

// A new object of the object model's class clsid, as interface I; an empty pointer when it cannot be
// created.
template <class I> DmoPtr<I> CreateDmo(REFCLSID clsid, REFIID iid, HRESULT* result = nullptr) {
    DmoPtr<I> object;
    HRESULT hr =
        CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, iid, reinterpret_cast<void**>(out(object)));
    if (result) *result = hr;
    return object;
}

// Throws the DmoFailure "The <what> object could not be created (0x...)." with result hr.
[[noreturn]] void ThrowNotCreated(const wchar_t* what, HRESULT hr);

namespace detail {

// The description of a failure, shared by every copy of one exception.
struct DmoMessage {
    std::wstring wide;
    std::string narrow; // made on the first what()
    bool narrowMade = false;
    uint32_t references = 1;
};

// Takes the thread's error object for a failed call of interface iid on object, if the object says
// that interface leaves one; null when there is none.
DmoMessage* TakeDescription(REFIID iid, IUnknown* object);
const char* Narrow(DmoMessage& message);
void Release(DmoMessage* message);

} // namespace detail

// A failed call of the object model, whatever the failing interface: the description the object left
// (absent when it left none) and the call's result. Every failure of the object model is caught as this
// type where the catcher does not care which interface failed.
class DmoFailure : public std::exception {
public:
    // A failure that did not come from a call on an object, such as a class that could not be created.
    DmoFailure(HRESULT result, const std::wstring& description);
    DmoFailure(const DmoFailure& other);
    DmoFailure& operator=(const DmoFailure&) = delete;
    ~DmoFailure() override;

    // The description as narrow text in the system code page; empty when there is none.
    const char* what() const noexcept override;
    // The description as the object model gave it; empty when there is none.
    std::wstring Description() const { return m_message ? m_message->wide : std::wstring(); }
    bool HasDescription() const { return m_message != nullptr; }
    // The failed call's result; always a failure.
    HRESULT Result() const { return m_result; }

protected:
    DmoFailure(HRESULT result, detail::DmoMessage* message);
    // The description that a failed call of interface iid on object left, or null. A failure while it
    // is read leaves the exception without one.
    static detail::DmoMessage* Describe(REFIID iid, IUnknown* object);

private:
    HRESULT m_result;
    detail::DmoMessage* m_message = nullptr;
};

// A failed call on an object of the object model; P is the smart pointer type of the failing interface.
template <class P> class dmo_error : public DmoFailure {
public:
    dmo_error(REFIID iid, const P& object, HRESULT result = E_FAIL)
        : DmoFailure(result, Describe(iid, raw(object))) {}
};

// The interface identifier of each interface, for the throw idiom.
template <class I> const IID& DmoIid();
#define MSDE_DMO_IID(I)                                                                                      \
    template <> inline const IID& DmoIid<I>() {                                                              \
        return IID_##I;                                                                                      \
    }
MSDE_DMO_IID(IWSQLDMOApplication)
MSDE_DMO_IID(IWSQLDMOServerGroups)
MSDE_DMO_IID(IWSQLDMOServerGroup)
MSDE_DMO_IID(IWSQLDMORegisteredServers)
MSDE_DMO_IID(IWSQLDMORegisteredServer)
MSDE_DMO_IID(IWSQLDMONameList)
MSDE_DMO_IID(IWSQLDMOServer)
MSDE_DMO_IID(IWSQLDMODatabases)
MSDE_DMO_IID(IWSQLDMODatabase)
MSDE_DMO_IID(IWSQLDMODBOption)
MSDE_DMO_IID(IWSQLDMOTransactionLog)
MSDE_DMO_IID(IWSQLDMOFileGroups)
MSDE_DMO_IID(IWSQLDMOFileGroup)
MSDE_DMO_IID(IWSQLDMODBFiles)
MSDE_DMO_IID(IWSQLDMODBFile)
MSDE_DMO_IID(IWSQLDMOLogFiles)
MSDE_DMO_IID(IWSQLDMOLogFile)
MSDE_DMO_IID(IWSQLDMOQueryResults)
MSDE_DMO_IID(IWSQLDMOBackup)
MSDE_DMO_IID(IWSQLDMORestore)
MSDE_DMO_IID(IWSQLDMOJobServer)
MSDE_DMO_IID(IWSQLDMOJobs)
MSDE_DMO_IID(IWSQLDMOJob)
MSDE_DMO_IID(IWSQLDMOJobSteps)
MSDE_DMO_IID(IWSQLDMOJobStep)
MSDE_DMO_IID(IWSQLDMOJobSchedules)
MSDE_DMO_IID(IWSQLDMOJobSchedule)
MSDE_DMO_IID(IWSQLDMOSchedule)
MSDE_DMO_IID(IWSQLDMOLogins)
MSDE_DMO_IID(IWSQLDMOLogin)
MSDE_DMO_IID(IWSQLDMOServerRoles)
MSDE_DMO_IID(IWSQLDMOServerRole)
MSDE_DMO_IID(IWSQLDMOBackupDevices)
MSDE_DMO_IID(IWSQLDMOBackupDevice)
MSDE_DMO_IID(IWSQLDMORegistry)
#undef MSDE_DMO_IID

// The throw idiom at every call site: `DmoCheck(job, raw(job)->SetName(name));` throws
// dmo_error<JobPtr> with the job's description and the call's result when the call failed, and returns
// the result otherwise.
template <class I> HRESULT DmoCheck(const DmoPtr<I>& object, HRESULT hr) {
    if (hr < 0) throw dmo_error<DmoPtr<I>>(DmoIid<I>(), object, hr);
    return hr;
}

// A new object of the object model's class clsid, as interface I; throws a DmoFailure naming the class
// (what, e.g. "restore") when it cannot be created.
template <class I> DmoPtr<I> CreateDmoOrThrow(REFCLSID clsid, REFIID iid, const wchar_t* what) {
    HRESULT hr = S_OK;
    DmoPtr<I> object = CreateDmo<I>(clsid, iid, &hr);
    if (!raw(object)) ThrowNotCreated(what, FAILED(hr) ? hr : E_NOINTERFACE);
    return object;
}

// The bracketed chain of sources at the start of a description ("[Tavrosk][Engine]"), up to the last
// ']' before the first line break; empty when the first line has none after its first character.
std::string ErrorCaption(const std::string& text);
// The description without any copy of its caption, which is how it is shown.
std::string ErrorBody(const std::string& text);

// Shown form: the failure goes to the debugger output and to a message box with no owner, the
// description as its text and the bracketed sources as its caption, with the error icon.
void ReportError(const std::exception& error);
// Silent form: the failure goes to the debugger output only.
void TraceError(const std::exception& error);

} // namespace MSDE
