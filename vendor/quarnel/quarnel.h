// The storage-area access library's interface: the Veltrane users, their permission flags for each data
// type and their read and write access to each storage area, kept for the instance a server name
// reaches. Strings are narrow, in the system code page (UTF-8). Every call starts with the server name
// and ends with a connection handle from vtrnDB_InitDB, or 0 to work without one. Results: 1 (or a
// count) for success, 0 for failure; a failure never changes what is stored.
#pragma once

#include <cstdint>

#define VTRNDB_API extern "C" __attribute__((visibility("default")))

// The fixed-size fields of a user as vtrnDB_GetUsers fills them. Each field holds its text and a
// terminating zero, so the longest text it takes is one byte shorter than the field; longer text is
// refused rather than cut.
enum : int32_t {
    VTRN_NAME_BYTES = 40,
    VTRN_TEXT50_BYTES = 50,
    VTRN_TEXT30_BYTES = 30,
    VTRN_TYPE_COUNT = 26, // data types 1 to 26; arrays hold type t at element t - 1
};

// Connects to the instance `server` reaches and, when `database` is given, checks that it exists. The
// handle (above 0) keeps that connection for the calls that pass it; 0 means the connection failed.
VTRNDB_API int32_t vtrnDB_InitDB(const char* server, const char* database, int32_t options, bool exclusive);
// Ends a connection. 1 when the handle was open.
VTRNDB_API int32_t vtrnDB_ExitDB(int32_t handle);

// Creates the UserPerm database and its tables where they are missing. 1 when they are there.
VTRNDB_API int32_t vtrnDB_CreateUserTables(const char* server, int32_t handle);
// 1 with the number of users in *count; 0 when the user tables cannot be read (not created yet).
VTRNDB_API int32_t vtrnDB_GetNumUsers(const char* server, int32_t* count, int32_t handle);
// Fills at most `capacity` users, in name order, into fields of 40, 50 and 30 bytes and a number
// (text50, text30 and numbers may be null). Returns how many were filled; 0 on failure.
VTRNDB_API int32_t vtrnDB_GetUsers(const char* server, char* names, char* text50, char* text30,
                                   int32_t* numbers, int32_t capacity, int32_t handle);
// Adds a user or replaces the fields of an existing one; its permissions stay. 1 when stored.
VTRNDB_API int32_t vtrnDB_SetUser(const char* server, const char* name, const char* text50,
                                  const char* text30, int32_t number, int32_t handle);
// Removes a user with all its permissions. 1 when the user was there.
VTRNDB_API int32_t vtrnDB_DeleteUser(const char* server, const char* name, int32_t handle);

// The four flags (read, write, third, fourth; 1 = set) of every data type: 26 elements each. Types never
// stored read as 0. 1 when filled; 0 for an unknown user.
VTRNDB_API int32_t vtrnDB_GetUserTypePermissions(const char* server, const char* name, int32_t* read,
                                                 int32_t* write, int32_t* third, int32_t* fourth,
                                                 int32_t handle);
// Stores the four flags of every data type at once. 1 when stored.
VTRNDB_API int32_t vtrnDB_SetUserTypePermissions(const char* server, const char* name, const int32_t* read,
                                                 const int32_t* write, const int32_t* third,
                                                 const int32_t* fourth, int32_t handle);
// The four flags of one data type (1 to 26). 1 when filled.
VTRNDB_API int32_t vtrnDB_GetUserTypePermission(const char* server, const char* name, int32_t type,
                                                int32_t* read, int32_t* write, int32_t* third,
                                                int32_t* fourth, int32_t handle);
// Stores the four flags of one data type (1 to 26); the other types are left as they are. 1 when stored.
VTRNDB_API int32_t vtrnDB_SetUserTypePermission(const char* server, const char* name, int32_t type,
                                                int32_t read, int32_t write, int32_t third, int32_t fourth,
                                                int32_t handle);

// 1 when the question could be answered, with *flag = 1 when `database` is a storage area (it holds the
// marker table) and 0 when it is not.
VTRNDB_API int32_t vtrnDB_IsVeltraneDB(const char* server, const char* database, int32_t* flag,
                                       int32_t handle);
// A user's read and write access to a storage area (1 granted, 0 denied); access never stored is
// granted. 1 when filled; 0 for an unknown user, leaving the outputs as they were.
VTRNDB_API int32_t vtrnDB_GetUserDBPermission(const char* server, const char* database, const char* name,
                                              int32_t* read, int32_t* write, int32_t handle);
// Stores a user's read and write access to a storage area. 1 when stored.
VTRNDB_API int32_t vtrnDB_SetUserDBPermission(const char* server, const char* database, const char* name,
                                              int32_t read, int32_t write, int32_t handle);
