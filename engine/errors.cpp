// The server's sentences, one builder for each error number (see errors.h), and the name rule.
#include "errors.h"

#include <cerrno>
#include <cstring>

#include "internal.h"

namespace tvengine::detail {

namespace {

std::string OsError(int osError) {
    return Format("%d(%s)", osError, strerror(osError));
}

} // namespace

Error ServerNotFound() {
    return Error(kErrServerNotFound, "SQL Server does not exist or access denied.");
}

Error LoginFailed(const std::string& login) {
    return Error(kErrLoginFailed, "Login failed for user '" + login + "'.");
}

Error NotPermitted() {
    return Error(kErrNotPermitted, "User does not have permission to perform this action.");
}

Error CreateDatabaseDenied() {
    return Error(kErrPermissionCreateDb, "CREATE DATABASE permission denied in database 'master'.");
}

Error PermissionDenied(const std::string& what, const std::string& database) {
    return Error(kErrPermissionDenied, what + " permission denied in database '" + database + "'.");
}

Error InvalidName(const char* kind, const std::string& name, const char* why) {
    return Error(kErrInvalidName, Format("The %s name '%s' is not valid: %s.", kind, name.c_str(), why));
}

Error IdentifierTooLong(const char* kind, const std::string& name, size_t most) {
    return Error(kErrIdentifierTooLong, Format("The %s name that starts with '%s' is too long: at most %zu "
                                               "characters.",
                                               kind, name.substr(0, 32).c_str(), most));
}

Error NotANumber(const char* what, const std::string& text) {
    return Error(kErrSyntax, Format("The %s '%s' is not a number.", what, text.c_str()));
}

Error LockTimeout() {
    return Error(kErrLockTimeout, "Lock request time out period exceeded.");
}

Error NotInTransaction(const char* statement) {
    return Error(kErrNotInTransaction,
                 Format("The %s request has no corresponding BEGIN TRANSACTION.", statement));
}

Error NoSuchDatabase(const std::string& name) {
    return Error(kErrNoSuchDatabase, "Could not locate entry in sysdatabases for database '" + name +
                                         "'. No entry found with that name. Make sure that the name is "
                                         "entered correctly.");
}

Error Suspect(const std::string& database) {
    return Error(kErrSuspect,
                 "Database '" + database + "' cannot be opened. It has been marked SUSPECT by recovery.");
}

Error DatabaseAlreadyExists(const std::string& name) {
    return Error(kErrDatabaseExists, "Database '" + name + "' already exists.");
}

Error StatementInTransaction(const char* statement) {
    return Error(kErrStatementInTransaction,
                 Format("%s statement not allowed within multi-statement transaction.", statement));
}

Error DropInUse(const std::string& database) {
    return Error(kErrDropInUse,
                 "Cannot drop the database '" + database + "' because it is currently in use.");
}

Error DropSystem(const std::string& database) {
    return Error(kErrDropSystem,
                 "Cannot drop the database '" + database + "' because it is a system database.");
}

Error ReadOnlyDatabase(const std::string& database) {
    return Error(kErrReadOnly,
                 "Failed to update database \"" + database + "\" because the database is read-only.");
}

Error OptionNotAllowed(const char* option, const std::string& database) {
    return Error(kErrOptionNotAllowed,
                 Format("Option '%s' cannot be set in database '%s'.", option, database.c_str()));
}

Error StateInUse(const std::string& database) {
    return Error(kErrStateInUse,
                 "Database state cannot be changed while other users are using the database '" + database +
                     "'");
}

Error CreateFileFailed(const std::string& path, int osError) {
    return Error(kErrCreateFile, "CREATE FILE encountered operating system error " + OsError(osError) +
                                     " while attempting to open or create the physical file '" + path + "'.");
}

Error FileExistsAlready(const std::string& path) {
    return Error(kErrFileExists, "Cannot create file '" + path +
                                     "' because it already exists. Change the file path or the file name, "
                                     "and retry the operation.");
}

Error FileInUse(const std::string& path, const std::string& database) {
    return Error(kErrFileInUse, "The file '" + path +
                                    "' cannot be overwritten.  It is being used by database '" + database +
                                    "'.");
}

Error SameFileNames() {
    return Error(kErrSameFileNames,
                 "The logical file name or physical file name of the log and the data file are the same.");
}

Error DiskFull(const std::string& what) {
    return Error(kErrDiskFull, "Could not allocate space for " + what + ": the disk is full.");
}

Error BackupInTransaction() {
    return Error(kErrBackupInTransaction,
                 "Cannot perform a backup or restore operation within a transaction.");
}

Error Tempdb() {
    return Error(kErrTempdb, "Backup and restore operations are not allowed on database tempdb.");
}

Error LogBackup() {
    return Error(kErrLogBackup, "The statement BACKUP LOG is not allowed while the recovery model is SIMPLE. "
                                "Use BACKUP DATABASE or change the recovery model using ALTER DATABASE.");
}

Error Differential(const std::string& database, bool fullBackupExists) {
    if (!fullBackupExists)
        return Error(kErrDifferential,
                     "Cannot perform a differential backup for database \"" + database +
                         "\", because a current database backup does not exist. Perform a full database "
                         "backup by reissuing BACKUP DATABASE, omitting the WITH DIFFERENTIAL option.");
    return Error(kErrDifferential, "Cannot perform a differential backup for database \"" + database +
                                       "\": this server keeps no record of changed extents. Perform a full "
                                       "database backup by reissuing BACKUP DATABASE, omitting the WITH "
                                       "DIFFERENTIAL option.");
}

Error CannotOpenDevice(const std::string& path, int osError) {
    return Error(kErrCannotOpenDevice, "Cannot open backup device '" + path + "'. Operating system error " +
                                           OsError(osError) + ".");
}

Error DeviceBelongsToServer(const std::string& path, const std::string& owner) {
    return Error(kErrCannotOpenDevice,
                 "Cannot open backup device '" + path + "'. The file is in use by " + owner + ".");
}

Error WriteFailed(const std::string& device, int osError) {
    return Error(kErrWriteFailed, "Write on '" + device + "' failed, status = " + OsError(osError) + ".");
}

Error ReadFailed(const std::string& source, int osError) {
    if (osError == 0) return Error(kErrReadFailed, "Read on '" + source + "' failed: the file ended early.");
    return Error(kErrReadFailed, "Read on '" + source + "' failed, status = " + OsError(osError) + ".");
}

Error MediaFormed(const std::string& device) {
    return Error(kErrMediaFormed,
                 "The media family on device '" + device +
                     "' is incorrectly formed. SQL Server cannot process this media family.");
}

Error NoSuchBackupSet(int position, const std::string& device) {
    return Error(kErrNoSuchBackupSet, Format("The backup set at position %d does not exist on device '%s'.",
                                             position, device.c_str()));
}

Error DamagedBackup(const char* detail) {
    return Error(kErrDamagedBackup, std::string("Damage to the backup set was detected") +
                                        (detail ? ": " : "") + (detail ? detail : "") + ".");
}

Error LogicalFile(const std::string& logical, const std::string& database) {
    return Error(kErrLogicalFile, "Logical file '" + logical + "' is not part of database '" + database +
                                      "'. Use RESTORE FILELISTONLY to list the logical file names.");
}

Error OtherDatabase(const std::string& existing) {
    return Error(kErrOtherDatabase, "The backup set holds a backup of a database other than the existing '" +
                                        existing + "' database.");
}

Error ExclusiveAccess() {
    return Error(kErrExclusiveAccess,
                 "Exclusive access could not be obtained because the database is in use.");
}

Error SystemDatabaseRestore() {
    return Error(
        kErrSystemDatabaseRestore,
        "RESTORE DATABASE must be used in single user mode when trying to restore the master database.");
}

Error CannotRestoreFile(const std::string& logical, const std::string& path, int osError) {
    if (osError != 0)
        return Error(kErrCannotRestoreFile, "File '" + logical + "' cannot be restored to '" + path +
                                                "': operating system error " + OsError(osError) + ".");
    return Error(kErrCannotRestoreFile, "File '" + logical + "' cannot be restored to '" + path +
                                            "'. Use WITH MOVE to identify a valid location for the file.");
}

Error RestoreOverExisting(const std::string& logical, const std::string& path) {
    return Error(
        kErrRestoreOverExisting,
        "File '" + logical + "' cannot be restored over the existing '" + path +
            "'. Reissue the RESTORE statement using WITH REPLACE to overwrite pre-existing files, or "
            "WITH MOVE to identify an alternate location.");
}

Error NoSuchLogin(const std::string& name) {
    return Error(kErrNoSuchLogin, "'" + name + "' is not a valid login or you do not have permission.");
}

Error LoginExists(const std::string& name) {
    return Error(kErrLoginExists, "The login '" + name + "' already exists.");
}

Error NotWindowsName(const std::string& name) {
    return Error(kErrNotWindowsName,
                 "'" + name +
                     "' is not a valid Windows NT name. Give the complete name: <domain\\username>.");
}

Error NoSuchRole(const std::string& role) {
    return Error(kErrNoSuchRole, "'" + role + "' is not a valid role name.");
}

Error DeviceNeedsName() {
    return Error(kErrDeviceNeedsName, "The backup device needs a name and a physical name.");
}

Error DeviceExists(const std::string& name) {
    return Error(kErrDeviceExists, "Device '" + name + "' already exists.");
}

Error NoSuchDevice(const std::string& name) {
    return Error(kErrNoSuchDevice, "Device '" + name + "' does not exist.");
}

void CheckName(const char* kind, const std::string& name, size_t most) {
    size_t characters = 0;
    bool blank = true;
    for (size_t i = 0; i < name.size();) {
        unsigned char c = static_cast<unsigned char>(name[i]);
        size_t length = c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : (c >> 3) == 0x1E ? 4 : 0;
        if (length == 0 || i + length > name.size()) throw InvalidName(kind, name, "it is not valid UTF-8");
        unsigned code = length == 1 ? c : c & (0xFF >> (length + 1));
        for (size_t k = 1; k < length; ++k) {
            unsigned char more = static_cast<unsigned char>(name[i + k]);
            if ((more >> 6) != 0x2) throw InvalidName(kind, name, "it is not valid UTF-8");
            code = (code << 6) | (more & 0x3F);
        }
        // Control characters: C0, DEL and C1 (an escape sequence starts with one of them).
        if (code < 0x20 || (code >= 0x7F && code < 0xA0))
            throw InvalidName(kind, name, "it holds a control character");
        if (code != ' ') blank = false;
        ++characters;
        i += length;
    }
    if (blank) throw InvalidName(kind, name, "it is blank");
    if (characters > most) throw IdentifierTooLong(kind, name, most);
}

} // namespace tvengine::detail
