#pragma once
// The interface between the batch window and the workbook plugin (the workbook writer and
// readers and what they pull in: zip, deflate), which the window loads on its first workbook
// export or import, so the program's start never loads them. Both sides include this alone.

#include <QString>
#include <QtPlugin>
#include <memory>
#include <string>

#ifndef Q_MOC_RUN
#include "batch/Sheet.h"
#include "batch/Table.h"
#include "tax/Batch.h"
#include "tax/Result.h"
#endif

// batch::XlsxTableWriter: Open, then the table writer's calls (every law's rows as one table,
// batch/LawTables.h); Abandon drops an unfinished workbook at once (a cancelled export), without
// writing it out.
class ITableWorkbook : public batch::table::TableWriter {
public:
    virtual tax::Status Open(const std::string& path) = 0;
    virtual void Abandon() = 0;
};

class IBatchWorkbookFactory {
public:
    virtual ~IBatchWorkbookFactory() = default;
    virtual ITableWorkbook* Create() = 0;
    // batch::OpenWorkbook, inside the plugin.
    virtual tax::Result<std::unique_ptr<batch::Workbook>> OpenBook(const std::string& path, batch::FileKind kind) = 0;
};
#define IBatchWorkbookFactory_iid "cn.qingfu.BatchWorkbook/6"
Q_DECLARE_INTERFACE(IBatchWorkbookFactory, IBatchWorkbookFactory_iid)
