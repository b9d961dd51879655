// The binding of the storage-area access library (quarnel.dll, found beside kx4anchor.exe): one module
// per server name and optional database, whose methods call the library's vtrnDB_ functions with the
// server name first and the module's connection handle last.
#pragma once

#include <stdexcept>
#include <string>

#include "windows.h"

namespace MSDE {

// Thrown by a module method when the library or the function it calls is missing; the text is the
// method's name ("Connect", "GetUsers", ...).
class dbaccess_exception : public std::runtime_error {
public:
    explicit dbaccess_exception(const char* method) : std::runtime_error(method) {}
};

class CDBAccessModule {
public:
    // The fixed fields of one user as GetUsers fills them, and the number of data types.
    static constexpr int kNameBytes = 40;
    static constexpr int kText50Bytes = 50;
    static constexpr int kText30Bytes = 30;
    static constexpr int kDataTypes = 26;

    // Binds the library; a missing library shows only when a method is called.
    explicit CDBAccessModule(const std::wstring& server, LPCWSTR database = nullptr);
    // Disconnects if connected and unloads the library.
    ~CDBAccessModule();
    CDBAccessModule(const CDBAccessModule&) = delete;
    CDBAccessModule& operator=(const CDBAccessModule&) = delete;

    int Connect(); // the connection handle, 0 when the connection failed
    void Disconnect();
    int Handle() const { return m_handle; }

    int GetUserCount(int& count); // 1 = count valid
    int CreateUserTables();       // 1 = created
    // Fills at most `capacity` users into fields of 40, 50 and 30 bytes and numbers; the number filled.
    int GetUsers(char* names, char* text50, char* text30, int* numbers, int capacity);
    void AddUser(const std::wstring& name);
    void DeleteUser(const std::wstring& name);
    // Four arrays of kDataTypes flags, element i for data type i + 1. 1 = filled.
    int GetUserTypePermissions(const std::wstring& name, int* read, int* write, int* third, int* fourth);
    int SetUserTypePermission(const std::wstring& name, int type, int read, int write, int third, int fourth);
    // True when `database` is a storage area.
    bool IsVeltrane(const std::wstring& database);
    // The user's access to this module's database; the outputs are left alone when the call fails.
    int GetUserDBPermission(const std::wstring& name, int& read, int& write);
    int SetUserDBPermission(const std::wstring& name, int read, int write); // non-zero = stored

private:
    template <class Function> Function Require(Function function, const char* method) const;

    HMODULE m_library = nullptr;
    std::string m_server;   // narrow, in the system code page, as the library takes names
    std::string m_database; // empty: none
    bool m_hasDatabase = false;
    int m_handle = 0;

    int (*m_initDB)(const char*, const char*, int, bool) = nullptr;
    int (*m_exitDB)(int) = nullptr;
    int (*m_createUserTables)(const char*, int) = nullptr;
    int (*m_getNumUsers)(const char*, int*, int) = nullptr;
    int (*m_getUsers)(const char*, char*, char*, char*, int*, int, int) = nullptr;
    int (*m_setUser)(const char*, const char*, const char*, const char*, int, int) = nullptr;
    int (*m_deleteUser)(const char*, const char*, int) = nullptr;
    int (*m_getUserTypePermissions)(const char*, const char*, int*, int*, int*, int*, int) = nullptr;
    int (*m_setUserTypePermissions)(const char*, const char*, const int*, const int*, const int*, const int*,
                                    int) = nullptr;
    int (*m_getUserTypePermission)(const char*, const char*, int, int*, int*, int*, int*, int) = nullptr;
    int (*m_setUserTypePermission)(const char*, const char*, int, int, int, int, int, int) = nullptr;
    int (*m_isVeltraneDB)(const char*, const char*, int*, int) = nullptr;
    int (*m_getUserDBPermission)(const char*, const char*, const char*, int*, int*, int) = nullptr;
    int (*m_setUserDBPermission)(const char*, const char*, const char*, int, int, int) = nullptr;
};

} // namespace MSDE
