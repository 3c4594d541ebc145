// The game session: what one key and everything it causes reports, headless blast
// redraws, the wreck after a death found by a redraw, and the drawn and rules-only field
// passes changing the board alike.
#include "game/session.h"

#include <gtest/gtest.h>

#include <random>

#include "game/moves.h"
#include "levels/level_files.h"
#include "tests/campaign/sketch.h"

namespace prismcrate {
namespace {

using testing::sketchLevel;

void load(Session& session, const std::vector<std::string>& rows) {
    putRecordOnBoard(sketchLevel(rows), session.board);
    session.board.resetForLoadedLevel();
}

int keyOf(char c) {
    switch (c) {
        case 'l':
            return kKeyLeft;
        case 'u':
            return kKeyUp;
        case 'r':
            return kKeyRight;
        default:
            return kKeyDown;
    }
}

TEST(Session, OneKeyReportsWhatItCaused) {
    struct Case {
        const char* name;
        std::vector<std::string> rows;
        const char* keys;  // all but the last are played first
        bool moved, pushed, refused, destroyed, solved;
        int moveCues, clickCues, explosionCues, deathCues;
    };
    // clang-format off
    const Case cases[] = {
        {"step", {"#####", "#@ $.", "#####"}, "r", true, false, false, false, false, 0, 0, 0, 0},
        {"push onto target", {"#####", "#@$.#", "#####"}, "r", true, true, false, false, true, 1, 0, 0, 0},
        {"blocked by wall", {"####", "#@##", "#$.#", "####"}, "r", false, false, true, false, false, 0, 0, 0, 0},
        {"crate against crate", {"######", "#@$$.#", "######"}, "r", false, false, true, false, false, 0, 0, 0, 0},
        {"step onto plate", {"######", "#@_$.#", "######"}, "r", true, false, false, false, false, 0, 1, 0, 0},
        {"walk into beam", {"#####", "# @ #", "#>  #", "#$. #", "#####"}, "d", true, false, false, true, false, 0, 0, 0, 1},
        {"push bomb into beam", {"######", "#@b  #", "#    #", "#  ^ #", "#$.  #", "######"}, "r", true, true, false, true, false, 1, 0, 1, 1},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Session session;
        load(session, c.rows);
        session.startLevel();
        const std::string keys = c.keys;
        for (std::size_t i = 0; i + 1 < keys.size(); ++i) session.key(keyOf(keys[i]));
        const StepResult r = session.key(keyOf(keys.back()));
        EXPECT_TRUE(r.handled);
        EXPECT_EQ(r.moved, c.moved);
        EXPECT_EQ(r.pushed, c.pushed);
        EXPECT_EQ(r.refused, c.refused);
        EXPECT_EQ(r.destroyed, c.destroyed);
        EXPECT_EQ(r.solved, c.solved);
        EXPECT_EQ(r.boardChanged, c.moved || c.destroyed);
        EXPECT_EQ(r.cues[kCueMove], c.moveCues);
        EXPECT_EQ(r.cues[kCueClick], c.clickCues);
        EXPECT_EQ(r.cues[kCueExplosion], c.explosionCues);
        EXPECT_EQ(r.cues[kCueDeath], c.deathCues);
        EXPECT_EQ(session.undoAvailable(), c.moved);
        EXPECT_FALSE(session.blastRedrawPending()) << "a headless field ends at rest";
    }
}

TEST(Session, KeysAreIgnoredOutsideGameModeAndAfterDeath) {
    Session session;
    load(session, {"#####", "# @ #", "#>  #", "#$. #", "#####"});
    EXPECT_FALSE(session.key(kKeyRight).handled) << "not started: no game mode";
    session.startLevel();
    EXPECT_TRUE(session.key(kKeyEscape).closeRequested);
    EXPECT_TRUE(session.key(kKeyDown).destroyed);
    const StepResult after = session.key(kKeyUp);
    EXPECT_FALSE(after.handled);
    EXPECT_FALSE(after.boardChanged);
    EXPECT_EQ(after.passes, 0);

    const StepResult undone = session.undo();
    EXPECT_FALSE(session.board.playerDead);
    EXPECT_EQ(session.board.playerY, 1);
    EXPECT_FALSE(session.undoAvailable());
    EXPECT_TRUE(undone.boardChanged);
    session.key(kKeyRight);
    session.restart();
    EXPECT_EQ(session.board.playerX, 2);
    EXPECT_EQ(session.board.playerDir, kDown);
}

TEST(Session, HeadlessBlastRedrawReleasesThePlateBeforeTheNextKey) {
    // Pushing the mirror up turns the beam onto the bomb, whose blast takes the rock off
    // the plate; the redraw pass releases the plate and closes the gate at once.
    Session session;
    load(session, {"#########", "#   R   #", "#   b   #", "#>      #", "#  g/   #", "#   @ $.#",
                   "#########"});
    session.startLevel();
    EXPECT_EQ(session.board.floor(3, 4), kGateOpen);
    const StepResult r = session.key(kKeyUp);
    EXPECT_TRUE(r.pushed);
    EXPECT_EQ(r.passes, 2) << "the key's pass and the blast redraw";
    EXPECT_EQ(session.board.object(4, 1), kEmpty);
    EXPECT_EQ(session.board.floor(4, 1), kPlateReleased);
    EXPECT_EQ(session.board.object(3, 4), kGateClosed);
}

TEST(Session, ADeathFoundByTheBlastRedrawIsShownAsTheWreck) {
    // The beam from below blows up the bomb, which clears the rock out of the path of the
    // beam along the top row; that beam, traced earlier in the sweep, only reaches the
    // robot in the redraw pass.
    Session session;
    load(session, {"########", "#> r @ #", "#  b   #", "#    $ #", "#. ^   #", "########"});
    const StepResult r = session.startLevel();
    EXPECT_TRUE(r.destroyed);
    EXPECT_TRUE(session.board.playerDead);
    EXPECT_TRUE(session.board.wreckShown) << "the field at rest shows the wreck";
    EXPECT_EQ(r.passes, 3);
}

// A canvas that only counts, so the drawn pass runs in full.
struct CountingCanvas final : FieldCanvas {
    long draws = 0;
    long presents = 0;
    void drawPattern(int, int, int, int) override { ++draws; }
    void present() override { ++presents; }
};

TEST(Session, DrawnAndRulesOnlyPassesChangeTheBoardAlike) {
    std::mt19937 rng(20261208);
    const std::uint8_t objects[] = {
        kEmpty,       kEmpty,         kEmpty,        kEmpty,       kWall,      kCrate,
        kRock,        kMirrorFalling, kMirrorRising, kEmitterLeft, kEmitterUp, kEmitterRight,
        kEmitterDown, kBomb,          kBomb,         kSteel,       kGateClosed};
    const std::uint8_t floors[] = {kFloorPlain, kFloorPlain, kFloorPlain, kFloorTarget,
                                   kPlateReleased};
    for (int round = 0; round < 200; ++round) {
        Session rules;
        Session drawn;
        CountingCanvas canvas;
        drawn.attach(&canvas, nullptr, nullptr);
        Board& b = rules.board;
        const int side = 4 + static_cast<int>(rng() % 6);
        for (int x = 0; x < side; ++x) {
            for (int y = 0; y < side; ++y) {
                b.object(x, y) = objects[rng() % std::size(objects)];
                b.floor(x, y) = floors[rng() % std::size(floors)];
            }
        }
        b.playerX = static_cast<std::uint8_t>(rng() % side);
        b.playerY = static_cast<std::uint8_t>(rng() % side);
        b.object(b.playerX, b.playerY) = kEmpty;
        b.resetForLoadedLevel();
        drawn.board = b;
        rules.startLevel();
        drawn.startLevel();
        for (int step = 0; step < 40; ++step) {
            const int key = kKeyLeft + static_cast<int>(rng() % 4);
            const StepResult a = rules.key(key);
            const StepResult c = drawn.key(key);
            ASSERT_EQ(rules.board.objectLayer, drawn.board.objectLayer) << round << ":" << step;
            ASSERT_EQ(rules.board.floorLayer, drawn.board.floorLayer);
            ASSERT_EQ(rules.board.playerX, drawn.board.playerX);
            ASSERT_EQ(rules.board.playerY, drawn.board.playerY);
            ASSERT_EQ(rules.board.playerDead, drawn.board.playerDead);
            ASSERT_EQ(rules.board.wreckShown, drawn.board.wreckShown);
            ASSERT_EQ(a.cues, c.cues);
            ASSERT_EQ(a.passes, c.passes);
        }
        EXPECT_GT(canvas.draws, 400);
    }
}

}  // namespace
}  // namespace prismcrate
