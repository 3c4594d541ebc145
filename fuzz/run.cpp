#include <cstdio>
#include <cstdlib>
#include <exception>
#include <typeinfo>

#include "fuzz/checks.h"

namespace prismcrate::fuzz {

void runOrAbort(void (*check)(Input), const std::uint8_t* data, std::size_t size) {
    try {
        check(Input(data, size));
    } catch (const InvariantBroken& e) {
        std::fprintf(stderr, "invariant broken: %s\n", e.what());
        std::abort();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "unexpected exception %s: %s\n", typeid(e).name(), e.what());
        std::abort();
    }
}

}  // namespace prismcrate::fuzz
