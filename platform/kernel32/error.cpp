// The calling thread's last error, and the texts of system error codes.
#include <cstdlib>
#include <cstring>
#include <string>

#include "windows.h"

namespace {

thread_local DWORD t_lastError = ERROR_SUCCESS;

const wchar_t* SystemMessage(DWORD code) {
    switch (code) {
    case ERROR_SUCCESS:
        return L"The operation completed successfully.";
    case ERROR_FILE_NOT_FOUND:
        return L"The system cannot find the file specified.";
    case ERROR_PATH_NOT_FOUND:
        return L"The system cannot find the path specified.";
    case ERROR_ACCESS_DENIED:
        return L"Access is denied.";
    case ERROR_INVALID_HANDLE:
        return L"The handle is invalid.";
    case ERROR_NOT_ENOUGH_MEMORY:
        return L"Not enough memory resources are available to process this command.";
    case ERROR_BAD_FORMAT:
        return L"An attempt was made to load a program with an incorrect format.";
    case ERROR_INVALID_DATA:
        return L"The data is invalid.";
    case ERROR_OUTOFMEMORY:
        return L"Not enough memory resources are available to complete this operation.";
    case ERROR_NO_MORE_FILES:
        return L"There are no more files.";
    case ERROR_SHARING_VIOLATION:
        return L"The process cannot access the file because it is being used by another process.";
    case ERROR_NOT_SUPPORTED:
        return L"The request is not supported.";
    case ERROR_FILE_EXISTS:
        return L"The file exists.";
    case ERROR_INVALID_PARAMETER:
        return L"The parameter is incorrect.";
    case ERROR_INSUFFICIENT_BUFFER:
        return L"The data area passed to a system call is too small.";
    case ERROR_INVALID_NAME:
        return L"The filename, directory name, or volume label syntax is incorrect.";
    case ERROR_MOD_NOT_FOUND:
        return L"The specified module could not be found.";
    case ERROR_PROC_NOT_FOUND:
        return L"The specified procedure could not be found.";
    case ERROR_ALREADY_EXISTS:
        return L"Cannot create a file when that file already exists.";
    case ERROR_BAD_EXE_FORMAT:
        return L"The file is not a valid application.";
    case ERROR_MORE_DATA:
        return L"More data is available.";
    case ERROR_NO_MORE_ITEMS:
        return L"No more data is available.";
    case ERROR_BADDB:
        return L"The configuration registry database is corrupt.";
    case ERROR_BADKEY:
        return L"The configuration registry key is invalid.";
    case ERROR_CANTOPEN:
        return L"The configuration registry key could not be opened.";
    case ERROR_CANTREAD:
        return L"The configuration registry key could not be read.";
    case ERROR_CANTWRITE:
        return L"The configuration registry key could not be written.";
    case ERROR_REGISTRY_CORRUPT:
        return L"The registry is corrupted.";
    case ERROR_REGISTRY_IO_FAILED:
        return L"An I/O operation initiated by the registry failed unrecoverably.";
    case ERROR_KEY_DELETED:
        return L"Illegal operation attempted on a registry key that has been marked for deletion.";
    case ERROR_DLL_INIT_FAILED:
        return L"A dynamic link library (DLL) initialization routine failed.";
    case ERROR_RESOURCE_DATA_NOT_FOUND:
        return L"The specified image file did not contain a resource section.";
    case ERROR_RESOURCE_TYPE_NOT_FOUND:
        return L"The specified resource type cannot be found in the image file.";
    case ERROR_RESOURCE_NAME_NOT_FOUND:
        return L"The specified resource name cannot be found in the image file.";
    case ERROR_CANCELLED:
        return L"The operation was canceled by the user.";
    case ERROR_INVALID_WINDOW_HANDLE:
        return L"Invalid window handle.";
    case static_cast<DWORD>(E_FAIL):
        return L"Unspecified error";
    case static_cast<DWORD>(E_NOINTERFACE):
        return L"No such interface supported";
    case static_cast<DWORD>(E_OUTOFMEMORY):
        return L"Not enough memory resources are available to complete this operation.";
    case static_cast<DWORD>(E_INVALIDARG):
        return L"The parameter is incorrect.";
    case static_cast<DWORD>(CLASS_E_CLASSNOTAVAILABLE):
        return L"ClassFactory cannot supply requested class";
    case static_cast<DWORD>(CLASS_E_NOAGGREGATION):
        return L"Class does not support aggregation (or class object is remote)";
    case static_cast<DWORD>(REGDB_E_CLASSNOTREG):
        return L"Class not registered";
    case static_cast<DWORD>(CO_E_NOTINITIALIZED):
        return L"CoInitialize has not been called.";
    default:
        return nullptr;
    }
}

} // namespace

extern "C" DWORD WINAPI GetLastError(void) {
    return t_lastError;
}
extern "C" void WINAPI SetLastError(DWORD dwErrCode) {
    t_lastError = dwErrCode;
}

extern "C" DWORD WINAPI FormatMessageW(DWORD dwFlags, LPCVOID lpSource, DWORD dwMessageId, DWORD dwLanguageId,
                                       LPWSTR lpBuffer, DWORD nSize, void* Arguments) {
    if (!(dwFlags & FORMAT_MESSAGE_FROM_SYSTEM) || !lpBuffer) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    // HRESULTs of the Win32 facility carry a Win32 code.
    DWORD code = dwMessageId;
    if (HRESULT_FACILITY(code) == FACILITY_WIN32 && (code & 0x80000000)) code = HRESULT_CODE(code);
    const wchar_t* found = SystemMessage(code);
    if (!found) found = SystemMessage(dwMessageId);
    if (!found) {
        SetLastError(ERROR_RESOURCE_NOT_PRESENT);
        return 0;
    }
    std::wstring text = std::wstring(found) + L"\r\n";
    if (dwFlags & FORMAT_MESSAGE_ALLOCATE_BUFFER) {
        auto* copy = static_cast<wchar_t*>(std::malloc((text.size() + 1) * sizeof(wchar_t)));
        if (!copy) {
            SetLastError(ERROR_NOT_ENOUGH_MEMORY);
            return 0;
        }
        wmemcpy(copy, text.c_str(), text.size() + 1);
        *reinterpret_cast<LPWSTR*>(lpBuffer) = copy;
        return static_cast<DWORD>(text.size());
    }
    if (text.size() + 1 > nSize) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    wmemcpy(lpBuffer, text.c_str(), text.size() + 1);
    return static_cast<DWORD>(text.size());
}

extern "C" HLOCAL WINAPI LocalFree(HLOCAL hMem) {
    std::free(hMem);
    return nullptr;
}
