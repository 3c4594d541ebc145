#include "tools/levels_tool/replay.h"

#include <cerrno>
#include <charconv>
#include <cstring>
#include <vector>

#include "game/moves.h"
#include "game/session.h"
#include "levels/level_files.h"
#include "levels/level_set.h"
#include "levels/level_text.h"
#include "platform/error.h"

namespace prismcrate {
namespace {

constexpr const char* kProgram = "prismcrate-levels";
constexpr const char* kReplayUsage =
    "usage: prismcrate-levels replay FILE.lev|FILE.lvp|- [--level N] MOVES  (exit status: 0 "
    "solved, 3 unsolved, 4 destroyed)\n";

struct ReplayFailure {
    std::string message;
    int status = 1;
};

ReplayFailure usageFailure(const std::string& message) {
    return {"replay: " + message + "\n" + kReplayUsage, 2};
}

bool endsWithLvp(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    const std::size_t dot = path.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return false;
    std::string ext = path.substr(dot);
    for (char& c : ext)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return ext == ".lvp";
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

// A character of the moves as an error message shows it: printable ASCII in quotes, any
// other byte in hexadecimal.
std::string describeCharacter(char c) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && byte < 0x7F) return std::string("'") + c + "'";
    static const char kHex[] = "0123456789ABCDEF";
    return std::string("byte 0x") + kHex[byte >> 4] + kHex[byte & 0xF];
}

// Level `number` (1-based) of a level file or a level set ("-": standard input, a set).
LevelRecord loadLevel(ToolStreams& io, const std::string& path, long long number) {
    const std::vector<std::uint8_t> bytes = readToolInput(io, path, kMaxSetFileBytes);

    std::size_t offset = 0;
    std::string where = inputName(path);
    if (path == "-" || endsWithLvp(path)) {
        // Walked without holding the entries: a set may hold millions.
        SetWalk walk(bytes);
        SetEntry entry;
        long long count = 0;
        while (count < number && walk.next(entry)) ++count;
        if (number < 1 || count < number) {
            while (walk.next(entry)) ++count;
            throw ReplayFailure{where + ": there is no level " + std::to_string(number) +
                                "; the set holds " + std::to_string(count) +
                                (count == 1 ? " level" : " levels")};
        }
        offset = entry.offset;
        where += ": level " + std::to_string(number);
    } else if (number != 1) {
        throw ReplayFailure{where + ": there is no level " + std::to_string(number) +
                            "; a level file holds level 1 only"};
    }

    LevelRecord level;
    const RecordRead read = readLevelRecord(bytes, offset, level);
    if (read.status != RecordStatus::Loaded || read.truncated)
        throw ReplayFailure{where + ": " + recordFault(read)};
    return level;
}

int runReplay(std::span<const std::string> args, ToolStreams& io) {
    std::vector<std::string> positional;
    std::string levelArg;
    bool levelGiven = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--level") {
            if (i + 1 >= args.size()) throw usageFailure("--level needs a level number");
            if (levelGiven) throw usageFailure("--level given twice");
            levelGiven = true;
            levelArg = args[++i];
        } else if (args[i].size() > 1 && args[i][0] == '-') {  // "-" is standard input
            throw usageFailure("unknown option " + args[i]);
        } else {
            positional.push_back(args[i]);
        }
    }
    if (positional.size() != 2)
        throw usageFailure(positional.size() < 2 ? "give a level file and the moves"
                                                 : "too many arguments");
    const std::string& path = positional[0];
    const std::string& moves = positional[1];

    long long number = 1;
    if (levelGiven) {
        const char* first = levelArg.data();
        const char* last = first + levelArg.size();
        if (first != last && *first == '+') ++first;
        const auto [end, ec] = std::from_chars(first, last, number);
        if (first == last || end != last) {
            throw usageFailure("--level " + levelArg + ": not a level number");
        }
        if (ec == std::errc::result_out_of_range) {
            throw ReplayFailure{"--level " + levelArg + ": level number out of range"};
        }
    }

    const std::size_t bad = findBadMoveLetter(moves);
    if (bad != std::string_view::npos) {
        throw ReplayFailure{"moves: " + describeCharacter(moves[bad]) + " at position " +
                            std::to_string(bad + 1) + " is not a move (use l, u, r, d)"};
    }

    const LevelRecord level = loadLevel(io, path, number);
    const ReplayResult result = replayLevel(level, moves);
    const std::string text = levelToText(recordFromBoard(result.board, level.title));
    io.out << text << "status: " << outcomeName(result.outcome) << '\n';
    return replayStatus(result.outcome);
}

}  // namespace

int moveKey(char letter) {
    switch (letter) {
        case 'l':
        case 'L':
            return kKeyLeft;
        case 'u':
        case 'U':
            return kKeyUp;
        case 'r':
        case 'R':
            return kKeyRight;
        case 'd':
        case 'D':
            return kKeyDown;
        default:
            return 0;
    }
}

std::size_t findBadMoveLetter(std::string_view moves) {
    for (std::size_t i = 0; i < moves.size(); ++i)
        if (moveKey(moves[i]) == 0) return i;
    return std::string_view::npos;
}

ReplayResult replayLevel(const LevelRecord& level, std::string_view moves) {
    Session session;
    Board& board = session.board;
    putRecordOnBoard(level, board);
    board.resetForLoadedLevel();
    bool solved = session.startLevel().solved;

    ReplayResult result;
    for (const char letter : moves) {
        if (solved || board.playerDead) break;
        const int key = moveKey(letter);
        if (key == 0) continue;
        solved = session.key(key).solved;
        ++result.movesPlayed;
    }

    if (solved) {
        result.outcome = ReplayOutcome::Solved;
    } else if (board.playerDead) {
        result.outcome = ReplayOutcome::Destroyed;
    }
    result.board = board;
    return result;
}

const char* outcomeName(ReplayOutcome outcome) {
    switch (outcome) {
        case ReplayOutcome::Solved:
            return "solved";
        case ReplayOutcome::Destroyed:
            return "destroyed";
        case ReplayOutcome::Unsolved:
            break;
    }
    return "unsolved";
}

int replayStatus(ReplayOutcome outcome) {
    switch (outcome) {
        case ReplayOutcome::Solved:
            return 0;
        case ReplayOutcome::Destroyed:
            return 4;
        case ReplayOutcome::Unsolved:
            break;
    }
    return 3;
}

int replayCommand(std::span<const std::string> args, ToolStreams& io) {
    try {
        return runReplay(args, io);
    } catch (const ReplayFailure& failure) {
        io.err << kProgram << ": " << failure.message;
        if (failure.message.empty() || failure.message.back() != '\n') io.err << '\n';
        return failure.status;
    }
}

}  // namespace prismcrate
