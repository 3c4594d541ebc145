#include "levels/file_dialog.h"

#include <QFileDialog>
#include <utility>

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
    dialog.setDirectory(InitialDir);
    dialog.setSizeGripEnabled(true);
}

bool TFileDialog::Execute(QWidget* parent) {
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
    FileName = chosen;
    return true;
}

}  // namespace prismcrate
