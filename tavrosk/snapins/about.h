// The about-information object: the description, provider, version and images the console shows for
// the snap-in.
#pragma once

#include "mmc.h"

namespace Snapins {

class CSnapinAbout : public ISnapinAbout {
public:
    CSnapinAbout();

    STDMETHOD(QueryInterface)(REFIID riid, void** ppv) override;
    STDMETHOD_(ULONG, AddRef)() override;
    STDMETHOD_(ULONG, Release)() override;
    STDMETHOD(GetSnapinDescription)(LPOLESTR* lpDescription) override;
    STDMETHOD(GetProvider)(LPOLESTR* lpName) override;
    STDMETHOD(GetSnapinVersion)(LPOLESTR* lpVersion) override;
    STDMETHOD(GetSnapinImage)(HICON* hAppIcon) override;
    STDMETHOD(GetStaticFolderImage)
    (HBITMAP* hSmallImage, HBITMAP* hSmallImageOpen, HBITMAP* hLargeImage, COLORREF* cMask) override;
    virtual ~CSnapinAbout();

private:
    LONG m_refCount = 0;
    HBITMAP m_smallImage = nullptr;
    HBITMAP m_largeImage = nullptr;
    HICON m_icon = nullptr;
};

} // namespace Snapins
