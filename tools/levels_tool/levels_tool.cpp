#include "tools/levels_tool/levels_tool.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <vector>

#include "levels/cp1251.h"
#include "levels/level_files.h"
#include "levels/level_record.h"
#include "levels/level_set.h"
#include "levels/level_text.h"
#include "platform/error.h"
#include "tools/levels_tool/import_export.h"
#include "tools/levels_tool/replay.h"

namespace prismcrate {
namespace {

constexpr const char* kProgram = "prismcrate-levels";
constexpr std::size_t kMaxTextBytes = std::size_t{16} << 20;

constexpr const char* kUsage =
    "usage: prismcrate-levels pack -o OUT.lev FILE.txt\n"
    "       prismcrate-levels pack -o OUT.lvp FILE.txt...\n"
    "       prismcrate-levels unpack FILE.lev|FILE.lvp\n"
    "       prismcrate-levels list FILE.lvp\n"
    "       prismcrate-levels replay FILE.lev|FILE.lvp [--level N] MOVES\n"
    "       prismcrate-levels import FILE.xsb -o OUT.lvp\n"
    "       prismcrate-levels export FILE.lvp|FILE.lev|FILE.txt -o OUT.xsb\n";

// A failure that ends the command: one line on standard error, then `status`.
struct Failure {
    std::string message;
    int status = 1;
};

Failure usage(const std::string& message) {
    return {message + "\n" + kUsage, 2};
}

std::string lowerExtension(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    const std::size_t dot = path.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
    std::string ext = path.substr(dot);
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return ext;
}

std::vector<std::uint8_t> readInput(const std::string& path, std::size_t limit) {
    errno = 0;
    try {
        return readWholeFile(path, limit);
    } catch (const EFOpenError&) {
        const int e = errno;
        throw Failure{path + ": cannot read the file" +
                      (e != 0 ? std::string(" (") + std::strerror(e) + ")" : std::string())};
    }
}

using Args = std::span<const std::string>;

int pack(Args args, std::ostream&) {
    std::string outPath;
    std::vector<std::string> inputs;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "-o") {
            if (i + 1 >= args.size()) throw usage("pack: -o needs a file name");
            if (!outPath.empty()) throw usage("pack: -o given twice");
            outPath = args[++i];
        } else if (args[i].size() > 1 && args[i][0] == '-') {
            throw usage("pack: unknown option " + args[i]);
        } else {
            inputs.push_back(args[i]);
        }
    }
    if (outPath.empty()) throw usage("pack: the output file is missing (-o OUT.lev or -o OUT.lvp)");
    if (inputs.empty()) throw usage("pack: no text file to pack");
    const std::string ext = lowerExtension(outPath);
    if (ext != ".lev" && ext != ".lvp")
        throw usage("pack: " + outPath + ": the output must end in .lev or .lvp");

    std::vector<std::uint8_t> bytes;
    std::size_t levels = 0;
    for (const std::string& input : inputs) {
        const auto text = readInput(input, kMaxTextBytes);
        std::vector<TextLevel> parsed;
        try {
            parsed = parseLevelText({reinterpret_cast<const char*>(text.data()), text.size()});
        } catch (const LevelTextError& e) {
            throw Failure{input + (e.line() > 0 ? ":" + std::to_string(e.line()) : "") + ": " +
                          e.what()};
        }
        for (const TextLevel& level : parsed) {
            const auto record = encodeLevelRecord(level.record);
            if (ext == ".lvp") {
                appendSetEntry(bytes, record);
            } else {
                bytes = record;
            }
            ++levels;
            if (ext == ".lev" && levels > 1)
                throw Failure{input + ":" + std::to_string(level.line) +
                              ": a level file holds one level; pack several into a .lvp set"};
        }
    }
    errno = 0;
    try {
        replaceFile(outPath, bytes);
    } catch (const EFCreateError&) {
        const int e = errno;
        throw Failure{outPath + ": cannot create the file" +
                      (e != 0 ? std::string(" (") + std::strerror(e) + ")" : std::string())};
    }
    return 0;
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

std::string textOf(const LevelRecord& level, const std::string& where) {
    try {
        return levelToText(level);
    } catch (const LevelTextError& e) {
        throw Failure{where + ": " + e.what()};
    }
}

int unpack(Args args, std::ostream& out) {
    if (args.size() != 1) throw usage("unpack: give exactly one .lev or .lvp file");
    const std::string& path = args[0];
    const auto bytes = readInput(path, kMaxSetFileBytes);
    std::string text;
    if (lowerExtension(path) == ".lvp") {
        const auto entries = walkLevelSet(bytes);
        for (std::size_t i = 0; i < entries.size(); ++i) {
            const std::string where = path + ": level " + std::to_string(i + 1);
            LevelRecord level;
            const RecordRead read = readLevelRecord(bytes, entries[i].offset, level);
            if (read.status != RecordStatus::Loaded || read.truncated)
                throw Failure{where + ": " + recordFault(read)};
            if (i > 0) text += '\n';
            text += textOf(level, where);
        }
    } else {
        LevelRecord level;
        const RecordRead read = readLevelRecord(bytes, 0, level);
        if (read.status != RecordStatus::Loaded || read.truncated)
            throw Failure{path + ": " + recordFault(read)};
        text = textOf(level, path);
    }
    out << text;
    return 0;
}

int list(Args args, std::ostream& out) {
    if (args.size() != 1) throw usage("list: give exactly one .lvp file");
    const auto bytes = readInput(args[0], kMaxSetFileBytes);
    const auto entries = walkLevelSet(bytes);
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const auto number = static_cast<long long>(i + 1);
        out << number << '\t' << listedTitle(cp1251ToUtf8(entries[i].title), number) << '\n';
    }
    return 0;
}

struct Command {
    const char* name;
    int (*run)(Args, std::ostream&);
};

// Each command receives the arguments after its name. "replay" (replay.h) reports its own
// errors and is dispatched before this table.
constexpr Command kCommands[] = {
    {"pack", pack},
    {"unpack", unpack},
    {"list", list},
};

}  // namespace

int runLevelsTool(std::span<const std::string> args, std::ostream& out, std::ostream& err) {
    try {
        if (args.empty()) throw usage("no command given");
        if (args[0] == "-h" || args[0] == "--help") {
            out << kUsage;
            return 0;
        }
        if (args[0] == "replay") return replayCommand(args.subspan(1), out, err);
        if (args[0] == "import") return importCommand(args.subspan(1), out, err);
        if (args[0] == "export") return exportCommand(args.subspan(1), out, err);
        for (const Command& command : kCommands)
            if (args[0] == command.name) return command.run(args.subspan(1), out);
        throw usage("unknown command " + args[0]);
    } catch (const Failure& failure) {
        err << kProgram << ": " << failure.message;
        if (failure.message.empty() || failure.message.back() != '\n') err << '\n';
        return failure.status;
    }
}

}  // namespace prismcrate
