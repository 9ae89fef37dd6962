#pragma once
// Parts of the program that only some windows need (the plot, the workbook writer) live in
// plugins, loaded on first use so the program starts without them.

#include <QString>

class QObject;

namespace plugins {

// The root object of the plugin `name` (without prefix or suffix), looked for beside the
// program (the build tree), where the installed program keeps its plugins, and one level up
// (test and bench programs in the build tree's subdirectories). Null when none loads; `error`
// then says why, for each place tried. A loaded plugin stays loaded for the rest of the run.
QObject* Load(const QString& name, QString& error);

} // namespace plugins
