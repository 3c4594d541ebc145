#include "platform/font_warm_up.h"

#include <fontconfig/fontconfig.h>
#include <sys/resource.h>

#include <cerrno>
#include <system_error>

namespace prismcrate {

FontConfigWarmUp::FontConfigWarmUp() {
    // The library sets up its default configuration once per process, whichever thread
    // asks first; what this thread reads, the toolkit uses.
    try {
        thread_ = std::thread([] {
            // At a low priority (nice 10, or lower if the program already runs lower):
            // while the window is made, the main thread and the X server need the
            // processor in short bursts, and this reading must not hold them up; it has
            // the idle time between their turns. On Linux the nice value is each
            // thread's own, and 0 names the calling thread.
            errno = 0;
            const int nice = ::getpriority(PRIO_PROCESS, 0);
            if (errno == 0 && nice < 10) ::setpriority(PRIO_PROCESS, 0, 10);
            FcInit();
        });
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
