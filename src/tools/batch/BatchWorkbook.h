#pragma once
// The batch window's workbooks, through the plugin that is loaded on their first use.

#include "pluginapi/BatchWorkbook.h"

#include <QString>
#include <memory>
#include <string>

namespace batchbook {
// A new workbook writer, or null when the plugin cannot be found or loaded; `error` says why.
// Every law's rows go into it as one table (batch/LawTables.h for the wage laws).
std::unique_ptr<ITableWorkbook> Create(QString& error);
// batch::OpenWorkbook through the plugin; a failure when the plugin cannot be loaded either.
tax::Result<std::unique_ptr<batch::Workbook>> OpenBook(const std::string& path, batch::FileKind kind);
} // namespace batchbook
