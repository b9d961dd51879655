// What the desktop window draws from the platform's graphic objects: bitmaps and icons as Qt images,
// an image of a snap-in's image strips, and a dialog's font as the font this machine actually has.
#pragma once

#include <QFont>
#include <QIcon>
#include <QImage>

#include "windows.h"

namespace Desktop {

// The bitmap's pixels; a null image for a handle that names no bitmap.
QImage ImageOf(HBITMAP bitmap);
// The icon's colour pixels with its mask as transparency.
QImage ImageOf(HICON icon);
// Image `index` of strips that start at `start`, each image `size` pixels square; pixels of the mask
// colour are transparent. Null when no strip holds the index.
struct Strip {
    HBITMAP bitmap = nullptr;
    long start = 0;
    COLORREF mask = 0;
};
QIcon IconFromStrips(const std::vector<Strip>& strips, int index, int size);

// The font a platform font stands for on this machine: the dialog faces the templates name become the
// free faces installed with the console (DejaVu Sans), at the same size and weight.
QFont FontOf(HFONT font);
// Makes the template faces map to the installed ones; once, before the first window is drawn.
void MapDialogFaces();

} // namespace Desktop
