// The embedded database engine's interface: instances under the prefix, sessions on them, and what a
// session can do (databases, logins and roles, backup devices, backup and restore, transactions over
// catalog changes, the job store). The object model, the agent, the maker's libraries and the tools all
// reach the engine through this header and nothing else.
//
// Text is UTF-8 throughout. Every failure is thrown as tvengine::Error, which carries the server's error
// number and sentence ("Login failed for user 'sa'."); callers show Message() as it stands.
#pragma once

#include <cstdint>
#include <ctime>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <variant>
#include <vector>

#define TVENGINE_API __attribute__((visibility("default")))

namespace tvengine {

// The server's error numbers, every one the engine throws. Each has one sentence, built in one place
// inside the engine, so the same failure always reads the same.
enum ErrorNumber : int {
    kErrInternal = 50000,             // a fault of the engine's own storage or of a request, with the reason
    kErrServerNotFound = 17,          // "SQL Server does not exist or access denied."
    kErrIdentifierTooLong = 103,      // a name longer than the server allows
    kErrSyntax = 170,                 // SQL the database could not run, or a value that is not one
    kErrStatementInTransaction = 226, // CREATE or DROP DATABASE inside a transaction
    kErrPermissionDenied = 229,       // SQL that reaches past its database (ATTACH, PRAGMA, VACUUM INTO)
    kErrPermissionCreateDb = 262,     // CREATE DATABASE permission denied
    kErrNoSuchDatabase = 911,         // no entry in sysdatabases for the name
    kErrSuspect = 926,                // a database whose data file is missing
    kErrDiskFull = 1105,              // no space left for a file
    kErrLockTimeout = 1222,           // another process held a lock for longer than the busy timeout
    kErrDatabaseExists = 1801,        // "Database 'X' already exists."
    kErrSameFileNames = 1828,         // the data and the log file are one file
    kErrFileInUse = 1834,             // a file belongs to another database
    kErrBackupInTransaction = 3021,   // backup or restore inside a transaction
    kErrDifferential = 3035,          // differential backups are not possible here
    kErrExclusiveAccess = 3101,       // restore while the database is in use
    kErrSystemDatabaseRestore = 3108, // restore over master
    kErrRestoreOverExisting = 3142,   // a restore onto an existing file without REPLACE
    kErrTempdb = 3147,                // backup or restore of tempdb
    kErrOtherDatabase = 3154,         // backup set of another database, without replace
    kErrCannotRestoreFile = 3156,     // a restore target the engine may not or cannot write
    kErrDamagedBackup = 3189,         // the data of a backup set fails its checksum
    kErrCannotOpenDevice = 3201,      // the backup file cannot be opened or written, or is in use
    kErrWriteFailed = 3202,           // writing the backup file failed
    kErrReadFailed = 3203,            // reading a database or backup file failed
    kErrLogicalFile = 3234,           // MOVE names a logical file the set does not have
    kErrMediaFormed = 3241,           // truncated, corrupt or foreign backup file
    kErrNoSuchBackupSet = 3246,       // FILE = n beyond the sets of the file
    kErrDropInUse = 3702,             // "Cannot drop the database 'X' because it is currently in use."
    kErrDropSystem = 3708,            // system databases cannot be dropped
    kErrNotInTransaction = 3902,      // COMMIT or ROLLBACK without BEGIN
    kErrReadOnly = 3906,              // a write to a read-only database
    kErrLogBackup = 4208,             // BACKUP LOG in the simple recovery model
    kErrOptionNotAllowed = 5058,      // an option that a database cannot take
    kErrStateInUse = 5070,            // a database state change while others use it
    kErrCreateFile = 5123,            // a new database file that cannot be made
    kErrFileExists = 5170,            // a database file that already exists
    kErrInvalidName = 15006,          // a name with characters the server does not take, or blank
    kErrNoSuchLogin = 15007,          // not a valid login
    kErrDeviceNeedsName = 15010,      // a backup device without a name or a physical name
    kErrNoSuchDevice = 15012,         // no such backup device
    kErrNoSuchRole = 15014,           // no such server role
    kErrLoginExists = 15025,          // the login already exists
    kErrDeviceExists = 15026,         // the backup device already exists
    kErrNotPermitted = 15247,         // "User does not have permission to perform this action."
    kErrNotWindowsName = 15407,       // a Windows login without a domain
    kErrJobExists = 14261,            // a job of that name exists
    kErrNoSuchJob = 14262,            // no job, step or schedule of that name or id
    kErrJobValue = 14266,             // a job's value outside what the store takes
    kErrNoSuchCategory = 14234,       // no job category of that name
    kErrLoginFailed = 18456,          // "Login failed for user 'X'."
    kErrAgentNotRunning = 22022,      // the agent is not running to be told of a change
};

class TVENGINE_API Error : public std::runtime_error {
public:
    Error(int number, const std::string& message, int severity = 16)
        : std::runtime_error(message), number_(number), severity_(severity) {}
    int Number() const { return number_; }
    int Severity() const { return severity_; }
    std::string Message() const { return what(); }

private:
    int number_;
    int severity_;
};

// ---------------------------------------------------------------------------------------------------
// Result sets

// Column types carry the ODBC type codes that a result set reports to its readers.
enum class ColumnType : int {
    Char = 1,      // SQL_CHAR
    Integer = 4,   // SQL_INTEGER
    SmallInt = 5,  // SQL_SMALLINT
    Float = 8,     // SQL_DOUBLE
    VarChar = 12,  // SQL_VARCHAR
    BigInt = -5,   // SQL_BIGINT
    TinyInt = -6,  // SQL_TINYINT
    WVarChar = -9, // SQL_WVARCHAR
    DateTime = 93, // SQL_TYPE_TIMESTAMP, text "YYYY-MM-DD HH:MM:SS"
    Binary = -2,   // SQL_BINARY
};

struct Column {
    std::string name;
    ColumnType type;
};

using Value = std::variant<std::monostate, long long, double, std::string>;

class TVENGINE_API ResultSet {
public:
    ResultSet() = default;
    explicit ResultSet(std::vector<Column> columns) : columns_(std::move(columns)) {}

    const std::vector<Column>& Columns() const { return columns_; }
    size_t RowCount() const { return rows_.size(); }
    size_t ColumnCount() const { return columns_.size(); }
    const Value& At(size_t row, size_t column) const { return rows_.at(row).at(column); }
    // The value as text ("" for NULL) and as a number (0 for NULL or text that is not one).
    std::string Text(size_t row, size_t column) const;
    long long Integer(size_t row, size_t column) const;
    double Real(size_t row, size_t column) const;
    // The index of a column by name (case-insensitive), or -1.
    int ColumnIndex(const std::string& name) const;

    void AddRow(std::vector<Value> row) { rows_.push_back(std::move(row)); }

private:
    std::vector<Column> columns_;
    std::vector<std::vector<Value>> rows_;
};

// ---------------------------------------------------------------------------------------------------
// Instances

inline constexpr const char* kDefaultInstance = "MSSQLSERVER";

struct InstanceSettings {
    std::string name; // "MSSQLSERVER" for the default instance
    int majorVersion = 8;
    int minorVersion = 0;
    int build = 1;
    std::string versionText;   // "8.00.0001"
    std::string versionString; // several lines, as the server describes itself
    std::string language;      // "us_english"
    std::string machineName;   // this computer's name, as GetComputerNameW gives it
    std::string serverName;    // "HOST" or "HOST\INSTANCE"
    std::string rootFolder;    // the instance folder
    std::string dataFolder;    // rootFolder + "/Data"
    std::string backupFolder;  // rootFolder + "/Backup"
    std::string logFolder;     // rootFolder + "/LOG"
};

struct InstanceOptions {
    int majorVersion = 8;
    // Windows-style accounts given a login and the sysadmin role besides BUILTIN\Administrators;
    // empty: the Unix user creating the instance, as HOST\user.
    std::vector<std::string> administrators;
};

TVENGINE_API std::vector<std::string> ListInstances();
TVENGINE_API InstanceSettings CreateInstance(const std::string& name, const InstanceOptions& options = {});
TVENGINE_API void DropInstance(const std::string& name);
TVENGINE_API InstanceSettings GetInstanceSettings(const std::string& name);
// The instance a server name reaches: "(local)", ".", "localhost" and this computer's name reach the
// default instance, "HOST\NAME" a named one. Throws kErrServerNotFound for anything else.
TVENGINE_API std::string ResolveServer(const std::string& serverName);

// ---------------------------------------------------------------------------------------------------
// Sessions and what they see

struct Credentials {
    bool integrated = true; // the calling Unix user, mapped to Windows-style accounts
    std::string login;      // SQL login when not integrated
    std::string password;
};

enum class LoginType : int { WindowsUser = 0, WindowsGroup = 1, Sql = 2 };

struct LoginInfo {
    std::string name;
    LoginType type = LoginType::Sql;
    std::string defaultDatabase = "master";
    std::string language = "us_english";
    std::time_t created = 0;
};

struct ServerRoleInfo {
    std::string name;        // "sysadmin"
    std::string description; // "System Administrators"
};

struct BackupDeviceInfo {
    std::string name;
    std::string physicalName;
};

struct DatabaseFileInfo {
    std::string logicalName;
    std::string physicalName;
    char type = 'D';       // 'D' data, 'L' log
    std::string fileGroup; // "PRIMARY" for data files, empty for the log
    long long sizeBytes = 0;
    long long maxSizeBytes = -1; // -1: unlimited
};

// Status bits as the server reports them; 0 is a database ready for use.
enum DatabaseStatus : int {
    kStatusReady = 0x0000,
    kStatusLoading = 0x0020,
    kStatusSuspect = 0x0100,
    kStatusOffline = 0x0200,
};

struct DatabaseInfo {
    int id = 0;
    std::string name;
    bool systemObject = false;
    bool readOnly = false;
    int status = kStatusReady;
    std::time_t created = 0;
    std::time_t lastBackup = 0;  // 0: never backed up
    int sizeMB = 0;              // data and log together, whole megabytes
    double spaceAvailableMB = 0; // free space in the data and the log
    int logSizeMB = 0;
    double logSpaceAvailableMB = 0;
    std::vector<DatabaseFileInfo> files; // data files first, then the log
};

struct FileGroupInfo {
    std::string name; // "PRIMARY"
    std::vector<DatabaseFileInfo> files;
};

struct DatabaseSpec {
    std::string name;
    std::string dataFile;        // path of the data file; empty: Data/<name>.mdf
    std::string logFile;         // path of the log file; empty: Data/<name>_log.LDF
    std::string dataLogicalName; // empty: the name
    std::string logLogicalName;  // empty: the name + "_log"
    long long logSizeBytes = 1 << 20;
};

// ---------------------------------------------------------------------------------------------------
// Backup and restore

enum class BackupAction : int { Database = 0, Differential = 1, Log = 3 };

struct BackupRequest {
    std::string database;
    std::string file; // a disk file; named without a folder, it is in the instance's Backup folder
    BackupAction action = BackupAction::Database;
    std::string name; // backup set name
    std::string description;
    bool initialize = false; // replace the sets of the file (INIT); else append
    int stats = 0;           // STATS = n of a statement: report every n percent (0: not asked)
    std::string device;      // instead of file: a backup device, which stands for its file
};

struct BackupSetInfo {
    int position = 0; // 1 for the first set of the file
    std::string name;
    std::string description;
    std::string databaseName;
    std::string serverName;
    std::string userName;
    char type = 'D';
    std::time_t started = 0;
    std::time_t finished = 0;
    int majorVersion = 8;
    bool readOnly = false;
    std::vector<DatabaseFileInfo> files;
    long long payloadBytes = 0;
};

struct RestoreRequest {
    std::string database; // the target
    std::string file;
    int fileNumber = 1;   // which backup set of the file
    bool replace = false; // restore over a database that holds another database's data
    std::vector<std::pair<std::string, std::string>> move; // logical name -> new physical path
    std::string device; // instead of file: a backup device, which stands for its file
};

// The medium of a backup or restore as the Files and Devices lists of the object model name it: one disk
// file or one backup device.
struct BackupMedia {
    std::string file;
    std::string device;
};

// The items of a device list: "[name]" items separated by commas, "]]" inside brackets standing for
// "]"; an item without brackets runs to the next comma. "[[name]]" is the bracketed form of a bare file
// name (no folder) and gives the item "name"; a name that itself starts with "[" is given unbracketed.
// Throws kErrSyntax saying what is wrong with the list.
TVENGINE_API std::vector<std::string> ParseDeviceList(const std::string& list);
// The one medium that a Files list and a Devices list name together. Throws kErrSyntax when they name
// none or more than one.
TVENGINE_API BackupMedia MediaOfLists(const std::string& files, const std::string& devices);

// Called with 0..100 as the work proceeds; each value at most once, rising.
using Progress = std::function<void(int percent)>;

// An identifier quoted for the SQL that databases run ("a ""b"""), for the rare SQL that must name a
// table or column given from outside; values always go in as parameters instead.
TVENGINE_API std::string QuoteIdentifier(const std::string& name);

// Reads a backup statement as job steps hold it, for example
//   BACKUP DATABASE [Sales] TO DISK = N'D:\b\sales.bak' WITH INIT , NAME = N'sales', STATS = 10,
//   DESCRIPTION = N'weekly', NOFORMAT
// Names may be bracketed ([a]]b]), quoted ("a""b") or plain; strings double their quotes. Throws
// kErrSyntax naming the token it could not read.
TVENGINE_API BackupRequest ParseBackupStatement(const std::string& statement);
// True when SQL text is a backup statement (it starts with the word BACKUP).
TVENGINE_API bool IsBackupStatement(const std::string& sql);

// The backup sets of a file, read and checked without a session (the header checksums, the layout).
TVENGINE_API std::vector<BackupSetInfo> ReadBackupSets(const std::string& file);
// The file list of one set: LogicalName, PhysicalName, Type, FileGroupName, Size, MaxSize.
TVENGINE_API ResultSet ReadFileList(const std::string& file, int fileNumber = 1);

// ---------------------------------------------------------------------------------------------------
// The job store

struct JobStep {
    int id = 0; // step number, 1 for the first; 0 when adding a step: after the last
    std::string name;
    std::string subsystem = "TSQL";
    std::string command;
    std::string databaseName = "master";
    int onSuccessAction = 1; // 1 quit with success, 2 quit with failure, 3 next step, 4 go to step
    int onSuccessStep = 0;
    int onFailAction = 2;
    int onFailStep = 0;
};

struct JobSchedule {
    int id = 0; // assigned by the store
    std::string name;
    bool enabled = true;
    int frequencyType = 1;     // 1 once, 4 daily, 8 weekly, 16 monthly, 32 monthly relative, 64 agent start
    int frequencyInterval = 0; // days for daily, weekday mask (Sunday 1) for weekly, day for monthly
    int frequencySubdayType = 1;
    int frequencySubdayInterval = 0;
    int frequencyRelativeInterval = 0;
    int frequencyRecurrenceFactor = 0;
    int activeStartDate = 0; // yyyymmdd
    int activeEndDate = 99991231;
    int activeStartTime = 0; // hhmmss
    int activeEndTime = 235959;
    int nextRunDate = 0;
    int nextRunTime = 0;
};

struct Job {
    std::string id; // a GUID in registry form, assigned by the store
    std::string name;
    std::string category = "[Uncategorized (Local)]";
    std::string description;
    std::string owner; // the login that created it
    bool enabled = true;
    int startStep = 1;
    std::string targetServer;   // set when applied to a server, "(local)"
    int currentStatus = 4;      // 1 executing ... 4 not running
    int currentStep = 0;        // the step that runs while the job is executing
    std::time_t runStarted = 0; // the start of the run in progress; 0 when none is
    int lastRunOutcome = 5;     // 0 failed, 1 succeeded, 3 cancelled, 4 in progress, 5 unknown
    int lastRunDate = 0;
    int lastRunTime = 0;
    int nextRunDate = 0;
    int nextRunTime = 0;
    std::time_t created = 0;
    std::time_t modified = 0;
    std::vector<JobStep> steps;
    std::vector<JobSchedule> schedules;
    bool HasSchedule() const { return !schedules.empty(); }
};

struct JobStartRequest {
    long long id = 0;
    std::string jobId;
    int stepId = 0; // 0: from the job's start step
    std::time_t requested = 0;
    std::string requestedBy; // the login that asked
};

struct JobHistoryEntry {
    long long id = 0;
    std::string jobId;
    int stepId = 0; // 0: the outcome of the whole job
    std::string stepName;
    std::string message;
    int runStatus = 0; // 0 failed, 1 succeeded, 2 retry, 3 cancelled, 4 in progress
    int runDate = 0;
    int runTime = 0;
    int runDuration = 0;  // hhmmss
    int sqlMessageId = 0; // the server's error number when the step failed
    int sqlSeverity = 0;
};

// ---------------------------------------------------------------------------------------------------

class SessionImpl;

// One connection to an instance. A session is used by one thread at a time; threads that work at once
// (a wizard's worker, the agent) open sessions of their own. Processes share an instance safely.
class TVENGINE_API Session {
public:
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    const InstanceSettings& Settings() const;
    std::string LoginName() const; // the login the session runs as
    bool IsSysadmin() const;
    int ProcessId() const; // the session's spid
    std::string CurrentDatabase() const;
    void Use(const std::string& database);

    // Databases
    std::vector<DatabaseInfo> Databases();
    DatabaseInfo Database(const std::string& name);
    bool DatabaseExists(const std::string& name);
    void CreateDatabase(const DatabaseSpec& spec);
    void DropDatabase(const std::string& name);
    void SetReadOnly(const std::string& database, bool readOnly);
    std::vector<FileGroupInfo> FileGroups(const std::string& database);
    // The locks of the sessions using a database (who = -1: every session): req_spid, locktype, dbname,
    // tablename, indexname, status.
    ResultSet EnumLocks(const std::string& database, int who = -1);
    // Runs SQL in a database; the result sets of the statements that return rows. A backup statement
    // runs as Backup, reporting progress every STATS percent when it asks for that. Caller SQL stays in
    // its database: ATTACH and DETACH, VACUUM, writes to the sqlite_ tables, load_extension and every
    // PRAGMA but those that only read are refused with kErrPermissionDenied, and a read-only database
    // refuses every write with kErrReadOnly.
    std::vector<ResultSet> Execute(const std::string& database, const std::string& sql,
                                   const Progress& progress = {});
    // Runs SQL whose values are parameters (?1, ?2 ... or ?), bound from `parameters` in order: the way
    // to put names and other outside text into SQL.
    std::vector<ResultSet> ExecuteWith(const std::string& database, const std::string& sql,
                                       const std::vector<Value>& parameters);
    // Runs caller SQL in a database with the rights of another login, as a job's step runs with the
    // rights of the job's owner: the session must be sysadmin; the SQL then passes the same gate as
    // Execute does for a session of that login (a backup statement needs that login to be sysadmin).
    // Throws kErrNoSuchLogin for a login that does not exist.
    std::vector<ResultSet> ExecuteAsLogin(const std::string& login, const std::string& database,
                                          const std::string& sql, const Progress& progress = {});

    // Logins, server roles, backup devices
    std::vector<LoginInfo> Logins();
    void AddLogin(const LoginInfo& login, const std::string& password = {});
    void DropLogin(const std::string& name);
    void SetPassword(const std::string& login, const std::string& password);
    std::vector<ServerRoleInfo> ServerRoles();
    std::vector<std::string> RoleMembers(const std::string& role);
    void AddRoleMember(const std::string& role, const std::string& login);
    void DropRoleMember(const std::string& role, const std::string& login);
    std::vector<BackupDeviceInfo> BackupDevices();
    void AddBackupDevice(const BackupDeviceInfo& device);
    void DropBackupDevice(const std::string& name);

    // Backup and restore
    void Backup(const BackupRequest& request, const Progress& progress = {});
    void Restore(const RestoreRequest& request, const Progress& progress = {});
    // The same as the free functions below, with the medium named as a backup or restore names it (a
    // file without a folder is in the instance's Backup folder, a backup device stands for its file).
    std::vector<BackupSetInfo> ReadBackupSets(const BackupMedia& media);
    ResultSet ReadFileList(const BackupMedia& media, int fileNumber = 1);

    // Transactions over catalog changes (logins, roles, devices, jobs). Files are not part of them: a
    // backup, restore, creation or drop inside a transaction is refused.
    void BeginTransaction();
    void CommitTransaction();
    void RollbackTransaction();
    bool InTransaction() const;

    // The job store
    std::vector<Job> Jobs();
    // Grows with every change of a job, step or schedule (not with runs, history or start requests).
    long long JobStoreVersion();
    Job GetJob(const std::string& nameOrId);
    std::string AddJob(const Job& job); // with its steps and schedules; returns the new id
    void UpdateJob(const Job& job);     // name, category, description, owner, enabled, start step, target
    void RemoveJob(const std::string& nameOrId);
    void AddJobStep(const std::string& job, const JobStep& step);
    // Steps are numbered from 1: adding one at a taken number moves the later steps up, removing one
    // moves them down, and the go-to-step actions follow their steps.
    void UpdateJobStep(const std::string& job, int stepId, const JobStep& step);
    void RemoveJobStep(const std::string& job, int stepId);
    int AddJobSchedule(const std::string& job, const JobSchedule& schedule);
    void UpdateJobSchedule(const std::string& job, const JobSchedule& schedule); // by id
    void RemoveJobSchedule(const std::string& job, int scheduleId);
    std::vector<std::string> JobCategories();
    void AddJobCategory(const std::string& name);
    void RecordJobActivity(const std::string& job, int currentStatus, int lastRunOutcome, int lastRunDate,
                           int lastRunTime);
    long long AddJobHistory(const JobHistoryEntry& entry);
    std::vector<JobHistoryEntry> JobHistory(const std::string& job);

    // Starting jobs goes through the agent: StartJob queues a request for it and fails with
    // kErrAgentNotRunning when no agent is there to be told. The agent holds the prefix's agent lock,
    // registers its session with each instance and takes the requests in the order they came.
    void StartJob(const std::string& job, const std::string& stepName = {});
    void RegisterAsAgent();
    bool AgentRunning();
    std::vector<JobStartRequest> TakeJobStartRequests();

    // What the agent records of a run: the step in progress, then the job's outcome (a history entry
    // with step 0, which also becomes the job's last outcome and last run date), and each schedule's
    // next run. None of these wakes the agent.
    void RecordJobStep(const std::string& job, int stepId, std::time_t runStarted);
    void FinishJobRun(const JobHistoryEntry& outcome);
    void SetScheduleNextRun(int scheduleId, int nextRunDate, int nextRunTime);
    // A session of the same instance as the job's owner login, in which the agent runs the job's
    // steps, so that a step can do no more than its owner may. Needs the sysadmin role.
    std::unique_ptr<Session> ConnectAsJobOwner(const std::string& job, const std::string& program);

private:
    friend TVENGINE_API std::unique_ptr<Session> Connect(const std::string&, const Credentials&,
                                                         const std::string&);
    explicit Session(std::unique_ptr<SessionImpl> impl);
    std::unique_ptr<SessionImpl> impl_;
};

// The agent's files under the prefix: the lock that the one running agent holds (with its process id
// inside) and the file that the engine touches after each change to a job store, a start request, and
// each instance created or dropped, so that the agent can sleep until something happens.
TVENGINE_API std::string AgentLockFile();
TVENGINE_API std::string JobChangeSignalFile();
// True while a process holds the agent lock; its process id goes to *holder when asked.
TVENGINE_API bool AgentLockHeld(long long* holder = nullptr);
// Takes the agent lock for this process and writes its process id into the file. Returns the descriptor
// that holds it (closing it lets go), or -1 when another holds it (its process id goes to *holder).
TVENGINE_API int TakeAgentLock(long long* holder = nullptr);

// Connects to the instance a server name reaches. Fails with kErrServerNotFound or kErrLoginFailed.
TVENGINE_API std::unique_ptr<Session>
Connect(const std::string& serverName, const Credentials& credentials = {}, const std::string& program = {});

} // namespace tvengine
