// The about-information object: the description, provider, version and images the console shows for
// the snap-in.
#pragma once

#include "mmc.h"
#include "snapins/snapinobject.h"

namespace Snapins {

class CSnapinAbout : public CSnapinObject<ISnapinAbout> {
public:
    CSnapinAbout();

    STDMETHOD(GetSnapinDescription)(LPOLESTR* lpDescription) override;
    STDMETHOD(GetProvider)(LPOLESTR* lpName) override;
    STDMETHOD(GetSnapinVersion)(LPOLESTR* lpVersion) override;
    STDMETHOD(GetSnapinImage)(HICON* hAppIcon) override;
    STDMETHOD(GetStaticFolderImage)
    (HBITMAP* hSmallImage, HBITMAP* hSmallImageOpen, HBITMAP* hLargeImage, COLORREF* cMask) override;

protected:
    ~CSnapinAbout() override;

private:
    HBITMAP m_smallImage = nullptr;
    HBITMAP m_largeImage = nullptr;
    HICON m_icon = nullptr;
};

} // namespace Snapins
