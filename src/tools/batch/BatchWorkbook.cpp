#include "tools/batch/BatchWorkbook.h"

#include "framework/Plugins.h"

#include <QMutex>

namespace batchbook {

namespace {

// Exports and imports run on a worker thread; the first load is made once.
IBatchWorkbookFactory* Factory(QString& error) {
    static QMutex mutex;
    static IBatchWorkbookFactory* factory = nullptr;
    QMutexLocker lock(&mutex);
    if (!factory)
        factory = qobject_cast<IBatchWorkbookFactory*>(plugins::Load(QStringLiteral("qingfu_xlsx"), error));
    return factory;
}

} // namespace

std::unique_ptr<ITableWorkbook> Create(QString& error) {
    IBatchWorkbookFactory* factory = Factory(error);
    if (!factory) return nullptr;
    return std::unique_ptr<ITableWorkbook>(factory->Create());
}

tax::Result<std::unique_ptr<batch::Workbook>> OpenBook(const std::string& path, batch::FileKind kind) {
    QString error;
    IBatchWorkbookFactory* factory = Factory(error);
    if (!factory) return tax::Fail("无法载入读取工作簿的组件：" + error.toStdString());
    return factory->OpenBook(path, kind);
}

} // namespace batchbook
