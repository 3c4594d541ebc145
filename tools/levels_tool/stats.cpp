#include "tools/levels_tool/stats.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <stdexcept>
#include <vector>

#include "levels/level_files.h"
#include "levels/level_record.h"
#include "levels/level_set.h"
#include "levels/level_text.h"
#include "solver/analysis.h"
#include "solver/solver.h"

namespace prismcrate {
namespace {

constexpr const char* kStatsUsage =
    "usage: prismcrate-levels list --stats FILE.lvp|FILE.lev|FILE.txt|- [--time S] [--limit N]\n";
constexpr std::size_t kMaxTextBytes = std::size_t{16} << 20;

ToolFailure usageFailure(const std::string& message) {
    return {"list: " + message + "\n" + kStatsUsage, 2};
}

bool endsWith(const std::string& text, const char* tail) {
    const std::string t = tail;
    if (text.size() < t.size()) return false;
    for (std::size_t i = 0; i < t.size(); ++i) {
        char c = text[text.size() - t.size() + i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != t[i]) return false;
    }
    return true;
}

// Every level of a set, a level file or a level text, each checked whole.
std::vector<LevelRecord> loadLevels(ToolStreams& io, const std::string& path) {
    const std::string name = inputName(path);
    std::vector<LevelRecord> levels;
    if (path != "-" && endsWith(path, ".txt")) {
        const auto bytes = readToolInput(io, path, kMaxTextBytes);
        try {
            for (TextLevel& level :
                 parseLevelText({reinterpret_cast<const char*>(bytes.data()), bytes.size()}))
                levels.push_back(std::move(level.record));
        } catch (const LevelTextError& e) {
            throw ToolFailure{name + (e.line() > 0 ? ":" + std::to_string(e.line()) : "") + ": " +
                              e.what()};
        }
        return levels;
    }
    const auto bytes = readToolInput(io, path, kMaxSetFileBytes);
    std::vector<std::size_t> offsets;
    if (path == "-" || endsWith(path, ".lvp")) {
        SetWalk walk(bytes);
        for (SetEntry entry; walk.next(entry);) offsets.push_back(entry.offset);
    } else {
        offsets.push_back(0);
    }
    for (std::size_t i = 0; i < offsets.size(); ++i) {
        LevelRecord level;
        const RecordRead read = readLevelRecord(bytes, offsets[i], level);
        if (read.status != RecordStatus::Loaded || read.truncated)
            throw ToolFailure{name + ": level " + std::to_string(i + 1) +
                              ": not a whole level record"};
        levels.push_back(std::move(level));
    }
    return levels;
}

struct Arguments {
    std::string path;
    double seconds = 10;
    std::uint64_t limit = solver::SpaceLimits{}.states;
};

Arguments parseArguments(std::span<const std::string> args) {
    Arguments parsed;
    std::vector<std::string> positional;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--stats") continue;
        if (arg == "--time" || arg == "--limit") {
            if (i + 1 >= args.size()) throw usageFailure(arg + " needs a value");
            const std::string& text = args[++i];
            const char* end = text.data() + text.size();
            if (arg == "--time") {
                const auto [at, ec] = std::from_chars(text.data(), end, parsed.seconds);
                if (text.empty() || at != end || ec != std::errc() ||
                    !std::isfinite(parsed.seconds) || parsed.seconds <= 0)
                    throw usageFailure("--time " + text + ": give a number of seconds above 0");
            } else {
                const auto [at, ec] = std::from_chars(text.data(), end, parsed.limit);
                if (text.empty() || at != end || ec != std::errc() || parsed.limit == 0)
                    throw usageFailure("--limit " + text + ": give a number of positions above 0");
            }
        } else if (arg.size() > 1 && arg[0] == '-') {
            throw usageFailure("unknown option " + arg);
        } else {
            positional.push_back(arg);
        }
    }
    if (positional.size() != 1)
        throw usageFailure(positional.empty() ? "give a level file" : "too many arguments");
    parsed.path = positional[0];
    return parsed;
}

std::string format(const char* pattern, double value) {
    char text[48];
    std::snprintf(text, sizeof text, pattern, value);
    return text;
}

std::string padded(const std::string& text, std::size_t width) {
    return text.size() >= width ? text : std::string(width - text.size(), ' ') + text;
}

}  // namespace

int listStatsCommand(std::span<const std::string> args, ToolStreams& io) {
    const Arguments parsed = parseArguments(args);
    const std::vector<LevelRecord> levels = loadLevels(io, parsed.path);
    std::ostream& out = io.out;
    out << "  #  moves pushes   states    time   reachable        lost  title\n";
    checkOutput(out);
    for (std::size_t i = 0; i < levels.size(); ++i) {
        Board board;
        putRecordOnBoard(levels[i], board);
        solver::Options options;
        options.metric = solver::Metric::Moves;
        options.seconds = parsed.seconds;
        solver::SpaceLimits limits;
        limits.states = parsed.limit;
        solver::Result result;
        solver::PositionSpace space;
        try {
            result = solver::solveLevel(board, options);
            space = solver::countPositions(board, limits);
        } catch (const std::invalid_argument& e) {
            throw ToolFailure{inputName(parsed.path) + ": level " + std::to_string(i + 1) + ": " +
                              e.what()};
        } catch (const std::logic_error& e) {
            throw ToolFailure{std::string("list: ") + e.what()};
        }
        std::string moves = "?";
        std::string pushes = "?";
        if (result.status == solver::Status::Solved) {
            moves = std::to_string(result.moveCount);
            pushes = std::to_string(result.pushCount);
        } else if (result.status == solver::Status::Unsolvable) {
            moves = pushes = "none";
        }
        std::string reachable = std::to_string(space.reachable);
        std::string lost = "?";
        if (!space.complete) {
            reachable = ">" + std::to_string(space.reachable - 1);
        } else {
            lost = std::to_string(space.lost) +
                   format(" %3.0f%%", 100.0 * static_cast<double>(space.lost) /
                                          static_cast<double>(space.reachable));
        }
        const long long number = static_cast<long long>(i) + 1;
        out << padded(std::to_string(number), 3) << padded(moves, 7) << padded(pushes, 7)
            << padded(std::to_string(result.states), 9)
            << padded(format("%.2fs", result.seconds), 8) << padded(reachable, 12)
            << padded(lost, 12) << "  " << listedTitle(titleToEscapedText(levels[i].title), number)
            << '\n';
        out.flush();
        checkOutput(out);
    }
    return 0;
}

}  // namespace prismcrate
