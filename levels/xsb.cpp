#include "levels/xsb.h"

#include <algorithm>
#include <array>

#include "levels/cp1251.h"

namespace prismcrate {
namespace {

// Bounds that keep a hostile text from costing more than its own size: counts, widths and
// heights saturate, and no more of a row or a level is kept than any field could hold.
constexpr int kCountCap = 1 << 20;
constexpr std::size_t kKeptColumns = 64;
constexpr std::size_t kKeptRows = 64;
constexpr std::size_t kMaxXsbLevels = 100000;

constexpr std::string_view kRowChars = "#@+$*.-_ 0123456789|";
constexpr std::string_view kCellChars = "#@+$*.-_";
constexpr std::string_view kTitleTag = "title:";

std::string_view trimRight(std::string_view s) {
    while (!s.empty() &&
           (s.back() == ' ' || s.back() == '\t' || s.back() == '\r' || s.back() == '\n'))
        s.remove_suffix(1);
    return s;
}

std::string_view trimLeft(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    return s;
}

bool onlyRowChars(std::string_view s) {
    return s.find_first_not_of(kRowChars) == std::string_view::npos;
}

// A line that starts a level: row characters only, among them a wall, a crate or the robot,
// or else targets but no count (so that a line such as "1." is not taken for a level).
bool startsBlock(std::string_view line) {
    if (line.empty() || !onlyRowChars(line)) return false;
    if (line.find_first_of("#@+$*") != std::string_view::npos) return true;
    return line.find('.') != std::string_view::npos &&
           line.find_first_of("0123456789") == std::string_view::npos;
}

// A line that continues a level: row characters only, and at least one cell character.
bool continuesBlock(std::string_view line) {
    return !line.empty() && onlyRowChars(line) &&
           line.find_first_of(kCellChars) != std::string_view::npos;
}

bool startsWithTitleTag(std::string_view line) {
    if (line.size() < kTitleTag.size()) return false;
    for (std::size_t i = 0; i < kTitleTag.size(); ++i) {
        char c = line[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != kTitleTag[i]) return false;
    }
    return true;
}

int saturatingAdd(int a, int b) {
    return std::min(kCountCap, a + b);
}

// One row as it is expanded: the spaces before its first cell, the cells from there on
// (kept up to kKeptColumns) and the column just past its last non-floor cell.
struct Row {
    int indent = 0;
    bool started = false;
    std::string text;
    int length = 0;  // every column written, floors included
    int end = 0;     // past the last non-floor cell; 0 for a row of floor only

    void add(char c, int count) {
        if (c == '-' || c == '_') c = ' ';
        if (c != ' ' && !started) {
            started = true;
            indent = length;
        }
        if (started) {
            const int room = static_cast<int>(kKeptColumns) - static_cast<int>(text.size());
            text.append(static_cast<std::size_t>(std::max(0, std::min(room, count))), c);
        }
        length = saturatingAdd(length, count);
        if (c != ' ') end = length;
    }
};

// The rows of a block of lines, run-length coding expanded.
std::vector<Row> expandRows(const std::vector<std::string_view>& lines, int& height) {
    std::vector<Row> rows;
    height = 0;
    Row row;
    bool rowOpen = false;
    auto finishRow = [&] {
        if (rowOpen) {
            if (rows.size() < kKeptRows) rows.push_back(row);
            height = saturatingAdd(height, 1);
        }
        row = Row{};
        rowOpen = false;
    };
    for (const std::string_view line : lines) {
        int count = 0;
        for (const char c : line) {
            if (c >= '0' && c <= '9') {
                count = std::min(kCountCap, count * 10 + (c - '0'));
            } else if (c == '|') {
                finishRow();
                count = 0;
            } else {
                row.add(c, count > 0 ? count : 1);
                rowOpen = true;
                count = 0;
            }
        }
        finishRow();
    }
    return rows;
}

std::string describeTitleChanges(const Cp1251Result& encoded, bool cut) {
    std::string note;
    if (!encoded.ok())
        note = "characters without a cp1251 byte in the title, or control characters, became '?'";
    if (cut) {
        if (!note.empty()) note += "; ";
        note += "the title was cut to " + std::to_string(kXsbTitleCharacters) + " characters";
    }
    return note;
}

// Puts the canonical rows of a level on the field, or says why they do not fit.
void place(XsbLevel& level) {
    if (level.width > kFieldSize || level.height > kFieldSize) {
        level.problem = "is " + std::to_string(level.width) + " by " +
                        std::to_string(level.height) + ", larger than the " +
                        std::to_string(kFieldSize) + " by " + std::to_string(kFieldSize) + " field";
        return;
    }
    LevelRecord record;
    // Centred; indented rows move right by their indentation, as far as the field allows,
    // which is how the writer finds the indentation again.
    const int centred = (kFieldSize - level.width) / 2;
    const int shift = std::min(level.indent, kFieldSize - level.width - centred);
    if (shift < level.indent)
        level.notes.push_back("the indentation of its rows was cut to " + std::to_string(shift) +
                              (shift == 1 ? " column" : " columns"));
    const int x0 = centred + shift;
    const int y0 = (kFieldSize - level.height) / 2;
    int robots = 0;
    for (int y = 0; y < level.height; ++y) {
        const std::string& row = level.rows[static_cast<std::size_t>(y)];
        for (int x = 0; x < static_cast<int>(row.size()); ++x) {
            const int cell = cellIndex(x0 + x, y0 + y);
            const char c = row[static_cast<std::size_t>(x)];
            if (c == '#') record.objectLayer[cell] = kWall;
            if (c == '$' || c == '*') record.objectLayer[cell] = kCrate;
            if (c == '.' || c == '*' || c == '+') record.floorLayer[cell] = kFloorTarget;
            if (c == '@' || c == '+') {
                ++robots;
                record.playerX = static_cast<std::uint8_t>(x0 + x);
                record.playerY = static_cast<std::uint8_t>(y0 + y);
            }
        }
    }
    if (robots != 1) {
        level.problem = robots == 0 ? "has no robot" : "has " + std::to_string(robots) + " robots";
        return;
    }

    // The robot must stay inside the block whatever it does: walk everywhere that is not a
    // wall (crates could be pushed away) and see whether that leaves the block.
    std::array<bool, kCellCount> seen{};
    std::vector<int> stack{cellIndex(record.playerX, record.playerY)};
    seen[static_cast<std::size_t>(stack.back())] = true;
    constexpr int kDx[] = {-1, 0, 1, 0};
    constexpr int kDy[] = {0, -1, 0, 1};
    while (!stack.empty()) {
        const int cell = stack.back();
        stack.pop_back();
        const int x = cell / kFieldSize;
        const int y = cell % kFieldSize;
        if (x < x0 || x >= x0 + level.width || y < y0 || y >= y0 + level.height) {
            level.problem = "is not closed by walls: the robot could walk out of it";
            return;
        }
        for (int d = 0; d < 4; ++d) {
            const int nx = x + kDx[d];
            const int ny = y + kDy[d];
            if (!onField(nx, ny)) continue;
            const int next = cellIndex(nx, ny);
            if (seen[static_cast<std::size_t>(next)] || record.objectLayer[next] == kWall) continue;
            seen[static_cast<std::size_t>(next)] = true;
            stack.push_back(next);
        }
    }

    Cp1251Result encoded = utf8ToCp1251(level.title);
    for (char& c : encoded.bytes)
        if (static_cast<unsigned char>(c) < 0x20) {
            c = '?';  // a control character, which no title shows
            ++encoded.unmappable;
        }
    record.title = encoded.bytes;
    const bool cut = record.title.size() > kXsbTitleCharacters;
    if (cut) {
        record.title.resize(kXsbTitleCharacters);
        record.title.erase(record.title.find_last_not_of(' ') + 1);
    }
    if (cut || !encoded.ok()) level.notes.push_back(describeTitleChanges(encoded, cut));
    level.record = std::move(record);
}

// Turns a block of lines into a level: canonical rows, size, placement.
XsbLevel makeLevel(const std::vector<std::string_view>& lines, int firstLine, int number,
                   std::string title) {
    XsbLevel level;
    level.number = number;
    level.line = firstLine;
    level.title = std::move(title);

    int height = 0;
    std::vector<Row> rows = expandRows(lines, height);
    // Rows of floor alone above or below the rest lie outside the level.
    while (!rows.empty() && !rows.back().started && height == static_cast<int>(rows.size())) {
        rows.pop_back();
        --height;
    }
    std::size_t leading = 0;
    while (leading < rows.size() && !rows[leading].started) ++leading;
    rows.erase(rows.begin(), rows.begin() + static_cast<std::ptrdiff_t>(leading));
    height -= static_cast<int>(leading);
    int indent = kCountCap;
    int end = 0;
    for (const Row& row : rows) {
        if (row.started) indent = std::min(indent, row.indent);
        end = std::max(end, row.end);
    }
    if (indent == kCountCap) indent = 0;
    level.indent = indent;
    level.width = std::max(0, end - indent);
    level.height = height;
    for (const Row& row : rows) {
        std::string text;
        if (row.started) {
            text.assign(static_cast<std::size_t>(
                            std::min(row.indent - indent, static_cast<int>(kKeptColumns))),
                        ' ');
            text += row.text;
        }
        text.resize(std::min(text.size(), kKeptColumns));
        text.erase(text.find_last_not_of(' ') + 1);
        level.rows.push_back(std::move(text));
    }
    place(level);
    return level;
}

}  // namespace

std::vector<XsbLevel> readXsb(std::string_view text) {
    if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);  // a UTF-8 byte order mark

    std::vector<XsbLevel> levels;
    std::vector<std::string_view> block;
    int blockLine = 0;
    std::string comment;     // the last comment since the previous level
    bool titleTaken = true;  // whether the last level already has its "Title:" line
    int lineNumber = 0;

    auto finishBlock = [&] {
        if (block.empty()) return;
        levels.push_back(
            makeLevel(block, blockLine, static_cast<int>(levels.size()) + 1, std::move(comment)));
        comment.clear();
        titleTaken = false;
        block.clear();
    };

    while (!text.empty() && levels.size() < kMaxXsbLevels) {
        const std::size_t cut = text.find('\n');
        const std::string_view raw = text.substr(0, cut);
        text.remove_prefix(cut == std::string_view::npos ? text.size() : cut + 1);
        ++lineNumber;
        const std::string_view line = trimRight(raw);

        if (!block.empty() ? continuesBlock(line) : startsBlock(line)) {
            if (block.empty()) blockLine = lineNumber;
            block.push_back(line);
            continue;
        }
        finishBlock();
        const std::string_view content = trimLeft(line);
        if (content.starts_with(';')) {
            const std::string_view note = trimLeft(content.substr(1));
            if (!note.empty()) comment.assign(note);
        } else if (startsWithTitleTag(content) && !titleTaken && !levels.empty()) {
            XsbLevel& last = levels.back();
            last.title.assign(trimLeft(content.substr(kTitleTag.size())));
            last.notes.clear();
            if (last.record) place(last);
            titleTaken = true;
        }
    }
    if (levels.size() < kMaxXsbLevels) {
        finishBlock();
    } else if (!text.empty()) {
        XsbLevel rest;
        rest.number = static_cast<int>(levels.size()) + 1;
        rest.line = lineNumber + 1;
        rest.problem = "and the levels after it are not read: a text holds at most " +
                       std::to_string(kMaxXsbLevels) + " levels";
        levels.push_back(std::move(rest));
    }
    return levels;
}

namespace {

const char* objectName(std::uint8_t code) {
    switch (code) {
        case kRock:
            return "a rock";
        case kMirrorFalling:
        case kMirrorRising:
            return "a mirror";
        case kEmitterLeft:
        case kEmitterUp:
        case kEmitterRight:
        case kEmitterDown:
            return "an emitter";
        case kBomb:
            return "a bomb";
        case kSteel:
            return "a steel block";
        case kGateClosed:
            return "a closed gate";
        default:
            return "an unknown object";
    }
}

const char* floorName(std::uint8_t code) {
    switch (code) {
        case kPlateReleased:
        case kPlatePressed:
            return "a plate";
        case kGateOpen:
            return "an open gate";
        default:
            return "an unknown floor mark";
    }
}

std::string cellName(int x, int y) {
    return "cell (" + std::to_string(x) + ", " + std::to_string(y) + ")";
}

}  // namespace

std::vector<std::string> xsbRows(const LevelRecord& level) {
    int left = kFieldSize, top = kFieldSize, right = -1, bottom = -1;
    auto include = [&](int x, int y) {
        left = std::min(left, x);
        right = std::max(right, x);
        top = std::min(top, y);
        bottom = std::max(bottom, y);
    };
    for (int y = 0; y < kFieldSize; ++y) {
        for (int x = 0; x < kFieldSize; ++x) {
            const std::uint8_t object = level.objectLayer[cellIndex(x, y)];
            const std::uint8_t floor = level.floorLayer[cellIndex(x, y)];
            if (object != kEmpty && object != kWall && object != kCrate)
                throw XsbError(cellName(x, y) + " holds " + objectName(object) +
                               ", which XSB cannot write");
            if (floor != kFloorPlain && floor != kFloorTarget)
                throw XsbError(cellName(x, y) + " holds " + floorName(floor) +
                               ", which XSB cannot write");
            if (object != kEmpty || floor != kFloorPlain) include(x, y);
        }
    }
    const int px = level.playerX;
    const int py = level.playerY;
    if (!onField(px, py)) throw XsbError("the robot stands outside the field");
    if (level.objectLayer[cellIndex(px, py)] != kEmpty)
        throw XsbError("the robot stands on an object at " + cellName(px, py));
    include(px, py);

    // Rows right of the centre of the field are indented by how far they are off it.
    const int start = std::min(left, (kFieldSize - (right - left + 1)) / 2);
    std::vector<std::string> rows;
    for (int y = top; y <= bottom; ++y) {
        std::string row;
        for (int x = start; x <= right; ++x) {
            const std::uint8_t object = level.objectLayer[cellIndex(x, y)];
            const bool target = level.floorLayer[cellIndex(x, y)] == kFloorTarget;
            char c = target ? '.' : ' ';
            if (object == kWall) c = '#';
            if (object == kCrate) c = target ? '*' : '$';
            if (x == px && y == py) c = target ? '+' : '@';
            row += c;
        }
        row.erase(row.find_last_not_of(' ') + 1);
        rows.push_back(std::move(row));
    }
    return rows;
}

std::string writeXsb(const std::vector<LevelRecord>& levels) {
    std::string text;
    for (std::size_t i = 0; i < levels.size(); ++i) {
        const std::string where = "level " + std::to_string(i + 1) + ": ";
        std::vector<std::string> rows;
        try {
            rows = xsbRows(levels[i]);
        } catch (const XsbError& e) {
            throw XsbError(where + e.what());
        }
        const std::string title = cp1251ToUtf8(levels[i].title);
        if (title.find_first_of("\r\n") != std::string::npos)
            throw XsbError(where + "the title holds a line break, which XSB cannot write");
        if (i > 0) text += '\n';
        if (!trimLeft(title).empty()) text += "; " + title + "\n";
        for (const std::string& row : rows) {
            // A row of floor only would read as a blank line, which ends a level.
            text += row.empty() ? std::string("-") : row;
            text += '\n';
        }
    }
    return text;
}

}  // namespace prismcrate
