// The level and set file commands when the file system works against them: a save into a
// place the user may not write, and a set that is removed or changed between the moment
// the chooser lists it and the moment a level of it is loaded.
#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "levels/level_files.h"
#include "platform/error.h"
#include "tests/levels/temp_folder.h"

namespace prismcrate {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;
using testing::readBytes;
using testing::TempFolder;
using testing::writeBytes;

constexpr uid_t kNobody = 65534;

LevelRecord level(const std::string& title, int robot) {
    LevelRecord r;
    r.title = title;
    r.objectLayer[cellIndex(3, robot)] = kCrate;
    r.floorLayer[cellIndex(4, robot)] = kFloorTarget;
    r.playerX = static_cast<std::uint8_t>(robot);
    r.playerY = static_cast<std::uint8_t>(robot);
    return r;
}

Bytes setOf(const std::vector<LevelRecord>& levels) {
    Bytes set;
    for (const LevelRecord& r : levels) appendSetEntry(set, encodeLevelRecord(r));
    return set;
}

// Runs `f` in a child process and returns the text of the error it raised, "" when it
// raised none, or a note when it crashed or hung: a child that blocks is killed after a
// few seconds. `ordinaryUser` drops root's rights first, as no permission stops root.
std::string errorInChild(const std::function<void()>& f, bool ordinaryUser) {
    int out[2];
    if (::pipe(out) != 0) return "no pipe";
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(out[0]);
        ::alarm(5);
        if (ordinaryUser && ::getuid() == 0 &&
            (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0))
            ::_exit(3);
        std::string message;
        try {
            f();
        } catch (const std::exception& e) {
            message = e.what();
        }
        if (::write(out[1], message.data(), message.size()) < 0) ::_exit(4);
        ::_exit(0);
    }
    ::close(out[1]);
    std::string message;
    char buffer[256];
    ssize_t n;
    while ((n = ::read(out[0], buffer, sizeof buffer)) > 0) message.append(buffer, n);
    ::close(out[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (WIFSIGNALED(status)) return "child ended by signal " + std::to_string(WTERMSIG(status));
    if (WEXITSTATUS(status) != 0) return "child failed with " + std::to_string(WEXITSTATUS(status));
    return message;
}

std::string errorAsOrdinaryUser(const std::function<void()>& f) {
    return errorInChild(f, true);
}

std::vector<std::string> namesIn(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(folder)) names.push_back(e.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}

// A folder holding an old level file and an old set, which the ordinary user may read but
// not change.
struct ReadOnlyFolder {
    TempFolder temp;
    fs::path folder = temp.path() / "levels";
    std::string levelPath = (folder / "old.lev").string();
    std::string setPath = (folder / "old.lvp").string();
    std::string sourcePath = (temp.path() / "source.lev").string();
    Bytes oldLevel = encodeLevelRecord(level("old", 2));
    Bytes oldSet = setOf({level("a", 1), level("b", 2)});

    ReadOnlyFolder() {
        fs::create_directory(folder);
        writeBytes(levelPath, oldLevel);
        writeBytes(setPath, oldSet);
        writeBytes(sourcePath, encodeLevelRecord(level("new", 5)));
        ::chmod(temp.path().c_str(), 0755);
        ::chmod(folder.c_str(), 0555);
        ::chmod(sourcePath.c_str(), 0644);
    }
    ~ReadOnlyFolder() { ::chmod(folder.c_str(), 0755); }
};

TEST(SaveIntoAReadOnlyFolder, ReportsCannotCreateAndKeepsTheOldFilesByteForByte) {
    ReadOnlyFolder ro;
    EXPECT_EQ(errorAsOrdinaryUser([&] { saveLevelFile(ro.levelPath, level("new", 5)); }),
              "Cannot create file " + ro.levelPath);
    EXPECT_EQ(errorAsOrdinaryUser([&] { buildLevelSetFile(ro.setPath, {ro.sourcePath}); }),
              "Cannot create file " + ro.setPath);
    EXPECT_EQ(errorAsOrdinaryUser(
                  [&] { saveLevelFile((ro.folder / "fresh.lev").string(), level("new", 5)); }),
              "Cannot create file " + (ro.folder / "fresh.lev").string());
    EXPECT_EQ(readBytes(ro.levelPath), ro.oldLevel);
    EXPECT_EQ(readBytes(ro.setPath), ro.oldSet);
    EXPECT_EQ(namesIn(ro.folder), (std::vector<std::string>{"old.lev", "old.lvp"}))
        << "no temporary file and no new file is left behind";
}

TEST(SaveOverAReadOnlyFile, ReportsCannotCreateAndKeepsTheFile) {
    // The folder may be written, the file itself is write-protected: replacing it behind
    // the protection would lose what its owner meant to keep.
    TempFolder temp;
    ::chmod(temp.path().c_str(), 0777);
    const std::string path = temp.file("kept.lev");
    const Bytes old = encodeLevelRecord(level("kept", 3));
    writeBytes(path, old);
    ::chmod(path.c_str(), 0444);
    if (::getuid() == 0) {
        ASSERT_EQ(::chown(path.c_str(), kNobody, kNobody), 0);
    }
    EXPECT_EQ(errorAsOrdinaryUser([&] { saveLevelFile(path, level("new", 5)); }),
              "Cannot create file " + path);
    EXPECT_EQ(readBytes(path), old);
    EXPECT_EQ(temp.names(), (std::vector<std::string>{"kept.lev"}));
}

// The chooser has listed a set of three levels; then the file changes under it.
class SetChangedAfterListing : public ::testing::Test {
  protected:
    void SetUp() override {
        writeBytes(path, setOf(levels));
        ASSERT_EQ(listLevelSetFile(path).size(), 3u);
        putRecordOnBoard(level("on the board", 9), board);
        board.playerDir = kLeft;
        before = board;
    }
    // The board and title are exactly as they were before the load.
    void expectUntouched() const {
        EXPECT_EQ(board.objectLayer, before.objectLayer);
        EXPECT_EQ(board.floorLayer, before.floorLayer);
        EXPECT_EQ(board.playerX, before.playerX);
        EXPECT_EQ(board.playerDir, kLeft);
        EXPECT_EQ(title, "on the board");
    }
    std::string loadError(long long index) {
        try {
            loadLevelFromSetFile(path, index, board, title);
        } catch (const Error& e) {
            return e.what();
        }
        return "";
    }

    TempFolder temp;
    std::string path = temp.file("set.lvp");
    std::vector<LevelRecord> levels = {level("one", 1), level("two", 2), level("three", 3)};
    Board board;
    Board before;
    std::string title = "on the board";
};

TEST_F(SetChangedAfterListing, RemovedOrReplacedByAFolderCannotBeOpened) {
    fs::remove(path);
    EXPECT_EQ(loadError(1), "Cannot open file " + path);
    expectUntouched();
    fs::create_directory(path);
    EXPECT_EQ(loadError(1), "Cannot open file " + path);
    expectUntouched();
    EXPECT_THROW(listLevelSetFile(path), EFOpenError);
}

TEST_F(SetChangedAfterListing, CutToFewerLevelsFindsNoSuchLevelAndKeepsTheBoard) {
    Bytes shorter = setOf({levels[0]});
    writeBytes(path, shorter);
    EXPECT_EQ(loadLevelFromSetFile(path, 2, board, title), SetLevelStatus::NoSuchLevel);
    expectUntouched();
    writeBytes(path, {});
    EXPECT_EQ(loadLevelFromSetFile(path, 0, board, title), SetLevelStatus::NoSuchLevel);
    expectUntouched();
}

TEST_F(SetChangedAfterListing, ReplacedByAnotherSetLoadsThatSetsLevel) {
    const std::vector<LevelRecord> others = {level("x", 11), level("y", 12)};
    const std::string next = temp.file("next.lvp");
    writeBytes(next, setOf(others));
    fs::rename(next, path);
    EXPECT_EQ(loadLevelFromSetFile(path, 1, board, title), SetLevelStatus::Loaded);
    EXPECT_EQ(title, "y");
    EXPECT_EQ(board.objectLayer, others[1].objectLayer);
    EXPECT_EQ(board.playerX, 12);
    EXPECT_EQ(board.playerDir, kDown);
}

TEST_F(SetChangedAfterListing, CutInsideARecordLoadsWithoutReadingPastTheFile) {
    Bytes set = setOf(levels);
    const std::size_t secondStart = encodeLevelRecord(levels[0]).size() + 1;
    set.resize(secondStart + 12);  // the second record ends inside its object layer
    writeBytes(path, set);
    EXPECT_EQ(loadLevelFromSetFile(path, 1, board, title), SetLevelStatus::Loaded);
    EXPECT_EQ(title, "two");
    EXPECT_TRUE(onField(board.playerX, board.playerY));
    EXPECT_EQ(board.playerX, before.playerX) << "the robot's cell lies past the end: kept";
}

TEST_F(SetChangedAfterListing, DamagedWhereTheLevelStandsKeepsTheBoard) {
    Bytes set = setOf(levels);
    set[set.size() - 2] = 200;  // the third level's robot row
    writeBytes(path, set);
    EXPECT_EQ(loadLevelFromSetFile(path, 2, board, title), SetLevelStatus::RobotOffField);
    expectUntouched();
    std::fill(set.begin(), set.end(), 0x00);
    writeBytes(path, set);
    EXPECT_EQ(loadLevelFromSetFile(path, 1, board, title), SetLevelStatus::NoSuchLevel);
    expectUntouched();
}

TEST_F(SetChangedAfterListing, GrownPastTheLargestSetCannotBeOpened) {
    const int fd = ::open(path.c_str(), O_WRONLY);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::ftruncate(fd, static_cast<off_t>(kMaxSetFileBytes) + 1), 0);  // sparse
    ::close(fd);
    EXPECT_EQ(loadError(0), "Cannot open file " + path);
    expectUntouched();
}

TEST_F(SetChangedAfterListing, ReplacedByAPipeOrMadeUnreadableFailsAtOnce) {
    fs::remove(path);
    ASSERT_EQ(::mkfifo(path.c_str(), 0666), 0);
    // A pipe with no writer would block a plain open for ever; the child is killed if so.
    EXPECT_EQ(errorInChild([&] { loadLevelFromSetFile(path, 0, board, title); }, false),
              "Cannot open file " + path);
    EXPECT_EQ(errorInChild([&] { listLevelSetFile(path); }, false), "Cannot open file " + path);
    fs::remove(path);

    writeBytes(path, setOf(levels));
    ::chmod(temp.path().c_str(), 0755);
    ::chmod(path.c_str(), 0600);
    EXPECT_EQ(errorAsOrdinaryUser([&] { loadLevelFromSetFile(path, 0, board, title); }),
              "Cannot open file " + path);
    EXPECT_EQ(errorAsOrdinaryUser([&] { listLevelSetFile(path); }), "Cannot open file " + path);
}

}  // namespace
}  // namespace prismcrate
