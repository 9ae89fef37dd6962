#include "shell/PlanChart.h"

#include <QCoreApplication>
#include <QDir>
#include <QPluginLoader>

namespace planchart {

namespace {

QString lastError;

// Beside the program (the build tree), where the installed program keeps its plugins, and one
// level up (test and bench programs in the build tree's subdirectories).
QStringList Places() {
    const QString bin = QCoreApplication::applicationDirPath();
    return {bin, QDir(bin).filePath(QStringLiteral(QINGFU_PLUGIN_FROM_BIN)), QDir(bin).filePath(QStringLiteral(".."))};
}

} // namespace

TPlanChartView* Create(QWidget* parent) {
    static IPlanChartFactory* factory = nullptr;
    if (!factory) {
        QStringList tried;
        for (const QString& dir : Places()) {
            QPluginLoader loader(QDir::cleanPath(QDir(dir).filePath(QStringLiteral("qingfu_planchart"))));
            if (auto* f = qobject_cast<IPlanChartFactory*>(loader.instance())) {
                factory = f; // the loader keeps the plugin loaded for the rest of the run
                break;
            }
            tried << loader.errorString();
        }
        if (!factory) {
            lastError = tried.join(QLatin1Char('\n'));
            return nullptr;
        }
    }
    return factory->Create(parent);
}

QString LoadError() {
    return lastError;
}

} // namespace planchart
