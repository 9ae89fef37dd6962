#include "framework/RecentFolders.h"

#include "framework/Settings.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace recent {

namespace {
QString Entry(const QString& kind) {
    return QStringLiteral("folders/") + kind;
}
} // namespace

QString Folder(const QString& kind) {
    const QString last = settings::Store().value(Entry(kind)).toString();
    if (!last.isEmpty() && QFileInfo(last).isDir()) return last;
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (!documents.isEmpty() && QFileInfo(documents).isDir()) return documents;
    return QDir::homePath();
}

void Remember(const QString& kind, const QString& file) {
    if (file.isEmpty()) return;
    settings::Store().setValue(Entry(kind), QFileInfo(file).absolutePath());
}

QString SuggestedName(const QString& source, const QString& suffix, const QString& fallback) {
    if (source.isEmpty()) return fallback + QLatin1Char('.') + suffix;
    const QFileInfo info(source);
    const QString base = info.completeBaseName().isEmpty() ? fallback : info.completeBaseName();
    const QString name = base + QLatin1Char('.') + suffix;
    if (name.compare(info.fileName(), Qt::CaseInsensitive) != 0) return name;
    return base + QStringLiteral("-计算结果.") + suffix;
}

} // namespace recent
