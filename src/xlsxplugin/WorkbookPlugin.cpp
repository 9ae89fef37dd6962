// The batch window's workbook writer and readers: batch::XlsxTableWriter and batch::OpenWorkbook
// behind the plugin interface, so that their libraries are loaded only when first used.
#include "batch/Xlsx.h"
#include "pluginapi/BatchWorkbook.h"

#include <QObject>

namespace {

class TableWriter : public ITableWorkbook {
public:
    tax::Status Open(const std::string& path) override { return writer_.Open(path); }
    tax::Status Begin(std::span<const batch::table::Column> columns) override { return writer_.Begin(columns); }
    tax::Status Add(const batch::table::Row& row) override { return writer_.Add(row); }
    // A year imported from month sheets keeps a sheet a month, each with its sums.
    tax::Status Section(const std::string& name) override { return writer_.Section(name); }
    tax::Status Subtotal(const batch::table::Row& totals) override { return writer_.Subtotal(totals); }
    tax::Status Finish(const batch::table::Row& totals) override { return writer_.Finish(totals); }
    void Abandon() override { writer_.Abandon(); }

private:
    batch::XlsxTableWriter writer_;
};

} // namespace

class TBatchWorkbookFactory : public QObject, public IBatchWorkbookFactory {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID IBatchWorkbookFactory_iid)
    Q_INTERFACES(IBatchWorkbookFactory)
public:
    ITableWorkbook* Create() override { return new TableWriter; }
    tax::Result<std::unique_ptr<batch::Workbook>> OpenBook(const std::string& path, batch::FileKind kind) override {
        return batch::OpenWorkbook(path, kind);
    }
};

#include "WorkbookPlugin.moc"
