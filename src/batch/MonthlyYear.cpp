#include "batch/MonthlyYear.h"

#include "batch/Amount.h"
#include "batch/Monthly.h"
#include "batch/Rows.h"

#include <algorithm>

namespace batch::monthly {

namespace {

constexpr int kHeaderSearchRows = 20;
constexpr const char* kMonthTitle = "所属月份";

// A heading known to either payroll: the person-month rows' or the older one-row-a-person one.
bool Known(std::string_view cell) {
    if (RoleOfHeading(cell) != Role::kCarried) return true;
    const Field f = FieldOfHeading(cell);
    return f != Field::kCarried && f != Field::kDerived;
}

// What the first rows of a sheet tell: the header's place and cells, the texts above it, and the
// first cell under a 月份 heading.
struct Head {
    long long row = 0; // the header's row; 0 when none was found
    std::vector<std::string> cells;
    std::vector<std::string> above;
    long long rowsAbove = 0; // the rows above the header (its title, a date line)
    std::string monthCell;
};

tax::Result<Head> ReadHead(SheetSource& sheet, bool readMonth) {
    Head head;
    std::vector<std::string_view> cells;
    int monthAt = -1;
    for (int n = 0; n < kHeaderSearchRows + 1; ++n) {
        long long row = 0;
        const tax::Result<bool> more = sheet.Next(cells, row);
        if (!more) return more.failure();
        if (!*more) break;
        if (head.row > 0) { // the first row under the header: its month, if it has that column
            if (monthAt >= 0 && static_cast<size_t>(monthAt) < cells.size()) head.monthCell = TrimCell(cells[static_cast<size_t>(monthAt)]);
            break;
        }
        if (std::count_if(cells.begin(), cells.end(), Known) >= 2) {
            head.row = row;
            head.cells.assign(cells.begin(), cells.end());
            for (size_t i = 0; i < cells.size(); ++i)
                if (RoleOfHeading(cells[i]) == Role::kMonth) monthAt = static_cast<int>(i);
            if (!readMonth || monthAt < 0) break;
            continue;
        }
        ++head.rowsAbove;
        for (std::string_view c : cells)
            if (!TrimCell(c).empty()) head.above.emplace_back(TrimCell(c));
        if (n == kHeaderSearchRows - 1) break;
    }
    return head;
}

std::string BaseName(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// One sheet read up to its header and dated.
tax::Result<MonthSheet> Probe(const std::string& file, const std::string& sheetName, int index, SheetSource& sheet) {
    tax::Result<Head> head = ReadHead(sheet, true);
    if (!head) return head.failure();
    MonthSheet p;
    p.file = file;
    p.sheetName = sheetName;
    p.sheetIndex = index;
    p.hasHeader = head->row > 0;
    p.rowsAbove = head->rowsAbove;
    p.title = head->above.empty() ? std::string() : head->above.front();
    p.hasMonthColumn = !head->monthCell.empty() ||
                       std::any_of(head->cells.begin(), head->cells.end(), [](const std::string& c) { return RoleOfHeading(c) == Role::kMonth; });
    PeriodClues clues{head->monthCell, sheetName, head->above, BaseName(file)};
    p.period = FindPeriod(clues);
    return p;
}

// The month a sheet's rows are for, as the month column takes it.
std::string MonthCell(const Period& p) {
    if (p.month <= 0) return {};
    if (p.year <= 0) return std::to_string(p.month);
    return std::to_string(p.year) + (p.month < 10 ? "-0" : "-") + std::to_string(p.month);
}

} // namespace

std::string MonthSheet::Shown() const {
    if (!sheetName.empty()) return "“" + BaseName(file) + "”的工作表“" + sheetName + "”";
    return "“" + BaseName(file) + "”";
}

std::string MonthSheet::SheetLabel() const {
    // A book's month sheets keep their names; a file a month ("Sheet1" each) is named by the file.
    if (!sheetName.empty() && ReadYearMonth(sheetName).month > 0) return sheetName;
    std::string base = BaseName(file);
    const size_t dot = base.find_last_of('.');
    return dot == std::string::npos || dot == 0 ? base : base.substr(0, dot);
}

tax::Result<std::vector<MonthSheet>> FindMonthSheets(const std::vector<std::string>& files, const std::string& sheet,
                                         const BookOpener& openBook, std::vector<std::string>& skipped) {
    std::vector<MonthSheet> monthSheets;
    for (const std::string& file : files) {
        tax::Result<std::unique_ptr<Input>> input = OpenInput(file, sheet, openBook);
        if (!input) return input.failure();
        Input& in = **input;
        if (!in.book || !sheet.empty() || in.book->SheetNames().size() == 1) {
            tax::Result<MonthSheet> p = Probe(file, in.book ? in.sheetName : std::string(), 0, *in.sheet);
            if (!p) return tax::Fail("“" + file + "”：" + p.error());
            monthSheets.push_back(std::move(*p));
            continue;
        }
        // Every sheet of the book whose name or title tells its month; the first alone when none does.
        std::vector<MonthSheet> months;
        const size_t skippedBefore = skipped.size();
        const std::vector<std::string> names = in.book->SheetNames();
        for (size_t i = 0; i < names.size(); ++i) {
            tax::Result<std::unique_ptr<SheetSource>> opened = in.book->OpenSheet(static_cast<int>(i));
            if (!opened) return tax::Fail("“" + file + "”的工作表“" + names[i] + "”：" + opened.error());
            tax::Result<MonthSheet> p = Probe(file, names[i], static_cast<int>(i), **opened);
            if (!p) return tax::Fail("“" + file + "”的工作表“" + names[i] + "”：" + p.error());
            const YearMonth own = ReadYearMonth(names[i]);
            bool titled = false;
            if (own.month == 0 && !p->title.empty()) titled = ReadYearMonth(p->title).month > 0;
            if (own.month > 0 || titled) months.push_back(std::move(*p));
            else skipped.push_back("“" + BaseName(file) + "”的工作表“" + names[i] + "”");
        }
        if (months.empty()) {
            skipped.resize(skippedBefore); // read as always: this book's other sheets are not months left out
            tax::Result<MonthSheet> p = Probe(file, in.sheetName, 0, *in.sheet);
            if (!p) return tax::Fail("“" + file + "”：" + p.error());
            months.push_back(std::move(*p));
        }
        for (MonthSheet& p : months) monthSheets.push_back(std::move(p));
    }
    std::stable_sort(monthSheets.begin(), monthSheets.end(), [](const MonthSheet& a, const MonthSheet& b) {
        return std::make_pair(a.period.year, a.period.month) < std::make_pair(b.period.year, b.period.month);
    });
    return monthSheets;
}

tax::Result<std::unique_ptr<YearSheet>> YearSheet::Open(std::vector<MonthSheet> monthSheets, const BookOpener& openBook) {
    std::unique_ptr<YearSheet> y(new YearSheet());
    y->sheets_ = std::move(monthSheets);
    y->openBook_ = openBook;
    std::vector<std::string> keys;
    for (size_t k = 0; k < y->sheets_.size(); ++k) {
        if (tax::Status s = y->OpenMonth(k); !s) return s.failure();
        tax::Result<Head> head = ReadHead(*y->input_->sheet, false);
        if (!head) return tax::Fail(y->sheets_[k].Shown() + "：" + head.error());
        std::vector<int> map;
        for (size_t i = 0; i < head->cells.size(); ++i) {
            // A column without a heading keeps its place by position.
            const std::string key = TrimCell(head->cells[i]).empty() ? "#" + std::to_string(i) : ColumnKeyOf(head->cells[i]);
            const auto at = std::find(keys.begin(), keys.end(), key);
            if (at != keys.end()) {
                map.push_back(static_cast<int>(at - keys.begin()));
                continue;
            }
            map.push_back(static_cast<int>(keys.size()));
            keys.push_back(key);
            y->header_.push_back(head->cells[i]);
            if (RoleOfHeading(head->cells[i]) == Role::kMonth && y->monthAt_ < 0) y->monthAt_ = static_cast<int>(y->header_.size() - 1);
        }
        y->maps_.push_back(std::move(map));
    }
    if (y->monthAt_ < 0) {
        y->monthAt_ = static_cast<int>(y->header_.size());
        y->header_.emplace_back(kMonthTitle);
    }
    y->input_.reset();
    return y;
}

tax::Status YearSheet::OpenMonth(size_t k) {
    const MonthSheet& p = sheets_[k];
    tax::Result<std::unique_ptr<Input>> in = OpenInput(p.file, p.sheetName, openBook_);
    if (!in) return in.failure();
    input_ = std::move(*in);
    return {};
}

tax::Result<bool> YearSheet::Next(std::vector<std::string_view>& cells, long long& row) {
    if (!headerGiven_) {
        headerGiven_ = true;
        views_.assign(header_.begin(), header_.end());
        cells = views_;
        row = 0;
        return true;
    }
    std::vector<std::string_view> got;
    for (;;) {
        if (!input_) {
            if (at_ >= sheets_.size()) return false;
            if (tax::Status s = OpenMonth(at_); !s) return s.failure();
            tax::Result<Head> head = ReadHead(*input_->sheet, false); // up to and with the header
            if (!head) return head.failure();
        }
        long long at = 0;
        const tax::Result<bool> more = input_->sheet->Next(got, at);
        if (!more) return tax::Fail(sheets_[at_].Shown() + "：" + more.error());
        if (!*more) {
            input_.reset();
            ++at_;
            continue;
        }
        const std::vector<int>& map = maps_[at_];
        cells_.assign(header_.size(), std::string());
        for (size_t i = 0; i < got.size() && i < map.size(); ++i)
            cells_[static_cast<size_t>(map[i])] = std::string(got[i]);
        std::string& month = cells_[static_cast<size_t>(monthAt_)];
        if (TrimCell(month).empty()) month = MonthCell(sheets_[at_].period);
        views_.assign(cells_.begin(), cells_.end());
        cells = views_;
        row = static_cast<long long>(at_) * kSheetRows + at;
        return true;
    }
}

int YearSheet::Permille() const {
    if (sheets_.empty()) return 1000;
    const int within = input_ ? input_->sheet->Permille() : 0;
    return static_cast<int>((static_cast<long long>(at_) * 1000 + within) / static_cast<long long>(sheets_.size()));
}

tax::Result<std::unique_ptr<Input>> OpenYear(const std::vector<MonthSheet>& monthSheets, const BookOpener& openBook) {
    tax::Result<std::unique_ptr<YearSheet>> year = YearSheet::Open(monthSheets, openBook);
    if (!year) return year.failure();
    auto input = std::make_unique<Input>();
    input->sheet = std::move(*year);
    return input;
}

} // namespace batch::monthly
