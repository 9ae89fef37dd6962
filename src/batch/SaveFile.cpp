#include "batch/SaveFile.h"

#include <QFile>
#include <QFileInfo>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <unistd.h>

namespace batch {

std::optional<std::string> SaveTarget(const std::string& path) {
    const QFileInfo chosen(QFile::decodeName(path.c_str()));
    if (!chosen.isSymLink() && !chosen.exists()) return path;
    const QString resolved = chosen.canonicalFilePath();
    if (resolved.isEmpty() || !QFileInfo(resolved).isFile()) return std::nullopt;
    return QFile::encodeName(resolved).toStdString();
}

std::string ScratchPath(const std::string& path) {
    static std::atomic<int> counter{0};
    return path + ".part-" + std::to_string(getpid()) + "-" + std::to_string(counter++);
}

std::string Commit(const std::string& scratch, const std::string& path) {
    if (std::rename(scratch.c_str(), path.c_str()) != 0) {
        const std::string reason = std::strerror(errno);
        std::remove(scratch.c_str());
        return reason;
    }
    return {};
}

} // namespace batch
