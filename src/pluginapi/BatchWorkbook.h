#pragma once
// The interface between the batch window and the workbook plugin (libxlsxwriter, the workbook
// readers and what they pull in: zip, crypto), which the window loads on its first workbook
// export or import, so the program's start never loads them. Both sides include this alone.

#include <QString>
#include <QtPlugin>
#include <memory>
#include <string>

#ifndef Q_MOC_RUN
#include "batch/Rows.h"
#include "batch/Sheet.h"
#include "tax/Batch.h"
#include "tax/Result.h"
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
