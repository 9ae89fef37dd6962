#include "shell/BatchModel.h"

#include "batch/Csv.h"
#include "batch/Decode.h"
#include "batch/Rows.h"
#include "batch/SaveFile.h"
#include "framework/FileErrors.h"
#include "shell/BatchTips.h"
#include "shell/BatchWorkbook.h"

#include "tax/WageTax.h"

#include <QBrush>
#include <QFont>
#include <QColor>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace tb = tax::batch;

namespace {

enum Out { kTaxable = tb::kInputColumns, kRate, kQuick, kWageTax, kWageNet, kBonusTax, kBonusNet, kTotalTax, kNote };

QString Text(const std::string& s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

} // namespace

BatchModel::BatchModel(QObject* parent) : QAbstractTableModel(parent), allowance_(tax::kAllowances[0]) {}

int BatchModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size()) + 1;
}

int BatchModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : tb::kOutputColumns;
}

void BatchModel::Recompute(BatchRow& row, tax::Decimal allowance) {
    tb::RowText view;
    for (size_t c = 0; c < view.size(); ++c)
        view[c] = row.text[c];
    row.result = tb::Compute(view, allowance);
}

QVariant BatchModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) return {};
    const int col = index.column();
    if (IsTotalsRow(index.row())) {
        if (role == Qt::FontRole) {
            QFont bold;
            bold.setBold(true);
            return bold;
        }
        if (role == Qt::BackgroundRole) return QBrush(QColor(240, 240, 232));
        if (role == Qt::TextAlignmentRole && col != tb::kName && col != kNote)
            return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
        if (role != Qt::DisplayRole) return {};
        switch (col) {
        case tb::kName: return QStringLiteral("合计");
        case tb::kWage: return batchio::Grouped(totals_.wage.Value());
        case tb::kInsurance: return batchio::Grouped(totals_.insurance.Value());
        case tb::kBonus: return batchio::Grouped(totals_.bonus.Value());
        case kWageTax: return batchio::Grouped(totals_.wageTax.Value());
        case kWageNet: return batchio::Grouped(totals_.wageNet.Value());
        case kBonusTax: return batchio::Grouped(totals_.bonusTax.Value());
        case kBonusNet: return batchio::Grouped(totals_.bonusNet.Value());
        case kTotalTax: return batchio::Grouped(totals_.totalTax.Value());
        default: return {};
        }
    }
    const BatchRow& row = rows_[static_cast<size_t>(index.row())];
    const tb::RowResult& r = row.result;
    if (role == Qt::EditRole && col < tb::kInputColumns) return Text(row.text[static_cast<size_t>(col)]);
    if (IsBlank(row)) return {};
    if (role == Qt::BackgroundRole && !r.ok) {
        // The refused row in pale red, its unreadable cell stronger.
        return QBrush(col == r.badColumn ? QColor(255, 180, 180) : QColor(255, 228, 228));
    }
    if (role == Qt::ForegroundRole && col == kNote && r.ok && r.zone) return QBrush(Qt::red);
    if (role == Qt::ToolTipRole && !r.ok) return QString::fromStdString(batch::RefusalText(row.line, r));
    if (role == Qt::TextAlignmentRole && col != tb::kName && col != kNote)
        return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
    if (role != Qt::DisplayRole) return {};
    if (col < tb::kInputColumns) return Text(row.text[static_cast<size_t>(col)]);
    if (!r.ok) return col == kNote ? QString::fromStdString(batch::RefusalText(0, r)) : QVariant();
    switch (col) {
    case kTaxable: return batchio::Grouped(r.bracket >= 0 ? r.taxable : tax::Decimal());
    case kRate: return QString::fromUtf8(tb::RateText(r.bracket).data());
    case kQuick: return batchio::Grouped(tb::BracketQuick(r.bracket));
    case kWageTax: return batchio::Grouped(r.wageTax);
    case kWageNet: return batchio::Grouped(r.wageNet);
    case kBonusTax: return r.hasBonus ? batchio::Grouped(r.bonusTax) : QVariant();
    case kBonusNet: return r.hasBonus ? batchio::Grouped(r.bonusNet) : QVariant();
    case kTotalTax: return batchio::Grouped(r.totalTax);
    case kNote: return r.zone ? QString::fromUtf8(r.zone->text) : QVariant();
    default: return {};
    }
}

QVariant BatchModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role == Qt::ToolTipRole && orientation == Qt::Horizontal) return batchtips::Column(section);
    if (role != Qt::DisplayRole) return {};
    if (orientation == Qt::Horizontal) return QString::fromUtf8(tb::kTitles[static_cast<size_t>(section)]);
    return IsTotalsRow(section) ? QString() : QString::number(section + 1);
}

Qt::ItemFlags BatchModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (!IsTotalsRow(index.row()) && index.column() < tb::kInputColumns) f |= Qt::ItemIsEditable;
    return f;
}

bool BatchModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (role != Qt::EditRole || !(flags(index) & Qt::ItemIsEditable)) return false;
    BatchRow& row = rows_[static_cast<size_t>(index.row())];
    std::string text = value.toString().toStdString();
    if (row.text[static_cast<size_t>(index.column())] == text) return false;
    row.text[static_cast<size_t>(index.column())] = std::move(text);
    Recompute(row, allowance_);
    emit dataChanged(this->index(index.row(), 0), this->index(index.row(), tb::kOutputColumns - 1));
    RecomputeTotals();
    emit Edited();
    return true;
}

void BatchModel::RecomputeTotals() {
    totals_ = batch::Totals();
    for (const BatchRow& row : rows_)
        if (!IsBlank(row)) totals_.Add(row.result);
    const int last = static_cast<int>(rows_.size());
    emit dataChanged(index(last, 0), index(last, tb::kOutputColumns - 1));
    emit TotalsChanged();
}

void BatchModel::SetAllowance(tax::Decimal allowance) {
    if (allowance == allowance_) return;
    allowance_ = allowance;
    for (BatchRow& row : rows_)
        Recompute(row, allowance_);
    if (!rows_.empty()) emit dataChanged(index(0, 0), index(static_cast<int>(rows_.size()) - 1, tb::kOutputColumns - 1));
    RecomputeTotals();
}

void BatchModel::Replace(std::vector<BatchRow> rows) {
    beginResetModel();
    rows_ = std::move(rows);
    endResetModel();
    RecomputeTotals();
}

void BatchModel::AddRows(int at, int count) {
    if (count <= 0) return;
    at = std::clamp(at, 0, static_cast<int>(rows_.size()));
    beginInsertRows(QModelIndex(), at, at + count - 1);
    BatchRow blank;
    Recompute(blank, allowance_);
    rows_.insert(rows_.begin() + at, static_cast<size_t>(count), blank);
    endInsertRows();
    RecomputeTotals();
    emit Edited();
}

bool BatchModel::IsBlank(const BatchRow& row) {
    return std::all_of(row.text.begin(), row.text.end(), [](const std::string& t) { return t.empty(); });
}

void BatchModel::ReplaceRows(int first, int count, std::vector<BatchRow> rows) {
    first = std::clamp(first, 0, static_cast<int>(rows_.size()));
    count = std::clamp(count, 0, static_cast<int>(rows_.size()) - first);
    for (BatchRow& row : rows)
        Recompute(row, allowance_);
    const int given = static_cast<int>(rows.size());
    const int kept = std::min(count, given);
    std::move(rows.begin(), rows.begin() + kept, rows_.begin() + first);
    if (kept > 0) emit dataChanged(index(first, 0), index(first + kept - 1, tb::kOutputColumns - 1));
    if (given > count) {
        beginInsertRows(QModelIndex(), first + count, first + given - 1);
        rows_.insert(rows_.begin() + first + count, std::make_move_iterator(rows.begin() + kept),
                     std::make_move_iterator(rows.end()));
        endInsertRows();
    } else if (count > given) {
        beginRemoveRows(QModelIndex(), first + given, first + count - 1);
        rows_.erase(rows_.begin() + first + given, rows_.begin() + first + count);
        endRemoveRows();
    }
    RecomputeTotals();
    emit Edited();
}

void BatchModel::RemoveRows(int first, int count) {
    first = std::clamp(first, 0, static_cast<int>(rows_.size()));
    count = std::min(count, static_cast<int>(rows_.size()) - first);
    if (count <= 0) return;
    beginRemoveRows(QModelIndex(), first, first + count - 1);
    rows_.erase(rows_.begin() + first, rows_.begin() + first + count);
    endRemoveRows();
    RecomputeTotals();
    emit Edited();
}

void BatchModel::Paste(int row, int column, const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    size_t given = 0;
    // Clipboard text is tab-separated whatever the first line holds.
    batch::CsvReader csv(
        [&](char* buffer, size_t capacity) {
            const size_t n = std::min(capacity, static_cast<size_t>(utf8.size()) - given);
            std::memcpy(buffer, utf8.constData() + given, n);
            given += n;
            return n;
        },
        1 << 16);
    std::vector<std::string_view> fields;
    long long line = 0;
    std::vector<std::vector<std::string>> block;
    bool header = false;
    std::array<int, tb::kInputColumns> map{};
    while (csv.Next(fields, line)) {
        if (block.empty() && !header) {
            map.fill(-1);
            for (size_t i = 0; i < fields.size(); ++i) {
                const int c = batch::ColumnOfTitle(fields[i]);
                if (c >= 0 && map[static_cast<size_t>(c)] < 0) {
                    map[static_cast<size_t>(c)] = static_cast<int>(i);
                    header = true;
                }
            }
            if (header) continue;
        }
        std::vector<std::string> cells;
        if (header) {
            for (int at : map)
                cells.emplace_back(at >= 0 && static_cast<size_t>(at) < fields.size() ? fields[static_cast<size_t>(at)]
                                                                                     : std::string_view());
        } else {
            for (std::string_view f : fields)
                cells.emplace_back(f);
        }
        block.push_back(std::move(cells));
    }
    // Spreadsheets end the copied block with a line break, which leaves no empty row here.
    if (block.empty()) return;
    if (header) {
        row = static_cast<int>(rows_.size());
        column = 0;
    }
    row = std::clamp(row, 0, static_cast<int>(rows_.size()));
    const size_t needed = static_cast<size_t>(row) + block.size();
    if (needed > rows_.size()) {
        const int first = static_cast<int>(rows_.size());
        beginInsertRows(QModelIndex(), first, static_cast<int>(needed) - 1);
        rows_.resize(needed);
        endInsertRows();
    }
    for (size_t i = 0; i < block.size(); ++i) {
        BatchRow& target = rows_[static_cast<size_t>(row) + i];
        for (size_t k = 0; k < block[i].size(); ++k) {
            const size_t c = static_cast<size_t>(column) + k;
            if (c < target.text.size()) target.text[c] = block[i][k];
        }
        Recompute(target, allowance_);
    }
    emit dataChanged(index(row, 0), index(static_cast<int>(needed) - 1, tb::kOutputColumns - 1));
    RecomputeTotals();
    emit Edited();
}

namespace batchio {

QString Grouped(tax::Decimal value) {
    std::string plain;
    tb::AppendMoney(plain, value);
    const size_t start = plain[0] == '-' ? 1 : 0;
    const size_t point = plain.find('.');
    std::string out = plain.substr(0, start);
    for (size_t i = start; i < point; ++i) {
        out += plain[i];
        const size_t left = point - i - 1;
        if (left > 0 && left % 3 == 0) out += ',';
    }
    out += plain.substr(point);
    return QString::fromLatin1(out.data(), static_cast<qsizetype>(out.size()));
}

ImportResult Import(const QString& path, tax::Decimal allowance, Progress& progress) {
    ImportResult result;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        result.error = file.errorString();
        return result;
    }
    const double size = std::max<qint64>(1, file.size());
    batch::DecodingSource decoded([&file](char* b, size_t n) {
        const qint64 got = file.read(b, static_cast<qint64>(n));
        return got > 0 ? static_cast<size_t>(got) : size_t{0};
    });
    batch::CsvReader csv([&decoded](char* b, size_t n) { return decoded.Read(b, n); });
    batch::RowReader reader(csv);
    tb::RowText view;
    long long line = 0;
    while (reader.Next(view, line)) {
        BatchRow row;
        for (size_t c = 0; c < view.size(); ++c)
            row.text[c].assign(view[c]);
        row.result = tb::Compute(view, allowance);
        row.line = line;
        result.rows.push_back(std::move(row));
        if ((result.rows.size() & 1023) == 0) {
            if (progress.cancel) {
                result.cancelled = true;
                result.rows.clear();
                return result;
            }
            progress.permille = static_cast<int>(1000.0 * static_cast<double>(file.pos()) / size);
        }
    }
    if (file.error() != QFileDevice::NoError) result.error = file.errorString();
    if (reader.MissingWage()) result.error = QStringLiteral("文件的标题行中没有“月工资”一列。");
    if (!result.error.isEmpty()) result.rows.clear();
    return result;
}

QString Export(const QString& path, const std::vector<BatchRow>& rows, const batch::Totals& totals,
               Progress& progress) {
    const std::optional<std::string> resolved = batch::SaveTarget(QFile::encodeName(path).toStdString());
    if (!resolved) return files::NotRegularFileText(path);
    const std::string& target = *resolved;
    // Every failure is told the way the program's other saves tell theirs; the error number is
    // read right after the failing call.
    auto failed = [&path](const QString& systemText) { return files::SaveErrorText(path, errno, systemText); };
    auto report = [&](size_t done) {
        if ((done & 1023) == 0) progress.permille = static_cast<int>(1000 * done / std::max<size_t>(1, rows.size()));
        return !progress.cancel;
    };
    tb::RowText view;
    auto viewOf = [&view](const BatchRow& row) -> const tb::RowText& {
        for (size_t c = 0; c < view.size(); ++c)
            view[c] = row.text[c];
        return view;
    };
    if (path.endsWith(QStringLiteral(".xlsx"), Qt::CaseInsensitive)) {
        QString loadError;
        const std::unique_ptr<IBatchWorkbook> workbook = batchbook::Create(loadError);
        if (!workbook) return QStringLiteral("无法载入写 XLSX 的组件：") + loadError;
        IBatchWorkbook& book = *workbook;
        const std::string scratch = batch::ScratchPath(target);
        std::string error;
        if (!book.Open(scratch, error)) return failed(QString::fromStdString(error));
        for (size_t i = 0; i < rows.size(); ++i) {
            if (!report(i)) {
                book.Close(error);
                std::remove(scratch.c_str());
                return {};
            }
            // A row added and left empty is no one's: it is neither counted nor written.
            if (!BatchModel::IsBlank(rows[i])) book.Add(viewOf(rows[i]), rows[i].result);
        }
        book.AddTotals(totals);
        if (!book.Close(error)) {
            const QString reason = failed(QString::fromStdString(error));
            std::remove(scratch.c_str());
            return reason;
        }
        const std::string moved = batch::Commit(scratch, target);
        return moved.empty() ? QString() : files::SaveErrorText(path, 0, QString::fromStdString(moved));
    }
    // As the capture saves: the whole file or nothing.
    QSaveFile file(QFile::decodeName(target.c_str()));
    errno = 0;
    if (!file.open(QIODevice::WriteOnly)) return failed(file.errorString());
    std::string buffer = "\xEF\xBB\xBF" + batch::HeaderLine();
    auto flush = [&] {
        errno = 0;
        const bool ok = file.write(buffer.data(), static_cast<qint64>(buffer.size())) ==
                        static_cast<qint64>(buffer.size());
        buffer.clear();
        return ok;
    };
    for (size_t i = 0; i < rows.size(); ++i) {
        if (!report(i)) {
            file.cancelWriting();
            return {};
        }
        if (!BatchModel::IsBlank(rows[i])) batch::AppendRow(buffer, viewOf(rows[i]), rows[i].result);
        if (buffer.size() > (1 << 20) && !flush()) {
            const QString reason = failed(file.errorString());
            file.cancelWriting();
            return reason;
        }
    }
    if (!flush()) {
        const QString reason = failed(file.errorString());
        file.cancelWriting();
        return reason;
    }
    errno = 0;
    if (!file.commit()) return failed(file.errorString());
    return {};
}

} // namespace batchio
