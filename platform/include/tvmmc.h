// What the console needs of mmcndmgr beyond MMCPropertyChangeNotify and MMCFreeNotifyHandle: making the
// notify handles it gives a snap-in's CreatePropertyPages. A handle is an id in a process-wide table,
// never a pointer: a freed or stale handle names nothing, and the two functions answer E_INVALIDARG.
#pragma once

#include "windef.h"

// A handle whose MMCPropertyChangeNotify(handle, param) posts `changeMessage` to `window` with wParam the
// handle and lParam the param, and whose MMCFreeNotifyHandle(handle) forgets it and posts `freeMessage`
// with wParam the handle. A message posted for a change comes before the one posted for the handle's
// release. 0 when `window` names no window.
WINBASEAPI LONG_PTR WINAPI TvCreateNotifyHandle(HWND window, UINT changeMessage, UINT freeMessage);
// Forgets every handle that posts to `window`, without posting: its console has closed.
WINBASEAPI void WINAPI TvFreeNotifyHandles(HWND window);
