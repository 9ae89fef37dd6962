// The batch window under the 2019 law: a year of person-month rows withheld cumulatively. The
// window keeps its own store of rows and figures, edited a cell, a row or a paste at a time; the
// command line's pipeline reads the same rows from a file. After every edit the two must agree on
// every figure, count and sum, and the window's export must be the pipeline's output byte for byte.
#include "TestSupport.h"

#include "batch/Csv.h"
#include "batch/Input.h"
#include "batch/Monthly.h"
#include "tools/batch/BatchModel.h"
#include "tools/batch/BatchPrint.h"
#include "tools/batch/BatchUndo.h"
#include "tools/batch/UFrmBatch.h"
#include "shell/UMainForm.h"
#include "tax/Batch.h"
#include "tax/Payroll2019.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QProcess>
#include <QSignalSpy>
#include <QTableView>
#include <QTemporaryDir>

#include <algorithm>
#include <random>

namespace {

namespace tp = tax::payroll2019;

TFrmBatch* Open(TFrmMain& main) {
    main.findChild<QAction*>(QStringLiteral("Menu_Tool_Batch"))->trigger();
    return main.findChild<TFrmBatch*>(QStringLiteral("FrmBatch"));
}

QString Cell(const BatchModel* m, int row, int col) {
    return m->data(m->index(row, col), Qt::DisplayRole).toString();
}

int ColumnTitled(const BatchModel* m, const QString& title) {
    for (int c = 0; c < m->columnCount(); ++c)
        if (m->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString() == title) return c;
    return -1;
}

// A figure in whole fen, from "1,234.56" or "-0.50" (the table's) as from "1234.56" (the file's).
long long Fen(QString text) {
    text.remove(QLatin1Char(','));
    const bool negative = text.startsWith(QLatin1Char('-'));
    if (negative) text.remove(0, 1);
    const qsizetype point = text.indexOf(QLatin1Char('.'));
    const long long fen = point < 0 ? text.toLongLong() * 100
                                    : text.left(point).toLongLong() * 100 + text.mid(point + 1).leftJustified(2, QLatin1Char('0')).toLongLong();
    return negative ? -fen : fen;
}

// What the command line's pipeline makes of the table's rows as typed: each row's computed cells
// as the CSV writes them, the counts, and the output file's bytes.
struct Piped {
    std::vector<QStringList> cells;
    std::vector<bool> ok;
    tax::batch::Totals totals;
    QByteArray csv;
};

Piped Pipeline(const BatchModel* m, const QString& path) {
    const std::vector<std::string>& titles = m->monthlyColumns().titles;
    std::string text;
    for (size_t c = 0; c < titles.size(); ++c) {
        if (c) text += ',';
        batch::AppendCsvField(text, titles[c]);
    }
    text += '\n';
    for (size_t r = 0; r < m->Rows().size(); ++r) {
        if (BatchModel::IsBlank(m->Rows()[r])) continue;
        for (size_t c = 0; c < titles.size(); ++c) {
            if (c) text += ',';
            batch::AppendCsvField(
                text, m->data(m->index(static_cast<int>(r), static_cast<int>(c)), Qt::EditRole).toString().toStdString());
        }
        text += '\n';
    }
    drive::WriteFile(path, QByteArray::fromStdString(text));
    Piped out;
    std::string csv;
    batch::monthly::CsvOut writer([&csv](std::string_view d) -> tax::Status { csv.append(d); return {}; }, true);
    const std::string name = QFile::encodeName(path).toStdString();
    const tax::Result<bool> done = batch::monthly::Pump(
        [&name]() { return batch::OpenInput(name, {}, nullptr); }, true, m->rules().year, writer, out.totals,
        [&out](const batch::monthly::Record&, const tp::Figures& f) {
            QStringList row;
            for (int k = 0; k < tp::kOutputColumns; ++k) {
                const tp::Cell cell = tp::CellOf(f, static_cast<tp::OutputColumn>(k));
                std::string s;
                if (cell.kind == tp::Cell::kMoney) tax::batch::AppendMoney(s, cell.value);
                else s = std::string(cell.text);
                row << QString::fromStdString(s);
            }
            out.cells.push_back(row);
            out.ok.push_back(f.ok);
        });
    if (!done) qWarning("pipeline: %s", done.error().c_str());
    out.csv = QByteArray::fromStdString(csv);
    return out;
}

} // namespace

class TestBatchMonthly : public QObject {
    Q_OBJECT

    // Every computed cell, the counts, the tax and the totals row of the window against the
    // pipeline's reading of the same rows; the totals row's sums taken here, in fen.
    static void Agree(TFrmBatch* w, const QString& scratch, const char* step) {
        const BatchModel* m = w->model();
        const Piped p = Pipeline(m, scratch);
        const int inputs = static_cast<int>(m->monthlyColumns().titles.size());
        size_t k = 0;
        std::vector<long long> sums(static_cast<size_t>(m->columnCount()), 0);
        const auto& columns = m->monthlyColumns();
        for (int r = 0; r < static_cast<int>(m->Rows().size()); ++r) {
            if (BatchModel::IsBlank(m->Rows()[static_cast<size_t>(r)])) continue;
            QVERIFY2(k < p.cells.size(), step);
            for (int c = 0; c < tp::kOutputColumns; ++c) {
                QString shown = Cell(m, r, inputs + c);
                if (c != tp::kOutNote && c != tp::kOutRate) shown.remove(QLatin1Char(','));
                if (shown != p.cells[k][c])
                    QFAIL(qPrintable(QStringLiteral("%1: row %2 %3: window %4, pipeline %5")
                                         .arg(QLatin1String(step)).arg(r).arg(QString::fromUtf8(tp::kOutputTitles[static_cast<size_t>(c)]), shown, p.cells[k][c])));
            }
            if (p.ok[k]) {
                for (int c = 0; c < inputs; ++c)
                    if (columns.Summed(static_cast<size_t>(c)) && !m->data(m->index(r, c), Qt::EditRole).toString().trimmed().isEmpty())
                        sums[static_cast<size_t>(c)] += Fen(m->data(m->index(r, c), Qt::EditRole).toString().trimmed());
                for (int c : {tp::kOutWithheld, tp::kOutNet, tp::kOutBonusTax})
                    sums[static_cast<size_t>(inputs + c)] += Fen(p.cells[k][c]);
            }
            ++k;
        }
        QCOMPARE(k, p.cells.size());
        const int totalsRow = static_cast<int>(m->Rows().size());
        for (int c = 0; c < m->columnCount(); ++c) {
            const bool summed = c < inputs ? columns.Summed(static_cast<size_t>(c))
                                           : batch::monthly::Sums::Summed(static_cast<tp::OutputColumn>(c - inputs));
            const QString shown = Cell(m, totalsRow, c);
            if (summed) {
                if (Fen(shown) != sums[static_cast<size_t>(c)])
                    QFAIL(qPrintable(QStringLiteral("%1: total of column %2: window %3, expected %4").arg(QLatin1String(step)).arg(c).arg(shown).arg(sums[static_cast<size_t>(c)])));
            } else if (c != m->NameColumn() && !shown.isEmpty())
                QFAIL(qPrintable(QStringLiteral("%1: totals row column %2 shows %3").arg(QLatin1String(step)).arg(c).arg(shown)));
        }
        QCOMPARE(m->totals().read, p.totals.read);
        QCOMPARE(m->totals().computed, p.totals.computed);
        QCOMPARE(m->totals().refused, p.totals.refused);
        QCOMPARE(m->totals().totalTax.Value(), p.totals.totalTax.Value());
    }

private slots:
    void initTestCase() { drive::SetupApp(); }

    // A random year of a small company, shuffled under a title row, imported; then random edits
    // (typing good and bad cells, another person's 工号, rows removed, a person-month pasted into a
    // new row, undo and redo), the window checked against the pipeline after each.
    void editsAgreeWithThePipeline() {
        RecordingDialogs dialogs;
        QTemporaryDir dir;
        TFrmMain main;
        TFrmBatch* w = Open(main);
        dialogs.questionAnswer = true;
        Child<QComboBox>(w, "CmbLaw")->setCurrentIndex(2);
        QVERIFY(w->model()->Monthly());
        auto* years = Child<QComboBox>(w, "CmbYear");
        std::mt19937 rng(20190101u ^ static_cast<unsigned>(QTest::currentTestFunction()[0]));
        auto pick = [&rng](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
        for (int year : {2024, 2028}) { // a bonus taxed alone, then joined to the month's income
            years->setCurrentIndex(years->findData(year));
            QStringList lines;
            for (int p = 0; p < 7; ++p) {
                const int first = pick(1, 12), last = pick(first, 12);
                int child = 0;
                for (int month = first; month <= last; ++month) {
                    child += pick(0, 1) * 2000;
                    const QString income = QString::number(pick(3000, 60000)) + (pick(0, 3) ? "" : ".35");
                    const QString bonus = pick(0, 5) ? QString() : QString::number(pick(1, 40) * 3000 + pick(-1, 1));
                    // The last person shares the first one's name without a 工号: two people, said.
                    const QString who = p == 6 ? QStringLiteral(",员工0") : QStringLiteral("E%1,员工%1").arg(p);
                    lines << QStringLiteral("%1,%2年%3月,%4,%5,%6,%7,%8,第%3月")
                                 .arg(who).arg(year).arg(month).arg(income).arg(pick(0, 3000)).arg(pick(0, 2000)).arg(child).arg(bonus);
                }
            }
            std::shuffle(lines.begin(), lines.end(), rng);
            const QString in = dir.filePath(QStringLiteral("year%1.csv").arg(year));
            drive::WriteFile(in, ("某公司" + QString::number(year) +
                           "年度工资表\n工号,姓名,所属月份,本期收入,基本养老保险费,住房公积金,累计子女教育,全年一次性奖金,备注\n" +
                           lines.join(QLatin1Char('\n')) + "\n合计,,,,,,,,\n").toUtf8());
            w->ImportFrom(in);
            drive::WaitForWork(w);
            QVERIFY(dialogs.boxes.isEmpty());
            BatchModel* m = w->model();
            QCOMPARE(m->Rows().size(), static_cast<size_t>(lines.size() + 1));
            QCOMPARE(m->totals().skipped, 2); // the title row and the sheet's own 合计
            Agree(w, dir.filePath(QStringLiteral("scratch.csv")), "import");
            if (QTest::currentTestFailed()) return;

            BatchUndo* undo = w->undoStack();
            const QStringList bad{QStringLiteral("八千"), QStringLiteral("-5"), QStringLiteral("13"), QString()};
            for (int step = 0; step < 40; ++step) {
                const int rows = static_cast<int>(m->Rows().size());
                const int r = pick(0, rows - 1);
                switch (pick(0, 6)) {
                case 0: // a figure typed, sometimes one that cannot be read
                case 1: {
                    const int c = pick(2, 7);
                    const QString text = pick(0, 4) ? QString::number(pick(0, 50000)) : bad[pick(0, 3)];
                    undo->Record(QStringLiteral("输入"), [&] { m->setData(m->index(r, c), text, Qt::EditRole); }, r, 1);
                    break;
                }
                case 2: // the row becomes another person's, or the same person's other month
                    undo->Record(QStringLiteral("输入"), [&] {
                        m->setData(m->index(r, pick(0, 1) ? 0 : 2), pick(0, 1) ? QStringLiteral("E%1").arg(pick(0, 7)) : QString::number(pick(1, 12)), Qt::EditRole);
                    }, r, 1);
                    break;
                case 3:
                    undo->Record(QStringLiteral("删除行"), [&] { m->RemoveRows(r, 1); }, r, 1);
                    break;
                case 4: { // a new row, and a person-month pasted into it
                    undo->Record(QStringLiteral("添加行"), [&] { m->AddRows(r, 1); }, r, 0);
                    const QString block = QStringLiteral("E%1\t员工%1\t%2\t%3\t100\t100\t0\t\n").arg(pick(0, 7)).arg(pick(1, 12)).arg(pick(3000, 90000));
                    if (pick(0, 1))
                        undo->Record(QStringLiteral("粘贴"), [&] { (void)m->Paste(r, 0, block); });
                    break;
                }
                case 5: undo->undo(); break;
                case 6: undo->redo(); break;
                }
                Agree(w, dir.filePath(QStringLiteral("scratch.csv")), qPrintable(QStringLiteral("step %1").arg(step)));
                if (QTest::currentTestFailed()) return;
            }
            // Exported, the table is the pipeline's output byte for byte; read again, the same.
            const QString out = dir.filePath(QStringLiteral("out.csv"));
            w->ExportTo(out);
            drive::WaitForWork(w);
            QFile written(out);
            QVERIFY(written.open(QIODevice::ReadOnly));
            QCOMPARE(written.readAll(), Pipeline(m, dir.filePath(QStringLiteral("scratch.csv"))).csv);
            // As a workbook and read again: the same rows and figures (its totals row skipped).
            std::vector<QStringList> shown;
            for (int r = 0; r < static_cast<int>(m->Rows().size()); ++r) {
                if (BatchModel::IsBlank(m->Rows()[static_cast<size_t>(r)])) continue;
                QStringList row;
                for (int c = 0; c < m->columnCount(); ++c)
                    row << Cell(m, r, c);
                shown.push_back(row);
            }
            const QString book = dir.filePath(QStringLiteral("out.xlsx"));
            w->ExportTo(book);
            drive::WaitForWork(w);
            // A row gone before the import, so that taking the import back has rows to restore.
            undo->Record(QStringLiteral("删除行"), [&] { m->RemoveRows(0, 1); }, 0, 1);
            const size_t before = m->Rows().size();
            w->ImportFrom(book);
            drive::WaitForWork(w);
            QVERIFY(dialogs.boxes.isEmpty());
            QCOMPARE(m->Rows().size(), shown.size() + 1);
            const int inputs = static_cast<int>(m->monthlyColumns().titles.size());
            for (int r = 0; r < static_cast<int>(shown.size()); ++r)
                for (int c = inputs; c < m->columnCount(); ++c)
                    QCOMPARE(Cell(m, r, c), shown[static_cast<size_t>(r)][c]);
            QCOMPARE(m->Rows().back().kind, batch::RowKind::kTotal);
            // The import taken back and done again: the figures follow the rows each way.
            const size_t imported = m->Rows().size();
            undo->undo();
            QCOMPARE(m->Rows().size(), before);
            Agree(w, dir.filePath(QStringLiteral("scratch.csv")), "import undone");
            if (QTest::currentTestFailed()) return;
            undo->redo();
            QCOMPARE(m->Rows().size(), imported);
            Agree(w, dir.filePath(QStringLiteral("scratch.csv")), "import redone");
            if (QTest::currentTestFailed()) return;
        }
    }

    // Into and out of the 2019 law the columns change: asked first when rows would go; the
    // forms' headings to type into; a pasted block with headings lands by them; the year decides
    // the bonus; a file of the other law's shape is refused with the choice to make.
    void lawChoiceReshapesTheTable() {
        RecordingDialogs dialogs;
        QTemporaryDir dir;
        TFrmMain main;
        TFrmBatch* w = Open(main);
        BatchModel* m = w->model();
        auto* law = Child<QComboBox>(w, "CmbLaw");
        QCOMPARE(law->count(), 4); // the payments' law last (tst_batchreceipts)
        QCOMPARE(law->itemText(2), QStringLiteral("2019年起（累计预扣）"));
        (void)m->Paste(0, 0, QStringLiteral("张三\t9000\n"));
        // Into the 2019 law the rows come along, their month asked once; no answer, no change.
        law->setCurrentIndex(2);
        QCOMPARE(dialogs.choices.size(), 1);
        QCOMPARE(law->currentIndex(), 0);
        QVERIFY(!m->Monthly());
        QCOMPARE(m->Rows().size(), size_t{1});
        dialogs.chooseAnswer = QStringLiteral("5月");
        law->setCurrentIndex(2);
        QCOMPARE(dialogs.choices.size(), 2);
        QVERIFY(m->Monthly());
        QCOMPARE(m->Rows().size(), size_t{1});
        QCOMPARE(Cell(m, 0, ColumnTitled(m, QStringLiteral("姓名"))), QStringLiteral("张三"));
        QCOMPARE(Cell(m, 0, ColumnTitled(m, QStringLiteral("月份"))), QStringLiteral("5"));
        QCOMPARE(Cell(m, 0, ColumnTitled(m, QStringLiteral("本期收入"))), QStringLiteral("9000"));
        // One step back is the older table as it was; forward again, and the row removed.
        w->undoStack()->undo();
        QVERIFY(!m->Monthly());
        QCOMPARE(law->currentIndex(), 0);
        QCOMPARE(m->data(m->index(0, 1), Qt::EditRole).toString(), QStringLiteral("9000"));
        w->undoStack()->redo();
        QVERIFY(m->Monthly());
        QCOMPARE(law->currentIndex(), 2);
        m->RemoveRows(0, 1);
        QVERIFY(Child<QComboBox>(w, "CmbYear")->isVisibleTo(w) && !Child<QComboBox>(w, "CmbPoint")->isVisibleTo(w));
        QCOMPARE(m->headerData(2, Qt::Horizontal, Qt::DisplayRole).toString(), QStringLiteral("月份"));
        QCOMPARE(m->headerData(3, Qt::Horizontal, Qt::DisplayRole).toString(), QStringLiteral("本期收入"));

        // The worked example, pasted with its headings in another order and names.
        Child<QComboBox>(w, "CmbYear")->setCurrentIndex(Child<QComboBox>(w, "CmbYear")->findData(2024));
        QVERIFY(m->Paste(0, 0, QStringLiteral("所属月份\t姓名\t工号\t应发工资\t五险一金\t累计子女教育\t累计赡养老人\t年终奖\n"
                                      "1\t甲\t001\t30000\t4500\t1000\t1000\t\n"
                                      "2\t甲\t001\t30000\t4500\t2000\t2000\t\n"
                                      "3\t甲\t001\t30000\t4500\t3000\t3000\t36000\n")).ok());
        QCOMPARE(dialogs.boxes.size(), 0);
        const int withheld = ColumnTitled(m, QStringLiteral("本期应预扣预缴税额"));
        const int bonusTax = ColumnTitled(m, QStringLiteral("年终奖个税"));
        QCOMPARE(m->Rows().size(), size_t{3});
        QCOMPARE(QStringList({Cell(m, 0, withheld), Cell(m, 1, withheld), Cell(m, 2, withheld)}),
                 QStringList({"555.00", "625.00", "1,850.00"}));
        QCOMPARE(Cell(m, 2, bonusTax), QStringLiteral("1,080.00"));
        QCOMPARE(Cell(m, 3, withheld), QStringLiteral("3,030.00"));
        QCOMPARE(Cell(m, 3, m->NameColumn()), QStringLiteral("合计"));
        QCOMPARE(Child<QLabel>(w, "TxtStatus")->text(),
                 QStringLiteral("读入 3 行，计算 3 行，拒绝 0 行，跳过 0 行；合计个税 4,110.00（2024 年度，累计预扣）"));
        // On paper as in the table: every figure of the month, each person-month a payslip.
        auto* paper = w->findChild<TBatchPrint*>(QStringLiteral("BatchPrint"));
        QVERIFY(paper->ExportPdf(dir.filePath(QStringLiteral("table.pdf"))));
        drive::WaitForWork(w);
        const QString printed = drive::PdfPages(dir.filePath(QStringLiteral("table.pdf"))).join(QString()).simplified();
        QVERIFY2(printed.contains(QStringLiteral("本期应预扣预缴税额")) && printed.contains(QStringLiteral("1,850.00")) &&
                     printed.contains(QStringLiteral("3,030.00")),
                 qPrintable(printed));
        QVERIFY(paper->ExportPayslips(dir.filePath(QStringLiteral("each")), TBatchPrint::Slips::Files));
        drive::WaitForWork(w);
        QCOMPARE(QDir(dir.filePath(QStringLiteral("each"))).entryList(QDir::Files, QDir::Name).size(), 3);
        if (qEnvironmentVariableIsSet("KEEP_PDF")) QFile::copy(dir.filePath(QStringLiteral("table.pdf")), qEnvironmentVariable("KEEP_PDF"));
        // From 2028 the bonus joins March's income: no tax of its own, more withheld.
        Child<QComboBox>(w, "CmbYear")->setCurrentIndex(Child<QComboBox>(w, "CmbYear")->findData(2028));
        QCOMPARE(Cell(m, 2, bonusTax), QStringLiteral("0.00"));
        QCOMPARE(Cell(m, 2, withheld), QStringLiteral("5,450.00")); // (126000 − 15000 − 13500 − 6000) × 10% − 2520 − 1180
        // The first month unreadable: the later ones are not computed, and say why.
        m->setData(m->index(0, 3), QStringLiteral("三万"), Qt::EditRole);
        QCOMPARE(Cell(m, 0, ColumnTitled(m, QStringLiteral("说明"))), QStringLiteral("应发工资：无法识别“三万”")); // the sheet's heading, as an import names it
        QCOMPARE(Cell(m, 2, ColumnTitled(m, QStringLiteral("说明"))), QString::fromUtf8(tp::kEarlierRefused));
        QVERIFY(m->data(m->index(2, 0), Qt::BackgroundRole).isValid());
        QVERIFY(Cell(m, 3, withheld).isEmpty() || Cell(m, 3, withheld) == QStringLiteral("0.00"));

        // A file of one row a person is the older laws': refused, saying which to choose.
        const QString older = dir.filePath(QStringLiteral("older.csv"));
        drive::WriteFile(older, "姓名,月工资,五险一金\n张三,9000,500\n");
        const qsizetype shown = dialogs.boxes.size();
        w->ImportFrom(older);
        drive::WaitForWork(w);
        QCOMPARE(dialogs.boxes.size(), shown + 1);
        QVERIFY(dialogs.boxes.last().text.contains(QStringLiteral("请把“税法”选为“2011-09—2018-09”")));
        QCOMPARE(m->Rows().size(), size_t{3});
        // Back to an older law: each person-month a row of one person, 本期收入 as 月工资, the
        // insurance as 五险一金, 工号, 月份 and the deductions to date carried.
        law->setCurrentIndex(1);
        QVERIFY(!m->Monthly());
        QCOMPARE(m->Rows().size(), size_t{3});
        const batch::Layout& layout = m->layout();
        QVERIFY(layout.hasId);
        QCOMPARE(layout.carried, std::vector<std::string>({"所属月份", "累计子女教育", "累计赡养老人"}));
        const int wage = layout.ColumnOf(batch::Field::kWage), insurance = layout.ColumnOf(batch::Field::kInsurance);
        QCOMPARE(m->headerData(wage, Qt::Horizontal, Qt::DisplayRole).toString(), QStringLiteral("月工资"));
        QCOMPARE(m->data(m->index(0, wage), Qt::EditRole).toString(), QStringLiteral("三万"));
        QCOMPARE(m->data(m->index(2, wage), Qt::EditRole).toString(), QStringLiteral("30000"));
        QCOMPARE(Cell(m, 2, insurance), QStringLiteral("4,500.00"));
        QCOMPARE(dialogs.questions.size(), 0); // nothing typed changes
        m->RemoveRows(0, 3);
        const QString monthly = dir.filePath(QStringLiteral("monthly.csv"));
        drive::WriteFile(monthly, "工号,月份,本期收入\n1,1,9000\n");
        w->ImportFrom(monthly);
        drive::WaitForWork(w);
        QVERIFY(dialogs.boxes.last().text.contains(QStringLiteral("请把“税法”选为“2019年起（累计预扣）”")));
    }

    // A clerk's first half of 2024 as LibreOffice saved it, a workbook a month, imported at once
    // while 税法 says 2011: the months say 2019, and the window asks before it changes the law.
    // Then June alone: its rows, its 合计, its payslips a person with the month in the file's name.
    void aClerksYearMonthByMonth() {
        RecordingDialogs dialogs;
        TFrmMain main;
        TFrmBatch* w = Open(main);
        BatchModel* m = w->model();
        auto* law = Child<QComboBox>(w, "CmbLaw");
        law->setCurrentIndex(0);
        const QString files = QStringLiteral(QINGFU_TESTS_DIR "/batch/files/clerk/");
        for (int month : {4, 1, 6, 3, 2, 5}) dialogs.openAnswers << files + QStringLiteral("2024年%1月工资.xlsx").arg(month);
        dialogs.questionYesAnswer = true;
        Child<QPushButton>(w, "BtnImport")->click();
        drive::WaitForWork(w);
        QVERIFY(dialogs.questions.contains(QStringLiteral("这张表是2024年1月至6月的，要改用2019年起的税法吗？")));
        QCOMPARE(law->currentIndex(), 2);
        QCOMPARE(Child<QComboBox>(w, "CmbYear")->currentData().toInt(), 2024);
        QCOMPARE(m->Rows().size(), size_t{22 + 6}); // 22 person-months, each sheet's own 合计 row
        QVERIFY(Child<QLabel>(w, "TxtStatus")->text().contains(QStringLiteral("6 张表：2024年1月至6月")));
        const int withheld = ColumnTitled(m, QStringLiteral("本期应预扣预缴税额"));
        const int note = ColumnTitled(m, QStringLiteral("说明"));
        const int sheetTax = ColumnTitled(m, QStringLiteral("代扣个税"));
        QVERIFY(ColumnTitled(m, QStringLiteral("所属月份")) >= 0);
        QVERIFY(withheld >= 0 && note >= 0 && sheetTax >= 0);
        // The monthly deduction added up: 王芳's June is the oracle's 1065.00 (the sheet says 1075.00, marked).
        int wangJune = -1;
        for (int r = 0; r < static_cast<int>(m->Rows().size()); ++r)
            if (Cell(m, r, ColumnTitled(m, QStringLiteral("姓名"))) == QStringLiteral("王芳") && m->MonthOf(static_cast<size_t>(r)) == 6) wangJune = r;
        QVERIFY(wangJune >= 0);
        QCOMPARE(Cell(m, wangJune, withheld), QStringLiteral("1,065.00"));
        QVERIFY(m->data(m->index(wangJune, sheetTax), Qt::BackgroundRole).isValid());
        QVERIFY(m->data(m->index(wangJune, sheetTax), Qt::ToolTipRole).toString().contains(QStringLiteral("10.00")));
        QVERIFY(!m->data(m->index(wangJune - 1, sheetTax), Qt::BackgroundRole).isValid());

        // June alone: the other months' rows hidden, the 合计 June's own.
        auto* months = Child<QComboBox>(w, "CmbMonth");
        QVERIFY(months->isVisibleTo(w));
        months->setCurrentIndex(months->findData(6));
        auto* table = w->findChild<QTableView*>();
        int shown = 0;
        for (int r = 0; r < static_cast<int>(m->Rows().size()); ++r) shown += table->isRowHidden(r) ? 0 : 1;
        QCOMPARE(shown, 5); // four people and the sheet's 合计
        const int totals = static_cast<int>(m->Rows().size());
        QCOMPARE(Cell(m, totals, withheld), QStringLiteral("4,696.00"));
        months->setCurrentIndex(0);
        QCOMPARE(Cell(m, totals, withheld), QStringLiteral("15,011.50")); // the half year, as computed
        months->setCurrentIndex(months->findData(6));
        // 刘洋 from March: said on his row.
        bool late = false;
        for (int r = 0; r < totals; ++r) late = late || Cell(m, r, note) == QStringLiteral("本年此前月份未提供，按3月起累计");
        QVERIFY(late);

        // June's payslips, a file a person, named with the month.
        QTemporaryDir out;
        auto* paper = w->findChild<TBatchPrint*>(QStringLiteral("BatchPrint"));
        QVERIFY(paper->ExportPayslips(out.path(), TBatchPrint::Slips::Files));
        drive::WaitForWork(w);
        QStringList made = QDir(out.path()).entryList(QDir::Files);
        made.sort();
        QCOMPARE(made, (QStringList{QStringLiteral("001-张伟-2024年6月.pdf"), QStringLiteral("002-王芳-2024年6月.pdf"),
                                    QStringLiteral("003-李娜-2024年6月.pdf"), QStringLiteral("004-刘洋-2024年6月.pdf")}));
        // As a clerk hands them out: the sheet's own pay items to two decimals beside the figures
        // a person reads, not the running totals behind them, one strip in at most two bands.
        const QString strips = out.filePath(QStringLiteral("strips.pdf"));
        QVERIFY(paper->ExportPayslips(strips, TBatchPrint::Slips::Strips));
        drive::WaitForWork(w);
        const QString text = drive::PdfPages(strips).join(QString());
        for (const char* heading : {"基本工资", "绩效工资", "考勤扣款", "实发工资", "个人社保公积金", "代扣个税", "本期应预扣预缴税额", "税后工资", "说明"})
            QVERIFY2(text.contains(QString::fromUtf8(heading)), heading);
        for (const char* heading : {"累计收入", "累计减除费用", "累计应纳税所得额", "预扣率", "速算扣除数", "累计已预扣预缴税额", "年终奖个税", "序号", "部门"})
            QVERIFY2(!text.contains(QString::fromUtf8(heading)), heading);
        const QString wang = drive::PdfPages(out.filePath(QStringLiteral("002-王芳-2024年6月.pdf"))).join(QString()).simplified();
        QVERIFY2(wang.contains(QStringLiteral("9,000.00 9,000.00 0.00 18,000.00 1,350.00 1,000.00 1,075.00 15,575.00")), qPrintable(wang));
        QVERIFY2(wang.contains(QStringLiteral("1,065.00 15,585.00")) && !wang.contains(QStringLiteral("说明")), qPrintable(wang));
        int bands = 0;
        for (const QString& line : text.split(QLatin1Char('\n'))) bands += line.trimmed().startsWith(QStringLiteral("工号")) ? 1 : 0;
        QVERIFY2(bands >= 4 && bands <= 8, qPrintable(text));
    }

    // The same year exported: a sheet a month named as read, each holding its month's people as
    // the clerk's files list them and a totals row that sums them; June alone, June's sheet
    // alone. The status line counts the rows shown, as the command line's --month summary does.
    void aClerksYearExportedMonthByMonth() {
        RecordingDialogs dialogs;
        QTemporaryDir dir;
        TFrmMain main;
        TFrmBatch* w = Open(main);
        const QString files = QStringLiteral(QINGFU_TESTS_DIR "/batch/files/clerk/");
        QStringList sources;
        for (int month : {5, 1, 6, 3, 2, 4}) sources << files + QStringLiteral("2024年%1月工资.xlsx").arg(month);
        dialogs.openAnswers = sources;
        dialogs.questionYesAnswer = true;
        Child<QPushButton>(w, "BtnImport")->click();
        drive::WaitForWork(w);
        BatchModel* m = w->model();
        QVERIFY(m->Monthly());
        auto* status = Child<QLabel>(w, "TxtStatus");
        QVERIFY2(status->text().startsWith(QStringLiteral("读入 22 行，计算 22 行，拒绝 0 行，跳过 12 行；合计个税 15,011.50（6 张表")),
                 qPrintable(status->text()));
        // Read back by openpyxl beside the clerk's own files: the sheets, the people of each
        // month in the files' order, every row's month that of its sheet, the totals their sum.
        const QString check = QStringLiteral(R"(
import openpyxl, sys
book = openpyxl.load_workbook(sys.argv[1], data_only=True)
only = int(sys.argv[2])
months = []
for path in sys.argv[3:]:
    rows = list(openpyxl.load_workbook(path).worksheets[0].iter_rows(values_only=True))
    month = int(rows[0][0].split("年")[1].split("月")[0])
    people = [r[2] for r in rows[2:] if r[2] and r[0] != "合计"]
    months.append((month, path.rsplit("/", 1)[1].rsplit(".", 1)[0], people))
months = [m for m in sorted(months) if only in (0, m[0])]
assert book.sheetnames == [m[1] for m in months], book.sheetnames
withheld = 0
for (month, label, people), ws in zip(months, book.worksheets):
    rows = list(ws.iter_rows(values_only=True))
    head, body, total = rows[0], rows[1:-1], rows[-1]
    name, when, tax = head.index("姓名"), head.index("所属月份"), head.index("本期应预扣预缴税额")
    assert [r[name] for r in body if r[0] != "合计"] == people, (label, body)
    assert all(r[when] == "2024-%02d" % month for r in body), (label, [r[when] for r in body])
    assert total[name] == "合计", total
    assert abs(sum(r[tax] for r in body if r[0] != "合计") - total[tax]) < 0.005, (label, total[tax])
    withheld += total[tax]
print("%.2f" % withheld)
)");
        auto verify = [&](const QString& book, int only) {
            QProcess py;
            py.start(QStringLiteral("/usr/bin/python3"), QStringList{QStringLiteral("-c"), check, book, QString::number(only)} + sources);
            py.waitForFinished(60000);
            const QString out = QString::fromUtf8(py.readAllStandardOutput()).trimmed();
            if (py.exitCode() != 0) qWarning("%s", py.readAllStandardError().constData());
            return py.exitCode() == 0 ? out : QString();
        };
        const QString year = dir.filePath(QStringLiteral("year.xlsx"));
        w->ExportTo(year);
        drive::WaitForWork(w);
        QCOMPARE(verify(year, 0), QStringLiteral("15011.50"));

        auto* months = Child<QComboBox>(w, "CmbMonth");
        months->setCurrentIndex(months->findData(6));
        QCOMPARE(status->text(), QStringLiteral("6月：读入 4 行，计算 4 行，拒绝 0 行，跳过 2 行；合计个税 4,696.00（6 张表：2024年1月至6月；2024 年度，累计预扣）"));
        const int withheld = ColumnTitled(m, QStringLiteral("本期应预扣预缴税额"));
        QCOMPARE(Cell(m, static_cast<int>(m->Rows().size()), withheld), QStringLiteral("4,696.00"));
        const QString june = dir.filePath(QStringLiteral("june.xlsx"));
        w->ExportTo(june);
        drive::WaitForWork(w);
        QCOMPARE(verify(june, 6), QStringLiteral("4696.00"));
        // A figure typed into June's rows moves June's count at once; March shows March's own.
        months->setCurrentIndex(months->findData(3));
        QVERIFY2(status->text().startsWith(QStringLiteral("3月：读入 4 行，计算 4 行，拒绝 0 行，跳过 2 行；")), qPrintable(status->text()));
        int march = -1;
        for (int r = 0; r < static_cast<int>(m->Rows().size()) && march < 0; ++r)
            if (m->MonthOf(static_cast<size_t>(r)) == 3 && m->Rows()[static_cast<size_t>(r)].kind == batch::RowKind::kPerson) march = r;
        m->setData(m->index(march, ColumnTitled(m, QStringLiteral("应发工资"))), QStringLiteral("八千"), Qt::EditRole);
        QVERIFY2(status->text().startsWith(QStringLiteral("3月：读入 4 行，计算 3 行，拒绝 1 行，跳过 2 行；")), qPrintable(status->text()));
        months->setCurrentIndex(0);
        QVERIFY2(status->text().startsWith(QStringLiteral("读入 22 行，计算 18 行，拒绝 4 行，跳过 12 行；")), qPrintable(status->text()));
    }
};

QTEST_MAIN(TestBatchMonthly)
#include "tst_batchmonthly.moc"
