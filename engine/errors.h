// The server's sentences: one builder for each error number the engine throws, so a failure reads the
// same wherever it happens. Callers write `throw DiskFull(path)`.
#pragma once

#include <string>

#include "engine/engine.h"

namespace tvengine::detail {

// Sessions, permissions, names
Error ServerNotFound();
Error LoginFailed(const std::string& login);
Error NotPermitted();
Error CreateDatabaseDenied();
Error PermissionDenied(const std::string& what, const std::string& database);
Error InvalidName(const char* kind, const std::string& name, const char* why);
Error IdentifierTooLong(const char* kind, const std::string& name, size_t most);
Error NotANumber(const char* what, const std::string& text);
Error LockTimeout();
Error NotInTransaction(const char* statement);

// Databases
Error NoSuchDatabase(const std::string& name);
Error Suspect(const std::string& database);
Error DatabaseAlreadyExists(const std::string& name);
Error StatementInTransaction(const char* statement);
Error DropInUse(const std::string& database);
Error DropSystem(const std::string& database);
Error ReadOnlyDatabase(const std::string& database);
Error OptionNotAllowed(const char* option, const std::string& database);
Error StateInUse(const std::string& database);
Error CreateFileFailed(const std::string& path, int osError);
Error FileExistsAlready(const std::string& path);
Error FileInUse(const std::string& path, const std::string& database);
Error SameFileNames();
Error DiskFull(const std::string& what);

// Backup and restore
Error BackupInTransaction();
Error Tempdb();
Error LogBackup();
Error Differential(const std::string& database, bool fullBackupExists);
Error CannotOpenDevice(const std::string& path, int osError);
Error DeviceBelongsToServer(const std::string& path, const std::string& owner);
Error WriteFailed(const std::string& device, int osError);
Error ReadFailed(const std::string& source, int osError); // 0: the file ended early
Error MediaFormed(const std::string& device);
Error NoSuchBackupSet(int position, const std::string& device);
Error DamagedBackup(const char* detail = nullptr);
Error LogicalFile(const std::string& logical, const std::string& database);
Error OtherDatabase(const std::string& existing);
Error ExclusiveAccess();
Error SystemDatabaseRestore();
Error CannotRestoreFile(const std::string& logical, const std::string& path, int osError = 0);
Error RestoreOverExisting(const std::string& logical, const std::string& path);

// Logins, devices
Error NoSuchLogin(const std::string& name);
Error LoginExists(const std::string& name);
Error NotWindowsName(const std::string& name);
Error NoSuchRole(const std::string& role);
Error DeviceNeedsName();
Error DeviceExists(const std::string& name);
Error NoSuchDevice(const std::string& name);

// The one rule for the names of databases, logins, jobs and devices: not blank, no control characters,
// valid UTF-8, and at most `most` characters (123 for a database, 128 for the others).
inline constexpr size_t kDatabaseNameLength = 123;
inline constexpr size_t kNameLength = 128;
void CheckName(const char* kind, const std::string& name, size_t most = kNameLength);

} // namespace tvengine::detail
