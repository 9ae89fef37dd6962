#pragma once
// The folder each kind of file was last opened from or saved to, remembered between runs, and
// the names a save dialog suggests.

#include <QString>

namespace recent {

// Kinds of file the program reads or writes.
inline const QString kPayroll = QStringLiteral("payroll"); // batch tables in and out
inline const QString kCapture = QStringLiteral("capture"); // window pictures

// The folder last used for `kind` while it still exists; else the user's documents folder,
// else the home folder.
QString Folder(const QString& kind);

// Writes down the folder of `file` as the last one used for `kind`.
void Remember(const QString& kind, const QString& file);

// A name for a new file: `source`'s name (folder dropped) with `suffix` instead of its own, or
// `fallback` when there is no source; when that is the source's own name, a mark tells the new
// file apart so the source is not offered for overwriting.
QString SuggestedName(const QString& source, const QString& suffix, const QString& fallback);

} // namespace recent
