// Fuzz target: the level record reader and writer.
#include "fuzz/checks.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    prismcrate::fuzz::runOrAbort(prismcrate::fuzz::checkLevelRecord, data, size);
    return 0;
}
