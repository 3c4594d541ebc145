// FIFOs for tests of readers that must never wait on one. Should a reader open a FIFO
// and wait for a writer after all, a watchdog opens the FIFO's writing end once the time
// is up, which ends the wait, and the guard reports that it had to: the test fails
// instead of hanging.
#pragma once

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace prismcrate::testing {

class FifoGuard {
  public:
    explicit FifoGuard(std::chrono::seconds limit = std::chrono::seconds(10))
        : watchdog_([this, limit] { watch(limit); }) {}
    ~FifoGuard() {
        {
            const std::lock_guard lock(mutex_);
            done_ = true;
        }
        wake_.notify_all();
        watchdog_.join();
        for (const std::string& path : paths_) ::unlink(path.c_str());
    }
    FifoGuard(const FifoGuard&) = delete;
    FifoGuard& operator=(const FifoGuard&) = delete;

    // Makes a FIFO at `path`; false when it cannot.
    bool make(const std::string& path) {
        if (::mkfifo(path.c_str(), 0600) != 0) return false;
        const std::lock_guard lock(mutex_);
        paths_.push_back(path);
        return true;
    }

    // Whether the watchdog had to free a reader that waited on one of the FIFOs.
    bool timedOut() const { return timedOut_; }

  private:
    void watch(std::chrono::seconds limit) {
        std::unique_lock lock(mutex_);
        const auto deadline = std::chrono::steady_clock::now() + limit;
        while (!done_) {
            if (wake_.wait_until(lock, deadline) != std::cv_status::timeout) continue;
            timedOut_ = true;
            // Opening the writing end succeeds only while a reader waits; that reader's
            // open then returns, and closing again gives it the end of the file.
            for (const std::string& path : paths_) {
                const int fd = ::open(path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
                if (fd >= 0) ::close(fd);
            }
            wake_.wait_for(lock, std::chrono::milliseconds(100));
        }
    }

    std::mutex mutex_;
    std::condition_variable wake_;
    bool done_ = false;
    std::atomic<bool> timedOut_{false};
    std::vector<std::string> paths_;
    std::thread watchdog_;
};

}  // namespace prismcrate::testing
