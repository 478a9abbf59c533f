// The editor's pictures: the 32 item pictures (bitmap resources 100 to 131) and the preview of a
// game picture file.
#pragma once

#include <QImage>
#include <QPixmap>
#include <QString>

namespace b3::editor {

inline constexpr int kFirstItemBitmap = 100;
inline constexpr int kLastItemBitmap = 131;

// The item bitmap `id`; a null pixmap for an identifier outside 100 to 131.
QPixmap ItemBitmap(int id);

// Decodes an 8-bit PCX file with its palette. On failure returns a null image and says why in
// `problem`.
QImage LoadPcxImage(const QString& path, QString* problem);

}  // namespace b3::editor
