#include "platform/regular_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>

#include "platform/error.h"

namespace prismcrate {
namespace {

class Descriptor {
  public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }

  private:
    int fd_;
};

}  // namespace

std::optional<std::vector<std::uint8_t>> readRegularFile(const std::string& path,
                                                         std::size_t maxBytes) {
    // Without O_NONBLOCK, opening a FIFO for reading waits for a writer, for ever.
    const Descriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (fd.get() < 0) throw EFOpenError(path);
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) throw EFOpenError(path);
    if (st.st_size < 0 || static_cast<std::uint64_t>(st.st_size) > maxBytes) return std::nullopt;

    // The size is only a hint: the file may grow or shrink while it is read.
    // One byte beyond the limit tells a file that has grown past it.
    const std::size_t capacity = maxBytes < SIZE_MAX ? maxBytes + 1 : maxBytes;
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(st.st_size));
    std::size_t have = 0;
    for (;;) {
        if (have == bytes.size()) {
            if (bytes.size() >= capacity) break;
            bytes.resize(std::min(capacity, std::max<std::size_t>(4096, bytes.size() * 2)));
        }
        const ssize_t n = ::read(fd.get(), bytes.data() + have, bytes.size() - have);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) throw EFOpenError(path);
        if (n == 0) break;
        have += static_cast<std::size_t>(n);
    }
    if (have > maxBytes) return std::nullopt;
    bytes.resize(have);
    return bytes;
}

}  // namespace prismcrate
