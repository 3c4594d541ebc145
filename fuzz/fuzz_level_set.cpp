// Fuzz target: the level set's record walk and level locator.
#include "fuzz/checks.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    prismcrate::fuzz::runOrAbort(prismcrate::fuzz::checkLevelSet, data, size);
    return 0;
}
