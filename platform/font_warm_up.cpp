#include "platform/font_warm_up.h"

#include <fontconfig/fontconfig.h>

#include <system_error>

namespace prismcrate {

FontConfigWarmUp::FontConfigWarmUp() {
    // The library sets up its default configuration once per process, whichever thread
    // asks first; what this thread reads, the toolkit uses.
    try {
        thread_ = std::thread([] { FcInit(); });
    } catch (const std::system_error&) {
        // No thread to be had: the toolkit reads the configuration itself when it needs it.
    }
}

FontConfigWarmUp::~FontConfigWarmUp() {
    wait();
}

void FontConfigWarmUp::wait() {
    if (thread_.joinable()) thread_.join();
}

}  // namespace prismcrate
