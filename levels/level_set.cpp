#include "levels/level_set.h"

#include <algorithm>

namespace prismcrate {

bool SetWalk::next(SetEntry& entry) {
    const std::size_t size = bytes_.size();
    while (pos_ < size) {
        const std::size_t start = pos_;
        if (size - pos_ < 4) {  // too few bytes left for a magic
            pos_ = size;
            break;
        }
        std::uint32_t magic = 0;
        for (int i = 0; i < 4; ++i) magic |= std::uint32_t{bytes_[pos_ + i]} << (8 * i);
        pos_ += 4;
        if (magic != static_cast<std::uint32_t>(kLevelMagic)) continue;

        entry.offset = start;
        entry.title.clear();
        if (pos_ < size) {
            const std::size_t n = bytes_[pos_++];
            const std::size_t available = std::min(n, size - pos_);
            entry.title.assign(reinterpret_cast<const char*>(bytes_.data() + pos_), available);
            pos_ += available;
        }
        while (pos_ < size && bytes_[pos_++] != kSetSeparator) {
        }
        return true;
    }
    return false;
}

std::vector<SetEntry> walkLevelSet(std::span<const std::uint8_t> bytes, std::size_t limit) {
    std::vector<SetEntry> entries;
    SetWalk walk(bytes);
    SetEntry entry;
    while (entries.size() < limit && walk.next(entry)) entries.push_back(std::move(entry));
    return entries;
}

SetLevelStatus readSetLevel(std::span<const std::uint8_t> bytes, long long index,
                            LevelRecord& level) {
    if (index < 0) return SetLevelStatus::NoSuchLevel;
    SetWalk walk(bytes);
    SetEntry entry;
    for (long long i = 0; i <= index; ++i)
        if (!walk.next(entry)) return SetLevelStatus::NoSuchLevel;
    switch (readLevelRecord(bytes, entry.offset, level).status) {
        case RecordStatus::Loaded:
            return SetLevelStatus::Loaded;
        case RecordStatus::WrongMagic:
            return SetLevelStatus::WrongMagic;
        case RecordStatus::RobotOffField:
            return SetLevelStatus::RobotOffField;
    }
    return SetLevelStatus::WrongMagic;
}

void appendSetEntry(std::vector<std::uint8_t>& set, std::span<const std::uint8_t> levelFile) {
    set.insert(set.end(), levelFile.begin(), levelFile.end());
    set.push_back(kSetSeparator);
}

std::string listedTitle(std::string_view title, long long number) {
    // Appended rather than `"#" + ...`, which gcc 12 flags with a false -Wrestrict at -O2.
    if (title.empty()) return std::string("#").append(std::to_string(number));
    return std::string(title);
}

}  // namespace prismcrate
