// Platform bitmaps, icons and fonts as the desktop window draws them. Pixels are read with GetDIBits as
// 32-bit colours, bottom-up as a device-independent bitmap keeps them.
#include "images.h"

#include <vector>

#include "wingdi.h"
#include "winuser.h"

namespace Desktop {

QImage ImageOf(HBITMAP bitmap) {
    BITMAP info{};
    if (!bitmap || !GetObjectW(bitmap, sizeof(info), &info) || info.bmWidth <= 0 || info.bmHeight <= 0)
        return {};
    BITMAPINFO request{};
    request.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    request.bmiHeader.biWidth = info.bmWidth;
    request.bmiHeader.biHeight = info.bmHeight;
    request.bmiHeader.biPlanes = 1;
    request.bmiHeader.biBitCount = 32;
    request.bmiHeader.biCompression = BI_RGB;
    std::vector<uint32_t> pixels(static_cast<size_t>(info.bmWidth) * info.bmHeight);
    if (GetDIBits(nullptr, bitmap, 0, info.bmHeight, pixels.data(), &request, DIB_RGB_COLORS) <= 0) return {};
    QImage image(info.bmWidth, info.bmHeight, QImage::Format_RGB32);
    for (int y = 0; y < info.bmHeight; ++y) // the last row comes first
        memcpy(image.scanLine(info.bmHeight - 1 - y), pixels.data() + static_cast<size_t>(y) * info.bmWidth,
               static_cast<size_t>(info.bmWidth) * 4);
    return image;
}

QImage ImageOf(HICON icon) {
    ICONINFO info{};
    if (!icon || !GetIconInfo(icon, &info)) return {};
    QImage colour = ImageOf(info.hbmColor);
    QImage mask = ImageOf(info.hbmMask);
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    if (colour.isNull()) return {};
    colour = colour.convertToFormat(QImage::Format_ARGB32);
    if (mask.size() == colour.size())
        for (int y = 0; y < colour.height(); ++y)
            for (int x = 0; x < colour.width(); ++x)
                if (qRed(mask.pixel(x, y)) > 127)
                    colour.setPixel(x, y, 0); // a set mask bit shows what is behind
    return colour;
}

QIcon IconFromStrips(const std::vector<Strip>& strips, int index, int size) {
    for (auto it = strips.rbegin(); it != strips.rend(); ++it) {
        if (index < it->start) continue;
        QImage strip = ImageOf(it->bitmap);
        int height = strip.height();
        int x = (index - static_cast<int>(it->start)) * height;
        if (strip.isNull() || x + height > strip.width()) continue;
        QImage image = strip.copy(x, 0, height, height).convertToFormat(QImage::Format_ARGB32);
        QRgb transparent =
            qRgb(it->mask & 0xFF, (it->mask >> 8) & 0xFF, (it->mask >> 16) & 0xFF); // 0x00BBGGRR
        for (int py = 0; py < image.height(); ++py)
            for (int px = 0; px < image.width(); ++px)
                if ((image.pixel(px, py) & 0xFFFFFF) == (transparent & 0xFFFFFF)) image.setPixel(px, py, 0);
        return QIcon(
            QPixmap::fromImage(image.scaled(size, size, Qt::KeepAspectRatio, Qt::SmoothTransformation)));
    }
    return {};
}

void MapDialogFaces() {
    for (const char* face : {"MS Shell Dlg", "MS Shell Dlg 2", "MS Sans Serif", "Tahoma", "Verdana",
                             "Microsoft Sans Serif", "Segoe UI"})
        QFont::insertSubstitution(face, "DejaVu Sans");
}

QFont FontOf(HFONT font) {
    LOGFONTW description{};
    QFont result("DejaVu Sans");
    result.setPointSizeF(8);
    if (!font || !GetObjectW(font, sizeof(description), &description)) return result;
    QString face = QString::fromWCharArray(description.lfFaceName);
    // A face that names its weight ("Verdana Bold") is the regular face in bold.
    bool boldFace = face.endsWith(" Bold", Qt::CaseInsensitive);
    if (boldFace) face.chop(5);
    if (!face.isEmpty()) result.setFamily(face);
    if (description.lfHeight != 0) // pixels at 96 dots per inch; negative: the character height
        result.setPointSizeF(std::abs(description.lfHeight) * 72.0 / 96.0);
    result.setBold(boldFace || description.lfWeight >= FW_SEMIBOLD);
    result.setItalic(description.lfItalic != 0);
    return result;
}

} // namespace Desktop
