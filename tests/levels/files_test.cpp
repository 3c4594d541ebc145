#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>

#include "levels/level_files.h"
#include "platform/error.h"
#include "tests/levels/level_fixtures.h"
#include "tests/levels/temp_folder.h"

namespace prismcrate {
namespace {

using testing::Bytes;
using testing::readBytes;
using testing::sampleLevel;
using testing::TempFolder;
using testing::writeBytes;

// Expects `f` to throw an error of type E whose text is exactly `message`.
template <typename E, typename F>
void expectError(F&& f, const std::string& message) {
    try {
        f();
        ADD_FAILURE() << "no error; expected \"" << message << "\"";
    } catch (const E& e) {
        EXPECT_EQ(std::string(e.what()), message);
    }
}

// Files larger than `bytes` cannot be written while this lives.
class FileSizeLimit {
  public:
    explicit FileSizeLimit(rlim_t bytes) {
        previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        ::getrlimit(RLIMIT_FSIZE, &previous_);
        rlimit limited = previous_;
        limited.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &limited);
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &previous_);
        std::signal(SIGXFSZ, previousHandler_);
    }

  private:
    rlimit previous_{};
    void (*previousHandler_)(int) = nullptr;
};

struct ThreeLevels {
    TempFolder folder;
    std::vector<std::string> files;
    std::vector<Bytes> bytes;
    ThreeLevels() {
        for (const char* name : {"a.lev", "b.lev", "c.lev"}) {
            bytes.push_back(encodeLevelRecord(sampleLevel(name)));
            files.push_back(folder.file(name));
            writeBytes(files.back(), bytes.back());
        }
    }
    Bytes expectedSet() const {
        Bytes set;
        for (const Bytes& b : bytes) appendSetEntry(set, b);
        return set;
    }
};

TEST(BuildLevelSet, ThreeFilesBecomeFileFFFileFFFileFF) {
    ThreeLevels levels;
    const std::string target = levels.folder.file("set.lvp");
    buildLevelSetFile(target, levels.files);
    const Bytes set = readBytes(target);
    EXPECT_EQ(set,
              testing::concat(
                  {levels.bytes[0], {0xFF}, levels.bytes[1], {0xFF}, levels.bytes[2], {0xFF}}));
    const auto entries = listLevelSetFile(target);
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[2].title, "c.lev");
    EXPECT_EQ(levels.folder.names(),
              (std::vector<std::string>{"a.lev", "b.lev", "c.lev", "set.lvp"}));
}

TEST(BuildLevelSet, CopiesWhatItIsGivenUnchecked) {
    ThreeLevels levels;
    const std::string notALevel = levels.folder.file("notes.txt");
    writeBytes(notALevel, {'h', 'i'});
    const std::string target = levels.folder.file("set.lvp");
    buildLevelSetFile(target, {levels.files[0], notALevel, levels.files[0]});
    EXPECT_EQ(readBytes(target),
              testing::concat({levels.bytes[0], {0xFF, 'h', 'i', 0xFF}, levels.bytes[0], {0xFF}}));

    // The set being replaced may itself be listed: it is read before it is replaced.
    buildLevelSetFile(target, {target, levels.files[1]});
    EXPECT_EQ(readBytes(target).size(), 2 * levels.bytes[0].size() + levels.bytes[1].size() + 7);
}

TEST(BuildLevelSet, UnreadableListedFileKeepsTheOldSet) {
    ThreeLevels levels;
    const std::string target = levels.folder.file("set.lvp");
    buildLevelSetFile(target, levels.files);
    const Bytes old = readBytes(target);
    const auto namesBefore = levels.folder.names();

    const std::string missing = levels.folder.file("missing.lev");
    expectError<EFOpenError>(
        [&] {
            buildLevelSetFile(target, {levels.files[0], missing});
        },
        "Cannot open file " + missing);
    EXPECT_EQ(readBytes(target), old);

    const std::string folder = levels.folder.file("sub");
    std::filesystem::create_directory(folder);
    expectError<EFOpenError>(
        [&] {
            buildLevelSetFile(target, {levels.files[0], folder});
        },
        "Cannot open file " + folder);
    EXPECT_EQ(readBytes(target), old);
    std::filesystem::remove(folder);
    EXPECT_EQ(levels.folder.names(), namesBefore) << "no temporary file is left behind";
}

TEST(BuildLevelSet, WriteFailureKeepsTheOldSet) {
    ThreeLevels levels;
    const std::string target = levels.folder.file("set.lvp");
    writeBytes(target, {1, 2, 3});
    const auto namesBefore = levels.folder.names();
    {
        const FileSizeLimit limit(levels.bytes[0].size() + 10);
        expectError<EFCreateError>([&] { buildLevelSetFile(target, levels.files); },
                                   "Cannot create file " + target);
    }
    EXPECT_EQ(readBytes(target), (Bytes{1, 2, 3}));
    EXPECT_EQ(levels.folder.names(), namesBefore);

    // Once there is room again the same build succeeds.
    buildLevelSetFile(target, levels.files);
    EXPECT_EQ(readBytes(target), levels.expectedSet());
}

TEST(BuildLevelSet, TargetThatCannotBeCreated) {
    ThreeLevels levels;
    const std::string noFolder = levels.folder.file("no/such/folder/set.lvp");
    expectError<EFCreateError>([&] { buildLevelSetFile(noFolder, levels.files); },
                               "Cannot create file " + noFolder);

    const std::string isFolder = levels.folder.file("taken");
    std::filesystem::create_directory(isFolder);
    std::filesystem::create_directory(isFolder + "/inside");
    expectError<EFCreateError>([&] { buildLevelSetFile(isFolder, levels.files); },
                               "Cannot create file " + isFolder);
    EXPECT_TRUE(std::filesystem::is_directory(isFolder + "/inside"));
    std::filesystem::remove_all(isFolder);
    EXPECT_EQ(levels.folder.names(), (std::vector<std::string>{"a.lev", "b.lev", "c.lev"}));
}

TEST(ReplaceFile, KeepsTheModeOfTheFileItReplaces) {
    TempFolder folder;
    const std::string path = folder.file("x.lev");
    writeBytes(path, {9});
    ::chmod(path.c_str(), 0640);
    replaceFile(path, Bytes{1, 2});
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    EXPECT_EQ(readBytes(path), (Bytes{1, 2}));
}

TEST(LevelFile, SaveThenLoadRestoresBoardTitleAndSnapshot) {
    TempFolder folder;
    const std::string path = folder.file("level.lev");
    Board saved;
    putRecordOnBoard(sampleLevel(""), saved);
    saved.objectLayer[cellIndex(10, 10)] = kBomb;
    saveLevelFile(path, recordFromBoard(saved, "Ёлка \xFF"));
    EXPECT_EQ(readBytes(path), encodeLevelRecord(recordFromBoard(saved, "Ёлка \xFF")));

    Board board;
    board.playerDir = kLeft;
    board.pushPose = 1;
    board.playerDead = 1;
    board.testRun = 1;
    board.undoX = 9;
    std::string title = "old";
    ASSERT_EQ(loadLevelFile(path, board, title), RecordStatus::Loaded);
    EXPECT_EQ(title, "Ёлка \xFF");
    EXPECT_EQ(board.objectLayer, saved.objectLayer);
    EXPECT_EQ(board.floorLayer, saved.floorLayer);
    EXPECT_EQ(board.startObjectLayer, saved.objectLayer);
    EXPECT_EQ(board.startFloorLayer, saved.floorLayer);
    EXPECT_EQ(board.startX, 2);
    EXPECT_EQ(board.startY, 3);
    EXPECT_EQ(board.playerDir, kDown);
    EXPECT_EQ(board.pushPose, 0);
    EXPECT_EQ(board.playerDead, 1) << "loading leaves the flags and the undo snapshot alone";
    EXPECT_EQ(board.testRun, 1);
    EXPECT_EQ(board.undoX, 9);
}

TEST(LevelFile, FailedSaveKeepsTheOldFile) {
    TempFolder folder;
    const std::string path = folder.file("level.lev");
    saveLevelFile(path, sampleLevel("first"));
    const Bytes old = readBytes(path);
    {
        const FileSizeLimit limit(10);
        expectError<EFCreateError>([&] { saveLevelFile(path, sampleLevel("second")); },
                                   "Cannot create file " + path);
    }
    EXPECT_EQ(readBytes(path), old);
    EXPECT_EQ(folder.names(), (std::vector<std::string>{"level.lev"}));
}

TEST(LevelFile, WrongMagicOrDamagedRobotLeavesBoardTitleAndSnapshot) {
    TempFolder folder;
    Board before;
    putRecordOnBoard(sampleLevel(""), before);
    before.takeStartSnapshot();
    before.playerDir = kRight;

    Bytes damagedRobot = encodeLevelRecord(sampleLevel("r"));
    damagedRobot[damagedRobot.size() - 1] = 20;
    const std::vector<std::pair<Bytes, RecordStatus>> files = {
        {{}, RecordStatus::WrongMagic},
        {{0x4B, 0xB1, 0x01}, RecordStatus::WrongMagic},
        {{'M', 'Z', 0, 0, 0, 0, 0, 0}, RecordStatus::WrongMagic},
        {damagedRobot, RecordStatus::RobotOffField},
    };
    for (const auto& [bytes, status] : files) {
        const std::string path = folder.file("bad.lev");
        writeBytes(path, bytes);
        Board board = before;
        board.objectLayer[0] = kRock;
        board.takeStartSnapshot();
        const Board expected = board;
        std::string title = "kept";
        EXPECT_EQ(loadLevelFile(path, board, title), status);
        EXPECT_EQ(title, "kept");
        EXPECT_EQ(board.objectLayer, expected.objectLayer);
        EXPECT_EQ(board.startObjectLayer, expected.startObjectLayer);
        EXPECT_EQ(board.playerDir, kRight);
    }
    expectError<EFOpenError>(
        [&] {
            Board board;
            std::string title;
            loadLevelFile(folder.file("none.lev"), board, title);
        },
        "Cannot open file " + folder.file("none.lev"));
}

TEST(LevelFile, ShortFileCompletesAndKeepsTheRobotsCell) {
    TempFolder folder;
    const Bytes full = encodeLevelRecord(sampleLevel("short"));
    const std::string path = folder.file("short.lev");
    writeBytes(path, Bytes(full.begin(), full.end() - 2));
    Board board;
    board.playerX = 11;
    board.playerY = 12;
    board.playerDir = kUp;
    std::string title;
    ASSERT_EQ(loadLevelFile(path, board, title), RecordStatus::Loaded);
    EXPECT_EQ(title, "short");
    EXPECT_EQ(board.objectLayer, sampleLevel("").objectLayer);
    EXPECT_EQ(board.playerX, 11);
    EXPECT_EQ(board.playerY, 12);
    EXPECT_EQ(board.startX, 11);
    EXPECT_EQ(board.playerDir, kDown);
}

TEST(LevelSetFile, LoadingFacesDownAndLeavesTheStartSnapshot) {
    ThreeLevels levels;
    const std::string target = levels.folder.file("set.lvp");
    buildLevelSetFile(target, levels.files);

    Board board;
    board.startObjectLayer[5] = kSteel;
    board.playerDir = kLeft;
    board.pushPose = 1;
    std::string title = "before";
    ASSERT_EQ(loadLevelFromSetFile(target, 2, board, title), SetLevelStatus::Loaded);
    EXPECT_EQ(title, "c.lev");
    EXPECT_EQ(board.objectLayer, sampleLevel("").objectLayer);
    EXPECT_EQ(board.playerX, 2);
    EXPECT_EQ(board.playerDir, kDown);
    EXPECT_EQ(board.pushPose, 0);
    EXPECT_EQ(board.startObjectLayer[5], kSteel);

    const Board loaded = board;
    board.playerDir = kLeft;
    EXPECT_EQ(loadLevelFromSetFile(target, 3, board, title), SetLevelStatus::NoSuchLevel);
    EXPECT_EQ(board.objectLayer, loaded.objectLayer);
    EXPECT_EQ(board.playerDir, kLeft) << "nothing read, nothing reset";
    EXPECT_EQ(title, "c.lev");

    expectError<EFOpenError>(
        [&] { loadLevelFromSetFile(levels.folder.file("none.lvp"), 0, board, title); },
        "Cannot open file " + levels.folder.file("none.lvp"));
}

TEST(ReadFile, OnlyRegularFilesWithinTheLimit) {
    TempFolder folder;
    const std::string path = folder.file("big");
    writeBytes(path, Bytes(100, 7));
    EXPECT_EQ(readWholeFile(path, 100).size(), 100u);
    EXPECT_THROW(readWholeFile(path, 99), EFOpenError);
    EXPECT_EQ(readFilePrefix(path, 10), Bytes(10, 7));
    EXPECT_THROW(readWholeFile("/dev/zero", 1000), EFOpenError);
    EXPECT_THROW(readWholeFile(folder.path().string(), 1000), EFOpenError);
}

}  // namespace
}  // namespace prismcrate
