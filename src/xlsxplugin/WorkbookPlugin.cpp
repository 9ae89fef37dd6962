// The batch window's workbook writer: batch::XlsxWriter behind the plugin interface, so that
// libxlsxwriter is loaded only for the first XLSX export.
#include "batch/Xlsx.h"
#include "shell/BatchWorkbook.h"

#include <QObject>

namespace {

class Workbook : public IBatchWorkbook {
public:
    bool Open(const std::string& path, std::string& error) override { return writer_.Open(path, error); }
    void Add(const tax::batch::RowText& row, const tax::batch::RowResult& r) override { writer_.Add(row, r); }
    void AddTotals(const batch::Totals& totals) override { writer_.AddTotals(totals); }
    bool Close(std::string& error) override { return writer_.Close(error); }

private:
    batch::XlsxWriter writer_;
};

} // namespace

class TBatchWorkbookFactory : public QObject, public IBatchWorkbookFactory {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID IBatchWorkbookFactory_iid)
    Q_INTERFACES(IBatchWorkbookFactory)
public:
    IBatchWorkbook* Create() override { return new Workbook; }
};

#include "WorkbookPlugin.moc"
