// IImageList: the image strips and icons a snap-in gives for its scope items and result rows. The
// console keeps the handles by position; drawing them is the desktop front end's business.
#include "objects.h"

namespace Console {

STDMETHODIMP CImageList::ImageListSetIcon(LONG_PTR* pIcon, long nLoc) {
    // The icon's handle is the pointer's value itself.
    if (!pIcon || nLoc < 0) return E_INVALIDARG;
    m_icons.emplace_back(nLoc, reinterpret_cast<LONG_PTR>(pIcon));
    return S_OK;
}

STDMETHODIMP CImageList::ImageListSetStrip(LONG_PTR* pBMapSm, LONG_PTR* pBMapLg, long nStartLoc,
                                           COLORREF cMask) {
    // The bitmaps' handles are the pointers' values themselves.
    if (!pBMapSm || !pBMapLg || nStartLoc < 0) return E_INVALIDARG;
    m_strips.push_back(
        {reinterpret_cast<LONG_PTR>(pBMapSm), reinterpret_cast<LONG_PTR>(pBMapLg), nStartLoc, cMask});
    return S_OK;
}

} // namespace Console
