// The batch window under the 2019 law's labour, author's and royalty payments (劳务报酬所得, 稿酬所得,
// 特许权使用费所得, a row a payment): chosen from 税法, a payments file imported, every figure shown
// against an oracle written here from the rule, a refused row marked, the totals row; typing,
// adding and removing rows and undo; the file imported under another law; and the exports, CSV
// and XLSX the command line's own output on the same file, the printed table as PDF.
#include "TestSupport.h"

#include "tools/batch/BatchModel.h"
#include "tools/batch/BatchPrint.h"
#include "tools/batch/BatchUndo.h"
#include "tools/batch/UFrmBatch.h"
#include "shell/UMainForm.h"

#include <QAction>
#include <QApplication>
#include <QBrush>
#include <QClipboard>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTableView>
#include <QTemporaryDir>

#include <algorithm>

namespace {

TFrmBatch* Open(TFrmMain& main) {
    main.findChild<QAction*>(QStringLiteral("Menu_Tool_Batch"))->trigger();
    return main.findChild<TFrmBatch*>(QStringLiteral("FrmBatch"));
}

QString Cell(const BatchModel* m, int row, int col) {
    return m->data(m->index(row, col), Qt::DisplayRole).toString();
}

int ColumnTitled(const BatchModel* m, const char* title) {
    for (int c = 0; c < m->columnCount(); ++c)
        if (m->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString() == QString::fromUtf8(title)) return c;
    return -1;
}

// Fen as the table shows them ("18,150.00") or as text gives them ("10,000.00", "800").
long long Fen(QString text) {
    text.remove(QLatin1Char(','));
    const qsizetype point = text.indexOf(QLatin1Char('.'));
    if (point < 0) return text.toLongLong() * 100;
    return text.left(point).toLongLong() * 100 + text.mid(point + 1).leftJustified(2, QLatin1Char('0')).toLongLong();
}

QString Money(long long fen) {
    QString whole = QString::number(fen / 100);
    for (qsizetype at = whole.size() - 3; at > 0; at -= 3) whole.insert(at, QLatin1Char(','));
    return whole + QStringLiteral(".%1").arg(fen % 100, 2, 10, QLatin1Char('0'));
}

// The rule, in whole fen, apart from the program's code: 800 off an income up to 4000, a fifth
// off above; an author's amount at 70%; the exempt income off the amount, health and tax-
// deferred insurance and other deductions off what is left; labour on 20% to 20,000 taxable, 30%
// less 2,000 to 50,000, 40% less 7,000 above; author's and royalties at 20%; relief off the tax.
// A donation is not deducted when withheld (the annual settlement takes it).
struct Expected {
    long long amount, deduction, taxable, quick, withheld;
    int rate;
};

Expected Oracle(const QString& item, long long income, long long exempt, long long health, long long deferred,
                long long other, long long relief) {
    Expected e{};
    e.deduction = income <= 400000 ? 80000 : income / 5;
    long long amount = income - e.deduction;
    if (item == QStringLiteral("稿酬所得")) amount = amount * 7 / 10;
    e.amount = std::max(0LL, amount - exempt);
    e.taxable = std::max(0LL, e.amount - health - deferred - other);
    e.rate = 20;
    if (item == QStringLiteral("劳务报酬所得")) {
        if (e.taxable > 5000000) e.rate = 40, e.quick = 700000;
        else if (e.taxable > 2000000) e.rate = 30, e.quick = 200000;
    }
    const long long tax = (e.taxable * e.rate + 50) / 100 - e.quick; // whole fen in: no rounding past the fen
    e.withheld = tax - relief;
    return e;
}

const char* const kHeader = "工号,姓名,证件类型,证件号码,所得项目,本期收入,本期免税收入,商业健康保险,税延养老保险,其他,准予扣除的捐赠额,减免税额,备注";

// 工号 to 备注 of each payment; 周九's 工资薪金 is no payment of these three.
const char* const kRows[] = {
    "1,张三,居民身份证,110101199001011234,劳务报酬所得,3000,,,,,,,讲课",
    "2,李四,居民身份证,110101199001011235,稿酬所得,\"10,000.00\",,,,,,,",
    "3,王五,居民身份证,110101199001011236,特许权使用费所得,800,,,,,,,",
    "4,赵六,居民身份证,110101199001011237,劳务报酬所得,30000,,200,,100,,,",
    "5,钱七,居民身份证,110101199001011238,劳务报酬所得,80000,1000,,,,500,50,讲座",
    "6,孙八,居民身份证,110101199001011239,稿酬所得,3500,,,,,,,",
    "7,周九,居民身份证,110101199001011240,工资薪金,5000,,,,,,,",
    "8,吴十,居民身份证,110101199001011241,特许权使用费所得,5000,,,,,,,",
};
constexpr int kRefusedRow = 6;

QByteArray PaymentsCsv() {
    QByteArray text = QByteArray("2024年5月劳务报酬、稿酬支付表\n") + kHeader + '\n';
    for (const char* row : kRows) text += QByteArray(row) + '\n';
    return text;
}

// A CSV line's fields (quotes around a field with a comma).
QStringList Fields(const QString& line) {
    QStringList out;
    QString field;
    bool quoted = false;
    for (QChar ch : line) {
        if (ch == QLatin1Char('"')) quoted = !quoted;
        else if (ch == QLatin1Char(',') && !quoted) out << std::exchange(field, QString());
        else field += ch;
    }
    return out << field;
}

// qingfu-batch on `in` with `args`: its exit status.
int Cli(const QStringList& args) {
    QProcess p;
    p.start(QStringLiteral(QINGFU_BATCH_EXE), args);
    if (!p.waitForFinished(60000)) return -1;
    return p.exitCode();
}

QByteArray Bytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class TestBatchReceipts : public QObject {
    Q_OBJECT

    // Every payment's figures as shown against the oracle, the refused row marked, the totals row.
    static void FiguresAgree(const BatchModel* m, const char* step) {
        const int amount = ColumnTitled(m, "收入额");
        QVERIFY2(amount > 0, step);
        const int income = ColumnTitled(m, "本期收入"), note = ColumnTitled(m, "说明");
        long long sums[5] = {}, incomes = 0;
        for (int r = 0; r < static_cast<int>(m->Rows().size()); ++r) {
            QStringList f = Fields(QString::fromUtf8(kRows[r]));
            if (r == 0) f[5] = m->data(m->index(0, income), Qt::EditRole).toString(); // as typed over
            if (r == kRefusedRow) {
                QCOMPARE(Cell(m, r, note), QStringLiteral("所得项目：“工资薪金”不是劳务报酬所得、稿酬所得或特许权使用费所得"));
                QVERIFY2(Cell(m, r, amount).isEmpty(), step);
                continue;
            }
            auto fen = [&](int i) { return f[i].isEmpty() ? 0LL : Fen(f[i]); };
            const Expected e = Oracle(f[4], fen(5), fen(6), fen(7), fen(8), fen(9), fen(11));
            const QString where = QStringLiteral("%1: row %2").arg(QLatin1String(step)).arg(r);
            QVERIFY2(Cell(m, r, amount) == Money(e.amount), qPrintable(where + Cell(m, r, amount)));
            QVERIFY2(Cell(m, r, amount + 1) == Money(e.deduction), qPrintable(where + Cell(m, r, amount + 1)));
            QVERIFY2(Cell(m, r, amount + 2) == Money(e.taxable), qPrintable(where + Cell(m, r, amount + 2)));
            QVERIFY2(Cell(m, r, amount + 3) == QStringLiteral("%1%").arg(e.rate), qPrintable(where + Cell(m, r, amount + 3)));
            QVERIFY2(Cell(m, r, amount + 4) == Money(e.quick), qPrintable(where + Cell(m, r, amount + 4)));
            QVERIFY2(Cell(m, r, amount + 5) == Money(e.withheld), qPrintable(where + Cell(m, r, amount + 5)));
            QCOMPARE(Cell(m, r, note), f[10].isEmpty() ? QString() : QStringLiteral("准予扣除的捐赠额不在预扣时扣除，于年度汇算时扣除"));
            const long long each[5] = {e.amount, e.deduction, e.taxable, 0, e.withheld};
            for (int k = 0; k < 5; ++k) sums[k] += each[k];
            incomes += fen(5);
        }
        // The totals row sums the summed columns of the computed payments; rates and quick deductions not.
        const int totals = static_cast<int>(m->Rows().size());
        QCOMPARE(Cell(m, totals, ColumnTitled(m, "姓名")), QStringLiteral("合计"));
        QCOMPARE(Cell(m, totals, income), Money(incomes));
        QCOMPARE(Cell(m, totals, amount), Money(sums[0]));
        QCOMPARE(Cell(m, totals, amount + 1), Money(sums[1]));
        QCOMPARE(Cell(m, totals, amount + 2), Money(sums[2]));
        QVERIFY(Cell(m, totals, amount + 3).isEmpty() && Cell(m, totals, amount + 4).isEmpty());
        QCOMPARE(Cell(m, totals, amount + 5), Money(sums[4]));
        QCOMPARE(Cell(m, totals, amount + 5), batch::Grouped(m->totals().totalTax.Value()));
    }

private slots:
    void initTestCase() { drive::SetupApp(); }

    void paymentsImportedShownEditedExported() {
        RecordingDialogs dialogs;
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("payments.csv"));
        drive::WriteFile(file, PaymentsCsv());
        TFrmMain main;
        main.show();
        TFrmBatch* w = Open(main);
        BatchModel* m = w->model();
        auto* law = Child<QComboBox>(w, "CmbLaw");
        QCOMPARE(law->count(), 4);
        QCOMPARE(law->itemText(3), QStringLiteral("2019年起 劳务报酬、稿酬、特许权使用费"));
        law->setCurrentIndex(3);
        QVERIFY(m->Tabled());
        // An empty table of the form's columns, then the kind's.
        QCOMPARE(m->columnCount(), 13 + 7);
        QCOMPARE(m->headerData(13, Qt::Horizontal, Qt::DisplayRole).toString(), QStringLiteral("收入额"));
        QCOMPARE(m->headerData(19, Qt::Horizontal, Qt::DisplayRole).toString(), QStringLiteral("说明"));
        for (const char* hidden : {"CmbPoint", "CmbYear", "CmbMonth"}) QVERIFY2(Child<QWidget>(w, hidden)->isHidden(), hidden);
        auto* slips = Child<QPushButton>(w, "BtnPayslips");
        QVERIFY(!slips->isEnabled());
        QVERIFY(slips->toolTip().contains(QStringLiteral("不生成工资条")));

        w->ImportFiles({file});
        drive::WaitForWork(w);
        QVERIFY2(dialogs.boxes.isEmpty(), dialogs.boxes.isEmpty() ? "" : qPrintable(dialogs.boxes.front().text));
        QVERIFY(dialogs.questions.isEmpty()); // the law was already the payments'
        QCOMPARE(m->Rows().size(), std::size(kRows));
        QCOMPARE(m->columnCount(), 13 + 7);
        FiguresAgree(m, "imported");
        if (QTest::currentTestFailed()) return;
        if (qEnvironmentVariableIsSet("KEEP_SHOT")) {
            // The figures in view, as a person scrolls to them.
            Child<QTableView>(w, "TableRows")->scrollTo(m->index(0, 15));
            w->grab().save(qEnvironmentVariable("KEEP_SHOT"));
        }
        // The sheet's amounts as figures, its text as written.
        QCOMPARE(Cell(m, 1, ColumnTitled(m, "本期收入")), QStringLiteral("10,000.00"));
        QCOMPARE(Cell(m, 0, ColumnTitled(m, "备注")), QStringLiteral("讲课"));
        // Figures right-aligned, text not.
        const auto align = [&](int col) { return m->data(m->index(0, col), Qt::TextAlignmentRole).value<Qt::Alignment>(); };
        QVERIFY(align(ColumnTitled(m, "应预扣预缴税额")) & Qt::AlignRight);
        QVERIFY(align(ColumnTitled(m, "预扣率")) & Qt::AlignRight);
        QVERIFY(!(align(ColumnTitled(m, "姓名")) & Qt::AlignRight));
        // The refused row as the other laws show one: pale red, its cell stronger, the reason in its tip.
        const int item = ColumnTitled(m, "所得项目");
        QCOMPARE(m->data(m->index(kRefusedRow, item), Qt::BackgroundRole).value<QBrush>().color(), QColor(255, 180, 180));
        QCOMPARE(m->data(m->index(kRefusedRow, 0), Qt::BackgroundRole).value<QBrush>().color(), QColor(255, 228, 228));
        QVERIFY(!m->data(m->index(0, 0), Qt::BackgroundRole).isValid());
        QCOMPARE(m->data(m->index(kRefusedRow, 0), Qt::ToolTipRole).toString(),
                 QStringLiteral("第 9 行 所得项目：“工资薪金”不是劳务报酬所得、稿酬所得或特许权使用费所得"));
        auto* status = Child<QLabel>(w, "TxtStatus");
        QVERIFY2(status->text().startsWith(QStringLiteral("读入 8 行，计算 7 行，拒绝 1 行，跳过 1 行；合计个税 25,998.00")),
                 qPrintable(status->text()));
        QVERIFY2(status->text().contains(QStringLiteral("逐次预扣")), qPrintable(status->text()));

        // Exports: the command line's output on the same file, CSV byte for byte.
        const QString csv = dir.filePath(QStringLiteral("window.csv")), cliCsv = dir.filePath(QStringLiteral("cli.csv"));
        w->ExportTo(csv);
        drive::WaitForWork(w);
        QCOMPARE(Cli({QStringLiteral("--law"), QStringLiteral("2019receipts"), file, QStringLiteral("-o"), cliCsv}), 1);
        QVERIFY(!Bytes(cliCsv).isEmpty());
        QCOMPARE(Bytes(csv), Bytes(cliCsv));
        const QString book = dir.filePath(QStringLiteral("window.xlsx")), cliBook = dir.filePath(QStringLiteral("cli.xlsx"));
        w->ExportTo(book);
        drive::WaitForWork(w);
        QCOMPARE(Cli({QStringLiteral("--law"), QStringLiteral("2019receipts"), file, QStringLiteral("-o"), cliBook}), 1);
        // Read back by openpyxl: the same sheets and cells, formulas and the values cached with them.
        QProcess py;
        py.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral("-c"), QStringLiteral(R"(
import openpyxl, sys
def cells(path, values):
    book = openpyxl.load_workbook(path, data_only=values)
    return [(ws.title, [list(r) for r in ws.iter_rows(values_only=True)]) for ws in book.worksheets]
for values in (False, True):
    a, b = cells(sys.argv[1], values), cells(sys.argv[2], values)
    assert a == b, (a, b)
sheet = cells(sys.argv[1], True)[0][1]
assert sheet[0][13] == "收入额" and sheet[-1][1] == "合计", sheet
print(sheet[-1][18])
)"), book, cliBook});
        QVERIFY(py.waitForFinished(60000));
        QVERIFY2(py.exitCode() == 0, py.readAllStandardError().constData());
        QCOMPARE(QString::fromUtf8(py.readAllStandardOutput()).trimmed(), QStringLiteral("25998"));

        // The printed table as PDF: the kind's columns, its figures to two decimals.
        auto* paper = w->findChild<TBatchPrint*>(QStringLiteral("BatchPrint"));
        const QString pdf = dir.filePath(QStringLiteral("payments.pdf"));
        QVERIFY(paper->ExportPdf(pdf));
        drive::WaitForWork(w);
        QVERIFY(QFileInfo(pdf).size() > 1000);
        const QStringList pages = drive::PdfPages(pdf);
        if (!QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty()) {
            QCOMPARE(pages.size(), 1);
            const QString text = pages.join(QString());
            for (const char* shown : {"2024年5月劳务报酬、稿酬支付表", "应预扣预缴税额", "18,150.00", "5,110.00", "25,998.00", "工资薪金"})
                QVERIFY2(text.contains(QString::fromUtf8(shown)), shown);
        }

        // Typing a cell computes its row afresh; undo puts it back.
        BatchUndo* undo = w->undoStack();
        const int income = ColumnTitled(m, "本期收入");
        undo->Record(QStringLiteral("输入"), [&] { m->setData(m->index(0, income), QStringLiteral("5000"), Qt::EditRole); }, 0, 1);
        QCOMPARE(Cell(m, 0, ColumnTitled(m, "应预扣预缴税额")), QStringLiteral("800.00"));
        FiguresAgree(m, "typed");
        if (QTest::currentTestFailed()) return;
        undo->undo();
        QCOMPARE(Cell(m, 0, ColumnTitled(m, "应预扣预缴税额")), QStringLiteral("440.00"));
        FiguresAgree(m, "typing undone");
        if (QTest::currentTestFailed()) return;
        // The refused row's item put right: computed, the counts move.
        undo->Record(QStringLiteral("输入"), [&] { m->setData(m->index(kRefusedRow, item), QStringLiteral("劳务报酬所得"), Qt::EditRole); },
                     kRefusedRow, 1);
        QCOMPARE(Cell(m, kRefusedRow, ColumnTitled(m, "应预扣预缴税额")), QStringLiteral("800.00"));
        QVERIFY2(status->text().startsWith(QStringLiteral("读入 8 行，计算 8 行，拒绝 0 行，跳过 1 行；合计个税 26,798.00")),
                 qPrintable(status->text()));
        undo->undo();
        FiguresAgree(m, "item undone");
        if (QTest::currentTestFailed()) return;
        // A row added is no one's until typed in; a row removed leaves the sums; undo brings both back.
        const int before = static_cast<int>(m->Rows().size());
        undo->Record(QStringLiteral("添加行"), [&] { m->AddRows(before, 1); }, before, 0);
        QCOMPARE(static_cast<int>(m->Rows().size()), before + 1);
        QVERIFY(Cell(m, before, ColumnTitled(m, "说明")).isEmpty());
        QVERIFY2(status->text().startsWith(QStringLiteral("读入 8 行，计算 7 行")), qPrintable(status->text()));
        undo->undo();
        undo->Record(QStringLiteral("删除行"), [&] { m->RemoveRows(4, 1); }, 4, 1);
        QCOMPARE(static_cast<int>(m->Rows().size()), before - 1);
        QVERIFY2(status->text().startsWith(QStringLiteral("读入 7 行，计算 6 行，拒绝 1 行，跳过 1 行；合计个税 7,848.00")),
                 qPrintable(status->text()));
        undo->undo();
        FiguresAgree(m, "removal undone");
        if (QTest::currentTestFailed()) return;
        // Blocks with headings pasted from a spreadsheet: read as the import reads them, each
        // column under the table's of the same heading, rows added at the end and computed; a
        // column the table lacks is added to it (as one step of undo, the whole table kept).
        QString title;
        tax::Status pasted;
        undo->Record(QStringLiteral("粘贴"), [&] {
            pasted = m->Paste(0, 0, QStringLiteral("姓名\t所得项目\t本期收入\n郑一\t稿酬所得\t4000\n"), &title);
        });
        QVERIFY(pasted);
        QCOMPARE(static_cast<int>(m->Rows().size()), before + 1);
        QCOMPARE(m->columnCount(), 13 + 7);
        QCOMPARE(Cell(m, before, ColumnTitled(m, "姓名")), QStringLiteral("郑一"));
        QCOMPARE(Cell(m, before, ColumnTitled(m, "应预扣预缴税额")), QStringLiteral("448.00")); // (4000 − 800) × 70% × 20%
        undo->undo();
        QCOMPARE(static_cast<int>(m->Rows().size()), before);
        QApplication::clipboard()->setText(QString::fromUtf8(kHeader).replace(QLatin1Char(','), QLatin1Char('\t')) +
                                           QStringLiteral("\t部门\t\n9\t郑一\t\t\t劳务报酬所得\t4000\t\t\t\t\t\t\t\t编辑部\t\n"));
        Child<QPushButton>(w, "BtnPaste")->click();
        QCOMPARE(static_cast<int>(m->Rows().size()), before + 1);
        QCOMPARE(m->columnCount(), 14 + 7);
        QCOMPARE(Cell(m, before, ColumnTitled(m, "部门")), QStringLiteral("编辑部"));
        QVERIFY(Cell(m, 0, ColumnTitled(m, "部门")).isEmpty());
        QCOMPARE(Cell(m, before, ColumnTitled(m, "应预扣预缴税额")), QStringLiteral("640.00"));
        QCOMPARE(Cell(m, 4, ColumnTitled(m, "应预扣预缴税额")), QStringLiteral("18,150.00"));
        QCOMPARE(Cell(m, before + 1, ColumnTitled(m, "应预扣预缴税额")), QStringLiteral("26,638.00"));
        QCOMPARE(Cell(m, before + 1, ColumnTitled(m, "本期收入")), QStringLiteral("136,300.00"));
        undo->undo();
        QCOMPARE(static_cast<int>(m->Rows().size()), before);
        QCOMPARE(m->columnCount(), 13 + 7);
        FiguresAgree(m, "widening undone");
        if (QTest::currentTestFailed()) return;
        // The same file imported again over the same columns: one step, undone to the rows before it.
        undo->Record(QStringLiteral("输入"), [&] { m->setData(m->index(1, income), QStringLiteral("20000"), Qt::EditRole); }, 1, 1);
        w->ImportFiles({file});
        drive::WaitForWork(w);
        FiguresAgree(m, "imported again");
        if (QTest::currentTestFailed()) return;
        QCOMPARE(undo->undoText(), QStringLiteral("导入"));
        undo->undo();
        QCOMPARE(Cell(m, 1, income), QStringLiteral("20,000.00"));
        undo->undo();
        FiguresAgree(m, "all undone");
        if (QTest::currentTestFailed()) return;

        // Exported again after the edits and their undoing: the same bytes.
        w->ExportTo(csv);
        drive::WaitForWork(w);
        QCOMPARE(Bytes(csv), Bytes(cliCsv));

        // The workbook written read back in: its computed columns computed afresh, its totals row
        // kept as the sheet's own, neither computed nor summed.
        const QStringList totalsBefore = [&] {
            QStringList t;
            for (int c = 0; c < m->columnCount(); ++c) t << Cell(m, static_cast<int>(m->Rows().size()), c);
            return t;
        }();
        QStringList taxBefore;
        for (int r = 0; r < static_cast<int>(std::size(kRows)); ++r) taxBefore << Cell(m, r, ColumnTitled(m, "应预扣预缴税额"));
        dialogs.boxes.clear();
        w->ImportFiles({book});
        drive::WaitForWork(w);
        QVERIFY2(dialogs.boxes.isEmpty(), dialogs.boxes.isEmpty() ? "" : qPrintable(dialogs.boxes.back().text));
        QCOMPARE(m->columnCount(), 13 + 7);
        QCOMPARE(m->Rows().size(), std::size(kRows) + 1);
        QCOMPARE(m->Rows().Kind(std::size(kRows)), batch::RowKind::kTotal);
        QCOMPARE(Cell(m, static_cast<int>(std::size(kRows)), ColumnTitled(m, "说明")), QStringLiteral("合计行，未计算"));
        QStringList totalsAfter;
        for (int c = 0; c < m->columnCount(); ++c) totalsAfter << Cell(m, static_cast<int>(m->Rows().size()), c);
        QCOMPARE(totalsAfter, totalsBefore);
        QVERIFY2(status->text().startsWith(QStringLiteral("读入 8 行，计算 7 行，拒绝 1 行，跳过 1 行；合计个税 25,998.00")),
                 qPrintable(status->text()));
        for (int r = 0; r < static_cast<int>(std::size(kRows)); ++r)
            QCOMPARE(Cell(m, r, ColumnTitled(m, "应预扣预缴税额")), taxBefore[r]);
    }

    // A payments file imported under another law: the window asks, as it does for a month's
    // payroll under the wrong law, and changes to the payments' law; declined, the import says which to choose.
    void paymentsUnderAnotherLaw() {
        RecordingDialogs dialogs;
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("payments.csv"));
        drive::WriteFile(file, PaymentsCsv());
        TFrmMain main;
        main.show();
        TFrmBatch* w = Open(main);
        BatchModel* m = w->model();
        auto* law = Child<QComboBox>(w, "CmbLaw");
        QCOMPARE(law->currentIndex(), 0);
        dialogs.questionYesAnswer = false;
        w->ImportFiles({file});
        drive::WaitForWork(w);
        QCOMPARE(dialogs.questions.size(), 1);
        QVERIFY2(dialogs.questions.front().contains(QStringLiteral("要改用“2019年起 劳务报酬、稿酬、特许权使用费”吗")),
                 qPrintable(dialogs.questions.front()));
        QCOMPARE(law->currentIndex(), 0);
        QVERIFY(!m->Tabled());
        QCOMPARE(dialogs.boxes.size(), 1);
        QVERIFY2(dialogs.boxes.front().text.contains(QStringLiteral("请把“税法”选为“2019年起 劳务报酬、稿酬、特许权使用费”再导入")),
                 qPrintable(dialogs.boxes.front().text));

        dialogs.questionYesAnswer = true;
        w->ImportFiles({file});
        drive::WaitForWork(w);
        QCOMPARE(dialogs.questions.size(), 2);
        QCOMPARE(law->currentIndex(), 3);
        QVERIFY(m->Tabled());
        QCOMPARE(m->Rows().size(), std::size(kRows));
        FiguresAgree(m, "switched");
        if (QTest::currentTestFailed()) return;

        // To the 2019 wages and back: the payments cannot be carried across; asked, then undone.
        dialogs.questionAnswer = true;
        law->setCurrentIndex(2);
        QVERIFY(m->Monthly());
        QVERIFY(m->Rows().empty());
        QVERIFY2(dialogs.questions.back().contains(QStringLiteral("不能带过去")), qPrintable(dialogs.questions.back()));
        w->undoStack()->undo();
        QCOMPARE(law->currentIndex(), 3);
        QCOMPARE(m->Rows().size(), std::size(kRows));
        FiguresAgree(m, "law change undone");
        if (QTest::currentTestFailed()) return;
        auto* status = Child<QLabel>(w, "TxtStatus");
        QVERIFY2(status->text().startsWith(QStringLiteral("读入 8 行，计算 7 行，拒绝 1 行，跳过 1 行；合计个税 25,998.00")),
                 qPrintable(status->text()));
        // A 2019 payroll under the payments' law is pointed to its own.
        const QString payroll = dir.filePath(QStringLiteral("payroll.csv"));
        drive::WriteFile(payroll, "工号,姓名,所属月份,本期收入\n1,张三,2024-05,10000\n");
        dialogs.boxes.clear();
        dialogs.questionYesAnswer = false;
        dialogs.questionAnswer = true;
        w->ImportFiles({payroll});
        drive::WaitForWork(w);
        QVERIFY(m->Tabled());
        QCOMPARE(dialogs.boxes.size(), 1);
        QVERIFY2(dialogs.boxes.front().text.contains(QStringLiteral("2019年起（累计预扣）")), qPrintable(dialogs.boxes.front().text));
    }
};

QTEST_MAIN(TestBatchReceipts)
#include "tst_batchreceipts.moc"
