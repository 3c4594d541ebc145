#include "app/application.h"

#include <unistd.h>

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>

#include "platform/deferred_icon_style.h"
#include "platform/error_box.h"

namespace prismcrate {

namespace {

constexpr const char* kCommand = "prismcrate";

void print(std::FILE* stream, const QString& text) {
    std::fputs(text.toLocal8Bit().constData(), stream);
    std::fflush(stream);
}

}  // namespace

CommandLine parseCommandLine(const std::vector<std::string>& rawArguments) {
    QStringList arguments;
    for (const std::string& argument : rawArguments)
        arguments << QFile::decodeName(QByteArray::fromStdString(argument));
    QCommandLineParser parser;
    // "-name" is one option, as the toolkit's own options are written; "-hv" is not -h -v.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.setApplicationDescription(QStringLiteral(
        "Puzzle game: push crates onto targets past lasers, mirrors, bombs and gates;\n"
        "design levels in the built-in editor."));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Show this help and exit."));
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")},
                                     QStringLiteral("Show the version and exit."));
    parser.addOption(help);
    parser.addOption(version);
    parser.addPositionalArgument(QStringLiteral("FILE"),
                                 QStringLiteral("A level set (.lvp) or a level (.lev) to open."),
                                 QStringLiteral("[FILE]"));

    const bool parsed = parser.parse(arguments);
    CommandLine line;
    if (parser.isSet(help)) {
        // The usage line names the program as its users type it, not by the path it ran from.
        QString text = parser.helpText();
        const qsizetype end = text.indexOf(QStringLiteral(" [options]"));
        if (text.startsWith(QStringLiteral("Usage: ")) && end > 0)
            text.replace(7, end - 7, QString::fromLatin1(kCommand));
        line.action = CommandLine::Action::Help;
        line.message = text;
    } else if (parser.isSet(version)) {
        line.action = CommandLine::Action::Version;
        line.message = QStringLiteral("%1 %2\n").arg(QString::fromLatin1(kCommand),
                                                     QStringLiteral(PRISMCRATE_VERSION));
    } else if (!parsed) {
        line.action = CommandLine::Action::Fault;
        line.message = parser.errorText();
    } else if (parser.positionalArguments().size() > 1) {
        line.action = CommandLine::Action::Fault;
        line.message = QStringLiteral("Give at most one level file.");
    } else if (!parser.positionalArguments().isEmpty()) {
        // The parser has text; the name is taken from the argument it came from, so that
        // a name that is not valid text keeps its bytes.
        const QString name = parser.positionalArguments().first();
        std::string file;
        for (qsizetype i = arguments.size() - 1; i > 0; --i) {
            if (arguments[i] == name) {
                file = rawArguments[static_cast<std::size_t>(i)];
                break;
            }
        }
        if (!file.empty() && file.front() != '/') {
            std::string cwd(4096, '\0');
            while (::getcwd(cwd.data(), cwd.size()) == nullptr && errno == ERANGE)
                cwd.resize(cwd.size() * 2);
            cwd.resize(std::strlen(cwd.c_str()));
            if (!cwd.empty() && cwd.back() != '/') cwd += '/';
            file = cwd + file;
        }
        line.file = file;
    }
    return line;
}

std::vector<std::string> argumentBytes(int argc, char** argv) {
    std::vector<std::string> arguments;
    for (int i = 0; i < argc && argv[i] != nullptr; ++i) arguments.emplace_back(argv[i]);
    return arguments;
}

std::optional<int> answerInfoOptions(int argc, char** argv) {
    const CommandLine line = parseCommandLine(argumentBytes(argc, argv));
    if (line.action != CommandLine::Action::Help && line.action != CommandLine::Action::Version)
        return std::nullopt;
    print(stdout, line.message);
    return 0;
}

TApplication::TApplication(int& argc, char** argv)
    : QApplication(argc, argv), argc_(argc), argv_(argv) {
    // The game's and the editor's menu bars take turns inside the main window, which is
    // laid out around them; a desktop's global menu could hold only one of them. Asking
    // the session bus for one also costs the start a round trip, or, without a session
    // bus, the launch of a helper that fails.
    setAttribute(Qt::AA_DontUseNativeMenuBar);
    setStyle(new DeferredIconStyle);
    setApplicationName(QStringLiteral("Prismcrate"));
    setApplicationVersion(QStringLiteral(PRISMCRATE_VERSION));
}

bool installToolkitTranslations(QCoreApplication& app, const QString& folder) {
    auto* translator = new QTranslator(&app);
    const QString where =
        folder.isEmpty() ? QLibraryInfo::path(QLibraryInfo::TranslationsPath) : folder;
    if (translator->load(QLocale(QLocale::Russian, QLocale::Russia), QStringLiteral("qtbase"),
                         QStringLiteral("_"), where) &&
        QCoreApplication::installTranslator(translator))
        return true;
    delete translator;
    return false;
}

std::optional<int> TApplication::readCommandLine() {
    // The toolkit has taken its own options out of argv: what is left are ours, as the
    // bytes they were given as.
    const CommandLine line = parseCommandLine(argumentBytes(argc_, argv_));
    if (line.action == CommandLine::Action::Fault) {
        print(stderr, QStringLiteral("%1: %2\nTry '%1 --help' for more information.\n")
                          .arg(QString::fromLatin1(kCommand), line.message));
        return 2;
    }
    startFile_ = line.file;
    return std::nullopt;
}

bool TApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
        showErrorBox(QString::fromUtf8(e.what()));
    }
    return true;
}

}  // namespace prismcrate
