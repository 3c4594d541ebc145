// A common open or save dialog as the windows use it: filter, default extension, initial
// folder and options set once, then Execute() for each use. Tests replace the real dialog
// with `runner`.
#pragma once

#include <QString>
#include <functional>

class QFileDialog;
class QWidget;

namespace prismcrate {

class TFileDialog {
  public:
    enum class Kind {
        Open,  // only existing files can be chosen
        Save,  // asks before overwriting an existing file
    };

    TFileDialog(Kind kind, QString filter, QString defaultExt,
                QString initialDir = QStringLiteral("./levels"));

    // Runs the dialog modally; true when a file was chosen, whose path is then FileName.
    bool Execute(QWidget* parent = nullptr);

    // Puts the dialog's settings on a file dialog.
    void configure(QFileDialog& dialog) const;

    Kind kind;
    QString Filter;      // shown and matched, e.g. "*.lev"
    QString DefaultExt;  // without the dot
    QString InitialDir;
    QString FileName;

    // When set, the dialog starts where levelFolders() says (InitialDir being the
    // program's own folder) and a chosen file's folder becomes the next start.
    bool followsLevelFolders = false;
    // The folder the last Execute() started in.
    QString StartedIn;

    // When set, Execute() calls it instead of showing a dialog; an empty result cancels.
    std::function<QString(const TFileDialog&)> runner;
};

}  // namespace prismcrate
