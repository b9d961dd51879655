// comdlg32: the open and save file dialogs. A person answers them through the front end (tvfrontend.h);
// with no front end installed the dialog counts as cancelled.
#pragma once

#include "winuser.h"

#define OFN_READONLY 0x00000001
#define OFN_OVERWRITEPROMPT 0x00000002
#define OFN_HIDEREADONLY 0x00000004
#define OFN_NOCHANGEDIR 0x00000008
#define OFN_SHOWHELP 0x00000010
#define OFN_ENABLEHOOK 0x00000020
#define OFN_ENABLETEMPLATE 0x00000040
#define OFN_ENABLETEMPLATEHANDLE 0x00000080
#define OFN_NOVALIDATE 0x00000100
#define OFN_ALLOWMULTISELECT 0x00000200
#define OFN_EXTENSIONDIFFERENT 0x00000400
#define OFN_PATHMUSTEXIST 0x00000800
#define OFN_FILEMUSTEXIST 0x00001000
#define OFN_CREATEPROMPT 0x00002000
#define OFN_SHAREAWARE 0x00004000
#define OFN_NOREADONLYRETURN 0x00008000
#define OFN_NOTESTFILECREATE 0x00010000
#define OFN_NONETWORKBUTTON 0x00020000
#define OFN_NOLONGNAMES 0x00040000
#define OFN_EXPLORER 0x00080000
#define OFN_NODEREFERENCELINKS 0x00100000
#define OFN_LONGNAMES 0x00200000
#define OFN_ENABLEINCLUDENOTIFY 0x00400000
#define OFN_ENABLESIZING 0x00800000
#define OFN_DONTADDTORECENT 0x02000000
#define OFN_FORCESHOWHIDDEN 0x10000000

#define CDERR_DIALOGFAILURE 0xFFFF
#define CDERR_GENERALCODES 0x0000
#define CDERR_STRUCTSIZE 0x0001
#define CDERR_INITIALIZATION 0x0002
#define CDERR_NOTEMPLATE 0x0003
#define CDERR_NOHINSTANCE 0x0004
#define CDERR_LOADSTRFAILURE 0x0005
#define CDERR_FINDRESFAILURE 0x0006
#define CDERR_LOADRESFAILURE 0x0007
#define CDERR_LOCKRESFAILURE 0x0008
#define CDERR_MEMALLOCFAILURE 0x0009
#define CDERR_MEMLOCKFAILURE 0x000A
#define CDERR_NOHOOK 0x000B
#define FNERR_FILENAMECODES 0x3000
#define FNERR_SUBCLASSFAILURE 0x3001
#define FNERR_INVALIDFILENAME 0x3002
#define FNERR_BUFFERTOOSMALL 0x3003

#ifndef RC_INVOKED

typedef UINT_PTR(CALLBACK* LPOFNHOOKPROC)(HWND, UINT, WPARAM, LPARAM);

typedef struct tagOFNW {
    DWORD lStructSize;
    HWND hwndOwner;
    HINSTANCE hInstance;
    LPCWSTR lpstrFilter;
    LPWSTR lpstrCustomFilter;
    DWORD nMaxCustFilter;
    DWORD nFilterIndex;
    LPWSTR lpstrFile;
    DWORD nMaxFile;
    LPWSTR lpstrFileTitle;
    DWORD nMaxFileTitle;
    LPCWSTR lpstrInitialDir;
    LPCWSTR lpstrTitle;
    DWORD Flags;
    WORD nFileOffset;
    WORD nFileExtension;
    LPCWSTR lpstrDefExt;
    LPARAM lCustData;
    LPOFNHOOKPROC lpfnHook;
    LPCWSTR lpTemplateName;
    void* pvReserved;
    DWORD dwReserved;
    DWORD FlagsEx;
} OPENFILENAMEW, *LPOPENFILENAMEW;
#define OPENFILENAME_SIZE_VERSION_400W (offsetof(OPENFILENAMEW, lpTemplateName) + sizeof(LPCWSTR))
#define OPENFILENAMEW_NT4 OPENFILENAMEW

// The front end is asked for a path; then the flags are checked as the dialog checks them before it
// closes: OFN_PATHMUSTEXIST (the folder exists), OFN_FILEMUSTEXIST (the file exists) and, when saving,
// OFN_OVERWRITEPROMPT (an existing file is replaced only if the person answers Yes to a message box).
// A path that fails a check is refused with a message box and the front end is asked again. On
// success lpstrFile holds the path with nFileOffset and nFileExtension, lpstrFileTitle the file name,
// and lpstrDefExt is appended (with a dot) to a saved name without an extension. Paths may be native
// or drive-letter paths.
WINBASEAPI BOOL WINAPI GetOpenFileNameW(LPOPENFILENAMEW lpofn);
WINBASEAPI BOOL WINAPI GetSaveFileNameW(LPOPENFILENAMEW lpofn);
// The error of the calling thread's last file dialog: 0 after a cancel or success, CDERR_STRUCTSIZE,
// CDERR_INITIALIZATION (no buffer), FNERR_BUFFERTOOSMALL (the first WORD of lpstrFile then holds the
// characters needed).
WINBASEAPI DWORD WINAPI CommDlgExtendedError(void);

#define GetOpenFileName GetOpenFileNameW
#define GetSaveFileName GetSaveFileNameW
#define OPENFILENAME OPENFILENAMEW

#endif // RC_INVOKED
