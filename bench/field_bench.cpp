// The field pass on a busy board through the real sprite sheets, next to one plain copy of
// a 480 by 480 frame; the beam trace on its own; the rules-only pass on a busy board with
// a bomb chain; and session steps (one key with all it causes, rules only) on a level in
// mid-game. Prints the ratios of the passes to the plain copy and the steps per second.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>

#include "game/moves.h"
#include "game/session.h"
#include "levels/level_files.h"
#include "levels/level_text.h"
#include "tests/field/sheet_field.h"

namespace prismcrate {
namespace {

// Walls, several emitters and mirrors, beams crossing, plates, gates and crates; no bomb,
// so that every pass draws the same frame.
Board busyBoard() {
    Board board;
    board.regim = kModeEdit;
    board.playerX = 10;
    board.playerY = 10;
    board.playerDir = kLeft;
    for (int i = 0; i < kFieldSize; ++i) {
        board.object(i, 0) = kWall;
        board.object(i, 19) = kWall;
        board.object(0, i) = kWall;
        board.object(19, i) = kWall;
    }
    for (int y = 6; y < 9; ++y)
        for (int x = 14; x < 17; ++x) board.object(x, y) = kWall;
    // Emitters along the borders' inside, their beams crossing the field.
    for (int y = 2; y < 18; y += 3) board.object(1, y) = kEmitterRight;
    for (int x = 3; x < 18; x += 4) board.object(x, 1) = kEmitterDown;
    board.object(18, 4) = kEmitterLeft;
    board.object(6, 18) = kEmitterUp;
    // Mirrors turning some of them.
    board.object(12, 2) = kMirrorFalling;
    board.object(7, 5) = kMirrorRising;
    board.object(11, 14) = kMirrorFalling;
    board.object(4, 11) = kMirrorRising;
    board.object(17, 11) = kMirrorRising;
    // Crates, targets, plates and gates.
    board.object(9, 12) = kCrate;
    board.floor(9, 12) = kFloorTarget;
    board.object(13, 16) = kCrate;
    board.floor(2, 16) = kFloorTarget;
    board.floor(8, 16) = kPlateReleased;
    board.object(8, 16) = kRock;
    board.object(16, 3) = kGateClosed;
    board.object(5, 7) = kSteel;
    return board;
}

// Two emitters whose beams turn at mirrors, one of them into a chain of three bombs; a
// rock pressing a plate that opens two gates; walls, crates and targets; game mode.
Board chainBoard() {
    Board board;
    board.regim = kModeGame;
    board.playerX = 2;
    board.playerY = 16;
    for (int i = 0; i < kFieldSize; ++i) {
        board.object(i, 0) = kWall;
        board.object(i, 19) = kWall;
        board.object(0, i) = kWall;
        board.object(19, i) = kWall;
    }
    board.object(1, 3) = kEmitterRight;
    board.object(8, 3) = kMirrorFalling;  // turns the beam down column 8
    for (int x = 8; x < 11; ++x) board.object(x, 10) = kBomb;
    board.object(9, 11) = kWall;
    board.object(15, 18) = kEmitterUp;
    board.object(15, 5) = kMirrorRising;  // turns the beam right along row 5
    board.object(3, 12) = kRock;
    board.floor(3, 12) = kPlateReleased;
    board.floor(5, 12) = kPlateReleased;
    board.object(12, 8) = kGateClosed;
    board.object(12, 9) = kGateClosed;
    board.object(4, 15) = kCrate;
    board.floor(6, 15) = kFloorTarget;
    board.object(13, 14) = kCrate;
    board.floor(13, 16) = kFloorTarget;
    return board;
}

struct Fixture {
    Board board = busyBoard();
    testing::SheetField field{board, PRISMCRATE_SOURCE_DIR "/assets"};
};

Fixture& fixture() {
    static Fixture* f = new Fixture;
    return *f;
}

void BM_ShowpoleBusyBoard(benchmark::State& state) {
    Fixture& f = fixture();
    for (auto _ : state) {
        showpole(f.board, f.field, f.field.canvas());
        benchmark::DoNotOptimize(f.field.backSurface().ISurface()->line(0));
    }
}
BENCHMARK(BM_ShowpoleBusyBoard)->Unit(benchmark::kMicrosecond);

void BM_PlainFrameCopy(benchmark::State& state) {
    Fixture& f = fixture();
    soft2d::Device device;
    std::unique_ptr<soft2d::Surface> frame =
        device.createSurface(kFieldSize * cellSize, kFieldSize * cellSize, soft2d::Memory::System);
    for (auto _ : state) {
        soft2d::Result r = soft2d::bltFast(*f.field.backSurface().ISurface(), 0, 0, *frame,
                                           frame->bounds(), false);
        benchmark::DoNotOptimize(r);
    }
}
BENCHMARK(BM_PlainFrameCopy)->Unit(benchmark::kMicrosecond);

void BM_BeamTraceAlone(benchmark::State& state) {
    Fixture& f = fixture();
    for (auto _ : state) showbeam(f.board, f.field, f.field.canvas());
}
BENCHMARK(BM_BeamTraceAlone)->Unit(benchmark::kMicrosecond);

// What a headless pass reports to: cues and the blast timer, nothing else.
struct QuietHooks final : FieldHooks {
    int cues = 0;
    bool timer = false;
    void playCue(int) override { ++cues; }
    bool blastTimerEnabled() override { return timer; }
    void enableBlastTimer() override { timer = true; }
    void nestedPass() override {}
    void levelSolved() override {}
};

// Each iteration puts the board back (the chain and the gates change it) and runs one pass.
void BM_RulesOnlyPassChainBoard(benchmark::State& state) {
    const Board start = chainBoard();
    Board board = start;
    QuietHooks hooks;
    for (auto _ : state) {
        board.objectLayer = start.objectLayer;
        board.floorLayer = start.floorLayer;
        hooks.timer = false;
        showpoleRulesOnly(board, hooks);
        benchmark::DoNotOptimize(board.objectLayer.data());
    }
    if (board.object(9, 10) != kEmpty || board.floor(12, 8) != kGateOpen)
        state.SkipWithError("the chain or the gates did not act");
}
BENCHMARK(BM_RulesOnlyPassChainBoard);

// The last level of the standard set, halfway through its solution: the rest of the
// solution is played key by key from there, again and again.
void BM_SessionStepsMidGame(benchmark::State& state) {
    std::ifstream in(PRISMCRATE_SOURCE_DIR "/assets/levels/30-final-exam.txt", std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    const std::vector<TextLevel> levels = parseLevelText(text.str());
    std::string solution;
    for (std::string line; std::getline(text, line);)
        if (line.rfind("; solution: ", 0) == 0) solution = line.substr(12);
    if (levels.empty() || solution.empty()) {
        state.SkipWithError("no level or solution");
        return;
    }
    std::vector<int> keys;
    for (char c : solution) {
        switch (c | 0x20) {
            case 'l':
                keys.push_back(kKeyLeft);
                break;
            case 'u':
                keys.push_back(kKeyUp);
                break;
            case 'r':
                keys.push_back(kKeyRight);
                break;
            case 'd':
                keys.push_back(kKeyDown);
                break;
        }
    }
    Session session;
    putRecordOnBoard(levels[0].record, session.board);
    session.board.resetForLoadedLevel();
    session.startLevel();
    const std::size_t half = keys.size() / 2;
    for (std::size_t i = 0; i < half; ++i) session.key(keys[i]);
    const Board midGame = session.board;
    bool solved = false;
    std::int64_t steps = 0;
    for (auto _ : state) {
        session.board = midGame;
        for (std::size_t i = half; i < keys.size(); ++i) solved = session.key(keys[i]).solved;
        steps += static_cast<std::int64_t>(keys.size() - half);
    }
    if (!solved) state.SkipWithError("the solution does not solve the level");
    state.SetItemsProcessed(steps);
}
BENCHMARK(BM_SessionStepsMidGame);

// Records each benchmark's processor time per iteration (steadier than the wall clock on a
// busy machine) and its items per second; with repetitions, those of the median.
class RatioReporter : public benchmark::ConsoleReporter {
  public:
    std::map<std::string, double> perIteration;
    std::map<std::string, double> itemsPerSecond;
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.iterations <= 0 || run.error_occurred) continue;
            // With repetitions, the median of them stands for the benchmark.
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name != "median") continue;
            const std::string name = run.run_name.function_name;
            perIteration[name] = run.GetAdjustedCPUTime() * unitScale(run.time_unit);
            const auto items = run.counters.find("items_per_second");
            if (items != run.counters.end()) itemsPerSecond[name] = items->second;
        }
        ConsoleReporter::ReportRuns(runs);
    }

  private:
    static double unitScale(benchmark::TimeUnit unit) {
        switch (unit) {
            case benchmark::kSecond:
                return 1e9;
            case benchmark::kMillisecond:
                return 1e6;
            case benchmark::kMicrosecond:
                return 1e3;
            default:
                return 1;
        }
    }
};

}  // namespace
}  // namespace prismcrate

int main(int argc, char** argv) {
    // No window is shown; run without a display unless one is asked for.
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    benchmark::Initialize(&argc, argv);
    prismcrate::RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const auto& t = reporter.perIteration;
    const auto copy = t.find("BM_PlainFrameCopy");
    if (copy != t.end() && copy->second > 0) {
        for (const auto& [name, label] :
             {std::pair<std::string, const char*>{"BM_ShowpoleBusyBoard", "whole field pass"},
              {"BM_BeamTraceAlone", "beam trace alone"},
              {"BM_RulesOnlyPassChainBoard", "rules-only pass, bomb chain"}}) {
            const auto it = t.find(name);
            if (it != t.end())
                std::printf("%s / plain 480x480 copy (CPU time): %.3f\n", label,
                            it->second / copy->second);
        }
    }
    const auto steps = reporter.itemsPerSecond.find("BM_SessionStepsMidGame");
    if (steps != reporter.itemsPerSecond.end())
        std::printf("session steps per second (rules only, one core): %.0f\n", steps->second);
    benchmark::Shutdown();
    return 0;
}
