// Fuzz target: the bitmap reader, file and stored forms.
#include "fuzz/checks.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    prismcrate::fuzz::runOrAbort(prismcrate::fuzz::checkBitmap, data, size);
    return 0;
}
