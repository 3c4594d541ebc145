// Reads the system's font configuration on a low-priority thread of its own while the
// application and its main window are being made. The main window measures its menu titles before it
// shows, and the toolkit's first font lookup otherwise starts by reading the configuration
// files and font caches on the spot: a few milliseconds that the window then waits for.
#pragma once

#include <thread>

namespace prismcrate {

class FontConfigWarmUp {
  public:
    FontConfigWarmUp();
    // Waits for the thread.
    ~FontConfigWarmUp();
    FontConfigWarmUp(const FontConfigWarmUp&) = delete;
    FontConfigWarmUp& operator=(const FontConfigWarmUp&) = delete;

    // Waits until the configuration is read; call it before the first text is measured,
    // so that the toolkit finds it ready rather than reading it a second time. Once done,
    // a further call returns at once.
    void wait();

  private:
    std::thread thread_;
};

}  // namespace prismcrate
