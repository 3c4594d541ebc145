#include "platform/paths.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QFile>

namespace prismcrate {
namespace {

// The running program's file, from the kernel's own link to it (bytes as they are).
std::string executablePath() {
    std::string path(256, '\0');
    for (int attempt = 0; attempt < 8; ++attempt) {
        const ssize_t n = ::readlink("/proc/self/exe", path.data(), path.size());
        if (n <= 0) return {};
        if (static_cast<std::size_t>(n) < path.size()) {
            path.resize(static_cast<std::size_t>(n));
            return path;
        }
        path.resize(path.size() * 2);
    }
    return {};
}

}  // namespace

std::string nativeProgramDir() {
    std::string exe = executablePath();
    std::size_t slash = exe.empty() || exe.front() != '/' ? std::string::npos : exe.rfind('/');
    if (slash == std::string::npos) {
        // No such link (not Linux, or no /proc): the toolkit's idea, whose text only holds
        // names that are valid in the locale's encoding.
        exe = QFile::encodeName(QCoreApplication::applicationFilePath()).toStdString();
        slash = exe.rfind('/');
        if (slash == std::string::npos) return "./";
    }
    return exe.substr(0, slash + 1);
}

QString programDir() {
    return QFile::decodeName(QByteArray::fromStdString(nativeProgramDir()));
}

std::string assetPath(const std::string& name) {
    const std::string beside = nativeProgramDir() + "assets/" + name;
    if (fileExists(beside)) return beside;
    return "assets/" + name;
}

bool fileExists(const std::string& path) {
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0;
}

}  // namespace prismcrate
