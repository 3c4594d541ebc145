// The command line: --help and --version answer whatever else is given, one file is
// taken as an absolute path, and anything else is a fault that starts nothing.
#include <gtest/gtest.h>

#include <QDir>

#include "app/application.h"

namespace prismcrate {
namespace {

using Action = CommandLine::Action;

std::vector<std::string> line(std::vector<std::string> args) {
    args.insert(args.begin(), "/some/where/prismcrate");
    return args;
}

TEST(CommandLine, ActionsFilesAndFaults) {
    const std::string here = QDir::currentPath().toStdString();
    struct Case {
        std::vector<std::string> args;
        Action action;
        std::string file;
    };
    const Case cases[] = {
        {{}, Action::Start, {}},
        {{"set.lvp"}, Action::Start, here + "/set.lvp"},
        {{"/tmp/x.lev"}, Action::Start, "/tmp/x.lev"},
        {{"--", "-odd.lev"}, Action::Start, here + "/-odd.lev"},
        // A name that is no valid text keeps its bytes.
        {{"\xcd\xee\xe2\xfb\xe9.lvp"}, Action::Start, here + "/\xcd\xee\xe2\xfb\xe9.lvp"},
        {{"/tmp/\xff\xfe.lev"}, Action::Start, "/tmp/\xff\xfe.lev"},
        {{"-h"}, Action::Help, {}},
        {{"--help"}, Action::Help, {}},
        {{"--version", "--help", "--bogus"}, Action::Help, {}},
        {{"-v"}, Action::Version, {}},
        {{"-reverse", "--version"}, Action::Version, {}},
        {{"--bogus"}, Action::Fault, {}},
        {{"-hv"}, Action::Fault, {}},
        {{"a.lev", "b.lev"}, Action::Fault, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.empty() ? std::string() : c.args.front());
        const CommandLine parsed = parseCommandLine(line(c.args));
        EXPECT_EQ(parsed.action, c.action);
        EXPECT_EQ(parsed.file, c.file);
        EXPECT_EQ(parsed.message.isEmpty(), c.action == Action::Start);
    }
}

TEST(CommandLine, HelpNamesTheCommandAndTheFileArgument) {
    const QString help = parseCommandLine({"./prismcrate", "--help"}).message;
    EXPECT_TRUE(help.startsWith("Usage: prismcrate [options] [FILE]\n")) << help.toStdString();
    EXPECT_TRUE(help.contains(".lvp")) << help.toStdString();
    EXPECT_EQ(parseCommandLine({"x", "--version"}).message,
              QStringLiteral("prismcrate " PRISMCRATE_VERSION "\n"));
}

}  // namespace
}  // namespace prismcrate
