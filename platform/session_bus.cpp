#include "platform/session_bus.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string_view>

namespace prismcrate {
namespace {

// Where the system's bus library looks for dbus-launch before it searches the path.
constexpr const char* kBusLibraryFolder = "/usr/bin";

}  // namespace

bool sessionBusPossible(const char* address, const std::string& runtimeDir,
                        const std::string& path) {
    if (address != nullptr && *address != '\0') return true;
    struct stat st {};
    if (!runtimeDir.empty() && ::stat((runtimeDir + "/bus").c_str(), &st) == 0 &&
        S_ISSOCK(st.st_mode))
        return true;
    std::string_view rest = path;
    while (true) {
        const std::size_t colon = rest.find(':');
        std::string folder(rest.substr(0, colon));
        // An empty entry is the current folder, as the shell reads it.
        if (folder.empty()) folder = ".";
        if (::access((folder + "/dbus-launch").c_str(), X_OK) == 0) return true;
        if (colon == std::string_view::npos) return false;
        rest.remove_prefix(colon + 1);
    }
}

void skipImpossibleSessionBus() {
    const char* runtimeDir = std::getenv("XDG_RUNTIME_DIR");
    const char* path = std::getenv("PATH");
    // The bus library runs the launcher from its own folder first, then from the path.
    const std::string search =
        std::string(path ? path : "/usr/local/bin:/usr/bin:/bin") + ":" + kBusLibraryFolder;
    if (!sessionBusPossible(std::getenv("DBUS_SESSION_BUS_ADDRESS"), runtimeDir ? runtimeDir : "",
                            search))
        ::setenv("DBUS_SESSION_BUS_ADDRESS", "disabled:", 0);
}

}  // namespace prismcrate
