#include "platform/paths.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QFile>
#include <QImageReader>

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

QImage readImageFile(const std::string& path) {
    // Opened here and handed to Qt as an open file, so the name never has to be text.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return {};
    struct stat st {};
    QFile file;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) ||
        !file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return {};
    }
    QImageReader reader(&file);
    return reader.read();
}

}  // namespace prismcrate
