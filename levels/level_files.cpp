#include "levels/level_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <utility>

#include "platform/error.h"

namespace prismcrate {
namespace {

// A file opened for reading, closed when it goes out of scope. Only regular files are
// accepted: a pipe or a device could block or never end.
class InputFile {
  public:
    explicit InputFile(const std::string& path) : path_(path) {
        fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
        if (fd_ < 0) throw EFOpenError(path);
        struct stat st {};
        if (::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) {
            ::close(fd_);
            errno = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
            throw EFOpenError(path);
        }
    }
    ~InputFile() { ::close(fd_); }
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    // Reads up to `size` bytes; returns 0 only at the end of the file.
    std::size_t read(std::uint8_t* data, std::size_t size) {
        for (;;) {
            const ssize_t n = ::read(fd_, data, size);
            if (n >= 0) return static_cast<std::size_t>(n);
            if (errno != EINTR) throw EFOpenError(path_);
        }
    }

  private:
    std::string path_;
    int fd_ = -1;
};

// Reads up to `limit` bytes; sets `more` when the file holds further bytes.
std::vector<std::uint8_t> readUpTo(const std::string& path, std::size_t limit, bool& more) {
    InputFile in(path);
    std::vector<std::uint8_t> bytes;
    std::uint8_t chunk[65536];
    more = false;
    for (;;) {
        const std::size_t n = in.read(chunk, sizeof chunk);
        if (n == 0) break;
        const std::size_t take = std::min(n, limit - bytes.size());
        bytes.insert(bytes.end(), chunk, chunk + take);
        if (take < n) {
            more = true;
            break;
        }
    }
    return bytes;
}

std::atomic<unsigned> temporaryCounter{0};

}  // namespace

std::vector<std::uint8_t> readFilePrefix(const std::string& path, std::size_t maxBytes) {
    bool more = false;
    return readUpTo(path, maxBytes, more);
}

std::vector<std::uint8_t> readWholeFile(const std::string& path, std::size_t maxBytes) {
    bool more = false;
    auto bytes = readUpTo(path, maxBytes, more);
    if (more) {
        errno = EFBIG;
        throw EFOpenError(path);
    }
    return bytes;
}

ReplacingFile::ReplacingFile(std::string target) : target_(std::move(target)) {
    const std::size_t slash = target_.rfind('/');
    // The temporary file lives in the target's folder, so the rename never crosses devices.
    const std::string folder =
        slash == std::string::npos ? std::string() : target_.substr(0, slash + 1);
    const std::string base = slash == std::string::npos ? target_ : target_.substr(slash + 1);
    if (base.empty()) throw EFCreateError(target_);

    // Keep the mode of the file being replaced; a new file gets the usual 0666 & ~umask.
    struct stat old {};
    const bool replacing = ::stat(target_.c_str(), &old) == 0 && S_ISREG(old.st_mode);
    // A file the user may not write stays as it is: the rename would replace it behind its
    // protection, where creating it in place is refused.
    if (replacing && ::faccessat(AT_FDCWD, target_.c_str(), W_OK, AT_EACCESS) != 0)
        throw EFCreateError(target_);

    for (int attempt = 0; attempt < 100 && fd_ < 0; ++attempt) {
        tempPath_ = folder + "." + base + ".tmp" + std::to_string(::getpid()) + "-" +
                    std::to_string(temporaryCounter++);
        fd_ = ::open(tempPath_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd_ < 0 && errno != EEXIST) break;
    }
    if (fd_ < 0) {
        tempPath_.clear();
        throw EFCreateError(target_);
    }
    if (replacing) (void)::fchmod(fd_, old.st_mode & 07777);
}

ReplacingFile::~ReplacingFile() {
    if (fd_ >= 0) ::close(fd_);
    if (!committed_ && !tempPath_.empty()) ::unlink(tempPath_.c_str());
}

void ReplacingFile::fail() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    if (!tempPath_.empty()) ::unlink(tempPath_.c_str());
    tempPath_.clear();
    throw EFCreateError(target_);
}

void ReplacingFile::write(std::span<const std::uint8_t> bytes) {
    if (fd_ < 0) fail();
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd_, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) fail();
        done += static_cast<std::size_t>(n);
    }
    written_ += done;
}

void ReplacingFile::commit() {
    if (fd_ < 0 || committed_) fail();
    if (::fsync(fd_) != 0) fail();
    const int fd = std::exchange(fd_, -1);
    if (::close(fd) != 0) fail();
    if (::rename(tempPath_.c_str(), target_.c_str()) != 0) fail();
    committed_ = true;
}

void replaceFile(const std::string& target, std::span<const std::uint8_t> bytes) {
    ReplacingFile out(target);
    out.write(bytes);
    out.commit();
}

void buildLevelSetFile(const std::string& target, const std::vector<std::string>& levelFiles) {
    ReplacingFile out(target);
    std::uint8_t chunk[65536];
    for (const std::string& file : levelFiles) {
        InputFile in(file);
        for (;;) {
            const std::size_t n = in.read(chunk, sizeof chunk);
            if (n == 0) break;
            if (n > kMaxSetFileBytes - std::min(out.written(), kMaxSetFileBytes))
                throw EFCreateError(target);
            out.write({chunk, n});
        }
        const std::uint8_t separator = kSetSeparator;
        out.write({&separator, 1});
    }
    out.commit();
}

void saveLevelFile(const std::string& path, const LevelRecord& level) {
    replaceFile(path, encodeLevelRecord(level));
}

RecordStatus loadLevelFile(const std::string& path, Board& board, std::string& title) {
    // Bytes after the record are ignored, so the longest record is all that is read.
    const auto bytes = readFilePrefix(path, kMaxRecordBytes);
    LevelRecord level = recordFromBoard(board, title);
    const RecordStatus status = readLevelRecord(bytes, 0, level).status;
    if (status != RecordStatus::Loaded) return status;
    putRecordOnBoard(level, board);
    title = std::move(level.title);
    board.takeStartSnapshot();
    board.resetForLoadedLevel();
    return status;
}

SetLevelStatus loadLevelFromSetFile(const std::string& path, long long index, Board& board,
                                    std::string& title) {
    const auto bytes = readWholeFile(path, kMaxSetFileBytes);
    LevelRecord level = recordFromBoard(board, title);
    const SetLevelStatus status = readSetLevel(bytes, index, level);
    if (status != SetLevelStatus::Loaded) return status;
    putRecordOnBoard(level, board);
    title = std::move(level.title);
    board.resetForLoadedLevel();
    return status;
}

std::vector<SetEntry> listLevelSetFile(const std::string& path) {
    return walkLevelSet(readWholeFile(path, kMaxSetFileBytes));
}

}  // namespace prismcrate
