// The session bus when there is none to be had.
//
// The toolkit connects to the session bus as the first window shows (to find out whether
// an assistive technology listens). With no bus address in the environment and no user
// bus socket, the bus library falls back on launching a bus through the `dbus-launch`
// helper: it forks the whole program to run it, even where the helper is not installed
// and the launch is bound to fail. That fork, in a program whose window is half built,
// costs the start about 4 ms before the window shows and more before it is drawn (every
// page the program writes after it is copied).
#pragma once

#include <string>

namespace prismcrate {

// Whether a session bus can be reached or launched: an address given, a socket at
// `runtimeDir`/bus, or a `dbus-launch` program in one of the folders of `path` (a search
// path, folders separated by ':').
bool sessionBusPossible(const char* address, const std::string& runtimeDir,
                        const std::string& path);

// Where no session bus is possible, as above for this process's environment, sets the
// bus address to one that fails at once ("disabled:"), for this program and the programs
// it starts, which could not reach a bus either. Call it before the application object
// is made and before the program starts any thread (it may set an environment variable).
void skipImpossibleSessionBus();

}  // namespace prismcrate
