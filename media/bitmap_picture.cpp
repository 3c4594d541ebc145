#include "media/bitmap_picture.h"

#include <cstring>

#include "media/dib.h"

namespace prismcrate {

QImage readBitmapPicture(const std::string& path) {
    TDIB dib;
    try {
        dib.LoadFromFile(path);
    } catch (const Error&) {
        return {};
    }
    const DibImage& image = dib.Image();
    if (image.empty()) return {};
    QImage picture(image.width, image.height, QImage::Format_RGB32);
    if (picture.isNull()) return {};
    const std::size_t rowBytes = std::size_t(image.width) * sizeof(std::uint32_t);
    for (int y = 0; y < image.height; ++y)
        std::memcpy(picture.scanLine(y), image.pixels.data() + std::size_t(y) * image.width,
                    rowBytes);
    return picture;
}

}  // namespace prismcrate
