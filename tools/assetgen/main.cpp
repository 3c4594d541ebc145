// prismcrate-assetgen OUTDIR: draws the sprite sheets, the palette and about pictures and
// the icons, synthesises the sound cues, and writes them all into OUTDIR.
#include <cstdio>
#include <exception>

#include "tools/assetgen/generate.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: prismcrate-assetgen OUTDIR\n");
        return 2;
    }
    try {
        for (const std::string& name : prismcrate::assetgen::generateAssets(argv[1])) {
            std::printf("%s\n", name.c_str());
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "prismcrate-assetgen: %s\n", e.what());
        return 1;
    }
    return 0;
}
