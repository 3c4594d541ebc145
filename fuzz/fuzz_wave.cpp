// Fuzz target: the wave reader.
#include "fuzz/checks.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    prismcrate::fuzz::runOrAbort(prismcrate::fuzz::checkWave, data, size);
    return 0;
}
