// Fuzz target: the level text parser.
#include "fuzz/checks.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    prismcrate::fuzz::runOrAbort(prismcrate::fuzz::checkLevelText, data, size);
    return 0;
}
