#include "editor/pictures.h"

#include <string>
#include <system_error>

#include "editor/item_bitmaps.h"
#include "formats/pcx.h"
#include "platform/files.h"

namespace b3::editor {

QPixmap ItemBitmap(int id) {
    if (id < kFirstItemBitmap || id > kLastItemBitmap) return QPixmap();
    const ItemBitmapData& data = kItemBitmaps[id - kFirstItemBitmap];
    QPixmap pixmap;
    pixmap.loadFromData(data.bytes, static_cast<uint>(data.size), "BMP");
    return pixmap;
}

QImage LoadPcxImage(const QString& path, QString* problem) {
    std::string bytes;
    std::error_code ec;
    // Pictures are small; anything past a few megabytes is not one of the game's.
    if (!platform::ReadFileBytes(path.toStdString(), bytes, ec, 16u << 20)) {
        if (problem) *problem = "No picture file";
        return QImage();
    }
    const auto picture = b3::pcx::DecodePcx(bytes);
    if (!picture) {
        if (problem) *problem = "Not an 8-bit PCX picture";
        return QImage();
    }
    QImage image(picture->width, picture->height, QImage::Format_RGB32);
    for (int y = 0; y < picture->height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < picture->width; ++x) {
            const b3::pcx::Rgb& c = picture->palette[picture->at(x, y)];
            line[x] = qRgb(c.r, c.g, c.b);
        }
    }
    return image;
}

}  // namespace b3::editor
