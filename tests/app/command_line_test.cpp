// The command line: --help and --version answer whatever else is given, one file is
// taken as an absolute path, and anything else is a fault that starts nothing. And the
// environment read at start: whether a session bus can be had at all.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <QDir>
#include <filesystem>
#include <fstream>

#include "app/application.h"
#include "platform/session_bus.h"

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

// A bus is possible with an address, with a socket (and only a socket) at the runtime
// folder's "bus", or with an executable dbus-launch in a folder of the search path.
TEST(SessionBus, PossibleOnlyWithAnAddressASocketOrTheLauncher) {
    namespace fs = std::filesystem;
    char name[] = "/tmp/prismcrate_bus_XXXXXX";
    ASSERT_NE(::mkdtemp(name), nullptr);
    const fs::path dir = name;
    for (const char* sub : {"run-socket", "run-file", "bin", "bin-noexec"})
        fs::create_directory(dir / sub);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(fd, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string socketPath = (dir / "run-socket" / "bus").string();
    ASSERT_LT(socketPath.size(), sizeof address.sun_path);
    std::copy(socketPath.begin(), socketPath.end(), address.sun_path);
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    std::ofstream(dir / "run-file" / "bus") << "not a socket";
    std::ofstream(dir / "bin" / "dbus-launch") << "#!/bin/sh\n";
    ::chmod((dir / "bin" / "dbus-launch").c_str(), 0755);
    std::ofstream(dir / "bin-noexec" / "dbus-launch") << "#!/bin/sh\n";
    ::chmod((dir / "bin-noexec" / "dbus-launch").c_str(), 0644);

    const std::string d = dir.string();
    struct Case {
        const char* address;
        std::string runtime;
        std::string path;
        bool possible;
    };
    const Case cases[] = {
        {"unix:path=/nowhere", "", "", true},
        {"", "", d + "/nowhere", false},
        {nullptr, d + "/run-socket", d + "/nowhere", true},
        {nullptr, d + "/run-file", d + "/nowhere", false},
        {nullptr, d + "/nowhere", d + "/nowhere:" + d + "/bin", true},
        {nullptr, "", d + "/bin:" + d + "/nowhere", true},
        {nullptr, "", d + "/bin-noexec", false},
        {nullptr, "", d + "/nowhere::" + d + "/bin-noexec", false},
        {nullptr, "", "", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.address ? c.address : "(none)") + " | " + c.runtime + " | " +
                     c.path);
        EXPECT_EQ(sessionBusPossible(c.address, c.runtime, c.path), c.possible);
    }
    ::close(fd);
    fs::remove_all(dir);
}

}  // namespace
}  // namespace prismcrate
