// Level files and level-set files on disk. Errors are thrown as EFOpenError ("Cannot
// open file %s") and EFCreateError ("Cannot create file %s"), which the application's
// error box shows.
//
// Nothing is ever half-written: a file is replaced by writing a temporary file in the same
// folder, checking every write, and renaming it over the target only once it is complete.
// On any failure the old file stays as it was and the temporary file is removed.
//
// A save goes to the file the name stands for: a symbolic link is followed to its target,
// and the temporary file is made and renamed beside that target, so the link stays a link.
// The replacement keeps the old file's mode and owner. Where a rename could not keep the
// file what it is (it has other hard links, its owner or group cannot be given to a new
// file, or its folder may not be written while the file may), the new bytes are written
// into the file itself instead: space for them is reserved and any growth past the old end
// written first, so that a full disk or a size limit leaves the old bytes whole; only a
// failing disk in the middle of that write can damage such a file. A target that is not a
// regular file (a folder, a pipe, a device) is refused.
#pragma once

#include <sys/stat.h>

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "game/board.h"
#include "levels/level_record.h"
#include "levels/level_set.h"

namespace prismcrate {

// The largest level-set file that is read or built.
constexpr std::size_t kMaxSetFileBytes = std::size_t{64} << 20;

// Reads at most `maxBytes` bytes from the start of a file (a longer file is not an error).
// Throws EFOpenError(path) when the file cannot be opened or read.
std::vector<std::uint8_t> readFilePrefix(const std::string& path, std::size_t maxBytes);

// Reads a whole file; a file longer than `maxBytes` cannot be opened (EFOpenError).
std::vector<std::uint8_t> readWholeFile(const std::string& path, std::size_t maxBytes);

// Where a save of `path` lands: `path` with every symbolic link it names followed (the
// file need not exist). Fails (false, errno set) on a loop of links.
bool followSymbolicLinks(const std::string& path, std::string& target);

// A file being written in place of `target`. Every failure throws EFCreateError(target),
// with errno telling why.
class ReplacingFile {
  public:
    explicit ReplacingFile(std::string target);
    ~ReplacingFile();
    ReplacingFile(const ReplacingFile&) = delete;
    ReplacingFile& operator=(const ReplacingFile&) = delete;

    void write(std::span<const std::uint8_t> bytes);
    std::size_t written() const { return written_; }
    // Flushes and closes the temporary file and renames it over the target (or writes the
    // bytes into the target, see above).
    void commit();

    // The file that is replaced: the target with its links followed.
    const std::string& destination() const { return destination_; }
    // True when the bytes go into the destination itself rather than a renamed copy.
    bool writesInPlace() const { return inPlace_; }

  private:
    [[noreturn]] void fail();
    bool openTemporary(const struct stat* old);
    void openInPlace();
    void commitInPlace();

    std::string target_;
    std::string destination_;
    std::string tempPath_;
    int fd_ = -1;
    bool inPlace_ = false;
    std::vector<std::uint8_t> staged_;  // in-place writes wait here until commit()
    std::size_t written_ = 0;
    bool committed_ = false;
};

// Replaces `target` with `bytes`.
void replaceFile(const std::string& target, std::span<const std::uint8_t> bytes);

// Builds a level set: the bytes of each listed file in order, each followed by 0xFF.
// A listed file that cannot be read throws EFOpenError(file); a set that cannot be written
// throws EFCreateError(target). Either way `target` is left as it was.
void buildLevelSetFile(const std::string& target, const std::vector<std::string>& levelFiles);

// Writes a level file.
void saveLevelFile(const std::string& path, const LevelRecord& level);

// Reads a level file onto the board: layers and robot cell, `title` (cp1251), the start
// snapshot, facing down and walking pose. Any other result leaves board and title alone.
RecordStatus loadLevelFile(const std::string& path, Board& board, std::string& title);

// Reads level `index` of a set onto the board: layers, robot cell, `title`, facing down
// and walking pose; the start snapshot is left alone. Any other result leaves board and
// title alone.
SetLevelStatus loadLevelFromSetFile(const std::string& path, long long index, Board& board,
                                    std::string& title);

// The titles of a set's levels in order (cp1251), at most `limit` of them; `more` (when
// given) tells whether the set holds further levels.
std::vector<SetEntry> listLevelSetFile(const std::string& path,
                                       std::size_t limit = static_cast<std::size_t>(-1),
                                       bool* more = nullptr);

}  // namespace prismcrate
