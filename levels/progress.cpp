#include "levels/progress.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <optional>
#include <vector>

#include "levels/level_files.h"

namespace prismcrate {
namespace {

bool plainByte(unsigned char c) {
    return c > 0x20 && c < 0x7F && c != '%';
}

std::string encodePath(const std::string& path) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (const char ch : path) {
        const auto c = static_cast<unsigned char>(ch);
        if (plainByte(c)) {
            out += ch;
        } else {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 15];
        }
    }
    return out;
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

std::optional<std::string> decodePath(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c != '%') {
            if (!plainByte(static_cast<unsigned char>(c))) return std::nullopt;
            out += c;
            continue;
        }
        if (i + 2 >= text.size()) return std::nullopt;
        const int high = hexDigit(text[i + 1]);
        const int low = hexDigit(text[i + 2]);
        if (high < 0 || low < 0) return std::nullopt;
        out += static_cast<char>(high * 16 + low);
        i += 2;
    }
    // Canonical paths only: absolute, no NUL byte.
    if (out.empty() || out.front() != '/' || out.find('\0') != std::string::npos)
        return std::nullopt;
    return out;
}

// A decimal number of at most kMaxProgressLevel.
std::optional<long long> parseNumber(std::string_view text) {
    if (text.empty() || text.size() > 9) return std::nullopt;
    long long value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + (c - '0');
    }
    if (value > kMaxProgressLevel) return std::nullopt;
    return value;
}

std::optional<std::set<long long>> parseSolved(std::string_view text) {
    std::set<long long> solved;
    if (text == "-") return solved;
    while (!text.empty()) {
        const std::size_t comma = text.find(',');
        const std::string_view item = text.substr(0, comma);
        text = comma == std::string_view::npos ? std::string_view() : text.substr(comma + 1);
        if (comma != std::string_view::npos && text.empty()) return std::nullopt;
        const std::size_t dash = item.find('-');
        const auto first = parseNumber(item.substr(0, dash));
        const auto last =
            dash == std::string_view::npos ? first : parseNumber(item.substr(dash + 1));
        if (!first || !last || *last < *first) return std::nullopt;
        if (static_cast<unsigned long long>(*last - *first) >= kMaxSolvedPerSet)
            return std::nullopt;
        for (long long i = *first; i <= *last; ++i) {
            solved.insert(i);
            if (solved.size() > kMaxSolvedPerSet) return std::nullopt;
        }
    }
    return solved;
}

std::string formatSolved(const std::set<long long>& solved) {
    if (solved.empty()) return "-";
    std::string out;
    auto it = solved.begin();
    while (it != solved.end()) {
        const long long first = *it;
        long long last = first;
        for (++it; it != solved.end() && *it == last + 1; ++it) last = *it;
        if (!out.empty()) out += ',';
        out += std::to_string(first);
        if (last != first) out += '-' + std::to_string(last);
    }
    return out;
}

enum class ReadResult { Read, Missing, Unreadable };

// Reads the file, at most kMaxProgressBytes + 1 bytes of it.
ReadResult readProgressBytes(const std::string& path, std::vector<std::uint8_t>& bytes) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return errno == ENOENT ? ReadResult::Missing : ReadResult::Unreadable;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return ReadResult::Unreadable;
    }
    std::uint8_t chunk[65536];
    for (;;) {
        const ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            ::close(fd);
            return ReadResult::Unreadable;
        }
        if (n == 0) break;
        bytes.insert(bytes.end(), chunk, chunk + n);
        if (bytes.size() > kMaxProgressBytes) break;
    }
    ::close(fd);
    return ReadResult::Read;
}

}  // namespace

std::string formatProgress(const ProgressTable& table) {
    std::string out = std::string(kProgressHeader) + '\n';
    for (const auto& [path, progress] : table) {
        out += std::to_string(progress.reached) + ' ' + formatSolved(progress.solved) + ' ' +
               encodePath(path) + '\n';
    }
    return out;
}

ProgressTable parseProgress(std::span<const std::uint8_t> bytes) {
    ProgressTable table;
    if (bytes.size() > kMaxProgressBytes) return table;
    const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    std::size_t start = 0;
    bool header = true;
    while (start < text.size()) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        const std::string_view line = text.substr(start, end - start);
        start = end + 1;
        if (header) {
            if (line != kProgressHeader) return table;
            header = false;
            continue;
        }
        const std::size_t space1 = line.find(' ');
        if (space1 == std::string_view::npos) continue;
        const std::size_t space2 = line.find(' ', space1 + 1);
        if (space2 == std::string_view::npos) continue;
        const auto reached = parseNumber(line.substr(0, space1));
        auto solved = parseSolved(line.substr(space1 + 1, space2 - space1 - 1));
        const auto path = decodePath(line.substr(space2 + 1));
        if (!reached || !solved || !path) continue;
        if (table.size() >= kMaxProgressSets && !table.contains(*path)) continue;
        table[*path] = SetProgress{*reached, std::move(*solved)};
    }
    return table;
}

std::string canonicalPath(const std::string& path) {
    if (path.empty()) return {};
    char* resolved = ::realpath(path.c_str(), nullptr);
    if (resolved == nullptr) return {};
    std::string out(resolved);
    std::free(resolved);
    return out;
}

ProgressTable ProgressFile::read() const {
    std::vector<std::uint8_t> bytes;
    if (path_.empty() || readProgressBytes(path_, bytes) != ReadResult::Read) return {};
    return parseProgress(bytes);
}

SetProgress ProgressFile::forSet(const std::string& setFile) const {
    const std::string key = canonicalPath(setFile);
    if (key.empty()) return {};
    const ProgressTable table = read();
    const auto it = table.find(key);
    return it == table.end() ? SetProgress{} : it->second;
}

template <typename Change>
void ProgressFile::update(const std::string& setFile, Change change) {
    if (path_.empty()) return;
    const std::string key = canonicalPath(setFile);
    if (key.empty()) return;
    std::vector<std::uint8_t> bytes;
    const ReadResult result = readProgressBytes(path_, bytes);
    // What cannot be read now may be readable later: it is not written over.
    if (result == ReadResult::Unreadable) return;
    ProgressTable table = result == ReadResult::Read ? parseProgress(bytes) : ProgressTable{};
    const bool known = table.contains(key);
    if (table.size() >= kMaxProgressSets && !known) return;
    SetProgress& entry = table[key];
    const SetProgress before = entry;
    change(entry);
    // Nothing new: the file stays as it is (also when it holds more than was read).
    if (known && entry == before) return;

    const std::filesystem::path file(path_);
    std::error_code ignored;
    if (file.has_parent_path()) std::filesystem::create_directories(file.parent_path(), ignored);
    const std::string text = formatProgress(table);
    try {
        replaceFile(path_,
                    std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
    } catch (const std::exception&) {
        // A folder that cannot be written keeps no progress.
    }
}

void ProgressFile::recordOpened(const std::string& setFile) {
    update(setFile, [](SetProgress&) {});
}

void ProgressFile::recordPlayed(const std::string& setFile, long long index) {
    if (index < 0 || index > kMaxProgressLevel) return;
    update(setFile, [index](SetProgress& p) { p.reached = std::max(p.reached, index); });
}

void ProgressFile::recordSolved(const std::string& setFile, long long index) {
    if (index < 0 || index >= kMaxProgressLevel) return;
    update(setFile, [index](SetProgress& p) {
        if (p.solved.size() < kMaxSolvedPerSet) p.solved.insert(index);
        p.reached = std::max(p.reached, index + 1);
    });
}

}  // namespace prismcrate
