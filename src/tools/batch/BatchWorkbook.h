#pragma once
// The batch window's workbooks, through the plugin that is loaded on their first use.

#include "pluginapi/BatchWorkbook.h"

#include <QString>
#include <memory>
#include <string>

namespace batchbook {
// A new workbook writer, or null when the plugin cannot be found or loaded; `error` says why.
std::unique_ptr<IBatchWorkbook> Create(QString& error);
std::unique_ptr<IMonthlyWorkbook> CreateMonthly(QString& error);
std::unique_ptr<ITableWorkbook> CreateTable(QString& error);
// batch::OpenWorkbook through the plugin; a failure when the plugin cannot be loaded either.
tax::Result<std::unique_ptr<batch::Workbook>> OpenBook(const std::string& path, batch::FileKind kind);
} // namespace batchbook
