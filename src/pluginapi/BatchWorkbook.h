#pragma once
// The interface between the batch window and the workbook plugin (the workbook writer and
// readers and what they pull in: zip, deflate), which the window loads on its first workbook
// export or import, so the program's start never loads them. Both sides include this alone.

#include <QString>
#include <QtPlugin>
#include <memory>
#include <string>

#ifndef Q_MOC_RUN
#include "batch/Monthly.h"
#include "batch/Rows.h"
#include "batch/Sheet.h"
#include "batch/Table.h"
#include "tax/Batch.h"
#include "tax/Result.h"
#endif

// batch::XlsxWriter: Open, then the PayrollWriter calls; Abandon drops an unfinished workbook
// at once (a cancelled export), without writing it out.
class IBatchWorkbook : public batch::PayrollWriter {
public:
    virtual tax::Status Open(const std::string& path) = 0;
    virtual void Abandon() = 0;
};

// batch::MonthlyXlsx, the 2019 law's person-month rows, the same way.
class IMonthlyWorkbook : public batch::monthly::Writer {
public:
    virtual tax::Status Open(const std::string& path) = 0;
    virtual void Abandon() = 0;
};

// batch::XlsxTableWriter, any kind's table (the 2019 law's payments), the same way.
class ITableWorkbook : public batch::table::TableWriter {
public:
    virtual tax::Status Open(const std::string& path) = 0;
    virtual void Abandon() = 0;
};

class IBatchWorkbookFactory {
public:
    virtual ~IBatchWorkbookFactory() = default;
    virtual IBatchWorkbook* Create() = 0;
    virtual IMonthlyWorkbook* CreateMonthly() = 0;
    virtual ITableWorkbook* CreateTable() = 0;
    // batch::OpenWorkbook, inside the plugin.
    virtual tax::Result<std::unique_ptr<batch::Workbook>> OpenBook(const std::string& path, batch::FileKind kind) = 0;
};
#define IBatchWorkbookFactory_iid "cn.qingfu.BatchWorkbook/5"
Q_DECLARE_INTERFACE(IBatchWorkbookFactory, IBatchWorkbookFactory_iid)
