// The command line: --help and --version answer whatever else is given, one file is
// taken as an absolute path, and anything else is a fault that starts nothing.
#include <gtest/gtest.h>

#include <QDir>

#include "app/application.h"

namespace prismcrate {
namespace {

using Action = CommandLine::Action;

TEST(CommandLine, ActionsFilesAndFaults) {
    const QString here = QDir::currentPath();
    struct Case {
        QStringList args;
        Action action;
        QString file;
    };
    const Case cases[] = {
        {{}, Action::Start, {}},
        {{"set.lvp"}, Action::Start, here + "/set.lvp"},
        {{"/tmp/x.lev"}, Action::Start, "/tmp/x.lev"},
        {{"--", "-odd.lev"}, Action::Start, here + "/-odd.lev"},
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
        SCOPED_TRACE(c.args.join(' ').toStdString());
        const CommandLine line = parseCommandLine(QStringList{"/some/where/prismcrate"} + c.args);
        EXPECT_EQ(line.action, c.action);
        EXPECT_EQ(line.file, c.file);
        EXPECT_EQ(line.message.isEmpty(), c.action == Action::Start);
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
