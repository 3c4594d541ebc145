// Bitmap files read into pictures for the window's image controls, by the program's own
// bitmap reader: the same checks as the sprite sheets get, and no image format plug-ins
// loaded at start-up to find out what the file is.
#pragma once

#include <QImage>
#include <string>

namespace prismcrate {

// The picture in the bitmap file at `path`, one 0xFFRRGGBB word per pixel; a null image
// when the file cannot be opened, is not a regular file, or is not a bitmap the reader
// accepts.
QImage readBitmapPicture(const std::string& path);

}  // namespace prismcrate
