// The level-set builder: a list of level files, "Добавить" to add one, the Delete key to
// remove the selected one, and "Создать" to write them into a level set in list order.
// One dialog for the whole run: the list is kept between openings.
#pragma once

#include <QDialog>
#include <QPushButton>
#include <QStringList>
#include <QTableWidget>
#include <string>

#include "levels/file_dialog.h"

namespace prismcrate {

class TForm4 : public QDialog {
    Q_OBJECT
  public:
    explicit TForm4(QWidget* parent = nullptr);

    // One level file per row: its full path, and the title of its level beside it; starts
    // with one empty row.
    QTableWidget* StringGrid1 = nullptr;
    QPushButton* Button1 = nullptr;  // "Добавить"
    QPushButton* Button2 = nullptr;  // "Создать"
    TFileDialog OpenDialog1;
    TFileDialog SaveDialog1;

    // The row the user selected last; the Delete key acts on it.
    int selectedFileRow = 0;

    // The files of the list's rows, first to last, and the titles shown beside them.
    QStringList rows() const;
    QStringList titles() const;
    static constexpr int kPathColumnWidth = 187;

    // Handlers. Button2Click throws EFOpenError or EFCreateError when the set cannot be
    // built; the old set file is then left as it was.
    void Button1Click();
    void Button2Click();
    bool StringGrid1KeyDown(int key);
    void StringGrid1SelectCell(int row);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QString cellText(int row, int column = 0) const;
    void setCellText(int row, const QString& text, int column = 0);
    void setRow(int row, const QString& file, const QString& title);
};

// What the builder shows beside a level file: its level's title, or what stands in for it
// when the title is empty or the file holds no level or cannot be read.
QString builderTitleText(const std::string& file);

}  // namespace prismcrate
