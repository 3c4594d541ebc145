// The push solver over a collection of Sokoban levels: one benchmark per level that fits
// the field, each solved once within a time limit, its solution replayed through the
// game. Times are the solver thread's processor time (limit included), so that a busy
// machine does not change them. The table shows per level its status (label), time,
// moves, pushes, positions stored and peak memory; a summary follows (solved, median,
// slowest).
//
//   bench_push_solver [--file FILE.xsb] [--seconds S] [--first N] [--last N]
//                     [Google Benchmark flags]
//
// The default collection is assets/sokoban/microban.xsb: "Microban" by David W. Skinner
// (revised April 2000), freely distributed provided it remains properly credited.
// assets/sokoban/boxoban-hard-000.txt holds Boxoban levels (Apache License 2.0).

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "levels/xsb.h"
#include "solver/push/push_solver.h"
#include "tools/levels_tool/replay.h"

namespace {

using prismcrate::LevelRecord;
using prismcrate::solver::Result;
using prismcrate::solver::Status;

struct Row {
    int number = 0;
    std::string status;
    Result result;
};

std::vector<Row> rows;
double limitSeconds = 10;

std::string statusName(const Result& result, bool replayed) {
    switch (result.status) {
        case Status::Solved:
            if (!replayed) return "WRONG SOLUTION";
            if (result.movesOptimal) return "solved, optimal";
            return result.optimal ? "solved, push-optimal" : "solved";
        case Status::Unsolvable:
            return "unsolvable";
        case Status::Unknown:
            break;
    }
    switch (result.stoppedBy) {
        case prismcrate::solver::StopReason::Time:
            return "time limit";
        case prismcrate::solver::StopReason::Memory:
            return "memory limit";
        default:
            return "unknown";
    }
}

void solveLevel(benchmark::State& state, const LevelRecord& level, int number) {
    prismcrate::Board board;
    prismcrate::putRecordOnBoard(level, board);
    board.resetForLoadedLevel();
    prismcrate::solver::Options options;
    options.seconds = limitSeconds;
    Row row;
    row.number = number;
    for (auto _ : state) {
        row.result = prismcrate::solver::push::solvePushes(
            board, options, prismcrate::solver::push::ClockKind::ThreadCpu);
        state.SetIterationTime(row.result.seconds);
    }
    const bool replayed = row.result.status == Status::Solved &&
                          prismcrate::replayLevel(level, row.result.moves).outcome ==
                              prismcrate::ReplayOutcome::Solved;
    row.status = statusName(row.result, replayed);
    state.SetLabel(row.status);
    state.counters["moves"] = row.result.moveCount;
    state.counters["pushes"] = row.result.pushCount;
    state.counters["states"] = static_cast<double>(row.result.states);
    state.counters["peak_MiB"] = static_cast<double>(row.result.peakBytes) / (1 << 20);
    rows.push_back(std::move(row));
}

void printSummary(int skipped) {
    if (rows.empty()) return;
    std::vector<double> times;
    int solved = 0;
    int optimal = 0;
    int movesOptimal = 0;
    int wrong = 0;
    const Row* slowest = &rows.front();
    for (const Row& row : rows) {
        times.push_back(row.result.seconds);
        if (row.result.status == Status::Solved && row.status != "WRONG SOLUTION") ++solved;
        if (row.result.optimal) ++optimal;
        if (row.result.movesOptimal) ++movesOptimal;
        if (row.status == "WRONG SOLUTION") ++wrong;
        if (row.result.seconds > slowest->result.seconds) slowest = &row;
    }
    std::sort(times.begin(), times.end());
    const std::size_t n = times.size();
    const double median = n % 2 ? times[n / 2] : (times[n / 2 - 1] + times[n / 2]) / 2;
    std::printf("\nsolved %d of %zu levels within %g s each", solved, n, limitSeconds);
    if (skipped > 0) std::printf(" (%d more do not fit the field)", skipped);
    std::printf("\n%d with the fewest pushes proved, %d of them with the fewest moves as well\n",
                optimal, movesOptimal);
    std::printf("median %.1f ms, slowest level %d: %.3f s (%s)\n", median * 1000, slowest->number,
                slowest->result.seconds, slowest->status.c_str());
    if (wrong > 0) std::printf("%d solutions did NOT replay to solved\n", wrong);
}

}  // namespace

int main(int argc, char** argv) {
    std::string file = std::string(PRISMCRATE_SOURCE_DIR) + "/assets/sokoban/microban.xsb";
    int first = 1;
    int last = 1 << 30;
    std::vector<char*> rest{argv[0]};
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--file" && i + 1 < argc) {
            file = argv[++i];
        } else if (arg == "--seconds" && i + 1 < argc) {
            limitSeconds = std::stod(argv[++i]);
        } else if (arg == "--first" && i + 1 < argc) {
            first = std::stoi(argv[++i]);
        } else if (arg == "--last" && i + 1 < argc) {
            last = std::stoi(argv[++i]);
        } else {
            rest.push_back(argv[i]);
        }
    }
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        std::cerr << file << ": cannot read the file\n";
        return 1;
    }
    std::stringstream text;
    text << in.rdbuf();
    static std::vector<prismcrate::XsbLevel> levels;
    levels = prismcrate::readXsb(text.str());

    std::string name = file.substr(file.find_last_of('/') + 1);
    name = name.substr(0, name.find('.'));
    int skipped = 0;
    for (const prismcrate::XsbLevel& level : levels) {
        if (level.number < first || level.number > last) continue;
        if (!level.record) {
            ++skipped;
            continue;
        }
        benchmark::RegisterBenchmark((name + "/" + std::to_string(level.number)).c_str(),
                                     solveLevel, *level.record, level.number)
            ->Iterations(1)
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond);
    }

    int count = static_cast<int>(rest.size());
    benchmark::Initialize(&count, rest.data());
    if (benchmark::ReportUnrecognizedArguments(count, rest.data())) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    printSummary(skipped);
    return 0;
}
