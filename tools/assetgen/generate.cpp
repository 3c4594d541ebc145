#include "tools/assetgen/generate.h"

#include <QImage>
#include <QString>
#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "tools/assetgen/cues.h"
#include "tools/assetgen/file_formats.h"
#include "tools/assetgen/pictures.h"
#include "tools/assetgen/sprites.h"

namespace prismcrate::assetgen {

namespace {

int toByte(double v) {
    return static_cast<int>(std::lround(std::clamp(v, 0.0, 255.0)));
}

void writePng(const Canvas& c, const std::filesystem::path& path) {
    QImage image(c.width(), c.height(), QImage::Format_ARGB32);
    for (int y = 0; y < c.height(); ++y) {
        for (int x = 0; x < c.width(); ++x) {
            const Color p = c.pixel(x, y);
            const int a = toByte(p.a * 255);
            image.setPixel(x, y, a == 0 ? 0u : qRgba(toByte(p.r), toByte(p.g), toByte(p.b), a));
        }
    }
    if (!image.save(QString::fromStdString(path.string()), "PNG")) {
        throw std::runtime_error("cannot write " + path.string());
    }
}

}  // namespace

std::vector<std::string> generateAssets(const std::filesystem::path& dir) {
    std::error_code ec;
    std::filesystem::create_directories(dir / "icons", ec);
    if (ec) throw std::runtime_error("cannot make " + (dir / "icons").string());

    std::vector<std::string> written;
    auto put = [&](const std::string& name, const Bytes& bytes) {
        writeFile((dir / name).string(), bytes);
        written.push_back(name);
    };

    const Sheet tiles1 = drawTiles1();
    const Sheet tiles2 = drawTiles2();
    put("tiles1.bmp", encodeBmp24(tiles1.width(), tiles1.height(), tiles1.pixels));
    put("tiles2.bmp", encodeBmp24(tiles2.width(), tiles2.height(), tiles2.pixels));
    put("palette.bmp", encodeBmp24(kPaletteSize, kPaletteSize, drawPalette(tiles1, tiles2)));

    const IndexedImage about =
        reduceColours(drawAboutScene(kAboutSize, true).flatten(rgb(255, 255, 255)));
    put("about.bmp", encodeBmp8(kAboutSize, kAboutSize, about.indices, about.colours));

    for (const Cue& cue : synthesiseCues())
        put(cue.name + ".wav", encodeWav8(cue.rate, cue.samples));

    for (int size : kIconSizes) {
        const std::string name = "icons/prismcrate-" + std::to_string(size) + ".png";
        writePng(drawAboutScene(size, false), dir / name);
        written.push_back(name);
    }
    return written;
}

}  // namespace prismcrate::assetgen
