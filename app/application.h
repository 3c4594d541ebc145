// The application object: an exception that escapes an event handler ends that handler
// and is shown by the application's error box; the program goes on. It also reads the
// command line: --help, --version and an optional level file to open at start.
#pragma once

#include <QApplication>
#include <QString>
#include <QStringList>
#include <optional>
#include <string>
#include <vector>

namespace prismcrate {

// What a command line asks for.
struct CommandLine {
    enum class Action { Start, Help, Version, Fault };
    Action action = Action::Start;
    // Start: the level set (.lvp) or level (.lev) named on the command line, as an
    // absolute path in the bytes the file system names it by; empty when none was named.
    std::string file;
    // Help: the help text; Version: the version line; Fault: what is wrong, one line.
    QString message;
};

// Reads `arguments` (the program's name first), each as the bytes it was given as.
// --help wins over --version, and both over a fault, so they answer whatever else the
// line holds. A relative file name is taken from the current directory.
CommandLine parseCommandLine(const std::vector<std::string>& arguments);

// Answers --help and --version before any window system is touched, so both work without
// a display: prints the answer and gives the exit status 0. Gives nothing when the program
// should go on (faults are reported once the toolkit has taken its own options, such as
// -platform, off the command line).
std::optional<int> answerInfoOptions(int argc, char** argv);

// Qt's own texts (file dialogs, standard buttons) in Russian, from Qt's translations in
// `folder` (by default where Qt keeps them); true when they were found and installed.
// Without them the toolkit's texts stay English and nothing else changes.
bool installToolkitTranslations(QCoreApplication& app, const QString& folder = {});

class TApplication : public QApplication {
  public:
    TApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;

    // Reads the command line left after the toolkit's own options. On a fault prints it
    // with a hint and gives the exit status 2; gives nothing when the program should start.
    std::optional<int> readCommandLine();

    // The level set or level file named on the command line (absolute, bytes); empty when
    // none.
    const std::string& startFile() const { return startFile_; }

  private:
    int& argc_;
    char** argv_;
    std::string startFile_;
};

}  // namespace prismcrate
