#include "levels/chooser_dialog.h"

#include <QCloseEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QSignalBlocker>
#include <QTimer>

#include "game/flow.h"
#include "levels/level_files.h"
#include "levels/level_set.h"
#include "levels/string_grid.h"
#include "levels/title_text.h"
#include "platform/error_box.h"
#include "platform/form_setup.h"
#include "platform/paths.h"

namespace prismcrate {

std::string standardSetFile() {
    return nativeProgramDir() + "levels/standart.lvp";
}

QString standardSetPath() {
    return QFile::decodeName(QByteArray::fromStdString(standardSetFile()));
}

QString levelNumberText(long long index, bool solved) {
    const QString number = QString::number(index + 1);
    return solved ? QStringLiteral("✓ ") + number : number;
}

QString levelCaption(int index) {
    return QStringLiteral("Уровень: ") + QString::number(static_cast<long long>(index) + 1);
}

int TForm2::currentLevel() const {
    return parseLevelIndex(Edit2->text().toStdString());
}

void TForm2::setCurrentLevel(int index) {
    Edit2->setText(QString::number(index));
}

int TForm2::levelRows() const {
    return StringGrid1->rowCount();
}

TForm2::TForm2(QWidget* parent)
    : QDialog(parent),
      OpenDialog1(TFileDialog::Kind::Open, QStringLiteral("*.lvp"), QStringLiteral("lvp")) {
    // A fixed dialog frame without a close button: the system menu's Close is disabled.
    setUpForm(*this, QStringLiteral("Выберите уровень"), FormBorder::Dialog, QSize(428, 335));

    Edit1 = new QLineEdit(QStringLiteral("Edit1"), this);
    Edit1->setGeometry(8, 8, 329, 21);
    Edit1->setEnabled(false);
    QPalette white = Edit1->palette();
    white.setColor(QPalette::Disabled, QPalette::Base, Qt::white);
    white.setColor(QPalette::Active, QPalette::Base, Qt::white);
    white.setColor(QPalette::Inactive, QPalette::Base, Qt::white);
    Edit1->setPalette(white);

    Button2 = new QPushButton(QStringLiteral("Открыть"), this);
    Button2->setGeometry(345, 7, 75, 23);

    StringGrid1 = makeStringGrid(this, 1, 2, QRect(8, 40, 412, 257));
    StringGrid1->setColumnWidth(0, 40);
    StringGrid1->setSelectionBehavior(QAbstractItemView::SelectRows);
    StringGrid1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    StringGrid1->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);

    Edit2 = new QLineEdit(QStringLiteral("0"), this);
    Edit2->hide();

    Button1 = new QPushButton(QStringLiteral("OK"), this);
    Button1->setGeometry(346, 305, 75, 23);
    // Enter confirms through the list, never through whichever button was last focused.
    Button1->setAutoDefault(false);
    Button2->setAutoDefault(false);
    setTabOrder(StringGrid1, Button1);
    setTabOrder(Button1, Button2);

    connect(Button1, &QPushButton::clicked, this,
            [this] { runReportingErrors([this] { Button1Click(); }); });
    connect(Button2, &QPushButton::clicked, this,
            [this] { runReportingErrors([this] { Button2Click(); }); });
    connect(StringGrid1, &QTableWidget::currentCellChanged, this,
            [this](int row, int, int, int) { StringGrid1SelectCell(row); });

    FormCreate();
}

void TForm2::FormCreate() {
    // Key preview: the dialog sees the keys of its controls first.
    setKeyPreview(*this, [this](QWidget* target, QKeyEvent& key) {
        if (FormKeyDown(key.key(), key.modifiers())) return true;
        return target == StringGrid1 && StringGrid1KeyDown(key.key());
    });
    StringGrid1->setColumnWidth(1, 368);
}

void TForm2::setCell(int row, int column, const QString& text) {
    if (QTableWidgetItem* item = StringGrid1->item(row, column)) {
        item->setText(text);
    } else {
        StringGrid1->setItem(row, column, new QTableWidgetItem(text));
    }
}

void TForm2::loadlevels(QString path) {
    loadSetFile(path == QStringLiteral("a") ? standardSetFile() : nativePath(path));
}

std::string TForm2::currentSetFile() const {
    const QString shown = Edit1->text();
    if (!setFile_.empty() && shown == QFile::decodeName(QByteArray::fromStdString(setFile_)))
        return setFile_;
    return nativePath(shown);
}

void TForm2::setCurrentSetFile(const std::string& file) {
    setFile_ = file;
    Edit1->setText(QFile::decodeName(QByteArray::fromStdString(file)));
}

void TForm2::loadSetFile(const std::string& file) {
    setCurrentSetFile(file);

    bool more = false;
    const std::vector<SetEntry> entries = listLevelSetFile(file, kMaxListedLevels, &more);
    if (more) {
        // Shown from the event loop, so that a start-up listing still opens the chooser
        // (the box then stands over it).
        QTimer::singleShot(0, this, [] {
            showErrorBox(QStringLiteral("В наборе больше %1 уровней; в списке только первые %1.")
                             .arg(kMaxListedLevels));
        });
    }
    const QSignalBlocker blocker(StringGrid1);
    StringGrid1->setRowCount(1);
    if (entries.empty()) {
        // The single row of an empty set shows nothing.
        setCell(0, 0, QString());
        setCell(0, 1, QString());
    }
    StringGrid1->setRowCount(static_cast<int>(std::max<std::size_t>(entries.size(), 1)));
    const std::set<long long> solved = solvedLevels ? solvedLevels(file) : std::set<long long>();
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const auto number = static_cast<long long>(i + 1);
        setCell(static_cast<int>(i), 0,
                levelNumberText(number - 1, solved.contains(static_cast<long long>(i))));
        setCell(static_cast<int>(i), 1,
                QString::fromStdString(listedTitle(cp1251ToUtf8(entries[i].title), number)));
    }
    levelCount_ = static_cast<int>(entries.size());

    // A shorter list brings the remembered row back into it, so that the row shown as
    // selected is the row a confirmation loads.
    selectedLevelRow = std::clamp(selectedLevelRow, 0, StringGrid1->rowCount() - 1);
    StringGrid1->setCurrentCell(selectedLevelRow, 0);
}

void TForm2::FormShow() {
    const std::string file = currentSetFile();
    if (fileExists(file)) loadSetFile(file);
}

void TForm2::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // A window system's own show (after a minimise, say) is no new opening.
    if (!event->spontaneous()) {
        runReportingErrors([this] { FormShow(); });
        // The list has the focus, so the arrow keys pick a level and Enter confirms it.
        StringGrid1->setFocus();
    }
}

bool TForm2::FormKeyDown(int key, Qt::KeyboardModifiers modifiers) {
    if (key == Qt::Key_F4 && (modifiers & Qt::AltModifier)) return true;
    if (key == Qt::Key_Escape) return true;
    return false;
}

bool TForm2::StringGrid1KeyDown(int key) {
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        runReportingErrors([this] { Button1Click(); });
        return true;
    }
    return false;
}

void TForm2::StringGrid1SelectCell(int row) {
    if (row >= 0) selectedLevelRow = row;
}

void TForm2::Button2Click() {
    if (!OpenDialog1.Execute(this)) return;
    loadlevels(OpenDialog1.FileName);
    if (setOpened) setOpened(currentSetFile());
}

void TForm2::Button1Click() {
    if (!fileExists(currentSetFile())) return;
    setCurrentLevel(selectedLevelRow);
    confirming_ = true;
    done(QDialog::Accepted);
    confirming_ = false;
    if (loadlevfromlvp) loadlevfromlvp();
    if (setLevelCaption) setLevelCaption(levelCaption(currentLevel()));
    if (enableDXTimer3) enableDXTimer3();
}

void TForm2::closeEvent(QCloseEvent* event) {
    if (confirming_) {
        QDialog::closeEvent(event);
    } else {
        event->ignore();
    }
}

}  // namespace prismcrate
