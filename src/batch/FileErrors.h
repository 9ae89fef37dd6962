#pragma once
// Why a file could not be saved, in words a person reads: every save of the program reports
// its failures through this, so they all sound the same.

#include <QString>

#include <string>

namespace batch {

// A system error number as the person at the screen reads it, for reading and writing alike:
// the one table of error numbers ("磁盘空间不足"), the system's own text for the rare ones.
std::string SystemErrorText(int error);

} // namespace batch

namespace files {

// The reason a save to `path` failed, in Chinese. `systemError` is the error number the failing
// call left (errno; 0 when unknown) and `systemText` the system's or Qt's own message. No space,
// a read-only file system, no permission, a missing folder, a folder that is a file and a name
// that is too long are said in Chinese, from the number or else from the file system around
// `path`; any other cause is given in the system's text after a Chinese lead.
QString SaveErrorText(const QString& path, int systemError, const QString& systemText);

// The reason for refusing to write over something that is not a regular file.
QString NotRegularFileText(const QString& path);

} // namespace files
