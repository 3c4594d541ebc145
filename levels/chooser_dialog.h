// The level chooser: lists the levels of a level set, opens another set, and confirms the
// level to play. It also holds the current set's path (Edit1) and the current level's
// 0-based index (the hidden Edit2) for the whole program. It can only be left by
// confirming a level.
//
// Edit1 shows the path as text; the file's name as the file system has it (bytes, which
// need not be UTF-8) is kept beside it, and currentSetFile() gives those bytes as long as
// Edit1 shows them.
#pragma once

#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <cstddef>
#include <functional>
#include <set>
#include <string>

#include "levels/file_dialog.h"

namespace prismcrate {

class TForm2 : public QDialog {
    Q_OBJECT
  public:
    explicit TForm2(QWidget* parent = nullptr);

    QLineEdit* Edit1 = nullptr;      // current set path; disabled, white
    QLineEdit* Edit2 = nullptr;      // current level index; hidden, "0" at start
    QPushButton* Button2 = nullptr;  // "Открыть"
    QPushButton* Button1 = nullptr;  // "OK"
    QTableWidget* StringGrid1 = nullptr;
    TFileDialog OpenDialog1;

    // The row the user selected last.
    int selectedLevelRow = 0;

    // Fills the list from a set file; "a" stands for the standard set beside the program.
    // The path becomes the current set path. A file that cannot be read throws EFOpenError.
    // A set of more levels than the list holds (kMaxListedLevels) lists the first ones and
    // says so in the error box, once the event loop runs.
    void loadlevels(QString path);
    // The same for a file named by its bytes.
    void loadSetFile(const std::string& nativePath);
    // Number of levels found by the last loadlevels (the list keeps one row even when 0).
    int levelCount() const { return levelCount_; }

    // The current set and level as the rest of the program reads and writes them: the
    // path in Edit1 (as the file system takes it) and the 0-based position in Edit2, which
    // reads as 0 unless it holds a plain non-negative number. The set's size for the
    // advance after a win is the number of rows of the list.
    std::string currentSetFile() const;
    // Makes a file the current set without listing it (the next showing lists it).
    void setCurrentSetFile(const std::string& file);
    int currentLevel() const;
    void setCurrentLevel(int index);
    int levelRows() const;

    // What the confirmation asks of the main window: load the level named by Edit1 and
    // Edit2, show "Уровень: N" in its level caption, and arm its redraw timer DXTimer3.
    std::function<void()> loadlevfromlvp;
    std::function<void(const QString&)> setLevelCaption;
    std::function<void()> enableDXTimer3;

    // The player's progress: the 0-based levels of a set already solved, whose rows the
    // list marks with a tick beside the number; and the news that the player opened a set.
    std::function<std::set<long long>(const std::string& setFile)> solvedLevels;
    std::function<void(const std::string& setFile)> setOpened;

    // Handlers.
    void FormCreate();
    void FormShow();
    // Returns true when the key is swallowed.
    bool FormKeyDown(int key, Qt::KeyboardModifiers modifiers);
    void Button1Click();
    void Button2Click();
    bool StringGrid1KeyDown(int key);
    void StringGrid1SelectCell(int row);

    // The only way out is a confirmation: Escape and closing do nothing.
    void reject() override {}

  protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    void setCell(int row, int column, const QString& text);

    std::string setFile_;  // the bytes behind Edit1's text
    int levelCount_ = 0;
    bool confirming_ = false;
};

// The most levels the list shows.
constexpr std::size_t kMaxListedLevels = 100000;

// What the number column shows for the level at 0-based `index`: its number, after a tick
// when it has been solved.
QString levelNumberText(long long index, bool solved);

// The level caption of the main window for the level at 0-based `index`: "Уровень: "
// followed by index + 1.
QString levelCaption(int index);

// The full path of the standard set: the program's folder followed by
// "levels/standart.lvp"; as the file system names it, and as text for showing.
std::string standardSetFile();
QString standardSetPath();

}  // namespace prismcrate
