#include "tools/levels_tool/solve.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <stdexcept>
#include <vector>

#include <unistd.h>

#include "levels/level_files.h"
#include "levels/level_record.h"
#include "levels/level_set.h"
#include "levels/level_text.h"
#include "levels/xsb.h"
#include "solver/solver.h"

namespace prismcrate {
namespace {

constexpr const char* kSolveUsage =
    "usage: prismcrate-levels solve FILE.lev|FILE.lvp|FILE.txt|- [--level N] [--time S]\n"
    "       [--memory MB] [--metric moves|pushes] [--json]\n";
constexpr std::size_t kMaxTextBytes = std::size_t{16} << 20;
constexpr long long kMaxMemoryMegabytes = 1LL << 20;  // a terabyte

ToolFailure usageFailure(const std::string& message) {
    return {"solve: " + message + "\n" + kSolveUsage, 2};
}

std::string recordFault(const RecordRead& read) {
    switch (read.status) {
        case RecordStatus::WrongMagic:
            return read.truncated ? "too short for a level record"
                                  : "not a level record (wrong magic)";
        case RecordStatus::RobotOffField:
            return "the robot's cell lies outside the field";
        case RecordStatus::Loaded:
            break;
    }
    return "the level record is cut short";
}

ToolFailure noSuchLevel(const std::string& path, long long number, unsigned long long count,
                        const char* what) {
    return {path + ": there is no level " + std::to_string(number) + "; " + what + " " +
            std::to_string(count) + (count == 1 ? " level" : " levels")};
}

// Level `number` (1-based) of a level file, a level set ("-": standard input, a set) or a
// level text.
LevelRecord loadLevel(ToolStreams& io, const std::string& path, long long number) {
    const std::string ext = lowerExtension(path);
    const std::string name = inputName(path);
    if (ext == ".xsb" && path != "-") {
        const auto bytes = readToolInput(io, path, kMaxTextBytes);
        const std::vector<XsbLevel> levels =
            readXsb({reinterpret_cast<const char*>(bytes.data()), bytes.size()});
        if (number < 1 || static_cast<unsigned long long>(number) > levels.size())
            throw noSuchLevel(name, number, levels.size(), "the file holds");
        const XsbLevel& level = levels[static_cast<std::size_t>(number - 1)];
        if (!level.record)
            throw ToolFailure{name + ":" + std::to_string(level.line) + ": level " +
                              std::to_string(number) + ": " + level.problem};
        return *level.record;
    }
    if (ext == ".txt" && path != "-") {
        const auto bytes = readToolInput(io, path, kMaxTextBytes);
        std::vector<TextLevel> levels;
        try {
            levels = parseLevelText({reinterpret_cast<const char*>(bytes.data()), bytes.size()});
        } catch (const LevelTextError& e) {
            throw ToolFailure{name + (e.line() > 0 ? ":" + std::to_string(e.line()) : "") + ": " +
                              e.what()};
        }
        if (number < 1 || static_cast<unsigned long long>(number) > levels.size())
            throw noSuchLevel(name, number, levels.size(), "the text holds");
        return levels[static_cast<std::size_t>(number - 1)].record;
    }

    const auto bytes = readToolInput(io, path, kMaxSetFileBytes);
    std::size_t offset = 0;
    std::string where = name;
    if (path == "-" || ext == ".lvp") {
        // Walked without holding the entries: a set may hold millions.
        SetWalk walk(bytes);
        SetEntry entry;
        unsigned long long count = 0;
        while (count < static_cast<unsigned long long>(std::max(number, 0LL)) && walk.next(entry))
            ++count;
        if (number < 1 || count < static_cast<unsigned long long>(number)) {
            while (walk.next(entry)) ++count;
            throw noSuchLevel(name, number, count, "the set holds");
        }
        offset = entry.offset;
        where += ": level " + std::to_string(number);
    } else if (number != 1) {
        throw ToolFailure{name + ": there is no level " + std::to_string(number) +
                          "; a level file holds level 1 only"};
    }
    LevelRecord level;
    const RecordRead read = readLevelRecord(bytes, offset, level);
    if (read.status != RecordStatus::Loaded || read.truncated)
        throw ToolFailure{where + ": " + recordFault(read)};
    return level;
}

struct Arguments {
    std::string path;
    long long level = 1;
    solver::Options options;
    bool json = false;
};

std::string takeValue(std::span<const std::string> args, std::size_t& i) {
    if (i + 1 >= args.size()) throw usageFailure(args[i] + " needs a value");
    return args[++i];
}

long long wholeNumber(const std::string& option, const std::string& text) {
    const char* first = text.data();
    const char* last = first + text.size();
    if (first != last && *first == '+') ++first;
    long long value = 0;
    const auto [end, ec] = std::from_chars(first, last, value);
    if (first == last || end != last || ec != std::errc())
        throw usageFailure(option + " " + text + ": not a whole number");
    return value;
}

Arguments parseArguments(std::span<const std::string> args) {
    Arguments parsed;
    std::vector<std::string> positional;
    bool seen[4] = {};
    auto once = [&](int which, const std::string& option) {
        if (seen[which]) throw usageFailure(option + " given twice");
        seen[which] = true;
    };
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--level") {
            once(0, arg);
            parsed.level = wholeNumber(arg, takeValue(args, i));
        } else if (arg == "--time") {
            once(1, arg);
            const std::string text = takeValue(args, i);
            double seconds = 0;
            const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), seconds);
            if (text.empty() || end != text.data() + text.size() || ec != std::errc() ||
                !std::isfinite(seconds) || seconds <= 0)
                throw usageFailure("--time " + text + ": give a number of seconds above 0");
            parsed.options.seconds = seconds;
        } else if (arg == "--memory") {
            once(2, arg);
            const long long megabytes = wholeNumber(arg, takeValue(args, i));
            if (megabytes < 1 || megabytes > kMaxMemoryMegabytes)
                throw usageFailure("--memory " + std::to_string(megabytes) +
                                   ": give the megabytes the search may use, at least 1");
            parsed.options.memoryBytes = static_cast<std::size_t>(megabytes) << 20;
        } else if (arg == "--metric") {
            once(3, arg);
            const std::string metric = takeValue(args, i);
            if (metric == "moves") {
                parsed.options.metric = solver::Metric::Moves;
            } else if (metric == "pushes") {
                parsed.options.metric = solver::Metric::Pushes;
            } else {
                throw usageFailure("--metric " + metric + ": use moves or pushes");
            }
        } else if (arg == "--json") {
            parsed.json = true;
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

std::string seconds(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", value);
    return text;
}

void printText(const solver::Result& result, std::ostream& out) {
    out << "status: " << solver::statusName(result.status);
    if (result.status == solver::Status::Unknown)
        out << " (stopped by the " << solver::stopReasonName(result.stoppedBy) << " limit)";
    out << '\n';
    if (result.status == solver::Status::Solved) {
        out << "solution: " << result.moves << '\n'
            << "moves: " << result.moveCount << '\n'
            << "pushes: " << result.pushCount << '\n'
            << "metric: " << solver::metricName(result.metric) << '\n';
    }
    out << "states: " << result.states << '\n'
        << "time: " << seconds(result.seconds) << " s\n"
        << "memory: " << (result.peakBytes + (1 << 20) - 1) / (1 << 20) << " MB\n";
    if (result.status == solver::Status::Solved)
        out << "optimal: " << (result.optimal ? "yes" : "not proved (the first solution found)")
            << '\n';
}

void printJson(const solver::Result& result, long long level, std::ostream& out) {
    const bool solved = result.status == solver::Status::Solved;
    const bool unknown = result.status == solver::Status::Unknown;
    // Every string here is plain ASCII without quotes or backslashes.
    out << "{\"status\":\"" << solver::statusName(result.status) << "\",\"stopped_by\":"
        << (unknown ? std::string("\"") + solver::stopReasonName(result.stoppedBy) + "\""
                    : std::string("null"))
        << ",\"level\":" << level << ",\"metric\":\"" << solver::metricName(result.metric)
        << "\",\"solution\":" << (solved ? "\"" + result.moves + "\"" : std::string("null"))
        << ",\"moves\":" << (solved ? std::to_string(result.moveCount) : "null")
        << ",\"pushes\":" << (solved ? std::to_string(result.pushCount) : "null")
        << ",\"states\":" << result.states << ",\"seconds\":" << seconds(result.seconds)
        << ",\"peak_bytes\":" << result.peakBytes
        << ",\"optimal\":" << (solved ? (result.optimal ? "true" : "false") : "null") << "}\n";
}

std::string count(std::uint64_t n) {
    char text[32];
    if (n >= 10'000'000)
        std::snprintf(text, sizeof text, "%.1fM", static_cast<double>(n) / 1e6);
    else if (n >= 10'000)
        std::snprintf(text, sizeof text, "%.1fk", static_cast<double>(n) / 1e3);
    else
        std::snprintf(text, sizeof text, "%llu", static_cast<unsigned long long>(n));
    return text;
}

int runSolve(std::span<const std::string> args, ToolStreams& io, bool progress) {
    std::ostream& out = io.out;
    std::ostream& err = io.err;
    Arguments parsed = parseArguments(args);
    const LevelRecord level = loadLevel(io, parsed.path, parsed.level);
    Board board;
    putRecordOnBoard(level, board);
    if (parsed.options.metric == solver::Metric::Pushes && !solver::isPlainCrateLevel(board))
        throw usageFailure(
            "--metric pushes: this level holds more than walls, crates and targets; "
            "search it for fewest moves");

    bool shown = false;
    if (progress) {
        parsed.options.progress = [&err, &shown](const solver::Progress& p) {
            const double rate = p.seconds > 0 ? static_cast<double>(p.states) / p.seconds : 0;
            err << "\rstates " << count(p.states) << "  " << count(static_cast<std::uint64_t>(rate))
                << "/s  depth " << p.depth << "  " << seconds(p.seconds) << " s\033[K"
                << std::flush;
            shown = true;
        };
    }
    solver::Result result;
    try {
        result = solver::solveLevel(board, parsed.options);
    } catch (const std::invalid_argument& e) {
        if (shown) err << "\r\033[K" << std::flush;
        throw ToolFailure{inputName(parsed.path) + ": " + e.what()};
    }
    if (shown) err << "\r\033[K" << std::flush;

    if (parsed.json)
        printJson(result, parsed.level, out);
    else
        printText(result, out);
    switch (result.status) {
        case solver::Status::Solved:
            return 0;
        case solver::Status::Unsolvable:
            return 3;
        case solver::Status::Unknown:
            break;
    }
    return 4;
}

}  // namespace

int solveCommand(std::span<const std::string> args, ToolStreams& io) {
    const bool progress = &io.err == &std::cerr && isatty(STDERR_FILENO) == 1;
    try {
        return runSolve(args, io, progress);
    } catch (const std::logic_error& e) {
        throw ToolFailure{std::string("solve: ") + e.what()};
    }
}

}  // namespace prismcrate
