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

class IBatchWorkbook {
public:
    virtual ~IBatchWorkbook() = default;
    // As batch::XlsxWriter: the workbook at `path`, one row at a time, the totals, then Close.
    virtual bool Open(const std::string& path, std::string& error) = 0;
    virtual void Add(const tax::batch::RowText& row, const tax::batch::RowResult& r) = 0;
    virtual void AddTotals(const batch::Totals& totals) = 0;
    virtual bool Close(std::string& error) = 0;
};

class IBatchWorkbookFactory {
public:
    virtual ~IBatchWorkbookFactory() = default;
    virtual IBatchWorkbook* Create() = 0;
    // batch::OpenWorkbook, inside the plugin.
    virtual tax::Result<std::unique_ptr<batch::Workbook>> OpenBook(const std::string& path, batch::FileKind kind) = 0;
};
#define IBatchWorkbookFactory_iid "cn.qingfu.BatchWorkbook/2"
Q_DECLARE_INTERFACE(IBatchWorkbookFactory, IBatchWorkbookFactory_iid)

namespace batchbook {
// A new workbook writer, or null when the plugin cannot be found or loaded; `error` says why.
std::unique_ptr<IBatchWorkbook> Create(QString& error);
// batch::OpenWorkbook through the plugin; a failure when the plugin cannot be loaded either.
tax::Result<std::unique_ptr<batch::Workbook>> OpenBook(const std::string& path, batch::FileKind kind);
} // namespace batchbook
