#pragma once
// Inside the workbook readers: the two formats behind batch::OpenWorkbook, the bounds a workbook
// must stay within, and numbers turned into the text a spreadsheet shows.

#include "batch/Sheet.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace batch::book {

// A payroll of a million rows fits inside these (this program's own workbook of 1,048,575 rows
// has a sheet part of about 700 MB, more with many carried columns); a file beyond them is
// refused rather than inflated into memory or worked through for many minutes. Sheets are read
// as they inflate, so a large part costs time, not memory.
inline constexpr std::uint64_t kMaxEntryBytes = 2ull << 30;      // one part, inflated
inline constexpr std::uint64_t kMaxTotalBytes = 3ull << 30;      // all parts together
inline constexpr std::int64_t kMaxEntries = 10000;               // parts in the container
inline constexpr std::size_t kMaxSharedStrings = 4'000'000;
inline constexpr std::uint64_t kMaxSharedStringBytes = 256ull << 20;
inline constexpr int kMaxColumns = 16384;                        // A to XFD
inline constexpr std::size_t kMaxMarkupRun = 4u << 20;           // bytes between two '<'

// Number text as stored in a workbook ("12000.1000000000004", "1E-3", "-0") as a spreadsheet
// shows it: at most 15 significant digits, rounded half away from zero on the decimal digits
// themselves, no trailing zeros, no exponent between 1E-10 and 1E+21. Text that is not a
// number is returned trimmed but otherwise as it is.
std::string NumberText(std::string_view stored);
// A binary number (from an .xls) to the same text, through its correctly rounded 15 digits.
std::string DoubleText(double value);

// How a cell's number format shows its number: as it is, as a percentage, or as a date or time.
enum class Shown : unsigned char { kNumber, kPercent, kDate };
// The built-in formats by their number (9 and 10 percentages; 14 to 22, 27 to 36, 45 to 47 and
// 50 to 58 dates and times, the last two ranges those of Chinese and other East Asian settings).
Shown ShownById(int id);
// A format code ("0.00%", "yyyy\"年\"m\"月\"", "[$-F800]dddd") by what it shows, quoted text,
// escaped characters and colours in brackets left aside.
Shown ShownByCode(std::string_view code);
// A number as a cell of that format shows it: "10.5%", "2024-01-01", "2024-01-01 08:30:00",
// "08:30:00"; the plain number for a serial outside the calendar (before 1900, after 9999).
std::string ShownText(double value, Shown shown, bool date1904);

// Column number from 1 for the letters of a cell reference ("A1" → 1, "AA7" → 27); 0 when the
// reference has no letters or goes past XFD.
int ColumnOf(std::string_view reference);

tax::Result<std::unique_ptr<Workbook>> OpenXlsx(const std::string& path);
// FreeXL decodes every cell of every sheet when it opens a book, as large as the sheets' recorded
// dimensions say (a 10 KB file can ask for gigabytes), and trusts lengths inside the file; so the
// program reads .xls in a helper process of bounded memory and time (qingfu-xls, which runs
// OpenXlsHere) and only a message comes back when that fails.
tax::Result<std::unique_ptr<Workbook>> OpenXls(const std::string& path);
tax::Result<std::unique_ptr<Workbook>> OpenXlsHere(const std::string& path);
// The workbook stream of an Excel 97 or later book (BIFF8), as OpenXlsHere takes it out of the
// compound file.
tax::Result<std::unique_ptr<Workbook>> OpenBiff8(std::string stream);
// Books older than Excel 97 (a "Book" stream of BIFF5), which OpenXlsHere hands to FreeXL.
tax::Result<std::unique_ptr<Workbook>> OpenXlsFreeXl(const std::string& path);
// The helper's side: writes the sheet names (index < 0) or sheet `index`'s rows to `out` (a file
// descriptor) in the form OpenXls reads; 0 when all was written.
int ServeXls(const std::string& path, int index, int out);

} // namespace batch::book
