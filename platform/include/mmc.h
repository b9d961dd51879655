// The management console's snap-in interfaces, as the console and its snap-ins share them.
#pragma once

#include "objbase.h"

DEFINE_GUID(IID_ISnapinAbout, 0x1245208C, 0xA151, 0x11D0, 0xA7, 0xD7, 0x00, 0xC0, 0x4F, 0xD9, 0x09, 0xDD);

// What the console shows about a snap-in before and after adding it.
interface ISnapinAbout : public IUnknown {
    STDMETHOD(GetSnapinDescription)(LPOLESTR* lpDescription) PURE;
    STDMETHOD(GetProvider)(LPOLESTR* lpName) PURE;
    STDMETHOD(GetSnapinVersion)(LPOLESTR* lpVersion) PURE;
    STDMETHOD(GetSnapinImage)(HICON* hAppIcon) PURE;
    STDMETHOD(GetStaticFolderImage)
    (HBITMAP* hSmallImage, HBITMAP* hSmallImageOpen, HBITMAP* hLargeImage, COLORREF* cMask) PURE;

protected:
    ~ISnapinAbout() = default;
};
typedef ISnapinAbout* LPSNAPINABOUT;
