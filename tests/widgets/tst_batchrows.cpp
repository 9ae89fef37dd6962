// The batch window's packed rows and figures against plain vectors of the same: random edits
// of every kind, with the store compacted after a few hundred bytes of garbage so that
// compaction happens again and again, every row compared after each step.
#include "tools/batch/BatchRows.h"

#include "tax/Payroll2019.h"

#include <QTest>

#include <random>
#include <string>
#include <vector>

namespace {

namespace tp = tax::payroll2019;
using tax::Decimal;

class Rng {
public:
    explicit Rng(unsigned seed) : g_(seed) {}
    int Below(int n) { return std::uniform_int_distribution<int>(0, n - 1)(g_); }

private:
    std::mt19937 g_;
};

BatchRow RandomRow(Rng& rng) {
    static const char* const cells[] = {"", "0.00", "12992.50", "E0000001", "员工1", "3", "007", "1.5", "-2.00", "合计"};
    BatchRow row;
    for (int n = rng.Below(8); n > 0; --n)
        batch::PutCell(row.cells, cells[rng.Below(10)]);
    row.line = static_cast<std::uint32_t>(rng.Below(100000));
    row.kind = static_cast<batch::RowKind>(rng.Below(3));
    return row;
}

bool Same(const BatchRow& a, const BatchRow& b) {
    return a.cells == b.cells && a.line == b.line && a.kind == b.kind;
}

tp::Figures RandomFigures(Rng& rng) {
    tp::Figures f;
    f.ok = rng.Below(2);
    f.bracket = rng.Below(9) - 1;
    f.income = Decimal::Cents(rng.Below(10000000));
    f.tax = rng.Below(3) ? Decimal::Cents(rng.Below(100000)) : Decimal();
    f.net = Decimal(rng.Below(1000) - 500);
    if (f.bracket >= 0 && rng.Below(2)) tp::BracketFigures(f.bracket, f.rate, f.quick);
    if (rng.Below(4) == 0) f.note = "前月有误，未计算";
    return f;
}

bool Same(const tp::Figures& a, const tp::Figures& b) {
    return a.ok == b.ok && a.bracket == b.bracket && a.note == b.note && a.zone == b.zone && a.income.SameForm(b.income) &&
           a.tax.SameForm(b.tax) && a.net.SameForm(b.net) && a.rate.SameForm(b.rate) && a.quick.SameForm(b.quick) &&
           a.basic.SameForm(b.basic);
}

// One random edit of the rows and of the vector alike, at `at`.
void Edit(Rng& rng, BatchRows& rows, std::vector<BatchRow>& want, size_t at) {
    const size_t n = want.size();
    switch (rng.Below(8)) {
    case 0: {
        const BatchRow r = RandomRow(rng);
        rows.push_back(r);
        want.push_back(r);
        break;
    }
    case 1:
        if (n) {
            // Seen through the cache first, so that a cache kept past the change shows.
            QVERIFY(Same(rows.Cached(at), want[at]));
            want[at] = RandomRow(rng);
            rows.Set(at, want[at]);
        }
        break;
    case 2: {
        const size_t count = static_cast<size_t>(rng.Below(4));
        const BatchRow r = RandomRow(rng);
        rows.Insert(at, count, r);
        want.insert(want.begin() + static_cast<std::ptrdiff_t>(at), count, r);
        break;
    }
    case 3: {
        std::vector<BatchRow> more;
        for (int k = rng.Below(4); k > 0; --k) more.push_back(RandomRow(rng));
        rows.Insert(at, BatchRows(more));
        want.insert(want.begin() + static_cast<std::ptrdiff_t>(at), more.begin(), more.end());
        break;
    }
    case 4: {
        const size_t count = std::min(n - at, static_cast<size_t>(rng.Below(4)));
        if (n) QVERIFY(Same(rows.Cached(at), want[at]));
        rows.Erase(at, count);
        want.erase(want.begin() + static_cast<std::ptrdiff_t>(at),
                   want.begin() + static_cast<std::ptrdiff_t>(at + count));
        break;
    }
    case 5:
        if (n) {
            QVERIFY(Same(rows.Cached(at), want[at]));
            want[at].line = static_cast<std::uint32_t>(rng.Below(1000));
            rows.SetLine(at, want[at].line);
        }
        break;
    case 6: { // a slice, as undo keeps one, and the rows made again from it
        const size_t count = std::min(n - at, static_cast<size_t>(rng.Below(6)));
        const std::vector<BatchRow> slice = rows.Slice(at, count);
        QCOMPARE(slice.size(), count);
        for (size_t i = 0; i < count; ++i) QVERIFY(Same(slice[i], want[at + i]));
        break;
    }
    default: {
        BatchRows copy = rows;
        rows.clear();
        QVERIFY(rows.empty());
        rows.swap(copy);
    }
    }
}

// The rows against the vector: every row, read whole and cell by cell, and row `at` as kept
// unpacked for painting.
void Check(const BatchRows& rows, const std::vector<BatchRow>& want, size_t at, const QString& where) {
    QCOMPARE(rows.size(), want.size());
    if (at < want.size()) {
        QVERIFY2(Same(rows.Cached(at), want[at]), "the row kept unpacked is stale");
        bool blank = want[at].kind == batch::RowKind::kPerson;
        size_t k = 0;
        for (size_t c = 0; k < want[at].cells.size(); ++c) {
            const std::string_view cell = batch::GetCell(want[at].cells, k);
            QCOMPARE(rows.CachedCell(at, c), cell);
            blank = blank && cell.empty();
        }
        QCOMPARE(rows.CachedCell(at, 99), std::string_view());
        QCOMPARE(rows.CachedBlank(at), blank);
    }
    for (size_t i = 0; i < want.size(); ++i) {
        QVERIFY2(Same(rows[i], want[i]), qPrintable(where + QStringLiteral(" row %1").arg(i)));
        QCOMPARE(rows.Kind(i), want[i].kind);
        QCOMPARE(rows.Line(i), want[i].line);
        // The cells read where they are stored, as the unpacked row has them.
        std::string cells;
        rows.Cells(i, [&](size_t, std::string_view c) {
            batch::PutCell(cells, c);
            return true;
        });
        QCOMPARE(cells, want[i].cells);
    }
}

} // namespace

class TestBatchRows : public QObject {
    Q_OBJECT
private slots:
    void rowsAgreeWithAVector() {
        for (unsigned seed = 1; seed <= 20; ++seed) {
            Rng rng(seed);
            BatchRows rows;
            rows.CompactAfter(300);
            std::vector<BatchRow> want;
            for (int step = 0; step < 400; ++step) {
                const size_t at = want.empty() ? 0 : static_cast<size_t>(rng.Below(static_cast<int>(want.size())));
                Edit(rng, rows, want, at);
                if (QTest::currentTestFailed()) return;
                Check(rows, want, at, QStringLiteral("seed %1 step %2").arg(seed).arg(step));
                if (QTest::currentTestFailed()) return;
            }
            QCOMPARE(std::vector<BatchRow>(rows).size(), want.size());
        }
    }

    void figuresAgreeWithAVector() {
        for (unsigned seed = 1; seed <= 20; ++seed) {
            Rng rng(seed);
            BatchFigures figures;
            figures.CompactAfter(200);
            std::vector<tp::Figures> want;
            for (int step = 0; step < 400; ++step) {
                const size_t n = want.size();
                const size_t at = n ? static_cast<size_t>(rng.Below(static_cast<int>(n))) : 0;
                switch (rng.Below(6)) {
                case 0:
                case 1:
                    if (n) {
                        want[at] = RandomFigures(rng);
                        figures.Put(at, want[at]);
                    }
                    break;
                case 2:
                    if (n) {
                        want[at] = tp::Figures();
                        figures.Clear(at);
                    }
                    break;
                case 3: {
                    const size_t count = static_cast<size_t>(rng.Below(5));
                    figures.Insert(at, count);
                    want.insert(want.begin() + static_cast<std::ptrdiff_t>(at), count, tp::Figures());
                    break;
                }
                case 4: {
                    const size_t count = std::min(n - at, static_cast<size_t>(rng.Below(4)));
                    figures.Erase(at, count);
                    want.erase(want.begin() + static_cast<std::ptrdiff_t>(at),
                               want.begin() + static_cast<std::ptrdiff_t>(at + count));
                    break;
                }
                default: {
                    const size_t size = static_cast<size_t>(rng.Below(12));
                    figures.Resize(size);
                    want.resize(size);
                }
                }
                QCOMPARE(figures.size(), want.size());
                for (size_t i = 0; i < want.size(); ++i) {
                    QVERIFY2(Same(figures[i], want[i]), qPrintable(QStringLiteral("seed %1 step %2 row %3").arg(seed).arg(step).arg(i)));
                    QCOMPARE(figures.Ok(i), want[i].ok);
                }
            }
        }
    }
};

QTEST_APPLESS_MAIN(TestBatchRows)
#include "tst_batchrows.moc"
