#include "shell/BatchWorkbook.h"

#include <QCoreApplication>
#include <QDir>
#include <QMutex>
#include <QPluginLoader>

namespace batchbook {

std::unique_ptr<IBatchWorkbook> Create(QString& error) {
    // Exports run on a worker thread; the first load is made once.
    static QMutex mutex;
    static IBatchWorkbookFactory* factory = nullptr;
    QMutexLocker lock(&mutex);
    if (!factory) {
        // Beside the program (the build tree), where the installed program keeps its plugins,
        // and one level up (test and bench programs in the build tree's subdirectories).
        const QString bin = QCoreApplication::applicationDirPath();
        QStringList tried;
        for (const QString& dir : {bin, QDir(bin).filePath(QStringLiteral(QINGFU_PLUGIN_FROM_BIN)),
                                   QDir(bin).filePath(QStringLiteral(".."))}) {
            QPluginLoader loader(QDir::cleanPath(QDir(dir).filePath(QStringLiteral("qingfu_xlsx"))));
            if (auto* f = qobject_cast<IBatchWorkbookFactory*>(loader.instance())) {
                factory = f; // the loader keeps the plugin loaded for the rest of the run
                break;
            }
            tried << loader.errorString();
        }
        if (!factory) {
            error = tried.join(QLatin1Char('\n'));
            return nullptr;
        }
    }
    return std::unique_ptr<IBatchWorkbook>(factory->Create());
}

} // namespace batchbook
