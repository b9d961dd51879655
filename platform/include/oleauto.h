// oleaut32: BSTR strings and the automation boolean, and the functions that make and free them. A BSTR
// points at wide characters that follow a length prefix and end with a null character; its length is
// the prefix, so it may hold embedded nulls. The object model hands out BSTRs that the caller frees
// with SysFreeString. The error-information functions (ole32) are declared here as well, where
// automation code expects them.
#pragma once

#include "objbase.h"

typedef WCHAR* BSTR;
typedef BSTR* LPBSTR;
typedef short VARIANT_BOOL;
#define VARIANT_TRUE ((VARIANT_BOOL)-1)
#define VARIANT_FALSE ((VARIANT_BOOL)0)

WINOLEAPI_(BSTR) SysAllocString(const OLECHAR* psz);
WINOLEAPI_(BSTR) SysAllocStringLen(const OLECHAR* strIn, UINT ui);
WINOLEAPI_(void) SysFreeString(BSTR bstrString);
WINOLEAPI_(UINT) SysStringLen(BSTR pbstr);

interface IErrorInfo;
interface ICreateErrorInfo;

// Error information is per thread: SetErrorInfo replaces the thread's error object (null clears it),
// GetErrorInfo hands it over and clears it, answering S_FALSE when there is none.
WINOLEAPI HRESULT WINAPI SetErrorInfo(ULONG dwReserved, IErrorInfo* perrinfo);
WINOLEAPI HRESULT WINAPI GetErrorInfo(ULONG dwReserved, IErrorInfo** pperrinfo);
WINOLEAPI HRESULT WINAPI CreateErrorInfo(ICreateErrorInfo** pperrinfo);
