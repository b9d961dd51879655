// The database-management object model: the interfaces the console's nodes, pages and wizards use to
// reach servers, with their class and interface identifiers. Properties are read and written through
// Get and Set members; strings come back as BSTRs that the caller frees with SysFreeString, strings
// go in as wide strings, flags are VARIANT_BOOL. Collections count from 0 (ItemByOrd 0 is the first
// item); query results count rows and columns from 1. Every failing call returns a failing HRESULT
// and leaves error information on the calling thread; every object answers ISupportErrorInfo.
#pragma once

#include "oaidl.h"
#include "ocidl.h"

typedef LPCOLESTR SQLDMO_LPCSTR;
typedef BSTR* SQLDMO_LPBSTR;

#define SQLDMO_GUID(name, l)                                                                                 \
    DEFINE_GUID(name, l, 0xE260, 0x11CF, 0xAE, 0x68, 0x00, 0xAA, 0x00, 0x4A, 0x34, 0xD5)

// Classes that callers create themselves.
SQLDMO_GUID(CLSID_SQLDMOApplication, 0x10020100);
SQLDMO_GUID(CLSID_SQLDMOServer, 0x10020200);
SQLDMO_GUID(CLSID_SQLDMODatabase, 0x10020300);
SQLDMO_GUID(CLSID_SQLDMOLogin, 0x10021300);
SQLDMO_GUID(CLSID_SQLDMOServerGroup, 0x10021800);
SQLDMO_GUID(CLSID_SQLDMORegisteredServer, 0x10021900);
SQLDMO_GUID(CLSID_SQLDMOBackup, 0x10021F00);
SQLDMO_GUID(CLSID_SQLDMODBFile, 0x10022D00);
SQLDMO_GUID(CLSID_SQLDMOLogFile, 0x10022E00);
SQLDMO_GUID(CLSID_SQLDMORestore, 0x10023200);
SQLDMO_GUID(CLSID_SQLDMOJob, 0x10040800);
SQLDMO_GUID(CLSID_SQLDMOJobStep, 0x10040900);
SQLDMO_GUID(CLSID_SQLDMOJobSchedule, 0x10041600);

SQLDMO_GUID(IID_IWSQLDMOApplication, 0x10020105);
SQLDMO_GUID(IID_IWSQLDMOServer, 0x10020205);
SQLDMO_GUID(IID_IWSQLDMODatabase, 0x10020305);
SQLDMO_GUID(IID_IWSQLDMODatabases, 0x10020306);
SQLDMO_GUID(IID_IWSQLDMODBOption, 0x10020405);
SQLDMO_GUID(IID_IWSQLDMOTransactionLog, 0x10020505);
SQLDMO_GUID(IID_IWSQLDMOLogin, 0x10021305);
SQLDMO_GUID(IID_IWSQLDMOLogins, 0x10021306);
SQLDMO_GUID(IID_IWSQLDMOServerGroup, 0x10021805);
SQLDMO_GUID(IID_IWSQLDMOServerGroups, 0x10021806);
SQLDMO_GUID(IID_IWSQLDMORegisteredServer, 0x10021905);
SQLDMO_GUID(IID_IWSQLDMORegisteredServers, 0x10021906);
SQLDMO_GUID(IID_IWSQLDMOBackup, 0x10021F05);
SQLDMO_GUID(IID_IWSQLDMOBackupSink, 0x10021F08);
SQLDMO_GUID(IID_IWSQLDMOQueryResults, 0x10022105);
SQLDMO_GUID(IID_IWSQLDMOFileGroup, 0x10022B05);
SQLDMO_GUID(IID_IWSQLDMOFileGroups, 0x10022B06);
SQLDMO_GUID(IID_IWSQLDMODBFile, 0x10022D05);
SQLDMO_GUID(IID_IWSQLDMODBFiles, 0x10022D06);
SQLDMO_GUID(IID_IWSQLDMOLogFile, 0x10022E05);
SQLDMO_GUID(IID_IWSQLDMOLogFiles, 0x10022E06);
SQLDMO_GUID(IID_IWSQLDMORestore, 0x10023202);
SQLDMO_GUID(IID_IWSQLDMORestoreSink, 0x10023205);
SQLDMO_GUID(IID_IWSQLDMONameList, 0x10023505);
SQLDMO_GUID(IID_IWSQLDMORegistry, 0x10023605);
SQLDMO_GUID(IID_IWSQLDMOServerRole, 0x10023705);
SQLDMO_GUID(IID_IWSQLDMOServerRoles, 0x10023706);
SQLDMO_GUID(IID_IWSQLDMOBackupDevice, 0x10023805);
SQLDMO_GUID(IID_IWSQLDMOBackupDevices, 0x10023806);
SQLDMO_GUID(IID_IWSQLDMOJobServer, 0x10040705);
SQLDMO_GUID(IID_IWSQLDMOJob, 0x10040805);
SQLDMO_GUID(IID_IWSQLDMOJobs, 0x10040806);
SQLDMO_GUID(IID_IWSQLDMOJobStep, 0x10040905);
SQLDMO_GUID(IID_IWSQLDMOJobSteps, 0x10040906);
SQLDMO_GUID(IID_IWSQLDMOJobSchedule, 0x10041605);
SQLDMO_GUID(IID_IWSQLDMOJobSchedules, 0x10041606);
SQLDMO_GUID(IID_IWSQLDMOSchedule, 0x10041705);

// Backup actions.
enum SQLDMO_BACKUP_TYPE { SQLDMOBackup_Database = 0, SQLDMOBackup_Incremental = 1, SQLDMOBackup_Log = 3 };
// Restore actions.
enum SQLDMO_RESTORE_TYPE { SQLDMORestore_Database = 0 };
// Database status bits.
enum SQLDMO_DBSTATUS_TYPE {
    SQLDMODBStat_Normal = 0x0000,
    SQLDMODBStat_Loading = 0x0020,
    SQLDMODBStat_Suspect = 0x0100,
    SQLDMODBStat_Offline = 0x0200,
};
// Login types.
enum SQLDMO_LOGIN_TYPE { SQLDMOLogin_NTUser = 0, SQLDMOLogin_NTGroup = 1, SQLDMOLogin_Standard = 2 };
// Step actions.
enum SQLDMO_JOBSTEPACTION_TYPE {
    SQLDMOJobStepAction_QuitWithSuccess = 1,
    SQLDMOJobStepAction_QuitWithFailure = 2,
    SQLDMOJobStepAction_GotoNextStep = 3,
    SQLDMOJobStepAction_GotoStep = 4,
};
// Schedule frequencies.
enum SQLDMO_FREQUENCY_TYPE {
    SQLDMOFreq_OneTime = 1,
    SQLDMOFreq_Daily = 4,
    SQLDMOFreq_Weekly = 8,
    SQLDMOFreq_Monthly = 16,
    SQLDMOFreq_MonthlyRelative = 32,
    SQLDMOFreq_Autostart = 64,
};
// Job run states and outcomes.
enum SQLDMO_JOBEXECUTION_STATUS { SQLDMOJobExecution_Executing = 1, SQLDMOJobExecution_Idle = 4 };
enum SQLDMO_JOBOUTCOME_TYPE {
    SQLDMOJobOutcome_Failed = 0,
    SQLDMOJobOutcome_Succeeded = 1,
    SQLDMOJobOutcome_Cancelled = 3,
    SQLDMOJobOutcome_InProgress = 4,
    SQLDMOJobOutcome_Unknown = 5,
};
// Query result column types (ODBC type codes).
enum SQLDMO_QUERY_DATATYPE {
    SQLDMO_DTypeChar = 1,
    SQLDMO_DTypeInt4 = 4,
    SQLDMO_DTypeInt2 = 5,
    SQLDMO_DTypeFloat8 = 8,
    SQLDMO_DTypeVarchar = 12,
    SQLDMO_DTypeInt1 = -6,
    SQLDMO_DTypeUVarchar = -9,
    SQLDMO_DTypeDateTime = 93,
    SQLDMO_DTypeBinary = -2,
};

interface IWSQLDMOServer;
interface IWSQLDMOServerGroup;
interface IWSQLDMORegisteredServer;
interface IWSQLDMODatabase;
interface IWSQLDMOJob;
interface IWSQLDMOJobStep;
interface IWSQLDMOJobSchedule;
interface IWSQLDMOLogin;
interface IWSQLDMOServerRole;
interface IWSQLDMOBackupDevice;
interface IWSQLDMOFileGroup;
interface IWSQLDMODBFile;
interface IWSQLDMOLogFile;

// The collections share one shape: a count, items by 0-based ordinal and by name (case-insensitive),
// a refresh from the server, and for most of them Add and removal.
#define SQLDMO_COLLECTION_MEMBERS(Item)                                                                      \
    STDMETHOD(GetCount)(LPLONG pRetVal) PURE;                                                                \
    STDMETHOD(GetItemByOrd)(long lOrdinal, Item** ppObj) PURE;                                               \
    STDMETHOD(GetItemByName)(SQLDMO_LPCSTR szName, Item * *ppObj) PURE;                                      \
    STDMETHOD(Refresh)(VARIANT_BOOL ReleaseMemberObjects) PURE

interface IWSQLDMONameList : public IUnknown {
    STDMETHOD(GetCount)(LPLONG pRetVal) PURE;
    STDMETHOD(GetItemByOrd)(long lOrdinal, SQLDMO_LPBSTR pRetVal) PURE;
    STDMETHOD(FindName)(SQLDMO_LPCSTR szName, LPLONG pRetVal) PURE;

protected:
    ~IWSQLDMONameList() = default;
};
TVCOM_IID(IWSQLDMONameList, IID_IWSQLDMONameList)

interface IWSQLDMOQueryResults : public IUnknown {
    STDMETHOD(GetRows)(LPLONG pRetVal) PURE;
    STDMETHOD(GetColumns)(LPLONG pRetVal) PURE;
    STDMETHOD(GetColumnName)(long Column, SQLDMO_LPBSTR pRetVal) PURE;
    STDMETHOD(GetColumnType)(long Column, LPLONG pRetVal) PURE;
    STDMETHOD(GetColumnString)(long Row, long Column, SQLDMO_LPBSTR pRetVal) PURE;
    STDMETHOD(GetColumnLong)(long Row, long Column, LPLONG pRetVal) PURE;
    STDMETHOD(GetColumnDouble)(long Row, long Column, double* pRetVal) PURE;

protected:
    ~IWSQLDMOQueryResults() = default;
};
TVCOM_IID(IWSQLDMOQueryResults, IID_IWSQLDMOQueryResults)

// Server registration ---------------------------------------------------------------------------------

interface IWSQLDMORegisteredServer : public IUnknown {
    STDMETHOD(GetName)(SQLDMO_LPBSTR pRetVal) PURE;
    STDMETHOD(SetName)(SQLDMO_LPCSTR NewValue) PURE;
    STDMETHOD(GetUseTrustedConnection)(VARIANT_BOOL* pRetVal) PURE;
    STDMETHOD(SetUseTrustedConnection)(VARIANT_BOOL NewValue) PURE;
    STDMETHOD(GetLogin)(SQLDMO_LPBSTR pRetVal) PURE;
    STDMETHOD(SetLogin)(SQLDMO_LPCSTR NewValue) PURE;
    STDMETHOD(Remove)() PURE;

protected:
    ~IWSQLDMORegisteredServer() = default;
};
TVCOM_IID(IWSQLDMORegisteredServer, IID_IWSQLDMORegisteredServer)

interface IWSQLDMORegisteredServers : public IUnknown {
    SQLDMO_COLLECTION_MEMBERS(IWSQLDMORegisteredServer);
    STDMETHOD(Add)(IWSQLDMORegisteredServer* pObj) PURE;
    STDMETHOD(RemoveByOrd)(long lOrdinal) PURE;
    STDMETHOD(RemoveByName)(SQLDMO_LPCSTR szName) PURE;

protected:
    ~IWSQLDMORegisteredServers() = default;
};
TVCOM_IID(IWSQLDMORegisteredServers, IID_IWSQLDMORegisteredServers)

interface IWSQLDMOServerGroup : public IUnknown {
    STDMETHOD(GetName)(SQLDMO_LPBSTR pRetVal) PURE;
    STDMETHOD(SetName)(SQLDMO_LPCSTR NewValue) PURE;
    STDMETHOD(GetRegisteredServers)(IWSQLDMORegisteredServers** ppObj) PURE;
    STDMETHOD(Remove)() PURE;

protected:
    ~IWSQLDMOServerGroup() = default;
};
TVCOM_IID(IWSQLDMOServerGroup, IID_IWSQLDMOServerGroup)

interface IWSQLDMOServerGroups : public IUnknown {
    SQLDMO_COLLECTION_MEMBERS(IWSQLDMOServerGroup);
    STDMETHOD(Add)(IWSQLDMOServerGroup* pObj) PURE;
    STDMETHOD(RemoveByOrd)(long lOrdinal) PURE;
    STDMETHOD(RemoveByName)(SQLDMO_LPCSTR szName) PURE;

protected:
    ~IWSQLDMOServerGroups() = default;
};
TVCOM_IID(IWSQLDMOServerGroups, IID_IWSQLDMOServerGroups)

interface IWSQLDMOApplication : public IUnknown {
    STDMETHOD(GetServerGroups)(IWSQLDMOServerGroups** ppObj) PURE;
    // The instances of this computer, by the names that reach them.
    STDMETHOD(ListAvailableSQLServers)(IWSQLDMONameList** ppList) PURE;
    STDMETHOD(GetVersionMajor)(LPLONG pRetVal) PURE;
    STDMETHOD(GetVersionMinor)(LPLONG pRetVal) PURE;

protected:
    ~IWSQLDMOApplication() = default;
};
TVCOM_IID(IWSQLDMOApplication, IID_IWSQLDMOApplication)

// Files, file groups, options, log ---------------------------------------------------------------------

interface IWSQLDMODBFile : public IUnknown {
    STDMETHOD(GetName)(SQLDMO_LPBSTR pRetVal) PURE;
    STDMETHOD(SetName)(SQLDMO_LPCSTR NewValue) PURE;
    STDMETHOD(GetPhysicalName)(SQLDMO_LPBSTR pRetVal) PURE;
    STDMETHOD(SetPhysicalName)(SQLDMO_LPCSTR NewValue) PURE;
    STDMETHOD(GetSize)(LPLONG pRetVal) PURE; // megabytes

protected:
    ~IWSQLDMODBFile() = default;
};
TVCOM_IID(IWSQLDMODBFile, IID_IWSQLDMODBFile)

interface IWSQLDMODBFiles : public IUnknown {
    SQLDMO_COLLECTION_MEMBERS(IWSQLDMODBFile);
    STDMETHOD(Add)(IWSQLDMODBFile* pObj) PURE;

protected:
    ~IWSQLDMODBFiles() = default;
};
TVCOM_IID(IWSQLDMODBFiles, IID_IWSQLDMODBFiles)

interface IWSQLDMOLogFile : public IUnknown {
    STDMETHOD(GetName)(SQLDMO_LPBSTR pRetVal) PURE;
    STDMETHOD(SetName)(SQLDMO_LPCSTR NewValue) PURE;
    STDMETHOD(GetPhysicalName)(SQLDMO_LPBSTR pRetVal) PURE;
    STDMETHOD(SetPhysicalName)(SQLDMO_LPCSTR NewValue) PURE;
    STDMETHOD(GetSize)(LPLONG pRetVal) PURE; // megabytes

protected:
    ~IWSQLDMOLogFile() = default;
};
TVCOM_IID(IWSQLDMOLogFile, IID_IWSQLDMOLogFile)

interface IWSQLDMOLogFiles : public IUnknown {
    SQLDMO_COLLECTION_MEMBERS(IWSQLDMOLogFile);
    STDMETHOD(Add)(IWSQLDMOLogFile* pObj) PURE;

protected:
    ~IWSQLDMOLogFiles() = default;
};
TVCOM_IID(IWSQLDMOLogFiles, IID_IWSQLDMOLogFiles)

interface IWSQLDMOFileGroup : public IUnknown {
    STDMETHOD(GetName)(SQLDMO_LPBSTR pRetVal) PURE;
    STDMETHOD(GetDBFiles)(IWSQLDMODBFiles** ppObj) PURE;

protected:
    ~IWSQLDMOFileGroup() = default;
};
TVCOM_IID(IWSQLDMOFileGroup, IID_IWSQLDMOFileGroup)

interface IWSQLDMOFileGroups : public IUnknown {
    SQLDMO_COLLECTION_MEMBERS(IWSQLDMOFileGroup);

protected:
    ~IWSQLDMOFileGroups() = default;
};
TVCOM_IID(IWSQLDMOFileGroups, IID_IWSQLDMOFileGroups)

interface IWSQLDMODBOption : public IUnknown {
    STDMETHOD(GetReadOnly)(VARIANT_BOOL* pRetVal) PURE;
    STDMETHOD(SetReadOnly)(VARIANT_BOOL NewValue) PURE;

protected:
    ~IWSQLDMODBOption() = default;
};
TVCOM_IID(IWSQLDMODBOption, IID_IWSQLDMODBOption)

interface IWSQLDMOTransactionLog : public IUnknown {
    // Dates as text, "YYYY-MM-DD HH:MM:SS"; LastBackup is empty when the database was never backed up.
    STDMETHOD(GetCreateDate)(SQLDMO_LPBSTR pRetVal) PURE;
    STDMETHOD(GetLastBackup)(SQLDMO_LPBSTR pRetVal) PURE;
    STDMETHOD(GetSize)(LPLONG pRetVal) PURE;
    STDMETHOD(GetSpaceAvailableInMB)(float* pRetVal) PURE;
    STDMETHOD(GetLogFiles)(IWSQLDMOLogFiles** ppObj) PURE;

protected:
    ~IWSQLDMOTransactionLog() = default;
};
TVCOM_IID(IWSQLDMOTransactionLog, IID_IWSQLDMOTransactionLog)

// Databases ---------------------------------------------------------------------------------------------

interface IWSQLDMODatabase : public IUnknown {
    STDMETHOD(GetName)(SQLDMO_LPBSTR pRetVal) PURE;
    STDMETHOD(SetName)(SQLDMO_LPCSTR NewValue) PURE;
    STDMETHOD(GetSize)(LPLONG pRetVal) PURE;
    STDMETHOD(GetSpaceAvailableInMB)(float* pRetVal) PURE;
    STDMETHOD(GetSystemObject)(VARIANT_BOOL* pRetVal) PURE;
    STDMETHOD(GetStatus)(LPLONG pRetVal) PURE;
    STDMETHOD(GetCreateDate)(SQLDMO_LPBSTR pRetVal) PURE;
    STDMETHOD(GetTransactionLog)(IWSQLDMOTransactionLog** ppObj) PURE;
    STDMETHOD(GetDBOption)(IWSQLDMODBOption** ppObj) PURE;
    STDMETHOD(GetFileGroups)(IWSQLDMOFileGroups** ppObj) PURE;
    // The locks held in this database by one process, or by every process when Who is -1.
    STDMETHOD(EnumLocks)(long Who, IWSQLDMOQueryResults** ppResults) PURE;
    STDMETHOD(Remove)() PURE;

protected:
    ~IWSQLDMODatabase() = default;
};
TVCOM_IID(IWSQLDMODatabase, IID_IWSQLDMODatabase)

interface IWSQLDMODatabases : public IUnknown {
    SQLDMO_COLLECTION_MEMBERS(IWSQLDMODatabase);
    // Creates the database from a new Database object: its name, the data files added to its "PRIMARY"
    // file group and the log files added to its transaction log.
    STDMETHOD(Add)(IWSQLDMODatabase* pObj) PURE;
    STDMETHOD(RemoveByName)(SQLDMO_LPCSTR szName) PURE;

protected:
    ~IWSQLDMODatabases() = default;
};
TVCOM_IID(IWSQLDMODatabases, IID_IWSQLDMODatabases)

// Backup and restore ------------------------------------------------------------------------------------

interface IWSQLDMOBackupSink : public IUnknown {
    STDMETHOD(PercentComplete)(SQLDMO_LPCSTR Message, long Percent) PURE;
    STDMETHOD(NextMedia)(SQLDMO_LPCSTR Message) PURE;
    STDMETHOD(Complete)(SQLDMO_LPCSTR Message) PURE;

protected:
    ~IWSQLDMOBackupSink() = default;
};
TVCOM_IID(IWSQLDMOBackupSink, IID_IWSQLDMOBackupSink)

interface IWSQLDMORestoreSink : public IUnknown {
    STDMETHOD(PercentComplete)(SQLDMO_LPCSTR Message, long Percent) PURE;
    STDMETHOD(NextMedia)(SQLDMO_LPCSTR Message) PURE;
    STDMETHOD(Complete)(SQLDMO_LPCSTR Message) PURE;

protected:
    ~IWSQLDMORestoreSink() = default;
};
TVCOM_IID(IWSQLDMORestoreSink, IID_IWSQLDMORestoreSink)

// Device lists are bracketed file names separated by commas: "[c:\b\one.bak]".
interface IWSQLDMOBackup : public IUnknown {
    STDMETHOD(GetAction)(LPLONG pRetVal) PURE;
    STDMETHOD(SetAction)(long NewValue) PURE;
    STDMETHOD(GetFiles)(SQLDMO_LPBSTR pRetVal) PURE;
    STDMETHOD(SetFiles)(SQLDMO_LPCSTR NewValue) PURE;
    STDMETHOD(GetDevices)(SQLDMO_LPBSTR pRetVal) PURE;
    STDMETHOD(SetDevices)(SQLDMO_LPCSTR NewValue) PURE;
    STDMETHOD(GetDatabase)(SQLDMO_LPBSTR pRetVal) PURE;
    STDMETHOD(SetDatabase)(SQLDMO_LPCSTR NewValue) PURE;
    STDMETHOD(GetBackupSetName)(SQLDMO_LPBSTR pRetVal) PURE;
    STDMETHOD(SetBackupSetName)(SQLDMO_LPCSTR NewValue) PURE;
    STDMETHOD(GetBackupSetDescription)(SQLDMO_LPBSTR pRetVal) PURE;
    STDMETHOD(SetBackupSetDescription)(SQLDMO_LPCSTR NewValue) PURE;
    STDMETHOD(GetInitialize)(VARIANT_BOOL* pRetVal) PURE;
    STDMETHOD(SetInitialize)(VARIANT_BOOL NewValue) PURE;
    STDMETHOD(GetPercentCompleteNotification)(LPLONG pRetVal) PURE;
    STDMETHOD(SetPercentCompleteNotification)(long NewValue) PURE;
    STDMETHOD(SQLBackup)(IWSQLDMOServer* ServerObject) PURE;

protected:
    ~IWSQLDMOBackup() = default;
};
TVCOM_IID(IWSQLDMOBackup, IID_IWSQLDMOBackup)

interface IWSQLDMORestore : public IUnknown {
    STDMETHOD(GetAction)(LPLONG pRetVal) PURE;
    STDMETHOD(SetAction)(long NewValue) PURE;
    STDMETHOD(GetFiles)(SQLDMO_LPBSTR pRetVal) PURE;
    STDMETHOD(SetFiles)(SQLDMO_LPCSTR NewValue) PURE;
    STDMETHOD(GetDevices)(SQLDMO_LPBSTR pRetVal) PURE;
    STDMETHOD(SetDevices)(SQLDMO_LPCSTR NewValue) PURE;
    STDMETHOD(GetDatabase)(SQLDMO_LPBSTR pRetVal) PURE;
    STDMETHOD(SetDatabase)(SQLDMO_LPCSTR NewValue) PURE;
    // Pairs of a logical file name and its new place: "[name],[path],[name2],[path2]".
    STDMETHOD(GetRelocateFiles)(SQLDMO_LPBSTR pRetVal) PURE;
    STDMETHOD(SetRelocateFiles)(SQLDMO_LPCSTR NewValue) PURE;
    STDMETHOD(GetReplaceDatabase)(VARIANT_BOOL* pRetVal) PURE;
    STDMETHOD(SetReplaceDatabase)(VARIANT_BOOL NewValue) PURE;
    STDMETHOD(GetLastRestore)(VARIANT_BOOL* pRetVal) PURE;
    STDMETHOD(SetLastRestore)(VARIANT_BOOL NewValue) PURE;
    // Which backup set of the file; 0 and 1 both name the first.
    STDMETHOD(GetFileNumber)(LPLONG pRetVal) PURE;
    STDMETHOD(SetFileNumber)(long NewValue) PURE;
    STDMETHOD(GetPercentCompleteNotification)(LPLONG pRetVal) PURE;
    STDMETHOD(SetPercentCompleteNotification)(long NewValue) PURE;
    // LogicalName, PhysicalName, Type, FileGroupName, Size, MaxSize of the set's files.
    STDMETHOD(ReadFileList)(IWSQLDMOServer* ServerObject, IWSQLDMOQueryResults** ppResults) PURE;
    STDMETHOD(SQLRestore)(IWSQLDMOServer* ServerObject) PURE;

protected:
    ~IWSQLDMORestore() = default;
};
TVCOM_IID(IWSQLDMORestore, IID_IWSQLDMORestore)

// Jobs ----------------------------------------------------------------------------------------------------

// Dates are yyyymmdd and times hhmmss, as the server encodes them.
interface IWSQLDMOSchedule : public IUnknown {
    STDMETHOD(GetFrequencyType)(LPLONG pRetVal) PURE;
    STDMETHOD(SetFrequencyType)(long NewValue) PURE;
    STDMETHOD(GetFrequencyInterval)(LPLONG pRetVal) PURE;
    STDMETHOD(SetFrequencyInterval)(long NewValue) PURE;
    STDMETHOD(GetFrequencyRecurrenceFactor)(LPLONG pRetVal) PURE;
    STDMETHOD(SetFrequencyRecurrenceFactor)(long NewValue) PURE;
    STDMETHOD(GetFrequencyRelativeInterval)(LPLONG pRetVal) PURE;
    STDMETHOD(SetFrequencyRelativeInterval)(long NewValue) PURE;
    STDMETHOD(GetFrequencySubDay)(LPLONG pRetVal) PURE;
    STDMETHOD(SetFrequencySubDay)(long NewValue) PURE;
    STDMETHOD(GetFrequencySubDayInterval)(LPLONG pRetVal) PURE;
    STDMETHOD(SetFrequencySubDayInterval)(long NewValue) PURE;
    STDMETHOD(GetActiveStartDate)(LPLONG pRetVal) PURE;
    STDMETHOD(SetActiveStartDate)(long NewValue) PURE;
    STDMETHOD(GetActiveStartTimeOfDay)(LPLONG pRetVal) PURE;
    STDMETHOD(SetActiveStartTimeOfDay)(long NewValue) PURE;
    STDMETHOD(GetActiveEndDate)(LPLONG pRetVal) PURE;
    STDMETHOD(SetActiveEndDate)(long NewValue) PURE;
    STDMETHOD(GetActiveEndTimeOfDay)(LPLONG pRetVal) PURE;
    STDMETHOD(SetActiveEndTimeOfDay)(long NewValue) PURE;

protected:
    ~IWSQLDMOSchedule() = default;
};
TVCOM_IID(IWSQLDMOSchedule, IID_IWSQLDMOSchedule)

// Changes to a schedule of an existing job are written at once, or collected between BeginAlter and
// DoAlter and written together (CancelAlter drops them).
interface IWSQLDMOJobSchedule : public IUnknown {
    STDMETHOD(GetName)(SQLDMO_LPBSTR pRetVal) PURE;
    STDMETHOD(SetName)(SQLDMO_LPCSTR NewValue) PURE;
    STDMETHOD(GetEnabled)(VARIANT_BOOL* pRetVal) PURE;
    STDMETHOD(SetEnabled)(VARIANT_BOOL NewValue) PURE;
    STDMETHOD(GetSchedule)(IWSQLDMOSchedule** ppObj) PURE;
    STDMETHOD(Refresh)() PURE;
    STDMETHOD(BeginAlter)() PURE;
    STDMETHOD(DoAlter)() PURE;
    STDMETHOD(CancelAlter)() PURE;
    STDMETHOD(Remove)() PURE;

protected:
    ~IWSQLDMOJobSchedule() = default;
};
TVCOM_IID(IWSQLDMOJobSchedule, IID_IWSQLDMOJobSchedule)

interface IWSQLDMOJobSchedules : public IUnknown {
    SQLDMO_COLLECTION_MEMBERS(IWSQLDMOJobSchedule);
    STDMETHOD(Add)(IWSQLDMOJobSchedule* pObj) PURE;

protected:
    ~IWSQLDMOJobSchedules() = default;
};
TVCOM_IID(IWSQLDMOJobSchedules, IID_IWSQLDMOJobSchedules)

interface IWSQLDMOJobStep : public IUnknown {
    STDMETHOD(GetStepID)(LPLONG pRetVal) PURE;
    STDMETHOD(SetStepID)(long NewValue) PURE;
    STDMETHOD(GetName)(SQLDMO_LPBSTR pRetVal) PURE;
    STDMETHOD(SetName)(SQLDMO_LPCSTR NewValue) PURE;
    STDMETHOD(GetSubSystem)(SQLDMO_LPBSTR pRetVal) PURE;
    STDMETHOD(SetSubSystem)(SQLDMO_LPCSTR NewValue) PURE;
    STDMETHOD(GetCommand)(SQLDMO_LPBSTR pRetVal) PURE;
    STDMETHOD(SetCommand)(SQLDMO_LPCSTR NewValue) PURE;
    STDMETHOD(GetDatabaseName)(SQLDMO_LPBSTR pRetVal) PURE;
    STDMETHOD(SetDatabaseName)(SQLDMO_LPCSTR NewValue) PURE;
    STDMETHOD(GetOnSuccessAction)(LPLONG pRetVal) PURE;
    STDMETHOD(SetOnSuccessAction)(long NewValue) PURE;
    STDMETHOD(GetOnSuccessStep)(LPLONG pRetVal) PURE;
    STDMETHOD(SetOnSuccessStep)(long NewValue) PURE;
    STDMETHOD(GetOnFailAction)(LPLONG pRetVal) PURE;
    STDMETHOD(SetOnFailAction)(long NewValue) PURE;
    STDMETHOD(GetOnFailStep)(LPLONG pRetVal) PURE;
    STDMETHOD(SetOnFailStep)(long NewValue) PURE;
    STDMETHOD(Remove)() PURE;

protected:
    ~IWSQLDMOJobStep() = default;
};
TVCOM_IID(IWSQLDMOJobStep, IID_IWSQLDMOJobStep)

interface IWSQLDMOJobSteps : public IUnknown {
    SQLDMO_COLLECTION_MEMBERS(IWSQLDMOJobStep);
    STDMETHOD(Add)(IWSQLDMOJobStep* pObj) PURE;

protected:
    ~IWSQLDMOJobSteps() = default;
};
TVCOM_IID(IWSQLDMOJobSteps, IID_IWSQLDMOJobSteps)

interface IWSQLDMOJob : public IUnknown {
    STDMETHOD(GetName)(SQLDMO_LPBSTR pRetVal) PURE;
    STDMETHOD(SetName)(SQLDMO_LPCSTR NewValue) PURE;
    STDMETHOD(GetJobID)(SQLDMO_LPBSTR pRetVal) PURE;
    STDMETHOD(GetCategory)(SQLDMO_LPBSTR pRetVal) PURE;
    STDMETHOD(SetCategory)(SQLDMO_LPCSTR NewValue) PURE;
    STDMETHOD(GetDescription)(SQLDMO_LPBSTR pRetVal) PURE;
    STDMETHOD(SetDescription)(SQLDMO_LPCSTR NewValue) PURE;
    STDMETHOD(GetOwnerLoginName)(SQLDMO_LPBSTR pRetVal) PURE;
    STDMETHOD(GetEnabled)(VARIANT_BOOL* pRetVal) PURE;
    STDMETHOD(SetEnabled)(VARIANT_BOOL NewValue) PURE;
    STDMETHOD(GetHasSchedule)(VARIANT_BOOL* pRetVal) PURE;
    STDMETHOD(GetHasStep)(VARIANT_BOOL* pRetVal) PURE;
    STDMETHOD(GetStartStepID)(LPLONG pRetVal) PURE;
    STDMETHOD(SetStartStepID)(long NewValue) PURE;
    STDMETHOD(GetCurrentRunStatus)(LPLONG pRetVal) PURE;
    STDMETHOD(GetLastRunOutcome)(LPLONG pRetVal) PURE;
    STDMETHOD(GetLastRunDate)(LPLONG pRetVal) PURE;
    STDMETHOD(GetLastRunTime)(LPLONG pRetVal) PURE;
    STDMETHOD(GetNextRunDate)(LPLONG pRetVal) PURE;
    STDMETHOD(GetNextRunTime)(LPLONG pRetVal) PURE;
    STDMETHOD(GetJobSteps)(IWSQLDMOJobSteps** ppObj) PURE;
    STDMETHOD(GetJobSchedules)(IWSQLDMOJobSchedules** ppObj) PURE;
    STDMETHOD(ApplyToTargetServer)(SQLDMO_LPCSTR ServerName) PURE;
    // Asks the agent to run the job, from the named step (empty: the start step); fails when no agent
    // runs to be told. Invoke is Start from the start step.
    STDMETHOD(Start)(SQLDMO_LPCSTR StepName) PURE;
    STDMETHOD(Refresh)() PURE;
    STDMETHOD(Remove)() PURE;
    STDMETHOD(RemoveStepByName)(SQLDMO_LPCSTR StepName) PURE;
    STDMETHOD(RemoveScheduleByName)(SQLDMO_LPCSTR ScheduleName) PURE;
    STDMETHOD(Invoke)() PURE;
    // "N (step name)" while the job executes, "0 (unknown)" otherwise.
    STDMETHOD(GetCurrentRunStep)(SQLDMO_LPBSTR pRetVal) PURE;
    // The job's history, newest first: instance_id, job_id, job_name, step_id, step_name (step 0 is the
    // job's outcome), sql_message_id, sql_severity, message, run_status, run_date, run_time,
    // run_duration (hhmmss), server.
    STDMETHOD(EnumHistory)(IWSQLDMOQueryResults** ppResults) PURE;

protected:
    ~IWSQLDMOJob() = default;
};
TVCOM_IID(IWSQLDMOJob, IID_IWSQLDMOJob)

interface IWSQLDMOJobs : public IUnknown {
    SQLDMO_COLLECTION_MEMBERS(IWSQLDMOJob);
    STDMETHOD(Add)(IWSQLDMOJob* pObj) PURE;
    STDMETHOD(RemoveByName)(SQLDMO_LPCSTR szName) PURE;

protected:
    ~IWSQLDMOJobs() = default;
};
TVCOM_IID(IWSQLDMOJobs, IID_IWSQLDMOJobs)

interface IWSQLDMOJobServer : public IUnknown {
    STDMETHOD(GetJobs)(IWSQLDMOJobs** ppObj) PURE;
    STDMETHOD(Refresh)() PURE;
    // 1 running, 3 stopped, as the agent's service is.
    STDMETHOD(GetStatus)(LPLONG pRetVal) PURE;

protected:
    ~IWSQLDMOJobServer() = default;
};
TVCOM_IID(IWSQLDMOJobServer, IID_IWSQLDMOJobServer)

// Security and devices -----------------------------------------------------------------------------------

interface IWSQLDMOLogin : public IUnknown {
    STDMETHOD(GetName)(SQLDMO_LPBSTR pRetVal) PURE;
    STDMETHOD(SetName)(SQLDMO_LPCSTR NewValue) PURE;
    STDMETHOD(GetType)(LPLONG pRetVal) PURE;
    STDMETHOD(SetType)(long NewValue) PURE;
    STDMETHOD(GetDatabase)(SQLDMO_LPBSTR pRetVal) PURE;
    STDMETHOD(SetDatabase)(SQLDMO_LPCSTR NewValue) PURE;
    STDMETHOD(Remove)() PURE;

protected:
    ~IWSQLDMOLogin() = default;
};
TVCOM_IID(IWSQLDMOLogin, IID_IWSQLDMOLogin)

interface IWSQLDMOLogins : public IUnknown {
    SQLDMO_COLLECTION_MEMBERS(IWSQLDMOLogin);
    STDMETHOD(Add)(IWSQLDMOLogin* pObj) PURE;

protected:
    ~IWSQLDMOLogins() = default;
};
TVCOM_IID(IWSQLDMOLogins, IID_IWSQLDMOLogins)

interface IWSQLDMOServerRole : public IUnknown {
    STDMETHOD(GetName)(SQLDMO_LPBSTR pRetVal) PURE;
    STDMETHOD(GetDescription)(SQLDMO_LPBSTR pRetVal) PURE;
    STDMETHOD(AddMember)(SQLDMO_LPCSTR Login) PURE;
    STDMETHOD(DropMember)(SQLDMO_LPCSTR Login) PURE;
    STDMETHOD(EnumServerRoleMember)(IWSQLDMONameList** ppList) PURE;

protected:
    ~IWSQLDMOServerRole() = default;
};
TVCOM_IID(IWSQLDMOServerRole, IID_IWSQLDMOServerRole)

interface IWSQLDMOServerRoles : public IUnknown {
    SQLDMO_COLLECTION_MEMBERS(IWSQLDMOServerRole);

protected:
    ~IWSQLDMOServerRoles() = default;
};
TVCOM_IID(IWSQLDMOServerRoles, IID_IWSQLDMOServerRoles)

interface IWSQLDMOBackupDevice : public IUnknown {
    STDMETHOD(GetName)(SQLDMO_LPBSTR pRetVal) PURE;
    STDMETHOD(GetPhysicalLocation)(SQLDMO_LPBSTR pRetVal) PURE;

protected:
    ~IWSQLDMOBackupDevice() = default;
};
TVCOM_IID(IWSQLDMOBackupDevice, IID_IWSQLDMOBackupDevice)

interface IWSQLDMOBackupDevices : public IUnknown {
    SQLDMO_COLLECTION_MEMBERS(IWSQLDMOBackupDevice);

protected:
    ~IWSQLDMOBackupDevices() = default;
};
TVCOM_IID(IWSQLDMOBackupDevices, IID_IWSQLDMOBackupDevices)

interface IWSQLDMORegistry : public IUnknown {
    STDMETHOD(GetBackupDirectory)(SQLDMO_LPBSTR pRetVal) PURE;
    STDMETHOD(GetSQLRootPath)(SQLDMO_LPBSTR pRetVal) PURE;
    STDMETHOD(GetSQLDataRoot)(SQLDMO_LPBSTR pRetVal) PURE;

protected:
    ~IWSQLDMORegistry() = default;
};
TVCOM_IID(IWSQLDMORegistry, IID_IWSQLDMORegistry)

// The server ----------------------------------------------------------------------------------------------

interface IWSQLDMOServer : public IUnknown {
    STDMETHOD(GetName)(SQLDMO_LPBSTR pRetVal) PURE;
    STDMETHOD(GetLoginSecure)(VARIANT_BOOL* pRetVal) PURE;
    STDMETHOD(SetLoginSecure)(VARIANT_BOOL NewValue) PURE;
    STDMETHOD(GetLogin)(SQLDMO_LPBSTR pRetVal) PURE;
    STDMETHOD(SetLogin)(SQLDMO_LPCSTR NewValue) PURE;
    STDMETHOD(SetPassword)(SQLDMO_LPCSTR NewValue) PURE;
    // Null or empty arguments take the values set before (or this computer's default instance).
    STDMETHOD(Connect)(SQLDMO_LPCSTR ServerName, SQLDMO_LPCSTR Login, SQLDMO_LPCSTR Password) PURE;
    STDMETHOD(DisConnect)() PURE;
    STDMETHOD(GetLanguage)(SQLDMO_LPBSTR pRetVal) PURE;
    STDMETHOD(GetVersionString)(SQLDMO_LPBSTR pRetVal) PURE;
    // The computer the server runs on, as that computer names itself.
    STDMETHOD(GetNetName)(SQLDMO_LPBSTR pRetVal) PURE;
    STDMETHOD(GetTrueName)(SQLDMO_LPBSTR pRetVal) PURE;
    STDMETHOD(GetVersionMajor)(LPLONG pRetVal) PURE;
    STDMETHOD(GetVersionMinor)(LPLONG pRetVal) PURE;
    STDMETHOD(GetDatabases)(IWSQLDMODatabases** ppObj) PURE;
    STDMETHOD(GetJobServer)(IWSQLDMOJobServer** ppObj) PURE;
    STDMETHOD(GetLogins)(IWSQLDMOLogins** ppObj) PURE;
    STDMETHOD(GetServerRoles)(IWSQLDMOServerRoles** ppObj) PURE;
    STDMETHOD(GetBackupDevices)(IWSQLDMOBackupDevices** ppObj) PURE;
    STDMETHOD(GetRegistry)(IWSQLDMORegistry** ppObj) PURE;
    STDMETHOD(BeginTransaction)(SQLDMO_LPCSTR TransactionName) PURE;
    STDMETHOD(CommitTransaction)(SQLDMO_LPCSTR TransactionName) PURE;
    STDMETHOD(RollbackTransaction)(SQLDMO_LPCSTR TransactionName) PURE;
    STDMETHOD(ExecuteWithResults)(SQLDMO_LPCSTR Command, IWSQLDMOQueryResults** ppResults) PURE;

protected:
    ~IWSQLDMOServer() = default;
};
TVCOM_IID(IWSQLDMOServer, IID_IWSQLDMOServer)
