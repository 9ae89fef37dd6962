// The batch window's workbook writer and readers: batch::XlsxWriter and batch::OpenWorkbook
// behind the plugin interface, so that their libraries are loaded only when first used.
#include "batch/Xlsx.h"
#include "pluginapi/BatchWorkbook.h"

#include <QObject>

namespace {

class WorkbookWriter : public IBatchWorkbook {
public:
    tax::Status Open(const std::string& path) override { return writer_.Open(path); }
    tax::Status Begin(const batch::Layout& layout) override { return writer_.Begin(layout); }
    tax::Status Add(const batch::Record& record, const tax::batch::RowResult& r) override {
        return writer_.Add(record, r);
    }
    tax::Status Finish(const batch::Totals& totals) override { return writer_.Finish(totals); }
    void Abandon() override { writer_.Abandon(); }

private:
    batch::XlsxWriter writer_;
};

class MonthlyWriter : public IMonthlyWorkbook {
public:
    tax::Status Open(const std::string& path) override { return writer_.Open(path); }
    tax::Status Begin(const std::vector<std::string>& titles) override { return writer_.Begin(titles); }
    tax::Status Add(const batch::monthly::Record& record, const tax::payroll2019::Figures& f) override {
        return writer_.Add(record, f);
    }
    // A year imported from month sheets keeps a sheet a month.
    tax::Status Section(const std::string& name) override { return writer_.Section(name); }
    tax::Status Finish() override { return writer_.Finish(); }
    void Abandon() override { writer_.Abandon(); }

private:
    batch::MonthlyXlsx writer_;
};

class TableWriter : public ITableWorkbook {
public:
    tax::Status Open(const std::string& path) override { return writer_.Open(path); }
    tax::Status Begin(std::span<const batch::table::Column> columns) override { return writer_.Begin(columns); }
    tax::Status Add(const batch::table::Row& row) override { return writer_.Add(row); }
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
    IBatchWorkbook* Create() override { return new WorkbookWriter; }
    IMonthlyWorkbook* CreateMonthly() override { return new MonthlyWriter; }
    ITableWorkbook* CreateTable() override { return new TableWriter; }
    tax::Result<std::unique_ptr<batch::Workbook>> OpenBook(const std::string& path, batch::FileKind kind) override {
        return batch::OpenWorkbook(path, kind);
    }
};

#include "WorkbookPlugin.moc"
