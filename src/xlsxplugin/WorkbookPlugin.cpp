// The batch window's workbook writer and readers: batch::XlsxWriter and batch::OpenWorkbook
// behind the plugin interface, so that their libraries are loaded only when first used.
#include "batch/Xlsx.h"
#include "pluginapi/BatchWorkbook.h"

#include <QObject>

namespace {

class WorkbookWriter : public IBatchWorkbook {
public:
    tax::Status Open(const std::string& path) override { return writer_.Open(path); }
    void Add(const tax::batch::RowText& row, const tax::batch::RowResult& r) override { writer_.Add(row, r); }
    void AddTotals(const batch::Totals& totals) override { writer_.AddTotals(totals); }
    tax::Status Close() override { return writer_.Close(); }

private:
    batch::XlsxWriter writer_;
};

} // namespace

class TBatchWorkbookFactory : public QObject, public IBatchWorkbookFactory {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID IBatchWorkbookFactory_iid)
    Q_INTERFACES(IBatchWorkbookFactory)
public:
    IBatchWorkbook* Create() override { return new WorkbookWriter; }
    tax::Result<std::unique_ptr<batch::Workbook>> OpenBook(const std::string& path, batch::FileKind kind) override {
        return batch::OpenWorkbook(path, kind);
    }
};

#include "WorkbookPlugin.moc"
