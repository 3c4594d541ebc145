#include "levels/level_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
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

// The folder part of a path, with its trailing '/', or "" for a bare name.
std::string folderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// Six letters and digits that differ between processes and between calls.
std::string temporarySuffix() {
    static const char kChars[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::uint64_t x =
        (static_cast<std::uint64_t>(::getpid()) << 32) ^ temporaryCounter++ ^
        static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
    x = (x ^ (x >> 31)) * 0x9E3779B97F4A7C15ull;
    x ^= x >> 29;
    std::string suffix;
    for (int i = 0; i < 6; ++i, x /= 36) suffix += kChars[x % 36];
    return suffix;
}

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

bool followSymbolicLinks(const std::string& path, std::string& target) {
    std::string at = path;
    // As many links as the system itself follows in one name.
    for (int hop = 0; hop < 40; ++hop) {
        struct stat st {};
        // A name that is not there (or cannot be looked at) is where the file will be made;
        // making it reports what is wrong.
        if (::lstat(at.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) {
            target = std::move(at);
            return true;
        }
        std::string link(static_cast<std::size_t>(std::max<off_t>(st.st_size, 0)) + 256, '\0');
        for (;;) {
            const ssize_t n = ::readlink(at.c_str(), link.data(), link.size());
            if (n < 0) return false;
            if (static_cast<std::size_t>(n) < link.size()) {
                link.resize(static_cast<std::size_t>(n));
                break;
            }
            link.resize(link.size() * 2);
        }
        if (link.empty()) {
            errno = ENOENT;
            return false;
        }
        // A relative link is relative to the folder that holds it.
        at = link.front() == '/' ? link : folderOf(at) + link;
    }
    errno = ELOOP;
    return false;
}

ReplacingFile::ReplacingFile(std::string target) : target_(std::move(target)) {
    if (target_.empty() || target_.back() == '/') {
        errno = EISDIR;
        throw EFCreateError(target_);
    }
    if (!followSymbolicLinks(target_, destination_)) throw EFCreateError(target_);

    struct stat old {};
    const bool replacing = ::stat(destination_.c_str(), &old) == 0;
    // Only a regular file is replaced: a pipe or a device is no place for a level, and
    // renaming over one would silently take its name.
    if (replacing && !S_ISREG(old.st_mode)) {
        errno = S_ISDIR(old.st_mode) ? EISDIR : EINVAL;
        throw EFCreateError(target_);
    }
    // A file the user may not write stays as it is: the rename would replace it behind its
    // protection, where creating it in place is refused.
    if (replacing && ::faccessat(AT_FDCWD, destination_.c_str(), W_OK, AT_EACCESS) != 0)
        throw EFCreateError(target_);

    // A rename would split a file with other hard links from them.
    if (replacing && old.st_nlink > 1) {
        openInPlace();
        return;
    }
    if (openTemporary(replacing ? &old : nullptr)) return;
    // No copy that keeps what the old file is could be made beside it (its folder may not
    // be written, or its owner cannot be given to a new file): the file itself is written.
    if (replacing) {
        openInPlace();
        return;
    }
    throw EFCreateError(target_);
}

bool ReplacingFile::openTemporary(const struct stat* old) {
    const std::string folder = folderOf(destination_);
    // A short name, so that a target whose own name is as long as a name may be (255
    // bytes) still has room for its temporary file.
    for (int attempt = 0; attempt < 100 && fd_ < 0; ++attempt) {
        tempPath_ = folder + ".prismcrate-" + temporarySuffix();
        fd_ = ::open(tempPath_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd_ < 0 && errno != EEXIST) break;
    }
    if (fd_ < 0) {
        tempPath_.clear();
        return false;
    }
    // The new file takes the old one's owner, group and mode (the owner first: changing
    // it clears the set-id bits).
    if (old != nullptr && (::fchown(fd_, old->st_uid, old->st_gid) != 0 ||
                           ::fchmod(fd_, old->st_mode & 07777) != 0)) {
        const int e = errno;
        ::close(std::exchange(fd_, -1));
        ::unlink(tempPath_.c_str());
        tempPath_.clear();
        errno = e;
        return false;
    }
    return true;
}

void ReplacingFile::openInPlace() {
    fd_ = ::open(destination_.c_str(), O_WRONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd_ < 0) throw EFCreateError(target_);
    struct stat st {};
    if (::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(std::exchange(fd_, -1));
        errno = EINVAL;
        throw EFCreateError(target_);
    }
    inPlace_ = true;
}

ReplacingFile::~ReplacingFile() {
    if (fd_ >= 0) ::close(fd_);
    if (!committed_ && !tempPath_.empty()) ::unlink(tempPath_.c_str());
}

void ReplacingFile::fail() {
    const int e = errno;
    if (fd_ >= 0) ::close(std::exchange(fd_, -1));
    if (!tempPath_.empty()) ::unlink(tempPath_.c_str());
    tempPath_.clear();
    errno = e;
    throw EFCreateError(target_);
}

void ReplacingFile::write(std::span<const std::uint8_t> bytes) {
    if (fd_ < 0) fail();
    if (inPlace_) {
        // Held back until commit(): the old bytes stay as they are until all new ones are
        // there (a listed file may even be the set being replaced).
        staged_.insert(staged_.end(), bytes.begin(), bytes.end());
        written_ += bytes.size();
        return;
    }
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd_, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n == 0) errno = ENOSPC;
        if (n <= 0) fail();
        done += static_cast<std::size_t>(n);
    }
    written_ += done;
}

void ReplacingFile::commitInPlace() {
    struct stat st {};
    if (::fstat(fd_, &st) != 0) fail();
    const auto size = static_cast<off_t>(staged_.size());
    const off_t oldSize = st.st_size;
    // Space for every new byte first: a full disk then fails here, with the old bytes
    // still whole. (A file system that cannot reserve space is written all the same.)
    if (size > 0 && ::fallocate(fd_, FALLOC_FL_KEEP_SIZE, 0, size) != 0 && errno != EOPNOTSUPP &&
        errno != ENOSYS)
        fail();
    const auto writeRange = [&](off_t from, off_t to) {
        for (off_t at = from; at < to;) {
            const ssize_t n =
                ::pwrite(fd_, staged_.data() + at, static_cast<std::size_t>(to - at), at);
            if (n < 0 && errno == EINTR) continue;
            if (n == 0) errno = ENOSPC;
            if (n <= 0) return false;
            at += n;
        }
        return true;
    };
    // The bytes past the old end go first: if the file may not grow (a size limit, a disk
    // that filled up all the same) it is cut back and the old bytes are untouched.
    if (size > oldSize && !writeRange(oldSize, size)) {
        const int e = errno;
        (void)!::ftruncate(fd_, oldSize);
        errno = e;
        fail();
    }
    if (!writeRange(0, std::min(size, oldSize))) fail();
    if (::ftruncate(fd_, size) != 0 || ::fsync(fd_) != 0) fail();
    if (::close(std::exchange(fd_, -1)) != 0) fail();
}

void ReplacingFile::commit() {
    if (fd_ < 0 || committed_) fail();
    if (inPlace_) {
        commitInPlace();
        committed_ = true;
        return;
    }
    if (::fsync(fd_) != 0) fail();
    if (::close(std::exchange(fd_, -1)) != 0) fail();
    if (::rename(tempPath_.c_str(), destination_.c_str()) != 0) fail();
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

std::vector<SetEntry> listLevelSetFile(const std::string& path, std::size_t limit, bool* more) {
    const auto bytes = readWholeFile(path, kMaxSetFileBytes);
    std::vector<SetEntry> entries;
    SetWalk walk(bytes);
    SetEntry entry;
    while (entries.size() < limit && walk.next(entry)) entries.push_back(std::move(entry));
    if (more) *more = entries.size() == limit && walk.next(entry);
    return entries;
}

}  // namespace prismcrate
