#include "shell/BatchWorkbook.h"

#include "framework/Plugins.h"

#include <QMutex>

namespace batchbook {

std::unique_ptr<IBatchWorkbook> Create(QString& error) {
    // Exports run on a worker thread; the first load is made once.
    static QMutex mutex;
    static IBatchWorkbookFactory* factory = nullptr;
    QMutexLocker lock(&mutex);
    if (!factory) {
        factory = qobject_cast<IBatchWorkbookFactory*>(plugins::Load(QStringLiteral("qingfu_xlsx"), error));
        if (!factory) return nullptr;
    }
    return std::unique_ptr<IBatchWorkbook>(factory->Create());
}

} // namespace batchbook
