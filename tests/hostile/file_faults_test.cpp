// The level and set file commands when the file system works against them: a save into a
// place the user may not write, and a set that is removed or changed between the moment
// the chooser lists it and the moment a level of it is loaded.
#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "levels/level_files.h"
#include "levels/level_text.h"
#include "platform/error.h"
#include "tests/levels/temp_folder.h"
#include "tools/levels_tool/levels_tool.h"

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

// The three ways a file is replaced: the editor's save, the builder, and the level tool's
// pack -o. Each writes `level` (the builder and pack as a one-level set; pack through the
// text form, where the robot hides an object under it, so the robot's cell must not be 3).
struct Saver {
    const char* name;
    std::function<void(const std::string& target, const LevelRecord& level)> save;
    Bytes (*bytes)(const LevelRecord& level);
};

Bytes levelBytes(const LevelRecord& r) {
    return encodeLevelRecord(r);
}
Bytes setBytes(const LevelRecord& r) {
    return setOf({r});
}

std::vector<Saver> savers(const TempFolder& temp) {
    const std::string source = temp.file("source.lev");
    const std::string text = temp.file("source.txt");
    return {
        {"save", [](const std::string& t, const LevelRecord& r) { saveLevelFile(t, r); },
         levelBytes},
        {"build",
         [source](const std::string& t, const LevelRecord& r) {
             writeBytes(source, encodeLevelRecord(r));
             buildLevelSetFile(t, {source});
         },
         setBytes},
        {"pack",
         [text](const std::string& t, const LevelRecord& r) {
             const std::string written = levelToText(r);
             writeBytes(text, Bytes(written.begin(), written.end()));
             std::ostringstream out, err;
             const std::vector<std::string> args = {"pack", "-o", t, text};
             if (runLevelsTool(args, out, err) != 0) throw EFCreateError(t);
         },
         setBytes},
    };
}

struct stat statOf(const std::string& path, bool follow = true) {
    struct stat st {};
    if ((follow ? ::stat(path.c_str(), &st) : ::lstat(path.c_str(), &st)) != 0) st.st_mode = 0;
    return st;
}

// Saving over a link writes the file it leads to; the link stays a link.
TEST(SaveOverALink, WritesThroughSymbolicAndHardLinks) {
    TempFolder temp;
    const fs::path real = temp.path() / "real";
    const fs::path links = temp.path() / "links";
    fs::create_directories(real / "sub");
    fs::create_directories(links);
    for (const Saver& saver : savers(temp)) {
        SCOPED_TRACE(saver.name);
        const std::string name = std::string(saver.name) + ".lvp";
        const std::string target = (real / "sub" / name).string();
        const Bytes old = {1, 2, 3};
        writeBytes(target, old);
        ::chmod(target.c_str(), 0640);
        // An absolute link, a relative one, and a chain of two.
        const std::string absolute = (links / ("abs-" + name)).string();
        const std::string relative = (real / ("rel-" + name)).string();
        const std::string chain = (links / ("chain-" + name)).string();
        fs::create_symlink(target, absolute);
        fs::create_symlink("sub/" + name, relative);
        fs::create_symlink("../real/rel-" + name, chain);
        int robot = 5;
        for (const std::string& link : {absolute, relative, chain}) {
            const LevelRecord r = level("through " + link, robot++);
            saver.save(link, r);
            EXPECT_TRUE(fs::is_symlink(link)) << link;
            EXPECT_EQ(readBytes(target), saver.bytes(r)) << link;
            EXPECT_EQ(statOf(target).st_mode & 07777, 0640u) << "the mode is kept";
        }
        // A link to a file that is not there yet makes that file.
        const std::string dangling = (links / ("new-" + name)).string();
        fs::create_symlink("../real/sub/made-" + name, dangling);
        saver.save(dangling, level("made", 4));
        EXPECT_TRUE(fs::is_symlink(dangling));
        EXPECT_EQ(readBytes((real / "sub" / ("made-" + name)).string()),
                  saver.bytes(level("made", 4)));

        // A hard link stays one file under two names.
        const std::string second = (links / ("hard-" + name)).string();
        fs::create_hard_link(target, second);
        const LevelRecord r = level("hard", 6);
        saver.save(second, r);
        EXPECT_EQ(readBytes(target), saver.bytes(r));
        EXPECT_EQ(statOf(target).st_ino, statOf(second).st_ino);
        EXPECT_EQ(statOf(target).st_nlink, 2u);
    }
    EXPECT_EQ(namesIn(real / "sub").size(), 6u) << "three targets, three new files, no others";
    for (const auto& e : fs::directory_iterator(links))
        EXPECT_FALSE(e.path().filename().string().starts_with(".")) << e.path();
}

TEST(SaveOverALink, AFailedSaveKeepsEveryNameOfTheFile) {
    TempFolder temp;
    const std::string target = temp.file("real.lev");
    const std::string hard = temp.file("hard.lev");
    const std::string soft = temp.file("soft.lev");
    const Bytes old = encodeLevelRecord(level("old", 2));
    writeBytes(target, old);
    fs::create_hard_link(target, hard);
    fs::create_symlink("real.lev", soft);
    for (const std::string& name : {hard, soft}) {
        // No room for the new bytes: the save fails before the old ones are touched.
        const std::string error = errorInChild(
            [&] {
                rlimit limit{static_cast<rlim_t>(old.size() - 5), RLIM_INFINITY};
                std::signal(SIGXFSZ, SIG_IGN);
                ::setrlimit(RLIMIT_FSIZE, &limit);
                saveLevelFile(name, level("a much longer title than before", 3));
            },
            false);
        EXPECT_EQ(error, "Cannot create file " + name);
        EXPECT_EQ(readBytes(target), old);
        EXPECT_EQ(readBytes(hard), old);
        EXPECT_TRUE(fs::is_symlink(soft));
    }
    EXPECT_EQ(temp.names(), (std::vector<std::string>{"hard.lev", "real.lev", "soft.lev"}));
}

TEST(SaveOverALink, PipesAndDevicesAreRefused) {
    TempFolder temp;
    const std::string fifo = temp.file("pipe.lev");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0666), 0);
    const std::string linkToFifo = temp.file("link.lev");
    fs::create_symlink("pipe.lev", linkToFifo);
    std::vector<std::string> targets = {fifo, linkToFifo};
    // A device of its own (the null device's numbers), never a system one.
    const std::string device = temp.file("device.lev");
    if (::mknod(device.c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0) targets.push_back(device);
    for (const Saver& saver : savers(temp)) {
        for (const std::string& target : targets) {
            // A child, killed if a pipe without a reader blocks it.
            EXPECT_EQ(errorInChild([&] { saver.save(target, level("x", 1)); }, false),
                      "Cannot create file " + target)
                << saver.name << " " << target;
        }
    }
    EXPECT_EQ(statOf(fifo).st_mode & S_IFMT, static_cast<mode_t>(S_IFIFO));
    EXPECT_TRUE(fs::is_symlink(linkToFifo));
    if (targets.size() == 3) {
        EXPECT_EQ(statOf(device).st_mode & S_IFMT, static_cast<mode_t>(S_IFCHR));
    }
}

TEST(SaveOverAnotherUsersFile, KeepsItsOwner) {
    if (::getuid() != 0) GTEST_SKIP() << "needs root to own files as others";
    TempFolder temp;
    ::chmod(temp.path().c_str(), 0777);
    // Root saves over the file of "nobody": the file stays nobody's.
    const std::string theirs = temp.file("theirs.lev");
    writeBytes(theirs, {1});
    ASSERT_EQ(::chown(theirs.c_str(), kNobody, kNobody), 0);
    ::chmod(theirs.c_str(), 0604);
    saveLevelFile(theirs, level("root", 1));
    EXPECT_EQ(statOf(theirs).st_uid, kNobody);
    EXPECT_EQ(statOf(theirs).st_gid, kNobody);
    EXPECT_EQ(statOf(theirs).st_mode & 07777, 0604u);
    EXPECT_EQ(readBytes(theirs), encodeLevelRecord(level("root", 1)));

    // "nobody" saves over root's file that everyone may write: a new file could not be
    // root's, so the file itself is written and stays root's.
    const std::string shared = temp.file("shared.lev");
    writeBytes(shared, {1});
    ::chmod(shared.c_str(), 0666);
    EXPECT_EQ(errorAsOrdinaryUser([&] { saveLevelFile(shared, level("nobody", 2)); }), "");
    EXPECT_EQ(statOf(shared).st_uid, 0u);
    EXPECT_EQ(readBytes(shared), encodeLevelRecord(level("nobody", 2)));

    // Likewise a file that may be written in a folder that may not.
    const fs::path locked = temp.path() / "locked";
    fs::create_directory(locked);
    const std::string inLocked = (locked / "mine.lev").string();
    writeBytes(inLocked, {1});
    ASSERT_EQ(::chown(inLocked.c_str(), kNobody, kNobody), 0);
    ::chmod(locked.c_str(), 0555);
    EXPECT_EQ(errorAsOrdinaryUser([&] { saveLevelFile(inLocked, level("in place", 3)); }), "");
    EXPECT_EQ(readBytes(inLocked), encodeLevelRecord(level("in place", 3)));
    EXPECT_EQ(namesIn(locked), std::vector<std::string>{"mine.lev"});
    ::chmod(locked.c_str(), 0755);
    EXPECT_EQ(temp.names(), (std::vector<std::string>{"locked", "shared.lev", "theirs.lev"}));
}

TEST(SaveUnderALongName, NamesUpToTheLimitOf255BytesCanBeSaved) {
    TempFolder temp;
    for (const Saver& saver : savers(temp)) {
        for (std::size_t length = 240; length <= 255; ++length) {
            const std::string name = std::string(length - 4, 'n') + ".lvp";
            const std::string path = temp.file(name);
            const LevelRecord r = level("long", static_cast<int>(length % 2 + 10));
            EXPECT_NO_THROW(saver.save(path, r)) << saver.name << " " << length;
            EXPECT_EQ(readBytes(path), saver.bytes(r)) << saver.name << " " << length;
            fs::remove(path);
        }
    }
    EXPECT_THROW(saveLevelFile(temp.file(std::string(256, 'n')), level("x", 1)), EFCreateError);
    EXPECT_EQ(namesIn(temp.path()), (std::vector<std::string>{"source.lev", "source.txt"}));
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
