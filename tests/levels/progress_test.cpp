// The player's progress file: what it keeps, what it passes over, and when it is left
// alone.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "levels/progress.h"
#include "tests/levels/temp_folder.h"

namespace prismcrate {
namespace {

using testing::readBytes;
using testing::TempFolder;
using testing::writeBytes;

std::vector<std::uint8_t> bytesOf(const std::string& text) {
    return {text.begin(), text.end()};
}

TEST(Progress, RecordsAreKeptPerCanonicalSetAndReadBack) {
    TempFolder folder;
    // A set name that is no valid text, reached through a link and through "..".
    const std::string set = folder.file("\xcd\xe0\xe1\xee\xf0 1.lvp");
    const std::string other = folder.file("other.lvp");
    writeBytes(set, {0xFF});
    writeBytes(other, {0xFF});
    ASSERT_EQ(::symlink(set.c_str(), folder.file("link.lvp").c_str()), 0);
    ASSERT_EQ(::mkdir(folder.file("x").c_str(), 0755), 0);
    ProgressFile progress(folder.file("config/prismcrate/progress"));

    progress.recordOpened(other);
    progress.recordPlayed(set, 4);
    progress.recordSolved(folder.file("link.lvp"), 0);
    progress.recordSolved(folder.file("x/../" + std::string("\xcd\xe0\xe1\xee\xf0 1.lvp")), 1);
    progress.recordSolved(set, 7);
    progress.recordPlayed(set, 2);  // reached never goes back

    EXPECT_EQ(progress.forSet(set), (SetProgress{8, {0, 1, 7}}));
    EXPECT_EQ(progress.forSet(other), SetProgress{});
    EXPECT_EQ(progress.read().size(), 2u);
    EXPECT_EQ(progress.forSet(folder.file("never.lvp")), SetProgress{});
    const std::vector<std::uint8_t> bytes = readBytes(progress.path());
    const std::string text(bytes.begin(), bytes.end());
    EXPECT_EQ(text.substr(0, text.find('\n')), kProgressHeader);
    EXPECT_NE(text.find("8 0-1,7 /"), std::string::npos) << text;
    EXPECT_NE(text.find("%CD%E0%E1%EE%F0%201.lvp\n"), std::string::npos) << text;
    EXPECT_EQ(parseProgress(bytes), progress.read());
}

TEST(Progress, DamagedLinesAndFilesArePassedOver) {
    const std::string header = std::string(kProgressHeader) + "\n";
    struct Case {
        std::string text;
        std::size_t sets;  // entries that survive
    };
    const Case cases[] = {
        {header + "3 0-2 /good.lvp\n", 1},
        {header + "3 0-2 /good.lvp", 1},  // no final newline
        {"Some other file\n3 0-2 /good.lvp\n", 0},
        {"", 0},
        {std::string("\0\xff\xfe", 3), 0},
        {header + "x 0 /a\n1 - /b\n", 1},
        {header + "1 2-1 /a\n1 0,,1 /b\n1 0, /c\n1 - relative\n1 - /d%2\n1 - /e%zz\n", 0},
        {header + "1 - /a b\n1 - /nul%00\n1 0-99999999 /huge\n9999999999 - /big\n", 0},
        {header + "1 -\n1\n\n  \n1 - /ok\n", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(parseProgress(bytesOf(c.text)).size(), c.sets);
    }
}

TEST(Progress, ADamagedFileIsIgnoredAndOnlyAnUnreadableOneReplaced) {
    TempFolder folder;
    const std::string set = folder.file("s.lvp");
    writeBytes(set, {0xFF});
    const std::string file = folder.file("progress");
    ProgressFile progress(file);

    // Other sets' entries survive a change, damaged lines do not stop it.
    writeBytes(file, bytesOf(std::string(kProgressHeader) + "\n5 0-4 /kept.lvp\njunk\n"));
    progress.recordSolved(set, 0);
    EXPECT_EQ(progress.read().at("/kept.lvp"), (SetProgress{5, {0, 1, 2, 3, 4}}));
    EXPECT_EQ(progress.forSet(set), (SetProgress{1, {0}}));

    // A file with no header holds nothing readable: it is read as empty and replaced.
    writeBytes(file, bytesOf("garbage"));
    EXPECT_TRUE(progress.read().empty());
    progress.recordOpened(set);
    EXPECT_EQ(progress.read().size(), 1u);

    // A file that cannot be read at all (here: a folder) is never written over.
    const std::string folderFile = folder.file("progress-dir");
    ASSERT_EQ(::mkdir(folderFile.c_str(), 0755), 0);
    ProgressFile blocked(folderFile);
    blocked.recordSolved(set, 3);
    struct stat st {};
    ASSERT_EQ(::stat(folderFile.c_str(), &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode));
    EXPECT_TRUE(blocked.read().empty());
}

TEST(Progress, NothingIsWrittenWhereTheFolderCannotBeMade) {
    TempFolder folder;
    const std::string set = folder.file("s.lvp");
    writeBytes(set, {0xFF});
    // The folder's place is taken by a file: not even root can make it.
    writeBytes(folder.file("config"), {1});
    ProgressFile progress(folder.file("config/prismcrate/progress"));
    progress.recordSolved(set, 2);
    EXPECT_TRUE(progress.read().empty());
    EXPECT_EQ(folder.names(), (std::vector<std::string>{"config", "s.lvp"}));
    // Nor for a set that does not exist, nor with no file at all.
    ProgressFile elsewhere(folder.file("p"));
    elsewhere.recordSolved(folder.file("missing.lvp"), 1);
    ProgressFile(std::string()).recordSolved(set, 1);
    EXPECT_EQ(folder.names(), (std::vector<std::string>{"config", "s.lvp"}));
}

}  // namespace
}  // namespace prismcrate
