#include "levels/level_folders.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include "levels/title_text.h"

namespace prismcrate {

QString userLevelsFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/prismcrate/levels");
}

std::string progressFilePath() {
    const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    if (config.isEmpty()) return {};
    return nativePath(config + QStringLiteral("/prismcrate/progress"));
}

bool folderWritable(const QString& folder) {
    const std::string path = nativePath(folder);
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode) &&
           ::access(path.c_str(), W_OK | X_OK) == 0;
}

QString LevelFolders::startFolder(const QString& programFolder) const {
    if (!lastFolder_.isEmpty()) return lastFolder_;
    if (folderWritable(programFolder) || userFolder_.isEmpty()) return programFolder;
    if (QDir().mkpath(userFolder_) && folderWritable(userFolder_)) return userFolder_;
    return programFolder;
}

void LevelFolders::remember(const QString& chosenFile) {
    if (chosenFile.isEmpty()) return;
    lastFolder_ = QFileInfo(chosenFile).absolutePath();
}

LevelFolders& levelFolders() {
    static LevelFolders folders;
    return folders;
}

}  // namespace prismcrate
