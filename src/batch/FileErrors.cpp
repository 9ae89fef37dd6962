#include "batch/FileErrors.h"

#include <QDir>
#include <QFileInfo>
#include <QStorageInfo>
#include <cerrno>
#include <cstring>

namespace batch {

std::string SystemErrorText(int error) {
    switch (error) {
    case ENOENT: return "文件或文件夹不存在";
    case EACCES:
    case EPERM: return "没有权限";
    case EISDIR: return "这是一个文件夹";
    case ENOSPC: return "磁盘空间不足";
#ifdef EDQUOT
    case EDQUOT: return "超出磁盘配额";
#endif
    case EROFS: return "磁盘是只读的";
    case ENAMETOOLONG: return "文件名太长";
    case ENOTDIR: return "路径中有一段不是文件夹";
    case EMFILE:
    case ENFILE: return "打开的文件太多";
    case EIO: return "读写出错";
    default: return "系统错误 " + std::to_string(error) + "（" + std::strerror(error) + "）";
    }
}

} // namespace batch

namespace files {

namespace {

// The table's words as a sentence of the save's message.
QString Said(int error) {
    return QString::fromStdString(batch::SystemErrorText(error)) + QStringLiteral("。");
}
const QString kNoFolder = QStringLiteral("文件夹“%1”不存在。");
const QString kNotFolder = QStringLiteral("“%1”不是文件夹。");

// Most file systems take 255 bytes for one name; Windows counts 255 characters.
constexpr int kMaxNameBytes = 255;

bool NameTooLong(const QString& path) {
    const QString name = QFileInfo(path).fileName();
#ifdef Q_OS_WIN
    return name.size() > kMaxNameBytes;
#else
    return QFile::encodeName(name).size() > kMaxNameBytes;
#endif
}

// The nearest ancestor of `path` that exists, and whether every one below it is missing.
QString ExistingAncestor(const QString& path) {
    QString dir = QFileInfo(path).absolutePath();
    while (!QFileInfo::exists(dir)) {
        const QString up = QFileInfo(dir).absolutePath();
        if (up == dir) break;
        dir = up;
    }
    return dir;
}

QString Native(const QString& path) {
    return QDir::toNativeSeparators(path);
}

// What the number says, when it is one of the common causes.
QString FromNumber(const QString& path, int error) {
    const QString folder = QFileInfo(path).absolutePath();
    switch (error) {
    case ENOSPC:
#ifdef EDQUOT
    case EDQUOT:
#endif
    case EROFS:
    case EACCES:
    case EPERM:
    case ENAMETOOLONG:
        return Said(error);
    case ENOENT:
        return kNoFolder.arg(Native(folder));
    case ENOTDIR: {
        // The part of the path that is there but is not a folder.
        const QString ancestor = ExistingAncestor(path);
        return kNotFolder.arg(Native(QFileInfo(ancestor).isDir() ? folder : ancestor));
    }
    default:
        return {};
    }
}

// What the file system shows, when the number was lost on the way.
QString FromFileSystem(const QString& path) {
    const QFileInfo info(path);
    const QFileInfo folder(info.absolutePath());
    if (NameTooLong(path)) return Said(ENAMETOOLONG);
    if (!folder.exists()) {
        const QFileInfo ancestor(ExistingAncestor(path));
        if (!ancestor.isDir()) return kNotFolder.arg(Native(ancestor.filePath()));
        return kNoFolder.arg(Native(folder.filePath()));
    }
    if (!folder.isDir()) return kNotFolder.arg(Native(folder.filePath()));
    const QStorageInfo storage(folder.filePath());
    if (storage.isValid() && storage.isReadOnly()) return Said(EROFS);
    if (!folder.isWritable() || (info.exists() && !info.isWritable())) return Said(EACCES);
    if (storage.isValid() && storage.bytesAvailable() == 0) return Said(ENOSPC);
    return {};
}

} // namespace

QString SaveErrorText(const QString& path, int systemError, const QString& systemText) {
    QString reason = FromNumber(path, systemError);
    if (reason.isEmpty()) reason = FromFileSystem(path);
    if (!reason.isEmpty()) return reason;
    QString detail = systemText;
    if (detail.isEmpty() && systemError != 0) detail = QString::fromLocal8Bit(std::strerror(systemError));
    if (detail.isEmpty()) return QStringLiteral("写入文件时出错。");
    return QStringLiteral("写入文件时出错（%1）。").arg(detail);
}

QString NotRegularFileText(const QString& path) {
    return QStringLiteral("“%1”不是普通文件（它是文件夹、设备、管道或无效的链接），为免损坏它，没有写入，它保持原样。")
        .arg(Native(path));
}

} // namespace files
