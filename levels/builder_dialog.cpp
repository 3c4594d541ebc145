#include "levels/builder_dialog.h"

#include <QFileInfo>
#include <QHeaderView>
#include <QKeyEvent>
#include <QSignalBlocker>
#include <string>
#include <vector>

#include "levels/level_files.h"
#include "levels/string_grid.h"
#include "levels/title_text.h"
#include "platform/error.h"
#include "platform/error_box.h"
#include "platform/form_setup.h"

namespace prismcrate {

TForm4::TForm4(QWidget* parent)
    : QDialog(parent),
      OpenDialog1(TFileDialog::Kind::Open, QStringLiteral("*.lev"), QStringLiteral("lev")),
      SaveDialog1(TFileDialog::Kind::Save, QStringLiteral("*.lvp"), QStringLiteral("lvp")) {
    setUpForm(*this, QStringLiteral("Создание набора уровней"), FormBorder::DialogWithClose,
              QSize(418, 258));

    // The file's path, and beside it the title of the level it holds.
    StringGrid1 = makeStringGrid(this, 1, 2, QRect(8, 8, 321, 241));
    StringGrid1->setColumnWidth(0, kPathColumnWidth);
    StringGrid1->setColumnWidth(1, 317 - kPathColumnWidth);
    StringGrid1->setTextElideMode(Qt::ElideMiddle);
    StringGrid1->setSelectionBehavior(QAbstractItemView::SelectRows);
    StringGrid1->setItem(0, 0, new QTableWidgetItem(QString()));
    StringGrid1->setItem(0, 1, new QTableWidgetItem(QString()));
    OpenDialog1.followsLevelFolders = true;
    SaveDialog1.followsLevelFolders = true;
    StringGrid1->installEventFilter(this);

    Button1 = new QPushButton(QStringLiteral("Добавить"), this);
    Button1->setGeometry(336, 8, 75, 23);
    Button2 = new QPushButton(QStringLiteral("Создать"), this);
    Button2->setGeometry(336, 37, 75, 23);

    connect(Button1, &QPushButton::clicked, this,
            [this] { runReportingErrors([this] { Button1Click(); }); });
    connect(Button2, &QPushButton::clicked, this,
            [this] { runReportingErrors([this] { Button2Click(); }); });
    connect(StringGrid1, &QTableWidget::currentCellChanged, this,
            [this](int row, int, int, int) { StringGrid1SelectCell(row); });
}

QString TForm4::cellText(int row, int column) const {
    const QTableWidgetItem* item = StringGrid1->item(row, column);
    return item ? item->text() : QString();
}

void TForm4::setCellText(int row, const QString& text, int column) {
    QTableWidgetItem* item = StringGrid1->item(row, column);
    if (!item) {
        item = new QTableWidgetItem();
        StringGrid1->setItem(row, column, item);
    }
    item->setText(text);
    // The whole path where the column cuts it.
    if (column == 0) item->setToolTip(text);
}

void TForm4::setRow(int row, const QString& file, const QString& title) {
    setCellText(row, file);
    setCellText(row, title, 1);
}

QString builderTitleText(const std::string& file) {
    std::vector<std::uint8_t> bytes;
    try {
        bytes = readFilePrefix(file, kMaxRecordBytes);
    } catch (const Error&) {
        return QStringLiteral("(не читается)");
    }
    LevelRecord level;
    if (readLevelRecord(bytes, 0, level).status != RecordStatus::Loaded)
        return QStringLiteral("(не уровень)");
    if (level.title.empty()) return QStringLiteral("(без названия)");
    return titleToText(level.title);
}

QStringList TForm4::titles() const {
    QStringList texts;
    for (int r = 0; r < StringGrid1->rowCount(); ++r) texts << cellText(r, 1);
    return texts;
}

QStringList TForm4::rows() const {
    QStringList texts;
    for (int r = 0; r < StringGrid1->rowCount(); ++r) texts << cellText(r);
    return texts;
}

void TForm4::Button1Click() {
    if (!OpenDialog1.Execute(this)) return;
    // The first file fills the empty first row; every later one gets a row of its own.
    if (!cellText(0).isEmpty()) StringGrid1->setRowCount(StringGrid1->rowCount() + 1);
    const QString file = QFileInfo(OpenDialog1.FileName).absoluteFilePath();
    setRow(StringGrid1->rowCount() - 1, file, builderTitleText(nativePath(file)));
}

void TForm4::Button2Click() {
    if (cellText(0).isEmpty()) return;
    if (!SaveDialog1.Execute(this)) return;
    std::vector<std::string> files;
    for (const QString& row : rows()) files.push_back(nativePath(row));
    buildLevelSetFile(nativePath(SaveDialog1.FileName), files);
}

bool TForm4::StringGrid1KeyDown(int key) {
    if (key != Qt::Key_Delete) return false;
    const int count = StringGrid1->rowCount();
    const int row = selectedFileRow;
    if (row < 0 || row >= count) return true;
    for (int r = row; r < count - 1; ++r) setRow(r, cellText(r + 1), cellText(r + 1, 1));
    setRow(count - 1, QString(), QString());
    if (count > 1) {
        const QSignalBlocker blocker(StringGrid1);
        StringGrid1->setRowCount(count - 1);
    }
    // Deleting the last row moves the selection onto the new last row.
    selectedFileRow = std::min(row, StringGrid1->rowCount() - 1);
    const QSignalBlocker blocker(StringGrid1);
    StringGrid1->setCurrentCell(selectedFileRow, 0);
    return true;
}

void TForm4::StringGrid1SelectCell(int row) {
    if (row >= 0) selectedFileRow = row;
}

bool TForm4::eventFilter(QObject* watched, QEvent* event) {
    if (watched == StringGrid1 && event->type() == QEvent::KeyPress) {
        if (StringGrid1KeyDown(static_cast<QKeyEvent*>(event)->key())) return true;
    }
    return QDialog::eventFilter(watched, event);
}

}  // namespace prismcrate
