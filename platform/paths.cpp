#include "platform/paths.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace prismcrate {

QString programDir() {
    QString dir = QCoreApplication::applicationDirPath();
    if (!dir.endsWith(QLatin1Char('/'))) dir += QLatin1Char('/');
    return dir;
}

QString assetPath(const QString& name) {
    const QString beside = programDir() + QStringLiteral("assets/") + name;
    if (QFileInfo::exists(beside)) return beside;
    return QStringLiteral("assets/") + name;
}

}  // namespace prismcrate
