// Where the program finds its data files. File names are bytes to the file system and
// need not be UTF-8 (a folder named in cp1251, say), while Qt's text cannot carry every
// byte: the names given to the readers are therefore kept as bytes, and text made from
// them is for showing only.
#pragma once

#include <QString>
#include <string>

namespace prismcrate {

// The program's own folder as the file system names it, with a trailing '/'.
std::string nativeProgramDir();

// The same folder as text, for showing.
QString programDir();

// assets/NAME beside the program, or, when it is not there, assets/NAME in the current
// directory.
std::string assetPath(const std::string& name);

// True when a file (of any kind) of that name exists.
bool fileExists(const std::string& path);

}  // namespace prismcrate
