// ole32: apartments, class objects and CoCreateInstance, GUID strings, task memory.
#pragma once

#include "windows.h"
#include "unknwn.h"

typedef WCHAR OLECHAR;
typedef OLECHAR* LPOLESTR;
typedef const OLECHAR* LPCOLESTR;

typedef enum tagCOINIT {
    COINIT_APARTMENTTHREADED = 0x2,
    COINIT_MULTITHREADED = 0x0,
    COINIT_DISABLE_OLE1DDE = 0x4,
    COINIT_SPEED_OVER_MEMORY = 0x8,
} COINIT;

typedef enum tagCLSCTX {
    CLSCTX_INPROC_SERVER = 0x1,
    CLSCTX_INPROC_HANDLER = 0x2,
    CLSCTX_LOCAL_SERVER = 0x4,
    CLSCTX_REMOTE_SERVER = 0x10,
} CLSCTX;
#define CLSCTX_INPROC (CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER)
#define CLSCTX_ALL (CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER | CLSCTX_REMOTE_SERVER)
#define CLSCTX_SERVER (CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER | CLSCTX_REMOTE_SERVER)

typedef enum tagREGCLS {
    REGCLS_SINGLEUSE = 0,
    REGCLS_MULTIPLEUSE = 1,
    REGCLS_MULTI_SEPARATE = 2,
    REGCLS_SUSPENDED = 4,
} REGCLS;

WINOLEAPI HRESULT WINAPI CoInitialize(LPVOID pvReserved);
WINOLEAPI HRESULT WINAPI CoInitializeEx(LPVOID pvReserved, DWORD dwCoInit);
WINOLEAPI void WINAPI CoUninitialize(void);

WINOLEAPI HRESULT WINAPI CoCreateInstance(REFCLSID rclsid, LPUNKNOWN pUnkOuter, DWORD dwClsContext, REFIID riid,
                                          LPVOID* ppv);
WINOLEAPI HRESULT WINAPI CoGetClassObject(REFCLSID rclsid, DWORD dwClsContext, LPVOID pvReserved, REFIID riid,
                                          LPVOID* ppv);
WINOLEAPI HRESULT WINAPI CoRegisterClassObject(REFCLSID rclsid, LPUNKNOWN pUnk, DWORD dwClsContext, DWORD flags,
                                               LPDWORD lpdwRegister);
WINOLEAPI HRESULT WINAPI CoRevokeClassObject(DWORD dwRegister);
// Frees the in-process servers whose DllCanUnloadNow answers S_OK.
WINOLEAPI void WINAPI CoFreeUnusedLibraries(void);

WINOLEAPI LPVOID WINAPI CoTaskMemAlloc(SIZE_T cb);
WINOLEAPI LPVOID WINAPI CoTaskMemRealloc(LPVOID pv, SIZE_T cb);
WINOLEAPI void WINAPI CoTaskMemFree(LPVOID pv);

WINOLEAPI HRESULT WINAPI StringFromCLSID(REFCLSID rclsid, LPOLESTR* lplpsz);
WINOLEAPI HRESULT WINAPI StringFromIID(REFIID rclsid, LPOLESTR* lplpsz);
WINOLEAPI int WINAPI StringFromGUID2(REFGUID rguid, LPOLESTR lpsz, int cchMax);
WINOLEAPI HRESULT WINAPI CLSIDFromString(LPCOLESTR lpsz, LPCLSID pclsid);
WINOLEAPI HRESULT WINAPI IIDFromString(LPCOLESTR lpsz, LPIID lpiid);
