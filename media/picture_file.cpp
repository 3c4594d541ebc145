#include "media/picture_file.h"

#include <QFile>
#include <cstring>
#include <new>

#include "media/dib.h"

namespace prismcrate {

QImage readPictureFile(const QString& path) {
    try {
        TDIB dib;
        dib.LoadFromFile(QFile::encodeName(path).toStdString());
        if (dib.Empty()) return {};
        QImage image(dib.Width(), dib.Height(), QImage::Format_RGB32);
        if (image.isNull()) return {};
        // Both hold one 0xFFRRGGBB word per pixel.
        for (int y = 0; y < dib.Height(); ++y)
            std::memcpy(image.scanLine(y), dib.ScanLine(y),
                        std::size_t(dib.Width()) * sizeof(std::uint32_t));
        return image;
    } catch (const Error&) {
        return {};
    } catch (const std::bad_alloc&) {
        return {};
    }
}

}  // namespace prismcrate
