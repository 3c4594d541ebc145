#include "tools/levels_tool/levels_tool.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <iostream>
#include <vector>

#include "levels/level_files.h"
#include "levels/level_record.h"
#include "levels/level_set.h"
#include "levels/level_text.h"
#include "platform/error.h"
#include "tools/levels_tool/import_export.h"
#include "tools/levels_tool/replay.h"
#include "tools/levels_tool/solve.h"
#include "tools/levels_tool/stats.h"

#ifndef PRISMCRATE_VERSION
#define PRISMCRATE_VERSION "1.0"
#endif

namespace prismcrate {
namespace {

constexpr const char* kProgram = "prismcrate-levels";
constexpr std::size_t kMaxTextBytes = std::size_t{16} << 20;
// The longest title the editor's title dialog accepts, in characters (cp1251 bytes).
constexpr std::size_t kEditorTitleLength = 30;

using Args = std::span<const std::string>;

// " (reason)" for an error number, or nothing for 0.
std::string reason(int e) {
    return e != 0 ? std::string(" (") + std::strerror(e) + ")" : std::string();
}

// Standard input and files named ".lvp" are walked as sets; anything else is one level.
bool readAsSet(const std::string& path) {
    return path == "-" || lowerExtension(path) == ".lvp";
}

int pack(Args args, ToolStreams& io);
int unpack(Args args, ToolStreams& io);
int list(Args args, ToolStreams& io);
int replay(Args args, ToolStreams& io) {
    return replayCommand(args, io);
}
int solve(Args args, ToolStreams& io) {
    return solveCommand(args, io);
}

int importXsb(Args args, ToolStreams& io) {
    return importCommand(args, io.out, io.err);
}

int exportXsb(Args args, ToolStreams& io) {
    return exportCommand(args, io.out, io.err);
}

struct Command {
    const char* name;
    const char* usage;  // after "prismcrate-levels "
    int (*run)(Args, ToolStreams&);
};

// Each command receives the arguments after its name.
constexpr Command kCommands[] = {
    {"pack", "pack -o OUT.lev FILE.txt\npack -o OUT.lvp FILE.txt...", pack},
    {"unpack", "unpack FILE.lev|FILE.lvp", unpack},
    {"list", "list FILE.lvp\nlist --stats FILE [--time S] [--limit N]", list},
    {"replay", "replay FILE.lev|FILE.lvp [--level N] MOVES", replay},
    {"solve", "solve FILE [--level N] [--time S] [--memory MB] [--metric moves|pushes] [--json]",
     solve},
    {"import", "import FILE.xsb -o OUT.lvp", importXsb},
    {"export", "export FILE.lvp|FILE.lev|FILE.txt -o OUT.xsb", exportXsb},
};

std::string usageText() {
    std::string text;
    for (const Command& command : kCommands) {
        std::string_view lines = command.usage;
        while (!lines.empty()) {
            const std::size_t end = lines.find('\n');
            text += text.empty() ? "usage: " : "       ";
            text += kProgram;
            text += ' ';
            text += lines.substr(0, end);
            text += '\n';
            lines.remove_prefix(end == std::string_view::npos ? lines.size() : end + 1);
        }
    }
    text += "       ";
    text += kProgram;
    text +=
        " --version\n"
        "A FILE of \"-\" is standard input. replay exits with 0 when the moves solve the level,\n"
        "3 when they leave it unsolved and 4 when the robot is destroyed; solve exits with 0\n"
        "when it finds a shortest solution, 3 when it proves there is none and 4 when a limit\n"
        "stops it first; errors give 1, usage errors 2.\n";
    return text;
}

ToolFailure usage(const std::string& message) {
    return {message + "\n" + usageText(), 2};
}

// A title in messages: escaped and quoted.
std::string shownTitle(const std::string& cp1251) {
    return "\"" + titleToEscapedText(cp1251) + "\"";
}

int pack(Args args, ToolStreams& io) {
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
    if (std::count(inputs.begin(), inputs.end(), "-") > 1)
        throw usage("pack: standard input (-) can be read only once");
    const std::string ext = lowerExtension(outPath);
    if (ext != ".lev" && ext != ".lvp")
        throw usage("pack: " + outPath + ": the output must end in .lev or .lvp");

    std::vector<std::uint8_t> bytes;
    std::size_t levels = 0;
    std::vector<std::string> warnings;
    for (const std::string& input : inputs) {
        const std::string name = inputName(input);
        const auto text = readToolInput(io, input, kMaxTextBytes);
        std::vector<TextLevel> parsed;
        try {
            parsed = parseLevelText({reinterpret_cast<const char*>(text.data()), text.size()});
        } catch (const LevelTextError& e) {
            throw ToolFailure{name + (e.line() > 0 ? ":" + std::to_string(e.line()) : "") + ": " +
                              e.what()};
        }
        for (const TextLevel& level : parsed) {
            ++levels;
            if (ext == ".lev" && levels > 1)
                throw ToolFailure{name + ":" + std::to_string(level.line) +
                                  ": a level file holds one level; pack several into a .lvp set"};
            const auto record = encodeLevelRecord(level.record);
            if (ext == ".lvp") {
                appendSetEntry(bytes, record);
            } else {
                bytes = record;
            }
            // Longer titles are part of the format, but the editor cannot keep them: its
            // title dialog refuses to close on one.
            const std::string& title = level.record.title;
            if (title.size() > kEditorTitleLength)
                warnings.push_back(name + ":" + std::to_string(level.line) + ": level " +
                                   std::to_string(levels) + " " + shownTitle(title) +
                                   ": the title has " + std::to_string(title.size()) +
                                   " characters; the editor accepts at most 30");
        }
    }
    for (const std::string& warning : warnings)
        io.err << kProgram << ": warning: " << warning << '\n';
    errno = 0;
    try {
        replaceFile(outPath, bytes);
    } catch (const EFCreateError&) {
        throw ToolFailure{outPath + ": cannot create the file" + reason(errno)};
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

// The level at `offset`, refused when damaged or cut short.
LevelRecord wholeLevel(std::span<const std::uint8_t> bytes, std::size_t offset,
                       const std::string& where) {
    LevelRecord level;
    const RecordRead read = readLevelRecord(bytes, offset, level);
    if (read.status != RecordStatus::Loaded || read.truncated)
        throw ToolFailure{where + ": " + recordFault(read)};
    return level;
}

int unpack(Args args, ToolStreams& io) {
    if (args.size() != 1) throw usage("unpack: give exactly one .lev or .lvp file");
    const std::string& path = args[0];
    const std::string name = inputName(path);
    const auto bytes = readToolInput(io, path, kMaxSetFileBytes);
    // Every level is checked before any is written, so that an error writes nothing.
    std::string text;
    if (readAsSet(path)) {
        SetWalk walk(bytes);
        SetEntry entry;
        for (std::size_t number = 1; walk.next(entry); ++number) {
            const LevelRecord level =
                wholeLevel(bytes, entry.offset, name + ": level " + std::to_string(number));
            if (number > 1) text += '\n';
            text += levelToText(level);
        }
    } else {
        text = levelToText(wholeLevel(bytes, 0, name));
    }
    io.out << text;
    checkOutput(io.out);
    return 0;
}

int list(Args args, ToolStreams& io) {
    if (std::find(args.begin(), args.end(), "--stats") != args.end())
        return listStatsCommand(args, io);
    if (args.size() != 1) throw usage("list: give exactly one .lvp file");
    const auto bytes = readToolInput(io, args[0], kMaxSetFileBytes);
    SetWalk walk(bytes);
    SetEntry entry;
    for (long long number = 1; walk.next(entry); ++number) {
        io.out << number << '\t' << listedTitle(titleToEscapedText(entry.title), number) << '\n';
        checkOutput(io.out);
    }
    return 0;
}

}  // namespace

std::string lowerExtension(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    const std::size_t dot = path.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
    std::string ext = path.substr(dot);
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return ext;
}

std::string inputName(const std::string& path) {
    return path == "-" ? std::string("standard input") : path;
}

std::vector<std::uint8_t> readToolInput(ToolStreams& io, const std::string& path,
                                        std::size_t limit) {
    if (path != "-") {
        errno = 0;
        try {
            return readWholeFile(path, limit);
        } catch (const EFOpenError&) {
            throw ToolFailure{path + ": cannot read the file" + reason(errno)};
        }
    }
    if (io.inputTaken) throw ToolFailure{"standard input (-) can be read only once", 2};
    io.inputTaken = true;
    std::vector<std::uint8_t> bytes;
    char chunk[65536];
    errno = 0;
    while (io.in) {
        io.in.read(chunk, sizeof chunk);
        const auto n = static_cast<std::size_t>(io.in.gcount());
        if (n > limit - bytes.size())
            throw ToolFailure{"standard input: more than " + std::to_string(limit >> 20) + " MB"};
        bytes.insert(bytes.end(), chunk, chunk + n);
    }
    if (io.in.bad()) throw ToolFailure{"standard input: cannot read" + reason(errno)};
    return bytes;
}

void checkOutput(std::ostream& out) {
    if (out) return;
    const int e = errno;
    throw ToolFailure{"standard output: cannot write" + reason(e)};
}

int runLevelsTool(std::span<const std::string> args, std::istream& in, std::ostream& out,
                  std::ostream& err) {
    ToolStreams io{in, out, err};
    int status = 0;
    try {
        if (args.empty()) throw usage("no command given");
        if (args[0] == "-h" || args[0] == "--help") {
            out << usageText();
        } else if (args[0] == "--version") {
            out << kProgram << ' ' << PRISMCRATE_VERSION << '\n';
        } else {
            const Command* command = nullptr;
            for (const Command& c : kCommands)
                if (args[0] == c.name) command = &c;
            if (command == nullptr) throw usage("unknown command " + args[0]);
            status = command->run(args.subspan(1), io);
        }
        // Whatever was printed must have reached its place: a full disk or a closed pipe
        // is an error, whatever the command found.
        errno = 0;
        out.flush();
        checkOutput(out);
    } catch (const ToolFailure& failure) {
        err << kProgram << ": " << failure.message;
        if (failure.message.empty() || failure.message.back() != '\n') err << '\n';
        err.flush();
        return failure.status;
    }
    return status;
}

int runLevelsTool(std::span<const std::string> args, std::ostream& out, std::ostream& err) {
    return runLevelsTool(args, std::cin, out, err);
}

}  // namespace prismcrate
