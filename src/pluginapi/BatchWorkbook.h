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
    virtual tax::Status Open(const std::string& path) = 0;
    virtual void Add(const tax::batch::RowText& row, const tax::batch::RowResult& r) = 0;
    virtual void AddTotals(const batch::Totals& totals) = 0;
    virtual tax::Status Close() = 0;

    // The same with the message in `error`, for the callers not yet moved to the above.
    bool Open(const std::string& path, std::string& error) { return Told(Open(path), error); }
    bool Close(std::string& error) { return Told(Close(), error); }

private:
    static bool Told(const tax::Status& status, std::string& error) {
        if (!status) error = status.error();
        return status.ok();
    }
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
