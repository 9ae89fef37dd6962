#pragma once
// Workbooks for the batch window's export and import. libxlsxwriter, the workbook readers and
// what they pull in (zip, crypto) live in a plugin loaded on the first workbook export or
// import, so the program's start never loads them.

#include <QString>
#include <QtPlugin>
#include <memory>
#include <string>

#ifndef Q_MOC_RUN
#include "batch/Rows.h"
#include "batch/Sheet.h"
#include "tax/Batch.h"
#endif

// batch::XlsxWriter: Open, then the PayrollWriter calls; Abandon drops an unfinished workbook
// at once (a cancelled export), without writing it out.
class IBatchWorkbook : public batch::PayrollWriter {
public:
    virtual tax::Status Open(const std::string& path) = 0;
    virtual void Abandon() = 0;
};

class IBatchWorkbookFactory {
public:
    virtual ~IBatchWorkbookFactory() = default;
    virtual IBatchWorkbook* Create() = 0;
    // batch::OpenWorkbook, inside the plugin.
    virtual tax::Result<std::unique_ptr<batch::Workbook>> OpenBook(const std::string& path, batch::FileKind kind) = 0;
};
#define IBatchWorkbookFactory_iid "cn.qingfu.BatchWorkbook/3"
Q_DECLARE_INTERFACE(IBatchWorkbookFactory, IBatchWorkbookFactory_iid)

namespace batchbook {
// A new workbook writer, or null when the plugin cannot be found or loaded; `error` says why.
std::unique_ptr<IBatchWorkbook> Create(QString& error);
// batch::OpenWorkbook through the plugin; a failure when the plugin cannot be loaded either.
tax::Result<std::unique_ptr<batch::Workbook>> OpenBook(const std::string& path, batch::FileKind kind);
} // namespace batchbook
