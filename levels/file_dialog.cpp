#include "levels/file_dialog.h"

#include <QFileDialog>
#include <QFileInfo>
#include <utility>

#include "levels/level_folders.h"

namespace prismcrate {

TFileDialog::TFileDialog(Kind kind, QString filter, QString defaultExt, QString initialDir)
    : kind(kind),
      Filter(std::move(filter)),
      DefaultExt(std::move(defaultExt)),
      InitialDir(std::move(initialDir)) {}

void TFileDialog::configure(QFileDialog& dialog) const {
    dialog.setAcceptMode(kind == Kind::Save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(kind == Kind::Save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, false);
    dialog.setNameFilter(Filter);
    dialog.setDefaultSuffix(DefaultExt);
    dialog.setDirectory(StartedIn.isEmpty() ? InitialDir : StartedIn);
    // Russian titles, whether or not the toolkit's translations are installed.
    dialog.setWindowTitle(kind == Kind::Save ? QStringLiteral("Сохранить как")
                                             : QStringLiteral("Открыть"));
    dialog.setSizeGripEnabled(true);
}

bool TFileDialog::Execute(QWidget* parent) {
    StartedIn = followsLevelFolders ? levelFolders().startFolder(InitialDir) : InitialDir;
    QString chosen;
    if (runner) {
        chosen = runner(*this);
    } else {
        QFileDialog dialog(parent);
        configure(dialog);
        if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
            chosen = dialog.selectedFiles().constFirst();
    }
    if (chosen.isEmpty()) return false;
    // Named in full, so that a message about the file names it wherever it is.
    FileName = QFileInfo(chosen).absoluteFilePath();
    if (followsLevelFolders) levelFolders().remember(FileName);
    return true;
}

}  // namespace prismcrate
