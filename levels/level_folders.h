// Where the editor's and the set builder's file dialogs start. The program's own levels
// folder is where they open as long as the user may write there; installed for all users
// it is read-only, and they open the user's own levels folder instead
// ($XDG_DATA_HOME/prismcrate/levels, made when first needed). Once a file has been chosen,
// its folder is where the next of these dialogs opens, for the rest of the run.
#pragma once

#include <QString>
#include <string>

namespace prismcrate {

// The user's own levels folder: $XDG_DATA_HOME/prismcrate/levels (~/.local/share/...).
QString userLevelsFolder();

// The player's progress file: $XDG_CONFIG_HOME/prismcrate/progress, as bytes.
std::string progressFilePath();

// True when `folder` is a folder the user may create files in.
bool folderWritable(const QString& folder);

class LevelFolders {
  public:
    explicit LevelFolders(QString userFolder = userLevelsFolder())
        : userFolder_(std::move(userFolder)) {}

    // The folder for a dialog whose own folder is `programFolder`: the last folder used,
    // else `programFolder` when it may be written, else the user folder (made when
    // missing; when it cannot be made, `programFolder` all the same).
    QString startFolder(const QString& programFolder) const;

    // A file was chosen: its folder is the next dialog's.
    void remember(const QString& chosenFile);

    const QString& lastFolder() const { return lastFolder_; }
    const QString& userFolder() const { return userFolder_; }

  private:
    QString userFolder_;
    QString lastFolder_;
};

// The one of the run.
LevelFolders& levelFolders();

}  // namespace prismcrate
