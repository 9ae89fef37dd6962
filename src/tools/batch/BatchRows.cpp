#include "tools/batch/BatchRows.h"

#include "batch/PackedCells.h"

#include <utility>

namespace tp = tax::payroll2019;

std::uint64_t PackedColumn::Put(std::string_view bytes) {
    used_ += bytes.size();
    return arena_.Append(bytes);
}

BatchRows::BatchRows(const std::vector<BatchRow>& rows) {
    index_.reserve(rows.size());
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
    row.line = index_[i].line;
    row.kind = index_[i].kind;
    size_t at = 0;
    batch::compact::Expand(bytes_.At(index_[i].at), at, row.cells);
    return row;
}

const BatchRow& BatchRows::Cached(size_t i) const {
    if (cachedRow_ != i) {
        cached_.line = index_[i].line;
        cached_.kind = index_[i].kind;
        cached_.cells.clear();
        size_t at = 0;
        batch::compact::Expand(bytes_.At(index_[i].at), at, cached_.cells);
        cachedRow_ = i;
    }
    return cached_;
}

BatchRows::Entry BatchRows::Pack(const BatchRow& row) {
    scratch_.clear();
    batch::compact::Compact(row.cells, scratch_);
    return Entry{bytes_.Put(scratch_), row.line, row.kind};
}

void BatchRows::push_back(const BatchRow& row) {
    Forget();
    index_.push_back(Pack(row));
}

void BatchRows::Set(size_t i, const BatchRow& row) {
    Forget();
    bytes_.Forget(batch::compact::CompactSize(bytes_.At(index_[i].at)));
    index_[i] = Pack(row);
    if (bytes_.Wasteful()) Compact();
}

void BatchRows::Insert(size_t at, BatchRows rows) {
    Forget();
    if (empty()) { // into an empty table (an import): the rows as they are, not copied
        swap(rows);
        return;
    }
    std::vector<Entry> added;
    added.reserve(rows.size());
    for (size_t i = 0; i < rows.size(); ++i) {
        const std::string_view packed = rows.bytes_.At(rows.index_[i].at);
        added.push_back(Entry{bytes_.Put(packed.substr(0, batch::compact::CompactSize(packed))), rows.index_[i].line,
                              rows.index_[i].kind});
    }
    index_.insert(index_.begin() + static_cast<std::ptrdiff_t>(at), added.begin(), added.end());
}

void BatchRows::Insert(size_t at, size_t count, const BatchRow& row) {
    Forget();
    std::vector<Entry> added;
    added.reserve(count);
    for (size_t i = 0; i < count; ++i)
        added.push_back(Pack(row));
    index_.insert(index_.begin() + static_cast<std::ptrdiff_t>(at), added.begin(), added.end());
}

void BatchRows::Erase(size_t first, size_t count) {
    Forget();
    for (size_t i = first; i < first + count; ++i)
        bytes_.Forget(batch::compact::CompactSize(bytes_.At(index_[i].at)));
    index_.erase(index_.begin() + static_cast<std::ptrdiff_t>(first),
                 index_.begin() + static_cast<std::ptrdiff_t>(first + count));
    if (bytes_.Wasteful()) Compact();
}

BatchRows BatchRows::Slice(size_t first, size_t count) const {
    BatchRows out;
    out.index_.reserve(count);
    for (size_t i = first; i < first + count; ++i) {
        const std::string_view packed = bytes_.At(index_[i].at);
        out.index_.push_back(
            Entry{out.bytes_.Put(packed.substr(0, batch::compact::CompactSize(packed))), index_[i].line, index_[i].kind});
    }
    return out;
}

void BatchRows::clear() {
    Forget();
    index_ = {};
    bytes_.Clear();
}

void BatchRows::swap(BatchRows& other) noexcept {
    Forget();
    other.Forget();
    index_.swap(other.index_);
    std::swap(bytes_, other.bytes_);
}

// Every row put again in order into fresh blocks, the garbage left behind.
void BatchRows::Compact() {
    Forget();
    BatchRows fresh = Slice(0, size());
    index_.swap(fresh.index_);
    std::swap(bytes_, fresh.bytes_);
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
    if (bytes_.Wasteful()) Compact();
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
    if (bytes_.Wasteful()) Compact();
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
