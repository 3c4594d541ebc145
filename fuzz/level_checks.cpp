// Invariants of the level record, the level set and the level text readers.
#include <algorithm>
#include <array>
#include <climits>
#include <string_view>
#include <vector>

#include "fuzz/checks.h"
#include "fuzz/support.h"
#include "levels/cp1251.h"
#include "levels/level_record.h"
#include "levels/level_set.h"
#include "levels/level_text.h"
#include "levels/xsb.h"

namespace prismcrate::fuzz {
namespace {

constexpr std::array<std::uint8_t, 4> kMagicBytes = {0x4B, 0xB1, 0x01, 0x00};
constexpr int kLastObjectCode = kGateClosed;
constexpr int kLastFloorCode = kGateOpen;

bool magicAt(Input bytes, std::size_t pos) {
    return pos <= bytes.size() && bytes.size() - pos >= 4 &&
           std::equal(kMagicBytes.begin(), kMagicBytes.end(), bytes.begin() + pos);
}

// A record whose every field differs from what a reader would put there, so that any
// field a read leaves alone is seen.
LevelRecord staleRecord() {
    LevelRecord level;
    level.title = "stale";
    level.objectLayer.fill(0x77);
    level.floorLayer.fill(0x33);
    level.playerX = 7;
    level.playerY = 9;
    return level;
}

// Every code of the level has a character in the text form. The robot's '@' stands in
// for the object under it, so that object is left out when `besideRobot` is set.
bool codesHaveCharacters(const LevelRecord& level, bool besideRobot = false) {
    const int robotCell =
        onField(level.playerX, level.playerY) ? cellIndex(level.playerX, level.playerY) : -1;
    for (int i = 0; i < kCellCount; ++i) {
        if (level.floorLayer[i] > kLastFloorCode) return false;
        if (level.objectLayer[i] > kLastObjectCode && !(besideRobot && i == robotCell))
            return false;
    }
    return true;
}

// Fills a layer from (value, count) pairs, each covering count+1 cells in file order, so
// that long runs, runs across rows and runs longer than one item carries all occur.
// `lastCode` < 0 keeps any byte value.
void fillLayer(Source& src, Layer& layer, int lastCode) {
    int cell = 0;
    while (cell < kCellCount) {
        std::uint8_t value = src.next();
        if (lastCode >= 0) value = static_cast<std::uint8_t>(value % (lastCode + 1));
        const int count = src.next() + 1;
        for (int i = 0; i < count && cell < kCellCount; ++i, ++cell)
            layer[cellIndex(cell % kFieldSize, cell / kFieldSize)] = value;
    }
}

// A record made from the input. `sound` keeps codes and the robot within their ranges
// (what the program itself writes); otherwise cells may hold any byte.
LevelRecord recordFrom(Source& src, bool sound) {
    LevelRecord level;
    const std::size_t titleLength = src.next();
    for (std::size_t i = 0; i < titleLength; ++i) level.title += static_cast<char>(src.next());
    fillLayer(src, level.objectLayer, sound ? kLastObjectCode : -1);
    fillLayer(src, level.floorLayer, sound ? kLastFloorCode : -1);
    level.playerX = static_cast<std::uint8_t>(src.next() % kFieldSize);
    level.playerY = static_cast<std::uint8_t>(src.next() % kFieldSize);
    if (sound) level.objectLayer[cellIndex(level.playerX, level.playerY)] = kEmpty;
    return level;
}

// Writing a record and reading it back gives the same record, and writing that again
// gives the same bytes.
void checkWritesBack(const LevelRecord& level) {
    const std::vector<std::uint8_t> bytes = encodeLevelRecord(level);
    require(bytes.size() <= kMaxRecordBytes, "a written record is longer than the largest record");
    LevelRecord back = staleRecord();
    const RecordRead read = readLevelRecord(bytes, 0, back);
    require(read.status == RecordStatus::Loaded && !read.truncated && read.end == bytes.size(),
            "a written record does not read back whole");
    require(back == level, "a record read back after writing differs from the one written");
    require(encodeLevelRecord(back) == bytes, "writing a record twice gives different bytes");
}

// The text form of a loaded record: any title is written, on one line and without
// control characters; codes without a character are written as '?', which never parses;
// every other record parses back to itself (an object under the robot is the one thing
// the text cannot carry).
void checkTextForm(const LevelRecord& level) {
    std::string text;
    try {
        text = levelToText(level);
    } catch (const LevelTextError& e) {
        throw InvariantBroken(std::string("a loaded level cannot be written as text: ") + e.what());
    }
    const std::string_view titleLine(text.data(), text.find('\n'));
    require(std::none_of(titleLine.begin(), titleLine.end(),
                         [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; }),
            "a title line holds a control character");
    require(titleFromEscapedText(titleToEscapedText(level.title)) == level.title,
            "an escaped title does not read back to its bytes");

    const bool hasCharacters = codesHaveCharacters(level, true);
    std::vector<TextLevel> parsed;
    try {
        parsed = parseLevelText(text);
    } catch (const LevelTextError& e) {
        require(!hasCharacters, std::string("the text of a sound level does not parse: ") +
                                    e.what() + " (line " + std::to_string(e.line()) + ")");
        return;
    }
    require(hasCharacters, "a text holding '?' was parsed");
    require(parsed.size() == 1, "the text of one level parsed to another number of levels");
    LevelRecord expected = level;
    expected.objectLayer[cellIndex(level.playerX, level.playerY)] = kEmpty;
    require(parsed[0].record == expected, "the text of a level parsed to a different level");
}

// Reads the record at `offset` twice, into a zeroed and into a stale record.
void checkRecordReadAt(Input input, std::size_t offset) {
    LevelRecord zeroed;
    LevelRecord stale = staleRecord();
    const LevelRecord zeroedBefore = zeroed;
    const LevelRecord staleBefore = stale;
    const RecordRead a = readLevelRecord(input, offset, zeroed);
    const RecordRead b = readLevelRecord(input, offset, stale);

    require(a.status == b.status && a.end == b.end && a.truncated == b.truncated,
            "the outcome of a read depends on what the record held before");
    const std::size_t start = std::min(offset, input.size());
    require(a.end >= start && a.end <= input.size(), "a read ends outside the bytes");
    require(a.end - start <= kMaxRecordBytes, "a read consumed more than the largest record");
    if (a.truncated) require(a.end == input.size(), "a read cut short stopped before the end");

    const bool magic = magicAt(input, offset);
    if (a.status == RecordStatus::WrongMagic) {
        require(!magic, "a record starting with the magic was refused as not a record");
        require(a.end - start <= 4, "a refused record consumed more than its magic");
    } else {
        require(magic, "a record without the magic was read");
    }
    if (a.status != RecordStatus::Loaded) {
        require(zeroed == zeroedBefore && stale == staleBefore,
                "a refused record changed the level it was read into");
        return;
    }

    require(onField(zeroed.playerX, zeroed.playerY),
            "a loaded record puts the robot off the field");
    require(zeroed.title.size() <= kMaxTitleBytes, "a loaded title is longer than 255 bytes");
    if (!a.truncated) {
        require(zeroed == stale, "a complete record kept values from before the read");
        // The record is exactly the bytes it consumed: on its own it reads the same.
        LevelRecord alone = staleRecord();
        const RecordRead c = readLevelRecord(input.subspan(start, a.end - start), 0, alone);
        require(c.status == RecordStatus::Loaded && !c.truncated && c.end == a.end - start &&
                    alone == zeroed,
                "a record reads differently without the bytes after it");
    }
    checkWritesBack(zeroed);
    checkTextForm(zeroed);
}

// The walk as the set format defines it: four bytes at a time are tried as a magic; after
// one, the title is taken by its length and everything up to and including the next 0xFF
// is skipped.
std::vector<SetEntry> referenceWalk(Input bytes) {
    std::vector<SetEntry> entries;
    std::size_t pos = 0;
    while (pos < bytes.size() && bytes.size() - pos >= 4) {
        if (!magicAt(bytes, pos)) {
            pos += 4;
            continue;
        }
        SetEntry entry;
        entry.offset = pos;
        pos += 4;
        if (pos < bytes.size()) {
            const std::size_t n = std::min<std::size_t>(bytes[pos], bytes.size() - pos - 1);
            entry.title.assign(reinterpret_cast<const char*>(bytes.data() + pos + 1), n);
            pos += 1 + n;
        }
        entries.push_back(entry);
        while (pos < bytes.size())
            if (bytes[pos++] == kSetSeparator) break;
    }
    return entries;
}

// A title as the level list shows it: text the user interface can hold (valid UTF-8),
// which converts back to exactly the title's bytes.
void checkShownTitle(const std::string& title) {
    const std::string shown = cp1251ToUtf8(title);
    std::size_t i = 0;
    while (i < shown.size()) {
        const auto lead = static_cast<unsigned char>(shown[i]);
        const std::size_t length = lead < 0x80                   ? 1
                                   : lead >= 0xC2 && lead < 0xE0 ? 2
                                   : lead >= 0xE0 && lead < 0xF0 ? 3
                                                                 : 0;
        require(length != 0 && i + length <= shown.size(), "a shown title is not valid UTF-8");
        for (std::size_t k = 1; k < length; ++k)
            require((static_cast<unsigned char>(shown[i + k]) & 0xC0) == 0x80,
                    "a shown title is not valid UTF-8");
        i += length;
    }
    const Cp1251Result back = utf8ToCp1251(shown);
    require(back.ok() && back.bytes == title, "a shown title does not convert back to its bytes");
}

bool sameEntries(const std::vector<SetEntry>& a, const std::vector<SetEntry>& b,
                 std::size_t count) {
    if (a.size() < count || b.size() < count) return false;
    for (std::size_t i = 0; i < count; ++i)
        if (a[i].offset != b[i].offset || a[i].title != b[i].title) return false;
    return true;
}

void checkSetLevel(Input input, const std::vector<SetEntry>& entries, long long index) {
    LevelRecord level = staleRecord();
    const LevelRecord before = level;
    const SetLevelStatus status = readSetLevel(input, index, level);
    const bool listed = index >= 0 && static_cast<unsigned long long>(index) < entries.size();
    if (!listed) {
        require(status == SetLevelStatus::NoSuchLevel && level == before,
                "a level the walk does not list was loaded");
        return;
    }
    LevelRecord expected = staleRecord();
    const RecordRead read =
        readLevelRecord(input, entries[static_cast<std::size_t>(index)].offset, expected);
    require(read.status != RecordStatus::WrongMagic,
            "the walk listed an entry where no magic stands");
    const SetLevelStatus wanted = read.status == RecordStatus::Loaded
                                      ? SetLevelStatus::Loaded
                                      : SetLevelStatus::RobotOffField;
    require(status == wanted && level == expected,
            "level k is not the record where the walk lists entry k");
}

// A set built from records made of the input lists and loads every one of them back,
// whatever bytes their titles hold.
void checkBuiltSet(Input input) {
    Source src(input);
    const int count = src.next() % 6 + 1;
    std::vector<LevelRecord> levels;
    std::vector<std::size_t> offsets;
    std::vector<std::uint8_t> set;
    for (int i = 0; i < count; ++i) {
        levels.push_back(recordFrom(src, true));
        offsets.push_back(set.size());
        appendSetEntry(set, encodeLevelRecord(levels.back()));
    }
    const std::vector<SetEntry> entries = walkLevelSet(set);
    require(entries.size() == levels.size(), "a built set lists another number of levels");
    for (std::size_t k = 0; k < levels.size(); ++k) {
        require(entries[k].offset == offsets[k] && entries[k].title == levels[k].title,
                "a built set lists a level at the wrong place or with the wrong title");
        LevelRecord level = staleRecord();
        require(readSetLevel(set, static_cast<long long>(k), level) == SetLevelStatus::Loaded &&
                    level == levels[k],
                "level k of a built set is not the k-th level put in");
    }
    LevelRecord level = staleRecord();
    require(readSetLevel(set, count, level) == SetLevelStatus::NoSuchLevel,
            "a built set has a level past its last one");
}

// Parses text the program wrote itself, which must parse.
std::vector<TextLevel> parseOrBreak(const std::string& text) {
    try {
        return parseLevelText(text);
    } catch (const LevelTextError& e) {
        throw InvariantBroken(std::string("written text does not parse: ") + e.what() + " (line " +
                              std::to_string(e.line()) + ")");
    }
}

std::size_t lineBound(std::string_view text) {
    return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')) + 1;
}

}  // namespace

void checkLevelRecord(Input input) {
    checkRecordReadAt(input, 0);
    if (!input.empty()) checkRecordReadAt(input, input.back() % input.size());
    checkRecordReadAt(input, input.size());
    checkRecordReadAt(input, input.size() + 5);

    Source anyBytes(input);
    checkWritesBack(recordFrom(anyBytes, false));
    Source soundBytes(input);
    const LevelRecord sound = recordFrom(soundBytes, true);
    checkWritesBack(sound);
    checkTextForm(sound);
}

void checkLevelSet(Input input) {
    const std::vector<SetEntry> entries = walkLevelSet(input);
    const std::vector<SetEntry> reference = referenceWalk(input);
    require(entries.size() == reference.size() && sameEntries(entries, reference, entries.size()),
            "the walk lists other entries than the set format defines");
    // Every entry but the last holds at least a magic and a title length; the last at least
    // a magic.
    require(entries.size() <= (input.size() + 1) / 5, "the walk lists more entries than fit");
    for (std::size_t i = 0; i < entries.size(); ++i) {
        require(magicAt(input, entries[i].offset), "an entry does not start with the magic");
        checkShownTitle(entries[i].title);
        require(
            i == 0 || entries[i].offset >= entries[i - 1].offset + 5 + entries[i - 1].title.size(),
            "entries overlap");
    }
    for (const std::size_t limit : {std::size_t{0}, std::size_t{1}, entries.size() / 2}) {
        const std::vector<SetEntry> some = walkLevelSet(input, limit);
        require(some.size() == std::min(limit, entries.size()) &&
                    sameEntries(some, entries, some.size()),
                "a walk with a limit lists other entries than the first ones");
    }

    const long long count = static_cast<long long>(entries.size());
    const long long derived = input.empty() ? 3 : input[input.size() / 2];
    for (const long long index :
         {-1LL, 0LL, 1LL, count - 1, count, count + 1, derived, 100000LL, LLONG_MAX, LLONG_MIN})
        checkSetLevel(input, entries, index);

    checkBuiltSet(input);
}

void checkLevelText(Input input) {
    const std::string_view text(reinterpret_cast<const char*>(input.data()), input.size());
    const std::size_t lines = lineBound(text);
    std::vector<TextLevel> levels;
    try {
        levels = parseLevelText(text);
    } catch (const LevelTextError& e) {
        require(e.line() >= 0 && static_cast<std::size_t>(e.line()) <= lines,
                "a text error names a line the text does not have");
        require(std::string_view(e.what()).size() > 0, "a text error says nothing");
        return;
    }
    require(!levels.empty(), "a text parsed to no level without an error");

    int previousLine = 0;
    std::string all;
    for (const TextLevel& level : levels) {
        const LevelRecord& r = level.record;
        require(level.line > previousLine && static_cast<std::size_t>(level.line) <= lines,
                "the levels of a text are not on increasing lines of it");
        previousLine = level.line;
        require(codesHaveCharacters(r), "a parsed level holds a code without a character");
        require(onField(r.playerX, r.playerY) &&
                    r.objectLayer[cellIndex(r.playerX, r.playerY)] == kEmpty,
                "a parsed level has its robot off the field or on an object");
        require(r.title.size() <= kMaxTitleBytes, "a parsed title is longer than 255 bytes");
        checkWritesBack(r);

        std::string written;
        try {
            written = levelToText(r);
        } catch (const LevelTextError& e) {
            throw InvariantBroken(std::string("a parsed level cannot be written back as text: ") +
                                  e.what());
        }
        const std::vector<TextLevel> again = parseOrBreak(written);
        require(again.size() == 1 && again[0].record == r,
                "a parsed level written back parses to a different level");
        all += written;
    }
    const std::vector<TextLevel> again = parseOrBreak(all);
    require(again.size() == levels.size(), "the written levels parse to another number of levels");
    for (std::size_t i = 0; i < levels.size(); ++i)
        require(again[i].record == levels[i].record,
                "the written levels parse to different levels");
}

void checkXsb(Input input) {
    const std::string_view text(reinterpret_cast<const char*>(input.data()), input.size());
    const std::vector<XsbLevel> levels = readXsb(text);
    require(levels.size() <= lineBound(text), "XSB gave more levels than the text has lines");
    std::vector<LevelRecord> placed;
    for (std::size_t i = 0; i < levels.size(); ++i) {
        const XsbLevel& level = levels[i];
        require(level.number == static_cast<int>(i) + 1, "XSB levels are not numbered in order");
        require(level.record.has_value() == level.problem.empty(),
                "an XSB level is neither placed nor refused with a problem");
        if (!level.record) continue;
        const LevelRecord& r = *level.record;
        for (int cell = 0; cell < kCellCount; ++cell)
            require(r.objectLayer[cell] <= kCrate && r.floorLayer[cell] <= kFloorTarget,
                    "an XSB level holds something other than walls, crates and targets");
        require(onField(r.playerX, r.playerY) &&
                    r.objectLayer[cellIndex(r.playerX, r.playerY)] == kEmpty,
                "an XSB level has its robot off the field or on an object");
        require(r.title.size() <= kXsbTitleCharacters, "an XSB title is longer than 30 bytes");
        placed.push_back(r);
    }
    if (placed.empty()) return;
    std::string written;
    try {
        written = writeXsb(placed);
    } catch (const XsbError& e) {
        throw InvariantBroken(std::string("placed XSB levels cannot be written: ") + e.what());
    }
    const std::vector<XsbLevel> again = readXsb(written);
    require(again.size() == placed.size(), "written XSB reads back as another number of levels");
    for (std::size_t i = 0; i < placed.size(); ++i)
        require(again[i].record && *again[i].record == placed[i],
                "written XSB reads back as different levels");
}

}  // namespace prismcrate::fuzz
