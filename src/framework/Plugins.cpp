#include "framework/Plugins.h"

#include <QCoreApplication>
#include <QDir>
#include <QPluginLoader>
#include <QStringList>

namespace plugins {

QObject* Load(const QString& name, QString& error) {
    const QString bin = QCoreApplication::applicationDirPath();
    QStringList tried;
    for (const QString& dir : {bin, QDir(bin).filePath(QStringLiteral(QINGFU_PLUGIN_FROM_BIN)),
                               QDir(bin).filePath(QStringLiteral(".."))}) {
        QPluginLoader loader(QDir::cleanPath(QDir(dir).filePath(name)));
        if (QObject* root = loader.instance()) return root;
        tried << loader.errorString();
    }
    error = tried.join(QLatin1Char('\n'));
    return nullptr;
}

} // namespace plugins
