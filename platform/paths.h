// Where the program finds its data files.
#pragma once

#include <QString>

namespace prismcrate {

// The program's own folder, with a trailing '/'.
QString programDir();

// assets/NAME beside the program, or, when it is not there, assets/NAME in the current
// directory.
QString assetPath(const QString& name);

}  // namespace prismcrate
