#include <gtest/gtest.h>

#include <random>

#include "levels/cp1251.h"
#include "levels/level_text.h"
#include "tests/levels/level_fixtures.h"

namespace prismcrate {
namespace {

// Twenty rows: the given ones first, each padded with '-' to 20 characters, then empty
// rows.
std::string rows(const std::vector<std::string>& top) {
    std::string out;
    for (int y = 0; y < kFieldSize; ++y) {
        std::string row = y < static_cast<int>(top.size()) ? top[y] : std::string();
        if (row.size() < 20) row.resize(20, '-');
        out += row + "\n";
    }
    return out;
}

std::string levelText(const std::string& titleLine, const std::vector<std::string>& objects,
                      const std::vector<std::string>& floor = {}) {
    return titleLine + "\nObjects:\n" + rows(objects) + "Floor:\n" + rows(floor);
}

// The line and text of the error a text raises.
std::pair<int, std::string> errorOf(const std::string& text) {
    try {
        parseLevelText(text);
    } catch (const LevelTextError& e) {
        return {e.line(), e.what()};
    }
    return {-1, "no error"};
}

TEST(Cp1251, ConvertsBothWays) {
    EXPECT_EQ(cp1251ToUtf8("\xCF\xE5\xF0\xE2\xFB\xE9"), "Первый");
    EXPECT_EQ(cp1251ToUtf8("\xFF\xA8\xB9\x88"), "яЁ№€");
    const Cp1251Result ya = utf8ToCp1251("я Ёж №1");
    EXPECT_TRUE(ya.ok());
    EXPECT_EQ(ya.bytes,
              "\xFF \xA8\xE6 \xB9"
              "1");

    std::string all;
    for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
    const Cp1251Result back = utf8ToCp1251(cp1251ToUtf8(all));
    EXPECT_TRUE(back.ok());
    EXPECT_EQ(back.bytes, all) << "every byte survives a round trip";

    const Cp1251Result foreign = utf8ToCp1251("a日b\xF0\x9F\x98\x80");
    EXPECT_EQ(foreign.bytes, "a?b?");
    EXPECT_EQ(foreign.unmappable, 2);
    const Cp1251Result broken = utf8ToCp1251("a\xC3");
    EXPECT_TRUE(broken.invalidUtf8);
    EXPECT_EQ(broken.bytes, "a?");
    EXPECT_TRUE(utf8ToCp1251("\xED\xA0\x80").invalidUtf8) << "a surrogate is not a character";
    EXPECT_TRUE(utf8ToCp1251("\xC0\xAF").invalidUtf8) << "an overlong form is refused";
}

TEST(LevelText, ParsesTheExample) {
    const std::string text =
        "; comment\r\n" + levelText("Title: Первый шаг",
                                    {"--------------------", "-####---------------",
                                     "-#@-$-#-------------", "-#\\/<^>vbr%g--------"},
                                    {"", "", "-----.--_=x---------"});
    const auto levels = parseLevelText(text);
    ASSERT_EQ(levels.size(), 1u);
    const LevelRecord& level = levels[0].record;
    EXPECT_EQ(levels[0].line, 2);
    EXPECT_EQ(level.title, "\xCF\xE5\xF0\xE2\xFB\xE9 \xF8\xE0\xE3");
    EXPECT_EQ(level.playerX, 2);
    EXPECT_EQ(level.playerY, 2);
    EXPECT_EQ(level.objectLayer[cellIndex(1, 1)], kWall);
    EXPECT_EQ(level.objectLayer[cellIndex(4, 2)], kCrate);
    const std::uint8_t row3[] = {kWall,      kMirrorFalling, kMirrorRising, kEmitterLeft,
                                 kEmitterUp, kEmitterRight,  kEmitterDown,  kBomb,
                                 kRock,      kSteel,         kGateClosed};
    for (int i = 0; i < 11; ++i) EXPECT_EQ(level.objectLayer[cellIndex(1 + i, 3)], row3[i]) << i;
    EXPECT_EQ(level.floorLayer[cellIndex(5, 2)], kFloorTarget);
    EXPECT_EQ(level.floorLayer[cellIndex(8, 2)], kPlateReleased);
    EXPECT_EQ(level.floorLayer[cellIndex(9, 2)], kPlatePressed);
    EXPECT_EQ(level.floorLayer[cellIndex(10, 2)], kGateOpen);
}

TEST(LevelText, SeveralLevelsCrlfAndEmptyTitle) {
    std::string text =
        levelText("Title:", {"@"}) + "\n; between\n\n" + levelText("Title:  two ", {"-@"});
    std::string crlf;
    for (char c : text) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    for (const std::string& t : {text, crlf}) {
        const auto levels = parseLevelText(t);
        ASSERT_EQ(levels.size(), 2u);
        EXPECT_EQ(levels[0].record.title, "");
        EXPECT_EQ(levels[1].record.title, " two ");
        EXPECT_EQ(levels[1].record.playerX, 1);
        EXPECT_EQ(levels[1].line, 47);
    }
}

TEST(LevelText, WriterAndParserAgreeOnRandomLevels) {
    for (unsigned seed = 1; seed <= 200; ++seed) {
        std::mt19937 rng(seed);
        LevelRecord level = testing::randomRecord(rng);
        level.title = utf8ToCp1251(seed % 2 ? "Уровень я" : "").bytes;
        level.objectLayer[cellIndex(level.playerX, level.playerY)] = kEmpty;
        const std::string text = levelToText(level);
        const auto parsed = parseLevelText(text);
        ASSERT_EQ(parsed.size(), 1u);
        ASSERT_EQ(parsed[0].record, level) << text;
        EXPECT_EQ(levelToText(parsed[0].record), text);
    }
}

TEST(LevelText, WriterMarksWhatTheTextCannotHold) {
    LevelRecord level;
    level.objectLayer[cellIndex(5, 0)] = 13;
    level.floorLayer[cellIndex(6, 0)] = 9;
    level.objectLayer[cellIndex(0, 0)] = kCrate;  // under the robot
    const std::string text = levelToText(level);
    EXPECT_NE(text.find("@----?--------------\n"), std::string::npos) << text;
    EXPECT_NE(text.find("------?-------------\n"), std::string::npos);
    EXPECT_NE(text.find("; the robot's cell also holds object code 2"), std::string::npos);
    EXPECT_EQ(errorOf(text).first, 4) << "'?' is never accepted back";

    level.title = "a\nb";
    EXPECT_EQ(levelToText(level).rfind("Title: a\\nb\n", 0), 0u) << "escaped, on one line";
}

TEST(LevelText, TitleEscapes) {
    // The title line as written, and the cp1251 bytes it stands for.
    const std::vector<std::pair<std::string, std::string>> good = {
        {"a\\nb\\rc\\td", "a\nb\rc\td"},
        {"back\\\\slash", "back\\slash"},
        {"\\x1B[0m\\x7f\\x98\\xFF", "\x1B[0m\x7F\x98\xFF"},
        {"\\x00", std::string(1, '\0')},
        {"я\\xff", "\xFF\xFF"},
    };
    for (const auto& [line, bytes] : good) {
        const auto levels = parseLevelText(levelText("Title: " + line, {"@"}));
        EXPECT_EQ(levels.at(0).record.title, bytes) << line;
    }
    EXPECT_EQ(titleToEscapedText("\xFF\x1B\\\n"), "я\\x1B\\\\\\n");

    const std::vector<std::pair<std::string, std::string>> bad = {
        {"a\\qb",
         "the title has an unknown escape: a backslash, then 'q' (a backslash is "
         "written \\\\)"},
        {"a\\", "the title ends in a lone backslash"},
        {"\\x4", "\\x in the title must be followed by two hex digits"},
        {"\\xg0", "\\x in the title must be followed by two hex digits"},
        {std::string(255, 'a') + "\\x41", "the title is longer than 255 bytes in cp1251"},
    };
    for (const auto& [line, message] : bad)
        EXPECT_EQ(errorOf(levelText("Title: " + line, {"@"})),
                  (std::pair<int, std::string>{1, message}))
            << line;
}

TEST(LevelText, ErrorsNameTheLine) {
    const std::string good = levelText("Title: x", {"@"});
    EXPECT_EQ(errorOf("").first, 0);
    EXPECT_EQ(errorOf("; only a comment\n").first, 0);
    EXPECT_EQ(errorOf("Titel: x\n").first, 1);
    EXPECT_EQ(errorOf("Title:x\n" + good.substr(good.find('\n') + 1)),
              (std::pair<int, std::string>{1, "expected one space after \"Title:\""}));

    EXPECT_EQ(
        errorOf(levelText("Title: x", {"@", std::string(21, '-')})),
        (std::pair<int, std::string>{4, "row 2 of \"Objects:\" has 21 characters instead of 20"}));
    EXPECT_EQ(errorOf(levelText("Title: x", {"@", "", "---Q"})),
              (std::pair<int, std::string>{5, "unknown object character 'Q' in column 4"}));
    EXPECT_EQ(errorOf(levelText("Title: x", {"@", "-?"})).first, 4);
    EXPECT_EQ(errorOf(levelText("Title: x", {"@"}, {"", "#"})),
              (std::pair<int, std::string>{25, "unknown floor character '#' in column 1"}));
    EXPECT_EQ(errorOf(levelText("Title: x", {"@", "-@"})),
              (std::pair<int, std::string>{4, "a second robot '@' (the first is on line 3)"}));
    EXPECT_EQ(errorOf(levelText("Title: x", {})),
              (std::pair<int, std::string>{1, "the level has no robot '@' in its objects"}));
    EXPECT_EQ(errorOf(levelText("Title: x", {"@", "-\xD0\xAF"})).second,
              "unknown object character byte 0xD0 in column 2");

    // Cut short: ends inside the objects, or before "Floor:".
    const std::string head = "Title: x\nObjects:\n" + rows({"@"});
    EXPECT_EQ(errorOf(head.substr(0, head.size() - 21)).first, 21);
    EXPECT_EQ(errorOf(head),
              (std::pair<int, std::string>{22, "the text ends where \"Floor:\" was expected"}));
    EXPECT_EQ(errorOf("Title: x\nFloor:\n").first, 2);

    EXPECT_EQ(errorOf(levelText("Title: 日本", {"@"})),
              (std::pair<int, std::string>{1, "the title has characters that cp1251 cannot hold"}));
    EXPECT_EQ(errorOf(levelText("Title: \xC3", {"@"})).second, "the title is not valid UTF-8");
    EXPECT_EQ(errorOf(levelText("Title: " + std::string(256, 'a'), {"@"})).second,
              "the title is longer than 255 bytes in cp1251");
    EXPECT_EQ(
        parseLevelText(levelText("Title: " + std::string(255, 'a'), {"@"}))[0].record.title.size(),
        255u);
}

}  // namespace
}  // namespace prismcrate
