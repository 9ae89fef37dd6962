#include "tools/batch/BatchRows.h"

#include "batch/PackedCells.h"

#include <utility>

namespace tp = tax::payroll2019;

std::uint64_t PackedColumn::Put(std::string_view bytes) {
    used_ += bytes.size();
    return arena_.Append(bytes);
}

BatchRows::BatchRows(const std::vector<BatchRow>& rows) {
    reserve(rows.size());
    for (const BatchRow& row : rows)
        push_back(row);
}

BatchRows::operator std::vector<BatchRow>() const {
    std::vector<BatchRow> rows;
    rows.reserve(size());
    for (size_t i = 0; i < size(); ++i)
        rows.push_back((*this)[i]);
    return rows;
}

BatchRow BatchRows::operator[](size_t i) const {
    BatchRow row;
    row.line = Line(i);
    row.kind = Kind(i);
    size_t at = 0;
    batch::compact::Expand(Bytes(i), at, row.cells);
    return row;
}

const BatchRow& BatchRows::Cached(size_t i) const {
    if (cachedRow_ != i) {
        cached_.line = Line(i);
        cached_.kind = Kind(i);
        cached_.cells.clear();
        size_t at = 0;
        batch::compact::Expand(Bytes(i), at, cached_.cells);
        cachedCells_.clear();
        for (size_t k = 0; k < cached_.cells.size();)
            cachedCells_.push_back(batch::GetCell(cached_.cells, k));
        cachedBlank_ = Blank(cached_);
        cachedRow_ = i;
    }
    return cached_;
}

bool BatchRows::Blank(const BatchRow& row) {
    if (row.kind != batch::RowKind::kPerson) return false;
    size_t at = 0;
    while (at < row.cells.size())
        if (!batch::GetCell(row.cells, at).empty()) return false;
    return true;
}

std::uint64_t BatchRows::Pack(const BatchRow& row) {
    scratch_.clear();
    batch::compact::Compact(row.cells, scratch_);
    return bytes_.Put(scratch_) | static_cast<std::uint64_t>(row.kind) << kKindShift;
}

// Row i of `from` put here as it is stored, not unpacked.
std::uint64_t BatchRows::Copy(const BatchRows& from, size_t i) {
    const std::string_view packed = from.Bytes(i);
    return bytes_.Put(packed.substr(0, batch::compact::CompactSize(packed))) | (from.at_[i] & ~kWhere);
}

void BatchRows::push_back(const BatchRow& row) {
    Forget();
    at_.push_back(Pack(row));
    line_.push_back(row.line);
}

void BatchRows::Set(size_t i, const BatchRow& row) {
    Forget();
    bytes_.Forget(batch::compact::CompactSize(Bytes(i)));
    at_[i] = Pack(row);
    line_[i] = row.line;
    if (bytes_.Wasteful(least_)) Compact();
}

void BatchRows::Insert(size_t at, BatchRows rows) {
    Forget();
    if (empty()) { // into an empty table (an import): the rows as they are, not copied
        swap(rows);
        return;
    }
    std::vector<std::uint64_t> added;
    added.reserve(rows.size());
    for (size_t i = 0; i < rows.size(); ++i)
        added.push_back(Copy(rows, i));
    at_.insert(at_.begin() + static_cast<std::ptrdiff_t>(at), added.begin(), added.end());
    line_.insert(line_.begin() + static_cast<std::ptrdiff_t>(at), rows.line_.begin(), rows.line_.end());
}

void BatchRows::Insert(size_t at, size_t count, const BatchRow& row) {
    Forget();
    std::vector<std::uint64_t> added;
    added.reserve(count);
    for (size_t i = 0; i < count; ++i)
        added.push_back(Pack(row));
    at_.insert(at_.begin() + static_cast<std::ptrdiff_t>(at), added.begin(), added.end());
    line_.insert(line_.begin() + static_cast<std::ptrdiff_t>(at), count, row.line);
}

void BatchRows::Erase(size_t first, size_t count) {
    Forget();
    for (size_t i = first; i < first + count; ++i)
        bytes_.Forget(batch::compact::CompactSize(Bytes(i)));
    const auto from = static_cast<std::ptrdiff_t>(first), to = static_cast<std::ptrdiff_t>(first + count);
    at_.erase(at_.begin() + from, at_.begin() + to);
    line_.erase(line_.begin() + from, line_.begin() + to);
    if (bytes_.Wasteful(least_)) Compact();
}

BatchRows BatchRows::Slice(size_t first, size_t count) const {
    BatchRows out;
    out.reserve(count);
    for (size_t i = first; i < first + count; ++i)
        out.at_.push_back(out.Copy(*this, i));
    out.line_.assign(line_.begin() + static_cast<std::ptrdiff_t>(first),
                     line_.begin() + static_cast<std::ptrdiff_t>(first + count));
    return out;
}

void BatchRows::clear() {
    Forget();
    at_ = {};
    line_ = {};
    bytes_.Clear();
}

void BatchRows::swap(BatchRows& other) noexcept {
    Forget();
    other.Forget();
    at_.swap(other.at_);
    line_.swap(other.line_);
    std::swap(bytes_, other.bytes_);
}

// Every row put again in order into fresh blocks, the garbage left behind.
void BatchRows::Compact() {
    Forget();
    BatchRows fresh = Slice(0, size());
    swap(fresh);
}

tp::Figures BatchFigures::operator[](size_t i) const {
    if (at_[i] == PackedColumn::kNone) return tp::Figures();
    size_t at = 0;
    return tax::packed::GetFigures(bytes_.At(at_[i]), at);
}

void BatchFigures::Forget(size_t i) {
    if (at_[i] == PackedColumn::kNone) return;
    size_t at = 0;
    tax::packed::GetFigures(bytes_.At(at_[i]), at);
    bytes_.Forget(at);
    at_[i] = PackedColumn::kNone;
}

void BatchFigures::Put(size_t i, const tp::Figures& f) {
    Forget(i);
    scratch_.clear();
    tax::packed::PutFigures(scratch_, f);
    at_[i] = bytes_.Put(scratch_);
    if (bytes_.Wasteful(least_)) Compact();
}

void BatchFigures::Assign(size_t rows) {
    at_.assign(rows, PackedColumn::kNone);
    bytes_.Clear();
}

void BatchFigures::Insert(size_t at, size_t count) {
    at_.insert(at_.begin() + static_cast<std::ptrdiff_t>(at), count, PackedColumn::kNone);
}

void BatchFigures::Erase(size_t first, size_t count) {
    for (size_t i = first; i < first + count; ++i)
        Forget(i);
    at_.erase(at_.begin() + static_cast<std::ptrdiff_t>(first), at_.begin() + static_cast<std::ptrdiff_t>(first + count));
    if (bytes_.Wasteful(least_)) Compact();
}

void BatchFigures::Resize(size_t rows) {
    if (rows < size()) Erase(rows, size() - rows);
    else Insert(size(), rows - size());
}

// Every row's figures put again in order into fresh blocks.
void BatchFigures::Compact() {
    PackedColumn fresh;
    for (std::uint64_t& where : at_) {
        if (where == PackedColumn::kNone) continue;
        const std::string_view in = bytes_.At(where);
        size_t at = 0;
        tax::packed::GetFigures(in, at);
        where = fresh.Put(in.substr(0, at));
    }
    std::swap(bytes_, fresh);
}
