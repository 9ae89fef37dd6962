#pragma once
// The batch window's rows and their 2019 figures, held compactly: a million person-months in
// little more than the room their file takes. Each row's cells (batch::compact's form) and each
// row's figures (tax::packed's) lie end to end in blocks of a megabyte, found through a small
// entry per row; a changed row is put again at the end and its old bytes let go of when the
// store is compacted.

#include "batch/PackedCells.h"
#include "batch/Rows.h"
#include "tax/Packed.h"
#include "tax/Payroll2019.h"

#include <cstdint>
#include <iterator>
#include <string>
#include <vector>

// One row: its cells (工号, the five inputs, the carried columns, the problem; under the 2019 law
// the sheet's columns as read, then the problem) each as a length and its bytes, in one string.
struct BatchRow {
    std::string cells;
    std::uint32_t line = 0; // the file line it came from; 0 for typed rows
    batch::RowKind kind = batch::RowKind::kPerson;
};

// Bytes put end to end and found again by where they were put; rewriting one leaves its old
// bytes as garbage until Compact, which the owner calls when there is as much garbage as use.
class PackedColumn {
public:
    static constexpr std::uint64_t kNone = UINT64_MAX;
    std::uint64_t Put(std::string_view bytes);
    std::string_view At(std::uint64_t where) const { return arena_.At(where); }
    // `bytes` of the column's are no longer wanted.
    void Forget(size_t bytes) { garbage_ += bytes; }
    // Whether the garbage is worth a copy of what is used (and more than `least` bytes).
    bool Wasteful(size_t least) const { return garbage_ > least && garbage_ > used_ - garbage_; }
    static constexpr size_t kLeastGarbage = 4u << 20; // a few blocks
    void Clear() { *this = PackedColumn(); }

private:
    tax::packed::Arena arena_;
    size_t used_ = 0, garbage_ = 0;
};

class BatchRows {
public:
    BatchRows() = default;
    BatchRows(const std::vector<BatchRow>& rows); // NOLINT: a list of rows is a store of them
    operator std::vector<BatchRow>() const;       // NOLINT: and back

    size_t size() const { return at_.size(); }
    bool empty() const { return at_.empty(); }
    // A row, unpacked into a row of its own (safe on any thread while nothing changes).
    BatchRow operator[](size_t i) const;
    BatchRow back() const { return (*this)[size() - 1]; }
    batch::RowKind Kind(size_t i) const { return static_cast<batch::RowKind>(at_[i] >> kKindShift); }
    std::uint32_t Line(size_t i) const { return line_[i]; }
    // The same, kept unpacked until another row is asked or any change: for the cells of one
    // row asked one after another as a view paints them (the GUI thread alone).
    const BatchRow& Cached(size_t i) const;
    // Its cell `column` (empty past its last) and whether it is blank, read from the same.
    std::string_view CachedCell(size_t i, size_t column) const {
        Cached(i);
        return column < cachedCells_.size() ? cachedCells_[column] : std::string_view();
    }
    bool CachedBlank(size_t i) const {
        Cached(i);
        return cachedBlank_;
    }
    // A row with nothing typed in it, as 添加行 makes it: a person's row whose cells are empty.
    static bool Blank(const BatchRow& row);
    // Each cell of row i as stored, handed to `each(column, text)` until it returns false,
    // nothing unpacked (the text lives until the next call of `each`).
    template <class Each>
    void Cells(size_t i, Each&& each) const {
        const std::string_view in = Bytes(i);
        size_t at = 0;
        batch::compact::CellDigits digits;
        const unsigned long long n = batch::compact::GetNumber(in, at);
        for (size_t c = 0; c < n; ++c)
            if (!each(c, batch::compact::GetCompactCell(in, at, digits))) return;
    }

    void push_back(const BatchRow& row);
    void Set(size_t i, const BatchRow& row);
    void SetLine(size_t i, std::uint32_t line) {
        Forget();
        line_[i] = line;
    }
    // `rows` in at `at`; `count` copies of `row` in at `at`; rows [first, first + count) out.
    void Insert(size_t at, BatchRows rows);
    void Insert(size_t at, size_t count, const BatchRow& row);
    void Erase(size_t first, size_t count);
    BatchRows Slice(size_t first, size_t count) const;
    void clear();
    void swap(BatchRows& other) noexcept;
    void reserve(size_t rows) {
        at_.reserve(rows);
        line_.reserve(rows);
    }
    void shrink_to_fit() {
        at_.shrink_to_fit();
        line_.shrink_to_fit();
    }
    // The garbage let be before the rows are compacted (tests make it small).
    void CompactAfter(size_t bytes) { least_ = bytes; }

    class const_iterator {
    public:
        using iterator_category = std::input_iterator_tag;
        using value_type = BatchRow;
        using difference_type = std::ptrdiff_t;
        using pointer = void;
        using reference = BatchRow;
        const_iterator(const BatchRows* rows, size_t at) : rows_(rows), at_(at) {}
        BatchRow operator*() const { return (*rows_)[at_]; }
        const_iterator& operator++() {
            ++at_;
            return *this;
        }
        const_iterator operator++(int) { return const_iterator(rows_, at_++); }
        bool operator==(const const_iterator& o) const { return at_ == o.at_; }

    private:
        const BatchRows* rows_;
        size_t at_;
    };
    const_iterator begin() const { return {this, 0}; }
    const_iterator end() const { return {this, size()}; }

private:
    // Where a row's cells were put, its kind in the top byte (the arena's places need fewer bits).
    static constexpr int kKindShift = 56;
    static constexpr std::uint64_t kWhere = (1ULL << kKindShift) - 1;
    std::string_view Bytes(size_t i) const { return bytes_.At(at_[i] & kWhere); }
    std::uint64_t Pack(const BatchRow& row);
    std::uint64_t Copy(const BatchRows& from, size_t i);
    void Compact();
    void Forget() const { cachedRow_ = SIZE_MAX; }

    // A row's place and kind, and its line: apart, so that neither is padded.
    std::vector<std::uint64_t> at_;
    std::vector<std::uint32_t> line_;
    PackedColumn bytes_;
    size_t least_ = PackedColumn::kLeastGarbage;
    mutable size_t cachedRow_ = SIZE_MAX;
    mutable BatchRow cached_;
    mutable std::vector<std::string_view> cachedCells_; // into cached_
    mutable bool cachedBlank_ = false;
    std::string scratch_;
};

// The 2019 figures of each row, by the row's number: none (Figures() as it starts) until put.
class BatchFigures {
public:
    size_t size() const { return at_.size(); }
    tax::payroll2019::Figures operator[](size_t i) const;
    bool Ok(size_t i) const { return at_[i] != PackedColumn::kNone && tax::packed::FiguresOk(bytes_.At(at_[i])); }
    void Put(size_t i, const tax::payroll2019::Figures& f);
    // Row i without figures again.
    void Clear(size_t i) { Forget(i); }
    // Every row without figures, `rows` of them.
    void Assign(size_t rows);
    void Insert(size_t at, size_t count);
    void Erase(size_t first, size_t count);
    void Resize(size_t rows);
    void clear() { Assign(0); }
    void shrink_to_fit() { at_.shrink_to_fit(); }
    void CompactAfter(size_t bytes) { least_ = bytes; }

private:
    void Forget(size_t i);
    void Compact();

    std::vector<std::uint64_t> at_;
    PackedColumn bytes_;
    size_t least_ = PackedColumn::kLeastGarbage;
    std::string scratch_;
};
