// A player's progress, kept between runs in one small text file: for every level set the
// player has opened (named by its canonical path, as bytes), the highest level reached and
// the levels solved.
//
// The file is outside input: a line that cannot be read is passed over, and a file that
// does not start with the header line is taken as holding nothing. Every change reads the
// file again, changes one set's entry and replaces the file whole, so the other sets'
// entries stay as they were. A file that exists but cannot be read (no permission, an I/O
// error) is never replaced; a folder that cannot be made or written gets nothing.
//
// Text form: the header line, then one line per set:
//   REACHED SOLVED PATH
// REACHED is a 0-based level index; SOLVED lists the solved indices as ranges ("0-4,7") or
// is "-"; PATH is the set's path with every byte outside '!'..'~' and '%' written as %XX.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <set>
#include <span>
#include <string>

namespace prismcrate {

struct SetProgress {
    long long reached = 0;
    std::set<long long> solved;
    bool operator==(const SetProgress&) const = default;
};

using ProgressTable = std::map<std::string, SetProgress>;

inline constexpr char kProgressHeader[] = "Prismcrate progress 1";
// Bounds on what a progress file may hold.
inline constexpr std::size_t kMaxProgressBytes = std::size_t{4} << 20;
inline constexpr std::size_t kMaxProgressSets = 10000;
inline constexpr long long kMaxProgressLevel = 100000000;
inline constexpr std::size_t kMaxSolvedPerSet = 200000;

std::string formatProgress(const ProgressTable& table);
// Lines that cannot be read are left out; without the header nothing is read.
ProgressTable parseProgress(std::span<const std::uint8_t> bytes);

// The canonical path of a file (links followed, "." and ".." gone), or "" when it cannot
// be found.
std::string canonicalPath(const std::string& path);

class ProgressFile {
  public:
    // An empty path keeps nothing.
    explicit ProgressFile(std::string path) : path_(std::move(path)) {}

    const std::string& path() const { return path_; }

    // What the file holds now (nothing when it is missing, unreadable or damaged).
    ProgressTable read() const;
    SetProgress forSet(const std::string& setFile) const;

    // The set was opened; level `index` of it was played; level `index` was solved (which
    // also reaches the next one). Each names the set by any path: it is made canonical.
    // Failures are silent: progress is a convenience, never a reason to stop the game.
    void recordOpened(const std::string& setFile);
    void recordPlayed(const std::string& setFile, long long index);
    void recordSolved(const std::string& setFile, long long index);

  private:
    template <typename Change>
    void update(const std::string& setFile, Change change);

    std::string path_;
};

}  // namespace prismcrate
