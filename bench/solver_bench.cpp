// The solver on every level of the standard set, one run each, shortest in moves: status,
// moves, pushes, positions stored, time and the search's peak memory, as one table. Then
// the cost of one key of a headless session, which every position the search expands pays
// four times.
//
//   bench_solver [--benchmark_filter=level/2]      (the set from the build's run folder)
//   bench_solver --set=FILE.lvp                    (another set)
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "game/moves.h"
#include "game/session.h"
#include "levels/level_files.h"
#include "levels/level_record.h"
#include "levels/level_set.h"
#include "solver/solver.h"

namespace prismcrate {
namespace {

std::vector<LevelRecord> readSet(const std::string& path) {
    const std::vector<std::uint8_t> bytes = readWholeFile(path, kMaxSetFileBytes);
    std::vector<LevelRecord> levels;
    for (const SetEntry& entry : walkLevelSet(bytes)) {
        LevelRecord level;
        if (readLevelRecord(bytes, entry.offset, level).status == RecordStatus::Loaded)
            levels.push_back(level);
    }
    return levels;
}

void solveLevel(benchmark::State& state, const LevelRecord& level) {
    solver::Result result;
    for (auto _ : state) {
        Board board;
        putRecordOnBoard(level, board);
        solver::Options options;
        options.metric = solver::Metric::Moves;
        result = solver::solveLevel(board, options);
    }
    state.counters["moves"] = result.moveCount;
    state.counters["pushes"] = result.pushCount;
    state.counters["states"] = static_cast<double>(result.states);
    state.counters["peak_MB"] = static_cast<double>(result.peakBytes) / (1 << 20);
    std::string label = solver::statusName(result.status);
    if (result.status == solver::Status::Unknown)
        label += std::string(" (") + solver::stopReasonName(result.stoppedBy) + ")";
    state.SetLabel(label);
}

// One key and everything it causes, from the same position each time.
void sessionKey(benchmark::State& state, const LevelRecord& level) {
    Session session;
    putRecordOnBoard(level, session.board);
    session.board.resetForLoadedLevel();
    session.startLevel();
    const Board start = session.board;
    int key = 0;
    for (auto _ : state) {
        session.board.objectLayer = start.objectLayer;
        session.board.floorLayer = start.floorLayer;
        session.board.playerX = start.playerX;
        session.board.playerY = start.playerY;
        session.board.playerDead = 0;
        benchmark::DoNotOptimize(session.key(kKeyLeft + key));
        key = (key + 1) % 4;
    }
}

}  // namespace
}  // namespace prismcrate

int main(int argc, char** argv) {
    std::string set = std::string(PRISMCRATE_RUN_DIR) + "/levels/standart.lvp";
    std::vector<char*> rest;
    for (int i = 0; i < argc; ++i) {
        if (std::strncmp(argv[i], "--set=", 6) == 0)
            set = argv[i] + 6;
        else
            rest.push_back(argv[i]);
    }
    int restCount = static_cast<int>(rest.size());
    benchmark::Initialize(&restCount, rest.data());

    static std::vector<prismcrate::LevelRecord> levels;
    try {
        levels = prismcrate::readSet(set);
    } catch (...) {
        std::fprintf(stderr, "bench_solver: cannot read %s\n", set.c_str());
        return 1;
    }
    for (std::size_t i = 0; i < levels.size(); ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "level/%02zu", i + 1);
        benchmark::RegisterBenchmark(name, prismcrate::solveLevel, levels[i])
            ->Iterations(1)
            ->Unit(benchmark::kMillisecond);
    }
    if (!levels.empty())
        benchmark::RegisterBenchmark("session_key/last_level", prismcrate::sessionKey,
                                     levels.back())
            ->Unit(benchmark::kNanosecond);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
