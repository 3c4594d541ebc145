// The field pass on a busy board through the real sprite sheets, next to one plain copy of
// a 480 by 480 frame; and the beam trace on its own. Prints the ratio of the whole pass to
// the plain copy.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>

#include "tests/field/sheet_host.h"

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

struct Fixture {
    Board board = busyBoard();
    testing::SheetHost host{board, PRISMCRATE_SOURCE_DIR "/assets"};
};

Fixture& fixture() {
    static Fixture* f = new Fixture;
    return *f;
}

void BM_ShowpoleBusyBoard(benchmark::State& state) {
    Fixture& f = fixture();
    for (auto _ : state) {
        showpole(f.board, f.host);
        benchmark::DoNotOptimize(f.host.backSurface().ISurface()->line(0));
    }
}
BENCHMARK(BM_ShowpoleBusyBoard)->Unit(benchmark::kMicrosecond);

void BM_PlainFrameCopy(benchmark::State& state) {
    Fixture& f = fixture();
    soft2d::Device device;
    std::unique_ptr<soft2d::Surface> frame =
        device.createSurface(kFieldSize * cellSize, kFieldSize * cellSize, soft2d::Memory::System);
    for (auto _ : state) {
        soft2d::Result r =
            soft2d::bltFast(*f.host.backSurface().ISurface(), 0, 0, *frame, frame->bounds(), false);
        benchmark::DoNotOptimize(r);
    }
}
BENCHMARK(BM_PlainFrameCopy)->Unit(benchmark::kMicrosecond);

void BM_BeamTraceAlone(benchmark::State& state) {
    Fixture& f = fixture();
    for (auto _ : state) showbeam(f.board, f.host);
}
BENCHMARK(BM_BeamTraceAlone)->Unit(benchmark::kMicrosecond);

// Records each benchmark's processor time per iteration (steadier than the wall clock on a
// busy machine).
class RatioReporter : public benchmark::ConsoleReporter {
  public:
    std::map<std::string, double> perIteration;
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs)
            if (run.iterations > 0) perIteration[run.benchmark_name()] = run.GetAdjustedCPUTime();
        ConsoleReporter::ReportRuns(runs);
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
    const auto pass = t.find("BM_ShowpoleBusyBoard"), copy = t.find("BM_PlainFrameCopy"),
               beams = t.find("BM_BeamTraceAlone");
    if (pass != t.end() && copy != t.end() && copy->second > 0)
        std::printf("whole field pass / plain 480x480 copy (CPU time): %.1f\n",
                    pass->second / copy->second);
    if (beams != t.end() && copy != t.end() && copy->second > 0)
        std::printf("beam trace alone / plain 480x480 copy (CPU time): %.1f\n",
                    beams->second / copy->second);
    benchmark::Shutdown();
    return 0;
}
