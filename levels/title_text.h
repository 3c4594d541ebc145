// Level titles and file names between the user interface's text and the files' bytes.
#pragma once

#include <QFile>
#include <QString>
#include <string>

#include "levels/cp1251.h"

namespace prismcrate {

// cp1251 bytes of a file to display text.
inline QString titleToText(const std::string& cp1251) {
    return QString::fromStdString(cp1251ToUtf8(cp1251));
}

// Display text to cp1251 bytes; characters with no cp1251 byte become '?'.
inline std::string titleFromText(const QString& text) {
    return utf8ToCp1251(text.toStdString()).bytes;
}

// A path as the operating system takes it.
inline std::string nativePath(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

}  // namespace prismcrate
