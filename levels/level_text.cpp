#include "levels/level_text.h"

#include "levels/cp1251.h"

namespace prismcrate {
namespace {

constexpr std::string_view kObjectChars = "-#$r\\/<^>vb%g";
constexpr std::string_view kFloorChars = "-._=x";
constexpr char kRobotChar = '@';
constexpr std::string_view kTitleTag = "Title:";
constexpr std::string_view kObjectsTag = "Objects:";
constexpr std::string_view kFloorTag = "Floor:";

struct Line {
    std::string_view text;
    int number;
};

std::vector<Line> splitLines(std::string_view text) {
    if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);  // a UTF-8 byte order mark
    std::vector<Line> lines;
    int number = 0;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        if (line.ends_with('\r')) line.remove_suffix(1);
        lines.push_back({line, ++number});
        if (end == std::string_view::npos) break;
        text.remove_prefix(end + 1);
    }
    return lines;
}

std::string quoted(char c) {
    const auto b = static_cast<unsigned char>(c);
    if (b < 0x20 || b >= 0x7F) {
        static const char* hex = "0123456789ABCDEF";
        return std::string("byte 0x") + hex[b >> 4] + hex[b & 15];
    }
    return std::string("'") + c + "'";
}

class Parser {
  public:
    explicit Parser(std::string_view text) : lines_(splitLines(text)) {}

    std::vector<TextLevel> parse() {
        std::vector<TextLevel> levels;
        while (nextContentLine()) levels.push_back(parseLevel());
        if (levels.empty()) throw LevelTextError(0, "no level: expected a line \"Title:\"");
        return levels;
    }

  private:
    // Skips comments and blank lines; false at the end of the text.
    bool nextContentLine() {
        while (at_ < lines_.size()) {
            const std::string_view t = lines_[at_].text;
            if (!t.empty() && t[0] != ';') return true;
            ++at_;
        }
        return false;
    }
    // Skips comments only (inside a grid blank lines are missing rows).
    bool nextNonComment() {
        while (at_ < lines_.size() && lines_[at_].text.starts_with(';')) ++at_;
        return at_ < lines_.size();
    }
    int lastLine() const { return lines_.empty() ? 1 : lines_.back().number; }

    TextLevel parseLevel() {
        TextLevel level;
        const Line& titleLine = lines_[at_++];
        level.line = titleLine.number;
        level.record.title = parseTitle(titleLine);

        expectTag(kObjectsTag);
        int robotLine = 0;
        bool robotFound = false;
        for (int y = 0; y < kFieldSize; ++y) {
            const Line& row = gridRow(kObjectsTag, y);
            for (int x = 0; x < kFieldSize; ++x) {
                const char c = row.text[x];
                if (c == kRobotChar) {
                    if (robotFound)
                        throw LevelTextError(row.number,
                                             "a second robot '@' (the first is on line " +
                                                 std::to_string(robotLine) + ")");
                    robotFound = true;
                    robotLine = row.number;
                    level.record.playerX = static_cast<std::uint8_t>(x);
                    level.record.playerY = static_cast<std::uint8_t>(y);
                    level.record.objectLayer[cellIndex(x, y)] = kEmpty;
                    continue;
                }
                const std::size_t code = kObjectChars.find(c);
                if (code == std::string_view::npos)
                    throw LevelTextError(row.number, "unknown object character " + quoted(c) +
                                                         " in column " + std::to_string(x + 1));
                level.record.objectLayer[cellIndex(x, y)] = static_cast<std::uint8_t>(code);
            }
        }
        if (!robotFound)
            throw LevelTextError(level.line, "the level has no robot '@' in its objects");

        expectTag(kFloorTag);
        for (int y = 0; y < kFieldSize; ++y) {
            const Line& row = gridRow(kFloorTag, y);
            for (int x = 0; x < kFieldSize; ++x) {
                const char c = row.text[x];
                const std::size_t code = kFloorChars.find(c);
                if (code == std::string_view::npos)
                    throw LevelTextError(row.number, "unknown floor character " + quoted(c) +
                                                         " in column " + std::to_string(x + 1));
                level.record.floorLayer[cellIndex(x, y)] = static_cast<std::uint8_t>(code);
            }
        }
        return level;
    }

    std::string parseTitle(const Line& line) {
        if (!line.text.starts_with(kTitleTag))
            throw LevelTextError(line.number, "expected a line \"Title:\"");
        std::string_view rest = line.text.substr(kTitleTag.size());
        if (!rest.empty()) {
            if (rest[0] != ' ')
                throw LevelTextError(line.number, "expected one space after \"Title:\"");
            rest.remove_prefix(1);
        }
        // A carriage return inside the line would be taken for a line end by other
        // readers; in a title it is written "\r".
        if (rest.find('\r') != std::string_view::npos)
            throw LevelTextError(line.number, "the title holds a line break (carriage return)");
        try {
            return titleFromEscapedText(rest);
        } catch (const LevelTextError& e) {
            throw LevelTextError(line.number, e.what());
        }
    }

    void expectTag(std::string_view tag) {
        if (!nextContentLine())
            throw LevelTextError(lastLine(),
                                 "the text ends where \"" + std::string(tag) + "\" was expected");
        const Line& line = lines_[at_++];
        if (line.text != tag)
            throw LevelTextError(line.number, "expected \"" + std::string(tag) + "\"");
    }

    const Line& gridRow(std::string_view tag, int y) {
        if (!nextNonComment())
            throw LevelTextError(lastLine(), "the text ends after " + std::to_string(y) +
                                                 " of the 20 rows of \"" + std::string(tag) + "\"");
        const Line& row = lines_[at_++];
        if (row.text.size() != static_cast<std::size_t>(kFieldSize))
            throw LevelTextError(row.number, "row " + std::to_string(y + 1) + " of \"" +
                                                 std::string(tag) + "\" has " +
                                                 std::to_string(row.text.size()) +
                                                 " characters instead of 20");
        return row;
    }

    std::vector<Line> lines_;
    std::size_t at_ = 0;
};

}  // namespace

char objectChar(std::uint8_t code) {
    return code < kObjectChars.size() ? kObjectChars[code] : '?';
}
char floorChar(std::uint8_t code) {
    return code < kFloorChars.size() ? kFloorChars[code] : '?';
}

std::vector<TextLevel> parseLevelText(std::string_view text) {
    return Parser(text).parse();
}

namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// Bytes the text form writes as escapes: the backslash, the C0 controls, DEL, and 0x98,
// whose character (U+0098) is a C1 control.
bool escapedByte(unsigned char b) {
    return b == '\\' || b < 0x20 || b == 0x7F || b == 0x98;
}

void appendCp1251Text(std::string& out, std::string_view text) {
    const Cp1251Result part = utf8ToCp1251(text);
    if (part.invalidUtf8) throw LevelTextError(0, "the title is not valid UTF-8");
    if (part.unmappable > 0)
        throw LevelTextError(0, "the title has characters that cp1251 cannot hold");
    out += part.bytes;
}

}  // namespace

std::string titleToEscapedText(std::string_view cp1251) {
    std::string out;
    std::size_t plain = 0;  // start of the bytes not yet converted
    const auto flush = [&](std::size_t end) {
        out += cp1251ToUtf8(cp1251.substr(plain, end - plain));
    };
    for (std::size_t i = 0; i < cp1251.size(); ++i) {
        const auto b = static_cast<unsigned char>(cp1251[i]);
        if (!escapedByte(b)) continue;
        flush(i);
        plain = i + 1;
        switch (b) {
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                out += "\\x";
                out += kHexDigits[b >> 4];
                out += kHexDigits[b & 15];
        }
    }
    flush(cp1251.size());
    return out;
}

std::string titleFromEscapedText(std::string_view text) {
    std::string out;
    std::size_t plain = 0;
    std::size_t i = 0;
    while (i < text.size()) {
        if (text[i] != '\\') {
            ++i;
            continue;
        }
        appendCp1251Text(out, text.substr(plain, i - plain));
        const char kind = i + 1 < text.size() ? text[i + 1] : '\0';
        std::size_t length = 2;
        switch (kind) {
            case '\\':
                out += '\\';
                break;
            case 'n':
                out += '\n';
                break;
            case 'r':
                out += '\r';
                break;
            case 't':
                out += '\t';
                break;
            case 'x': {
                const int high = i + 2 < text.size() ? hexValue(text[i + 2]) : -1;
                const int low = i + 3 < text.size() ? hexValue(text[i + 3]) : -1;
                if (high < 0 || low < 0)
                    throw LevelTextError(0, "\\x in the title must be followed by two hex digits");
                out += static_cast<char>(high * 16 + low);
                length = 4;
                break;
            }
            default:
                throw LevelTextError(
                    0, kind == '\0' ? std::string("the title ends in a lone backslash")
                                    : "the title has an unknown escape: a backslash, then " +
                                          quoted(kind) + " (a backslash is written \\\\)");
        }
        i += length;
        plain = i;
    }
    appendCp1251Text(out, text.substr(plain));
    if (out.size() > kMaxTitleBytes)
        throw LevelTextError(0, "the title is longer than 255 bytes in cp1251");
    return out;
}

std::string levelToText(const LevelRecord& level) {
    const std::string title = titleToEscapedText(level.title);

    std::string out;
    out.reserve(1024);
    out += title.empty() ? std::string(kTitleTag) : std::string(kTitleTag) + " " + title;
    out += '\n';
    if (onField(level.playerX, level.playerY)) {
        // Only a damaged file puts an object under the robot; the '@' hides it.
        const std::uint8_t underRobot = level.objectLayer[cellIndex(level.playerX, level.playerY)];
        if (underRobot != kEmpty)
            out += "; the robot's cell also holds object code " + std::to_string(underRobot) + "\n";
    }

    out += kObjectsTag;
    out += '\n';
    for (int y = 0; y < kFieldSize; ++y) {
        for (int x = 0; x < kFieldSize; ++x)
            out += level.playerX == x && level.playerY == y
                       ? kRobotChar
                       : objectChar(level.objectLayer[cellIndex(x, y)]);
        out += '\n';
    }
    out += kFloorTag;
    out += '\n';
    for (int y = 0; y < kFieldSize; ++y) {
        for (int x = 0; x < kFieldSize; ++x) out += floorChar(level.floorLayer[cellIndex(x, y)]);
        out += '\n';
    }
    return out;
}

}  // namespace prismcrate
