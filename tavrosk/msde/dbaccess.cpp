// The storage-area access library is the maker's, installed beside kx4anchor.exe: the module finds that
// program, loads quarnel.dll from its folder and resolves the fourteen functions by name. Names travel
// as narrow strings in the system code page. A function that could not be resolved makes the method that
// needs it throw dbaccess_exception, so a console without the maker's programs still runs.
#include "msde/dbaccess.h"

#include "msde/location.h"

namespace MSDE {

namespace {

std::string Narrow(const std::wstring& text) {
    if (text.empty()) return {};
    int bytes = WideCharToMultiByte(CP_ACP, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0,
                                    nullptr, nullptr);
    std::string narrow(bytes > 0 ? bytes : 0, '\0');
    if (bytes > 0)
        WideCharToMultiByte(CP_ACP, 0, text.c_str(), static_cast<int>(text.size()), narrow.data(), bytes,
                            nullptr, nullptr);
    return narrow;
}

// quarnel.dll in the folder of `program`: the file name after the last separator is replaced.
std::wstring LibraryBeside(const std::wstring& program) {
    size_t separator = program.find_last_of(L"\\/");
    return (separator == std::wstring::npos ? std::wstring() : program.substr(0, separator + 1)) +
           L"quarnel.dll";
}

template <class Function> void Resolve(HMODULE library, const char* name, Function& function) {
    function = library ? reinterpret_cast<Function>(GetProcAddress(library, name)) : nullptr;
}

} // namespace

CDBAccessModule::CDBAccessModule(const std::wstring& server, LPCWSTR database)
    : m_server(Narrow(server)), m_database(database ? Narrow(database) : std::string()),
      m_hasDatabase(database != nullptr) {
    m_library = LoadLibraryW(LibraryBeside(FindProgramLocation(L"kx4anchor.exe", L".exe")).c_str());
    if (!m_library) {
        OutputDebugStringA("The storage-area access library quarnel.dll could not be loaded.\n");
        return;
    }
    Resolve(m_library, "vtrnDB_InitDB", m_initDB);
    Resolve(m_library, "vtrnDB_ExitDB", m_exitDB);
    Resolve(m_library, "vtrnDB_CreateUserTables", m_createUserTables);
    Resolve(m_library, "vtrnDB_GetNumUsers", m_getNumUsers);
    Resolve(m_library, "vtrnDB_GetUsers", m_getUsers);
    Resolve(m_library, "vtrnDB_SetUser", m_setUser);
    Resolve(m_library, "vtrnDB_DeleteUser", m_deleteUser);
    Resolve(m_library, "vtrnDB_GetUserTypePermissions", m_getUserTypePermissions);
    Resolve(m_library, "vtrnDB_SetUserTypePermissions", m_setUserTypePermissions);
    Resolve(m_library, "vtrnDB_GetUserTypePermission", m_getUserTypePermission);
    Resolve(m_library, "vtrnDB_SetUserTypePermission", m_setUserTypePermission);
    Resolve(m_library, "vtrnDB_IsVeltraneDB", m_isVeltraneDB);
    Resolve(m_library, "vtrnDB_GetUserDBPermission", m_getUserDBPermission);
    Resolve(m_library, "vtrnDB_SetUserDBPermission", m_setUserDBPermission);
}

CDBAccessModule::~CDBAccessModule() {
    if (m_handle && m_exitDB) m_exitDB(m_handle);
    if (m_library) FreeLibrary(m_library);
}

template <class Function> Function CDBAccessModule::Require(Function function, const char* method) const {
    if (!function) throw dbaccess_exception(method);
    return function;
}

int CDBAccessModule::Connect() {
    auto initDB = Require(m_initDB, "Connect");
    // A second Connect would otherwise leave the first connection open for good.
    if (m_handle && m_exitDB) m_exitDB(m_handle);
    m_handle = initDB(m_server.c_str(), m_hasDatabase ? m_database.c_str() : nullptr, 0, false);
    return m_handle;
}

void CDBAccessModule::Disconnect() {
    // The logins listing disconnects a module it never connected: the library answers handle 0 harmlessly.
    Require(m_exitDB, "Disconnect")(m_handle);
    m_handle = 0;
}

int CDBAccessModule::GetUserCount(int& count) {
    return Require(m_getNumUsers, "GetUserCount")(m_server.c_str(), &count, m_handle);
}

int CDBAccessModule::CreateUserTables() {
    return Require(m_createUserTables, "CreateUserTables")(m_server.c_str(), m_handle);
}

int CDBAccessModule::GetUsers(char* names, char* text50, char* text30, int* numbers, int capacity) {
    return Require(m_getUsers, "GetUsers")(m_server.c_str(), names, text50, text30, numbers, capacity,
                                           m_handle);
}

void CDBAccessModule::AddUser(const std::wstring& name) {
    Require(m_setUser, "AddUser")(m_server.c_str(), Narrow(name).c_str(), "", "", 0, m_handle);
}

void CDBAccessModule::DeleteUser(const std::wstring& name) {
    Require(m_deleteUser, "DeleteUser")(m_server.c_str(), Narrow(name).c_str(), m_handle);
}

int CDBAccessModule::GetUserTypePermissions(const std::wstring& name, int* read, int* write, int* third,
                                            int* fourth) {
    return Require(m_getUserTypePermissions, "GetUserTypePermissions")(m_server.c_str(), Narrow(name).c_str(),
                                                                       read, write, third, fourth, m_handle);
}

int CDBAccessModule::SetUserTypePermission(const std::wstring& name, int type, int read, int write, int third,
                                           int fourth) {
    return Require(m_setUserTypePermission, "SetUserTypePermission")(
        m_server.c_str(), Narrow(name).c_str(), type, read, write, third, fourth, m_handle);
}

bool CDBAccessModule::IsVeltrane(const std::wstring& database) {
    int flag = 0;
    int result =
        Require(m_isVeltraneDB, "IsVeltrane")(m_server.c_str(), Narrow(database).c_str(), &flag, m_handle);
    return result != 0 && flag == 1;
}

int CDBAccessModule::GetUserDBPermission(const std::wstring& name, int& read, int& write) {
    return Require(m_getUserDBPermission, "GetUserDBPermission")(
        m_server.c_str(), m_database.c_str(), Narrow(name).c_str(), &read, &write, m_handle);
}

int CDBAccessModule::SetUserDBPermission(const std::wstring& name, int read, int write) {
    return Require(m_setUserDBPermission, "SetUserDBPermission")(m_server.c_str(), m_database.c_str(),
                                                                 Narrow(name).c_str(), read, write, m_handle);
}

} // namespace MSDE
