// CSnapinAbout: strings are loaded on every call and handed out as task memory; the images are loaded
// once, when the object is made, from the resource module current at that moment.
#include "snapins/about.h"

#include "resources/resource.h"
#include "snapins/module.h"

namespace Snapins {

namespace {

// A resource string as a new task-memory string for the caller to free.
HRESULT TaskMemString(UINT id, LPOLESTR* out) {
    if (!out) return E_POINTER;
    WCHAR buffer[520] = {};
    LoadStringW(SnapinModule().resourceModule, id, buffer, ARRAYSIZE(buffer));
    size_t length = wcslen(buffer);
    *out = static_cast<LPOLESTR>(CoTaskMemAlloc((length + 1) * sizeof(OLECHAR)));
    if (!*out) return E_OUTOFMEMORY;
    wmemcpy(*out, buffer, length + 1);
    return S_OK;
}

} // namespace

CSnapinAbout::CSnapinAbout() {
    HMODULE resources = SnapinModule().resourceModule;
    m_smallImage = LoadBitmapW(resources, MAKEINTRESOURCEW(IDB_SMALL_IMAGES));
    m_largeImage = LoadBitmapW(resources, MAKEINTRESOURCEW(IDB_LARGE_IMAGES));
    m_icon = LoadIconW(resources, MAKEINTRESOURCEW(IDI_SNAPIN));
}

CSnapinAbout::~CSnapinAbout() {
    if (m_smallImage) DeleteObject(m_smallImage);
    if (m_largeImage) DeleteObject(m_largeImage);
    if (m_icon) DestroyIcon(m_icon);
}

STDMETHODIMP CSnapinAbout::GetSnapinDescription(LPOLESTR* lpDescription) {
    return TaskMemString(IDS_SNAPIN_DESC, lpDescription);
}

STDMETHODIMP CSnapinAbout::GetProvider(LPOLESTR* lpName) {
    return TaskMemString(IDS_PROVIDER, lpName);
}

STDMETHODIMP CSnapinAbout::GetSnapinVersion(LPOLESTR* lpVersion) {
    return TaskMemString(IDS_VERSION, lpVersion);
}

STDMETHODIMP CSnapinAbout::GetSnapinImage(HICON* hAppIcon) {
    if (!hAppIcon) return E_POINTER;
    *hAppIcon = m_icon;
    return m_icon ? S_OK : E_FAIL;
}

STDMETHODIMP CSnapinAbout::GetStaticFolderImage(HBITMAP* hSmallImage, HBITMAP* hSmallImageOpen,
                                                HBITMAP* hLargeImage, COLORREF* cMask) {
    if (!hSmallImage || !hSmallImageOpen || !hLargeImage || !cMask) return E_POINTER;
    *hSmallImage = m_smallImage;
    *hSmallImageOpen = m_smallImage;
    *hLargeImage = m_largeImage;
    *cMask = RGB(255, 255, 255); // white is transparent
    return m_smallImage && m_largeImage ? S_OK : E_FAIL;
}

} // namespace Snapins
