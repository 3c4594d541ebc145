// Pictures shown by the windows (the palette, the about box's picture), read from bitmap
// files with the program's own bitmap reader: it opens only regular files, bounds what it
// reads, and needs none of the toolkit's image plugins, which would otherwise all be
// loaded at start-up.
#pragma once

#include <QImage>
#include <QString>

namespace prismcrate {

// The bitmap file as a 32-bit RGB image; a null image when the file cannot be read (it is
// missing, not a regular file, or not a bitmap the reader takes).
QImage readPictureFile(const QString& path);

}  // namespace prismcrate
