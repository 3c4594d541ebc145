#include "tools/levels_tool/import_export.h"

#include <cerrno>
#include <cstring>
#include <vector>

#include "levels/level_files.h"
#include "levels/level_set.h"
#include "levels/level_text.h"
#include "levels/xsb.h"
#include "platform/error.h"
#include "tools/levels_tool/levels_tool.h"

namespace prismcrate {
namespace {

constexpr const char* kProgram = "prismcrate-levels";
constexpr std::size_t kMaxTextBytes = std::size_t{16} << 20;

struct Failure {
    std::string message;
    int status = 1;
};

Failure usage(const std::string& command, const std::string& message) {
    return {command + ": " + message + "\nusage: prismcrate-levels import FILE.xsb -o OUT.lvp\n" +
                "       prismcrate-levels export FILE.lvp|FILE.lev|FILE.txt -o OUT.xsb\n",
            2};
}

std::string withErrno(std::string message, int e) {
    if (e != 0) message += std::string(" (") + std::strerror(e) + ")";
    return message;
}

std::vector<std::uint8_t> readInput(const std::string& path, std::size_t limit) {
    errno = 0;
    try {
        return readWholeFile(path, limit);
    } catch (const EFOpenError&) {
        throw Failure{withErrno(path + ": cannot read the file", errno)};
    }
}

void writeOutput(const std::string& path, std::span<const std::uint8_t> bytes) {
    errno = 0;
    try {
        replaceFile(path, bytes);
    } catch (const EFCreateError&) {
        throw Failure{withErrno(path + ": cannot create the file", errno)};
    }
}

// One input file and the -o file, in either order.
struct Paths {
    std::string input;
    std::string output;
};

Paths inputAndOutput(const std::string& command, std::span<const std::string> args) {
    Paths paths;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "-o") {
            if (i + 1 >= args.size()) throw usage(command, "-o needs a file name");
            if (!paths.output.empty()) throw usage(command, "-o given twice");
            paths.output = args[++i];
        } else if (args[i].size() > 1 && args[i][0] == '-') {
            throw usage(command, "unknown option " + args[i]);
        } else if (!paths.input.empty()) {
            throw usage(command, "give exactly one input file");
        } else {
            paths.input = args[i];
        }
    }
    if (paths.input.empty()) throw usage(command, "the input file is missing");
    if (paths.output.empty()) throw usage(command, "the output file is missing (-o)");
    return paths;
}

int runImport(std::span<const std::string> args, std::ostream& out, std::ostream& err) {
    const Paths paths = inputAndOutput("import", args);
    const std::string ext = lowerExtension(paths.output);
    if (ext != ".lvp" && ext != ".lev")
        throw usage("import", paths.output + ": the output must end in .lvp or .lev");

    const auto text = readInput(paths.input, kMaxTextBytes);
    const std::vector<XsbLevel> levels =
        readXsb({reinterpret_cast<const char*>(text.data()), text.size()});
    if (levels.empty()) throw Failure{paths.input + ": no XSB level found"};

    std::vector<std::uint8_t> bytes;
    std::size_t written = 0;
    std::string warnings;
    for (const XsbLevel& level : levels) {
        const std::string where = paths.input + ":" + std::to_string(level.line) + ": level " +
                                  std::to_string(level.number);
        if (!level.record) {
            warnings +=
                std::string(kProgram) + ": " + where + " skipped: it " + level.problem + "\n";
            continue;
        }
        for (const std::string& note : level.notes)
            warnings += std::string(kProgram) + ": " + where + ": " + note + "\n";
        const auto record = encodeLevelRecord(*level.record);
        if (ext == ".lvp") {
            appendSetEntry(bytes, record);
        } else {
            bytes = record;
        }
        ++written;
    }
    if (written == 0)
        throw Failure{paths.input + ": none of its " + std::to_string(levels.size()) +
                      " levels fits the field"};
    if (ext == ".lev" && written > 1)
        throw Failure{paths.input + ": " + std::to_string(written) +
                      " levels; a level file holds one, import them into a .lvp set"};
    writeOutput(paths.output, bytes);
    err << warnings;
    out << paths.output << ": " << written << (written == 1 ? " level" : " levels");
    if (written < levels.size()) out << ", " << levels.size() - written << " skipped";
    out << '\n';
    return 0;
}

// Every level of a set, a level file or a level text.
std::vector<LevelRecord> readLevels(const std::string& path) {
    const std::string ext = lowerExtension(path);
    std::vector<LevelRecord> levels;
    if (ext == ".lvp" || ext == ".lev") {
        const auto bytes = readInput(path, kMaxSetFileBytes);
        std::vector<std::size_t> offsets{0};
        if (ext == ".lvp") {
            offsets.clear();
            for (const SetEntry& entry : walkLevelSet(bytes)) offsets.push_back(entry.offset);
        }
        for (std::size_t i = 0; i < offsets.size(); ++i) {
            const std::string where =
                ext == ".lvp" ? path + ": level " + std::to_string(i + 1) : path;
            LevelRecord level;
            const RecordRead read = readLevelRecord(bytes, offsets[i], level);
            if (read.status == RecordStatus::RobotOffField)
                throw Failure{where + ": the robot's cell lies outside the field"};
            if (read.status != RecordStatus::Loaded || read.truncated)
                throw Failure{where + ": not a complete level record"};
            levels.push_back(std::move(level));
        }
        return levels;
    }
    const auto text = readInput(path, kMaxTextBytes);
    try {
        for (TextLevel& level :
             parseLevelText({reinterpret_cast<const char*>(text.data()), text.size()}))
            levels.push_back(std::move(level.record));
    } catch (const LevelTextError& e) {
        throw Failure{path + (e.line() > 0 ? ":" + std::to_string(e.line()) : "") + ": " +
                      e.what()};
    }
    return levels;
}

int runExport(std::span<const std::string> args, std::ostream& out) {
    const Paths paths = inputAndOutput("export", args);
    const std::vector<LevelRecord> levels = readLevels(paths.input);
    if (levels.empty()) throw Failure{paths.input + ": no level to export"};
    std::string text;
    try {
        text = writeXsb(levels);
    } catch (const XsbError& e) {
        throw Failure{paths.input + ": " + e.what()};
    }
    writeOutput(paths.output, {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()});
    out << paths.output << ": " << levels.size() << (levels.size() == 1 ? " level" : " levels")
        << '\n';
    return 0;
}

int report(const Failure& failure, std::ostream& err) {
    err << kProgram << ": " << failure.message;
    if (failure.message.empty() || failure.message.back() != '\n') err << '\n';
    return failure.status;
}

}  // namespace

int importCommand(std::span<const std::string> args, std::ostream& out, std::ostream& err) {
    try {
        return runImport(args, out, err);
    } catch (const Failure& failure) {
        return report(failure, err);
    }
}

int exportCommand(std::span<const std::string> args, std::ostream& out, std::ostream& err) {
    try {
        return runExport(args, out);
    } catch (const Failure& failure) {
        return report(failure, err);
    }
}

}  // namespace prismcrate
