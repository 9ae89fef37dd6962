#include "batch/Table.h"

#include "batch/Amount.h"
#include "batch/Csv.h"
#include "batch/Handoff.h"
#include "batch/Rows.h"
#include "tax/Messages.h"

#include <algorithm>

namespace batch::table {

namespace {

constexpr int kHeaderSearchRows = 20;
constexpr size_t kFlushAt = 1 << 20;

std::string Quoted(std::string_view s) {
    return "“" + std::string(TrimCell(s)) + "”";
}

// Rows computed, each owning its cells: a row goes in by a swap, and the one it leaves behind
// is filled again with its strings' room kept.
struct RowsBatch : TextBatch {
    std::vector<Row> rows;

    bool Put(Row& row) {
        if (!Room(0, 512, 0)) return false;
        if (rows.size() == count) rows.emplace_back();
        std::swap(rows[count++], row);
        return true;
    }
};

} // namespace

// The input a heading names, or −1.
int InputOfHeading(const Kind& kind, std::string_view heading) {
    const std::string key = HeadingKeyOf(heading);
    if (key.empty()) return -1;
    const std::span<const InputColumn> inputs = kind.Inputs();
    for (size_t i = 0; i < inputs.size(); ++i)
        for (const char* name : inputs[i].names)
            if (name && key == HeadingKeyOf(name)) return static_cast<int>(i);
    return -1;
}

namespace {

int InputOf(const Kind& kind, std::string_view heading) { return InputOfHeading(kind, heading); }

bool IsOutputTitle(const Kind& kind, std::string_view heading) {
    const std::string key = HeadingKeyOf(heading);
    for (const Column& c : kind.Outputs())
        if (key == HeadingKeyOf(c.title)) return true;
    return false;
}

} // namespace

Cell Cell::Text(std::string_view s) {
    Cell c;
    if (TrimCell(s).empty()) return c;
    c.kind = kText;
    c.text = s;
    return c;
}

void AppendCellText(std::string& out, const Cell& cell, bool grouped) {
    switch (cell.kind) {
    case Cell::kEmpty: break;
    case Cell::kMoney: grouped ? tax::batch::AppendGrouped(out, cell.value) : tax::batch::AppendMoney(out, cell.value); break;
    case Cell::kNumber: AppendExact(out, cell.value); break;
    case Cell::kText:
    case Cell::kRate:
    case Cell::kMonth: out += cell.text; break;
    }
}

Cell Cell::Money(tax::Decimal v) {
    Cell c;
    c.kind = kMoney;
    c.value = v;
    return c;
}

Cell Cell::Rate(tax::Decimal fraction) {
    Cell c;
    c.kind = kRate;
    c.value = fraction;
    AppendExact(c.text, fraction * tax::Decimal(100));
    // Whole percents, as every table's rates are, without their ".00".
    if (c.text.ends_with(".00")) c.text.resize(c.text.size() - 3);
    c.text += '%';
    return c;
}

Cell Cell::Month(int month, std::string shown) {
    Cell c;
    c.kind = kMonth;
    c.value = month;
    c.text = std::move(shown);
    return c;
}

std::string HeadingsText(const Kind& kind) {
    std::string out;
    for (const InputColumn& input : kind.Inputs()) {
        out += input.names[0];
        out += "：";
        for (size_t i = 0; i < input.names.size() && input.names[i]; ++i) {
            if (i) out += "、";
            out += input.names[i];
        }
        out += '\n';
    }
    return out;
}

std::string CellRefusal(std::string_view title, const char* message, std::string_view cell) {
    std::string out = std::string(TrimCell(title)) + "：";
    const std::string_view m = message;
    const size_t at = m.find("{}");
    if (at == std::string_view::npos) return out + std::string(m);
    return out + std::string(m.substr(0, at)) + std::string(TrimCell(cell)) + std::string(m.substr(at + 2));
}

tax::Status ReadMoney(const InputRow& in, int input, bool required, tax::Decimal& out) {
    const size_t i = static_cast<size_t>(input);
    const std::string_view cell = in.cells[i];
    out = tax::Decimal();
    if (TrimCell(cell).empty())
        return required ? tax::Fail(CellRefusal(in.titles[i], tax::msg::kCellEmpty, cell)) : tax::Status();
    tax::batch::Amount a;
    // A percentage, a date, an error or a formula without its value is no amount either: refused
    // with the reason the payroll readers give.
    if (const AmountRead read = ReadAmount(cell, a); read != AmountRead::kOk)
        return tax::Fail(CellRefusal(in.titles[i], AmountReason(read), cell));
    if (a.value.IsNegative()) return tax::Fail(CellRefusal(in.titles[i], tax::msg::kCellNegative, cell));
    out = a.value;
    return {};
}

tax::Status TableReader::Map(const std::vector<std::string_view>& cells, long long line) {
    const size_t inputs = kind_.Inputs().size();
    std::vector<int> sheetAt(inputs, -1);
    for (size_t i = 0; i < cells.size(); ++i) {
        const int input = InputOf(kind_, cells[i]);
        if (input < 0 && IsOutputTitle(kind_, cells[i])) continue;
        if (input >= 0) {
            int& seen = sheetAt[static_cast<size_t>(input)];
            if (seen >= 0)
                return tax::Fail("第 " + std::to_string(line) + " 行的标题" +
                                 Quoted(cells[static_cast<size_t>(seen)]) + "与" + Quoted(cells[i]) +
                                 "是同一列，请删去或改名其中一列");
            seen = static_cast<int>(i);
        }
        const InputColumn* in = input >= 0 ? &kind_.Inputs()[static_cast<size_t>(input)] : nullptr;
        columns_.push_back({std::string(TrimCell(cells[i])), in ? in->type : Type::kText, in && in->summed});
        source_.push_back(i);
        input_.push_back(input);
    }
    if (tax::Status s = kind_.Accept(sheetAt); !s)
        return tax::Fail("第 " + std::to_string(line) + " 行的标题中" + s.error() + "。认得的标题：\n" +
                         HeadingsText(kind_));
    at_.assign(inputs, -1);
    inputTitles_.assign(inputs, std::string());
    for (size_t c = 0; c < input_.size(); ++c)
        if (input_[c] >= 0) {
            at_[static_cast<size_t>(input_[c])] = static_cast<int>(c);
            inputTitles_[static_cast<size_t>(input_[c])] = columns_[c].title;
        }
    label_ = 0;
    for (int p : kind_.PersonInputs())
        if (at_[static_cast<size_t>(p)] >= 0) {
            label_ = at_[static_cast<size_t>(p)];
            break;
        }
    for (const Column& c : kind_.Outputs())
        columns_.push_back(c);
    return {};
}

tax::Status TableReader::Start() {
    if (started_) return start_;
    started_ = true;
    for (int n = 0; n < kHeaderSearchRows; ++n) {
        long long line = 0;
        const tax::Result<bool> more = sheet_.Next(cells_, line);
        if (!more) return start_ = more.failure();
        if (!*more) break;
        int known = 0;
        for (std::string_view c : cells_)
            known += InputOf(kind_, c) >= 0;
        if (known >= 2 && !(problem_ && !problem_->empty())) return start_ = Map(cells_, line);
        ++skippedAbove_;
        for (std::string_view c : cells_)
            if (title_.empty() && !TrimCell(c).empty()) title_ = std::string(TrimCell(c));
    }
    return start_ = tax::Fail("没有找到标题行：前 " + std::to_string(kHeaderSearchRows) +
                              " 行中没有一行写着两个以上认得的标题。认得的标题：\n" + HeadingsText(kind_));
}

void TableReader::Take(long long line, std::string_view problem, Row& row, InputRow& in) {
    row.line = line;
    row.state = RowState::kComputed;
    row.refusal.clear();
    row.cells.assign(columns_.size(), Cell());
    inputCells_.assign(at_.size(), std::string_view());
    for (size_t c = 0; c < source_.size(); ++c) {
        const std::string_view cell = source_[c] < cells_.size() ? cells_[source_[c]] : std::string_view();
        if (input_[c] >= 0) inputCells_[static_cast<size_t>(input_[c])] = cell;
        tax::batch::Amount a;
        // Amounts read are shown as figures; anything else as written.
        if (columns_[c].type == Type::kMoney && !TrimCell(cell).empty() &&
            ReadAmount(cell, a) == AmountRead::kOk)
            row.cells[c] = Cell::Money(a.value);
        else
            row.cells[c] = Cell::Text(cell);
    }
    in.line = line;
    in.cells = inputCells_;
    in.titles = inputTitles_;
    // The sheet's own total row: its person, or its first cell, says 合计, 小计 or 总计.
    std::string_view person;
    for (int p : kind_.PersonInputs())
        if (person.empty()) person = TrimCell(inputCells_[static_cast<size_t>(p)]);
    if (IsTotalCell(person) || (!cells_.empty() && IsTotalCell(cells_[0]))) {
        row.state = RowState::kTotal;
    } else if (!problem.empty()) {
        row.state = RowState::kRefused;
        row.refusal = problem;
    } else if (person.empty()) {
        row.state = RowState::kRefused;
        for (int p : kind_.PersonInputs())
            row.refusal += (row.refusal.empty() ? "" : "和") + std::string(kind_.Inputs()[static_cast<size_t>(p)].names[0]);
        row.refusal += "都是空的，不知是谁";
    }
}

tax::Result<bool> TableReader::Next(Row& row, InputRow& in) {
    if (tax::Status s = Start(); !s) return s.failure();
    long long line = 0;
    const tax::Result<bool> more = sheet_.Next(cells_, line);
    if (!more || !*more) return more;
    Take(line, problem_ ? std::string_view(*problem_) : std::string_view(), row, in);
    return true;
}

void TableReader::OwnCells(std::vector<std::string_view>& cells) const {
    cells.resize(source_.size());
    for (size_t c = 0; c < source_.size(); ++c)
        cells[c] = source_[c] < cells_.size() ? cells_[source_[c]] : std::string_view();
}

void TableReader::Read(std::span<const std::string_view> own, long long line, std::string_view problem, Row& row,
                       InputRow& in) {
    // Started on the own columns' header, the reader keeps each column where it stands.
    cells_.assign(own.begin(), own.end());
    Take(line, problem, row, in);
}

void CsvTableWriter::Append(const Row& row) {
    bool first = true;
    for (const Cell& cell : row.cells) {
        if (!first) buffer_ += ',';
        first = false;
        switch (cell.kind) {
        case Cell::kEmpty:
            break;
        case Cell::kMoney:
            tax::batch::AppendMoney(buffer_, cell.value);
            break;
        case Cell::kNumber:
            AppendExact(buffer_, cell.value);
            break;
        case Cell::kText:
        case Cell::kRate:
        case Cell::kMonth:
            AppendCsvField(buffer_, cell.text);
            break;
        }
    }
    buffer_ += '\n';
}

tax::Status CsvTableWriter::Flush() {
    if (buffer_.empty()) return {};
    tax::Status s = write_(buffer_);
    buffer_.clear();
    return s;
}

tax::Status CsvTableWriter::Begin(std::span<const Column> columns) {
    if (bom_) buffer_ += "\xEF\xBB\xBF";
    bool first = true;
    for (const Column& c : columns) {
        if (!first) buffer_ += ',';
        first = false;
        AppendCsvField(buffer_, c.title);
    }
    buffer_ += '\n';
    return {};
}

tax::Status CsvTableWriter::Add(const Row& row) {
    Append(row);
    return buffer_.size() >= kFlushAt ? Flush() : tax::Status();
}

tax::Status CsvTableWriter::Finish(const Row& totals) {
    Append(totals);
    return Flush();
}

void Tally::Add(const Row& row, std::span<const Column> columns, tax::batch::Totals& totals, int sign) {
    if (row.state == RowState::kTotal) {
        totals.skipped += sign;
        return;
    }
    totals.read += sign;
    if (row.state == RowState::kRefused) {
        totals.refused += sign;
        return;
    }
    totals.computed += sign;
    auto add = [sign](tax::batch::Sum& sum, tax::Decimal v) { sum.Add(sign < 0 ? -v : v); };
    for (size_t c = 0; c < columns.size() && c < sums_.size(); ++c)
        if (columns[c].summed && row.cells[c].kind == Cell::kMoney) add(sums_[c], row.cells[c].value);
    if (taxColumn_ < row.cells.size() && row.cells[taxColumn_].kind == Cell::kMoney)
        add(totals.totalTax, row.cells[taxColumn_].value);
}

Row Tally::TotalsRow(std::span<const Column> columns, int labelColumn) const {
    Row totals;
    totals.state = RowState::kTotal;
    totals.cells.resize(columns.size());
    for (size_t c = 0; c < columns.size(); ++c)
        if (columns[c].summed) totals.cells[c] = Cell::Money(c < sums_.size() ? sums_[c].Value() : tax::Decimal());
    if (labelColumn >= 0 && static_cast<size_t>(labelColumn) < columns.size())
        totals.cells[static_cast<size_t>(labelColumn)] = Cell::Text(kTotalsTitle);
    return totals;
}

void ComputeRow(Kind& kind, size_t computedAt, const InputRow& in, Row& row) {
    const size_t noteColumn = computedAt + static_cast<size_t>(kind.NoteOutput());
    const std::span<Cell> out(row.cells.data() + computedAt, kind.Outputs().size());
    if (row.state == RowState::kComputed)
        if (tax::Status s = kind.Compute(in, out); !s) {
            std::fill(out.begin(), out.end(), Cell());
            row.state = RowState::kRefused;
            row.refusal = s.error();
        }
    if (row.state == RowState::kRefused) row.cells[noteColumn] = Cell::Text(row.refusal);
    if (row.state == RowState::kTotal) row.cells[noteColumn] = Cell::Text(kTotalNote);
}

tax::Result<bool> Pump(TableReader& reader, Kind& kind, TableWriter& writer, tax::batch::Totals& totals,
                       const std::function<void(const Row&)>& seen, bool* writing) {
    bool ignored = false;
    bool& w = writing ? *writing : ignored;
    w = false;
    if (tax::Status s = reader.Start(); !s) return s.failure();
    totals.skipped += reader.SkippedAbove();
    const std::span<const Column> columns = reader.Columns();
    const size_t computedAt = columns.size() - kind.Outputs().size();
    const size_t taxColumn = computedAt + static_cast<size_t>(kind.TaxOutput());
    Tally tally(columns, taxColumn);
    w = true;
    if (tax::Status s = writer.Begin(columns); !s) return s.failure();
    // Rows read and computed on a thread of their own, a few batches ahead of the writing here.
    Row row;
    InputRow in;
    w = false;
    const tax::Result<bool> done = ReadAhead<RowsBatch>(
        [&]() -> tax::Result<bool> {
            const tax::Result<bool> more = reader.Next(row, in);
            if (more && *more) ComputeRow(kind, computedAt, in, row);
            return more;
        },
        [&](RowsBatch& b) { return b.Put(row); },
        [&](RowsBatch& b, size_t i) -> tax::Result<bool> {
            const Row& r = b.rows[i];
            tally.Add(r, columns, totals);
            if (seen) seen(r);
            w = true;
            if (tax::Status s = writer.Add(r); !s) return s.failure();
            w = false;
            return true;
        });
    if (!done) return done;
    w = true;
    if (tax::Status s = writer.Finish(tally.TotalsRow(columns, reader.LabelColumn())); !s) return s.failure();
    return true;
}

} // namespace batch::table
