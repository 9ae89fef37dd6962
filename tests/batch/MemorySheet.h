#pragma once
// Rows handed out from memory as a sheet, the first row numbered 1, with a damaged file's failure
// after row `failAt` (0: none): for the pipelines' tests of what a failure partway does.

#include "batch/Sheet.h"

#include <string>
#include <vector>

class MemorySheet : public batch::SheetSource {
public:
    MemorySheet(const std::vector<std::vector<std::string>>& rows, size_t failAt) : rows_(rows), failAt_(failAt) {}
    tax::Result<bool> Next(std::vector<std::string_view>& cells, long long& row) override {
        if (failAt_ && at_ == failAt_) return tax::Fail("文件已损坏");
        if (at_ == rows_.size()) return false;
        cells.assign(rows_[at_].begin(), rows_[at_].end());
        row = static_cast<long long>(++at_);
        return true;
    }
    int Permille() const override { return 0; }

private:
    const std::vector<std::vector<std::string>>& rows_;
    size_t failAt_, at_ = 0;
};
