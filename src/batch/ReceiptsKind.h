#pragma once
// The law in force since 2019 on labour, author's and royalty payments (劳务报酬所得, 稿酬所得,
// 特许权使用费所得) withheld one payment at a time: each row of a sheet with the withholding
// forms' headings is one payment, its 所得项目 saying which of the three it is
// (tax::law2019::WithholdPayment).

#include "batch/Table.h"

namespace batch {
struct Input;
}

namespace batch::table {

class ReceiptsKind : public Kind {
public:
    std::span<const InputColumn> Inputs() const override;
    std::span<const int> PersonInputs() const override;
    tax::Status Accept(std::span<const int> at) const override;
    std::span<const Column> Outputs() const override;
    int TaxOutput() const override;
    int NoteOutput() const override;
    tax::Status Compute(const InputRow& in, std::span<Cell> out) override;
};

// Whether an opened sheet reads as such payments: the kind's reader finds its header. Asked of
// a sheet another law refuses, by the command line and the batch window alike.
bool ReadsAsReceipts(batch::Input& input);

} // namespace batch::table
