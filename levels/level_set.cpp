#include "levels/level_set.h"

#include <algorithm>

namespace prismcrate {

std::vector<SetEntry> walkLevelSet(std::span<const std::uint8_t> bytes, std::size_t limit) {
    std::vector<SetEntry> entries;
    std::size_t pos = 0;
    const std::size_t size = bytes.size();
    while (pos < size && entries.size() < limit) {
        const std::size_t start = pos;
        if (size - pos < 4) break;  // too few bytes left for a magic
        std::uint32_t magic = 0;
        for (int i = 0; i < 4; ++i) magic |= std::uint32_t{bytes[pos + i]} << (8 * i);
        pos += 4;
        if (magic != static_cast<std::uint32_t>(kLevelMagic)) continue;

        SetEntry entry;
        entry.offset = start;
        if (pos < size) {
            const std::size_t n = bytes[pos++];
            const std::size_t available = std::min(n, size - pos);
            entry.title.assign(reinterpret_cast<const char*>(bytes.data() + pos), available);
            pos += available;
        }
        entries.push_back(std::move(entry));
        while (pos < size && bytes[pos++] != kSetSeparator) {
        }
    }
    return entries;
}

SetLevelStatus readSetLevel(std::span<const std::uint8_t> bytes, long long index,
                            LevelRecord& level) {
    if (index < 0 || static_cast<unsigned long long>(index) >= kMaxSetLevels)
        return SetLevelStatus::NoSuchLevel;
    const auto entries = walkLevelSet(bytes, static_cast<std::size_t>(index) + 1);
    if (entries.size() <= static_cast<std::size_t>(index)) return SetLevelStatus::NoSuchLevel;
    switch (readLevelRecord(bytes, entries[index].offset, level).status) {
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
