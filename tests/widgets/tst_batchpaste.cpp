// The batch table as someone used to a spreadsheet works it, through the clipboard and the keys:
// a block copied from a payroll sheet pasted in (read as an import of the same text would be),
// one value or a small block pasted over a selection, Ctrl+D, and a change of law that keeps
// the rows.
#include "TestSupport.h"

#include "batch/Monthly.h"
#include "tools/batch/BatchModel.h"
#include "tools/batch/BatchUndo.h"
#include "tools/batch/UFrmBatch.h"
#include "shell/UMainForm.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QTableView>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <algorithm>
#include <random>

namespace {

// The block of the payroll sheet a clerk copies: the sheet's title, its header, three people
// and the sheet's own 合计 row (合计 under 工号, 姓名 empty).
const char* const kTitle = "某某公司2016年5月工资表";
const char* const kBlock =
    "工号\t姓名\t基本工资\t应发工资\t五险一金\t备注\n"
    "001\t张三\t5000\t8000\t800\t\n"
    "002\t李四\t6000\t12000\t1200\t调岗\n"
    "003\t王五\t3000\t4500\t450\t\n"
    "合计\t\t14000\t24500\t2450\t\n";

TFrmBatch* Open(TFrmMain& main) {
    main.findChild<QAction*>(QStringLiteral("Menu_Tool_Batch"))->trigger();
    auto* w = main.findChild<TFrmBatch*>(QStringLiteral("FrmBatch"));
    w->show();
    if (!QTest::qWaitForWindowExposed(w)) qWarning("batch window not exposed");
    return w;
}

int Column(const BatchModel* m, const QString& title) {
    for (int c = 0; c < m->columnCount(); ++c)
        if (m->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString() == title) return c;
    return -1;
}

QString Cell(const BatchModel* m, int row, const QString& title) {
    return m->data(m->index(row, Column(m, title)), Qt::DisplayRole).toString();
}

QStringList ColumnTexts(const BatchModel* m, const QString& title) {
    QStringList out;
    for (int r = 0; r < static_cast<int>(m->Rows().size()); ++r)
        out << m->data(m->index(r, Column(m, title)), Qt::EditRole).toString();
    return out;
}

// Everything the table shows: the headings, then each row and the totals row, cell by cell.
QStringList Shown(const BatchModel* m) {
    QStringList out;
    QStringList line;
    for (int c = 0; c < m->columnCount(); ++c)
        line << m->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString();
    out << line.join(QLatin1Char('|'));
    for (int r = 0; r < m->rowCount(); ++r) {
        line.clear();
        for (int c = 0; c < m->columnCount(); ++c)
            line << m->data(m->index(r, c), Qt::DisplayRole).toString();
        out << line.join(QLatin1Char('|'));
    }
    return out;
}

void PasteKeys(TFrmBatch* w, const QString& text) {
    auto* table = Child<QTableView>(w, "TableRows");
    QApplication::clipboard()->setText(text);
    table->setFocus();
    QTest::keySequence(table, QKeySequence::Paste);
}

// Selects the cells of `column` in rows [first, last] as a drag of the mouse would.
void SelectColumn(QTableView* table, int column, int first, int last) {
    QAbstractItemModel* m = table->model();
    table->setCurrentIndex(m->index(first, column));
    table->selectionModel()->select(QItemSelection(m->index(first, column), m->index(last, column)),
                                    QItemSelectionModel::ClearAndSelect);
}

void ChooseLaw(TFrmBatch* w, int index) {
    Child<QComboBox>(w, "CmbLaw")->setCurrentIndex(index);
}

} // namespace

class TestBatchPaste : public QObject {
    Q_OBJECT

    QTemporaryDir dir;

private slots:
    void initTestCase() { drive::SetupApp(); }

    // The block with its title row and its 合计 row, and the same block without the title,
    // pasted into a fresh window: read by heading, every column kept, the sheet's 合计 row kept
    // as a totals row and never computed, and the whole paste one step of undo.
    void blockWithHeadingsIsReadAsAnImport() {
        for (const bool titled : {true, false}) {
            RecordingDialogs dialogs;
            TFrmMain main;
            TFrmBatch* w = Open(main);
            BatchModel* m = w->model();
            const QString text = (titled ? QString::fromUtf8(kTitle) + QLatin1Char('\n') : QString()) + QString::fromUtf8(kBlock);
            PasteKeys(w, text);
            QVERIFY(dialogs.boxes.isEmpty());
            QCOMPARE(m->Rows().size(), size_t{4});
            // 工号 and the sheet's other columns are the table's now.
            QCOMPARE(m->headerData(0, Qt::Horizontal, Qt::DisplayRole).toString(), QStringLiteral("工号"));
            QCOMPARE(ColumnTexts(m, QStringLiteral("工号")), QStringList({"001", "002", "003", "合计"}));
            QCOMPARE(ColumnTexts(m, QStringLiteral("基本工资")), QStringList({"5000", "6000", "3000", "14000"}));
            QCOMPARE(ColumnTexts(m, QStringLiteral("备注")), QStringList({"", "调岗", "", ""}));
            QCOMPARE(ColumnTexts(m, QStringLiteral("月工资")), QStringList({"8000", "12000", "4500", "24500"}));
            // (8000 − 800 − 3500) × 10% − 105, (12000 − 1200 − 3500) × 20% − 555, 550 × 3%.
            QCOMPARE(Cell(m, 0, QStringLiteral("工资个税")), QStringLiteral("265.00"));
            QCOMPARE(Cell(m, 1, QStringLiteral("工资个税")), QStringLiteral("905.00"));
            QCOMPARE(Cell(m, 2, QStringLiteral("工资个税")), QStringLiteral("16.50"));
            QCOMPARE(m->Rows()[3].kind, batch::RowKind::kTotal);
            QCOMPARE(Cell(m, 3, QStringLiteral("工资个税")), QString());
            QCOMPARE(Cell(m, 3, QStringLiteral("说明")), QStringLiteral("合计行，未计算"));
            QCOMPARE(Cell(m, 4, QStringLiteral("合计个税")), QStringLiteral("1,186.50"));
            QCOMPARE(m->totals().computed, 3LL);
            QCOMPARE(m->totals().refused, 0LL);
            QCOMPARE(m->totals().skipped, titled ? 2LL : 1LL); // the title row and the sheet's 合计, as an import counts them
            QVERIFY(Child<QLabel>(w, "TxtStatus")->text().contains(QStringLiteral("合计个税 1,186.50")));
            if (titled && qEnvironmentVariableIsSet("KEEP_SHOT")) w->grab().save(qEnvironmentVariable("KEEP_SHOT"));
            // The sheet's title heads what is printed, as after an import.
            QCOMPARE(Child<QLineEdit>(w, "TxtTitle")->text(), titled ? QString::fromUtf8(kTitle) : QString());
            // One step back is the empty table of before, its columns too; forward again.
            QCOMPARE(w->undoStack()->count(), 1);
            QCOMPARE(w->undoStack()->undoText(), QStringLiteral("粘贴"));
            w->undoStack()->undo();
            QCOMPARE(m->Rows().size(), size_t{0});
            QCOMPARE(m->totals().skipped, 0LL);
            QCOMPARE(Column(m, QStringLiteral("工号")), -1);
            w->undoStack()->redo();
            QCOMPARE(Cell(m, 4, QStringLiteral("合计个税")), QStringLiteral("1,186.50"));
            QCOMPARE(Column(m, QStringLiteral("工号")), 0);
            // Every row computed afresh under another allowance: the rows skipped stay counted.
            Child<QComboBox>(w, "CmbPoint")->setCurrentIndex(1);
            QCOMPARE(m->totals().skipped, titled ? 2LL : 1LL);
            QCOMPARE(m->totals().computed, 3LL);
        }
    }

    // A paste and an import of the same text give the same table, cell for cell, under the
    // 2011 and the 2019 law: the same reader, the same refusals naming their cells.
    void pasteAndImportAgree_data() {
        QTest::addColumn<int>("law");
        QTest::addColumn<QString>("text");
        QTest::newRow("2011") << 0
                              << QStringLiteral("某某公司2016年5月工资表\t\t\t\t\t\t\n"
                                                "序号\t工号\t姓名\t应发工资\t养老保险\t医疗保险\t年终奖\n"
                                                "1\t001\t张三\t8000\t640\t160\t24000\n"
                                                "2\t002\t李四\t八千\t\t\t\n"
                                                "3\t003\t王五\t3000\t-5\t\t\n"
                                                "4\t004\t赵六\t60000\t\t\t60000\n"
                                                "小计\t\t\t71000\t635\t160\t84000\n");
        QTest::newRow("2019") << 2
                              << QStringLiteral("某某公司2024年工资表\t\t\t\t\t\t\n"
                                                "工号\t姓名\t所属月份\t应发工资\t五险一金\t累计子女教育\t备注\n"
                                                "001\t甲\t1\t30000\t4500\t2000\t\n"
                                                "001\t甲\t2\t30000\t4500\t4000\t\n"
                                                "002\t乙\t2\t8000\t800\t\t试用\n"
                                                "003\t丙\t2\t八千\t\t\t\n"
                                                "合计\t\t\t68000\t9800\t\t\n");
    }
    void pasteAndImportAgree() {
        QFETCH(int, law);
        QFETCH(QString, text);
        RecordingDialogs dialogs;
        TFrmMain main;
        TFrmBatch* w = Open(main);
        ChooseLaw(w, law);
        if (law == 2) Child<QComboBox>(w, "CmbYear")->setCurrentIndex(Child<QComboBox>(w, "CmbYear")->findData(2024));
        const QString file = dir.filePath(QStringLiteral("same-%1.csv").arg(law));
        drive::WriteFile(file, text.toUtf8());
        w->ImportFrom(file);
        drive::WaitForWork(w);
        QVERIFY2(dialogs.boxes.isEmpty(), qPrintable(dialogs.boxes.isEmpty() ? QString() : dialogs.boxes[0].text));
        const QStringList imported = Shown(w->model());
        const batch::Totals importedTotals = w->model()->totals();
        w->close();

        TFrmMain other;
        TFrmBatch* p = Open(other);
        ChooseLaw(p, law);
        if (law == 2) Child<QComboBox>(p, "CmbYear")->setCurrentIndex(Child<QComboBox>(p, "CmbYear")->findData(2024));
        PasteKeys(p, text);
        QVERIFY(dialogs.boxes.isEmpty());
        QCOMPARE(Shown(p->model()), imported);
        QCOMPARE(p->model()->totals().computed, importedTotals.computed);
        QCOMPARE(p->model()->totals().refused, importedTotals.refused);
        QCOMPARE(p->model()->totals().skipped, importedTotals.skipped);
        QCOMPARE(importedTotals.skipped, 2LL); // the title row and the sheet's own total
        QCOMPARE(p->model()->totals().totalTax.Value(), importedTotals.totalTax.Value());
        QVERIFY(importedTotals.refused >= 1); // the refusals name their cells alike
        QVERIFY(imported.join(QLatin1Char('\n')).contains(QStringLiteral("无法识别“八千”")));
    }

    // Random sheets, as clerks lay them out (headings by any of their names, in any order, title
    // rows or none, items apart or together, bad cells, totals rows): a paste into a fresh table
    // gives what an import of the same text gives, every cell and count.
    void randomBlocksPasteAsTheyImport() {
        QRandomGenerator random(20261208);
        auto pick = [&](const QStringList& from) { return from[random.bounded(from.size())]; };
        int compared = 0, totals = 0;
        for (int round = 0; round < 40; ++round) {
            const bool monthly = random.bounded(2) == 1;
            QList<QStringList> columns; // each column: its heading, then the kind of its cells
            if (monthly) {
                columns << QStringList{pick({"工号", "员工编号"}), "id"} << QStringList{pick({"姓名", "员工姓名"}), "name"}
                        << QStringList{pick({"月份", "所属月份"}), "month"}
                        << QStringList{pick({"本期收入", "应发工资", "税前工资"}), "wage"};
                if (random.bounded(2)) columns << QStringList{"五险一金", "part"};
                else columns << QStringList{"基本养老保险费", "part"} << QStringList{"住房公积金", "part"};
                if (random.bounded(2)) columns << QStringList{"累计子女教育", "part"};
                if (random.bounded(2)) columns << QStringList{pick({"全年一次性奖金", "年终奖"}), "bonus"};
            } else {
                if (random.bounded(2)) columns << QStringList{pick({"工号", "员工编号"}), "id"};
                columns << QStringList{pick({"姓名", "员工姓名"}), "name"}
                        << QStringList{pick({"月工资", "应发工资", "税前工资"}), "wage"};
                if (random.bounded(2)) columns << QStringList{pick({"五险一金", "社保"}), "part"};
                else columns << QStringList{"养老保险", "part"} << QStringList{"公积金", "part"};
                if (random.bounded(2)) columns << QStringList{"起征点", "allowance"};
                if (random.bounded(2)) columns << QStringList{pick({"年终奖", "奖金"}), "bonus"};
            }
            for (const char* carried : {"部门", "备注", "序号"})
                if (random.bounded(3) == 0) columns << QStringList{QString::fromUtf8(carried), "text"};
            std::shuffle(columns.begin(), columns.end(), std::mt19937(random.generate()));
            QStringList lines;
            for (int t = random.bounded(3); t > 0; --t) // title rows, spread as a spreadsheet copies them
                lines << QStringLiteral("某某公司工资表%1").arg(t) + QString(columns.size() - 1, QLatin1Char('\t'));
            QStringList header;
            for (const QStringList& c : columns)
                header << c[0];
            lines << header.join(QLatin1Char('\t'));
            for (int r = random.bounded(1, 8); r > 0; --r) {
                const bool total = random.bounded(6) == 0;
                QStringList cells;
                for (const QStringList& c : columns) {
                    const QString kind = c[1];
                    QString cell;
                    if (kind == "id") cell = total && random.bounded(2) ? QStringLiteral("合计") : QString::number(random.bounded(1, 4));
                    else if (kind == "name") cell = total ? (random.bounded(2) ? QStringLiteral("小计") : QString()) : pick({"甲", "乙", "丙"});
                    else if (kind == "month") cell = total ? QString() : QString::number(random.bounded(1, 4));
                    else if (kind == "text") cell = pick({"", "财务", "合计"});
                    else if (kind == "allowance") cell = pick({"", "", "4800", "3500"});
                    else cell = pick({"", "8000", "12,345.60", "30000", "500", "八千", "-5", "0.005", "96000"});
                    cells << cell;
                }
                lines << cells.join(QLatin1Char('\t'));
            }
            const QString text = lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
            const batch::Rules rules{monthly ? batch::Law::k2019 : batch::Law::k2011, 3500, 2024};
            const QString file = dir.filePath(QStringLiteral("random.csv"));
            drive::WriteFile(file, text.toUtf8());
            batch::Progress progress;
            tax::Result<batch::ImportResult> read = batch::Import(file, QString(), rules, progress);
            BatchModel imported, pasted;
            for (BatchModel* m : {&imported, &pasted}) {
                m->SetLaw(rules.law);
                m->SetYear(2024);
            }
            const tax::Status status = pasted.Paste(0, 0, text);
            QVERIFY2(read.ok() == status.ok(), qPrintable(text));
            if (!read) {
                QCOMPARE(status.error(), read.error());
                continue;
            }
            imported.Replace(std::move(*read));
            QVERIFY2(Shown(&pasted) == Shown(&imported), qPrintable(text + Shown(&pasted).join('\n') + "\n---\n" + Shown(&imported).join('\n')));
            QCOMPARE(pasted.totals().skipped, imported.totals().skipped);
            QCOMPARE(pasted.totals().refused, imported.totals().refused);
            QCOMPARE(pasted.totals().totalTax.Value(), imported.totals().totalTax.Value());
            ++compared;
            totals += std::count_if(pasted.Rows().begin(), pasted.Rows().end(),
                                    [](const BatchRow& row) { return row.kind == batch::RowKind::kTotal; });
        }
        QVERIFY2(compared >= 30 && totals >= 5, qPrintable(QStringLiteral("%1 tables, %2 totals rows").arg(compared).arg(totals)));
    }

    // A block pasted into a table that has rows: added at the end, a column the table lacks
    // added to it; a block the reader refuses changes nothing and says why.
    void blockAddsRowsAndColumns() {
        RecordingDialogs dialogs;
        TFrmMain main;
        TFrmBatch* w = Open(main);
        BatchModel* m = w->model();
        PasteKeys(w, QStringLiteral("姓名\t月工资\n甲\t9000\n"));
        QCOMPARE(m->columnCount(), 14);
        PasteKeys(w, QStringLiteral("工号\t姓名\t月工资\t部门\n7\t乙\t5000\t财务\n"));
        QCOMPARE(m->Rows().size(), size_t{2});
        QCOMPARE(ColumnTexts(m, QStringLiteral("工号")), QStringList({"", "7"}));
        QCOMPARE(ColumnTexts(m, QStringLiteral("姓名")), QStringList({"甲", "乙"}));
        QCOMPARE(ColumnTexts(m, QStringLiteral("部门")), QStringList({"", "财务"}));
        QCOMPARE(Cell(m, 0, QStringLiteral("工资个税")), QStringLiteral("545.00"));
        // Headings without 月工资: refused, the table as it was.
        const QStringList before = Shown(m);
        PasteKeys(w, QStringLiteral("姓名\t五险一金\n丙\t500\n"));
        QCOMPARE(dialogs.boxes.size(), 1);
        QVERIFY(dialogs.boxes[0].text.contains(QStringLiteral("没有月工资一列")));
        QCOMPARE(Shown(m), before);
        QCOMPARE(w->undoStack()->count(), 2);
    }

    // One value pasted over a selection fills every selected cell; a smaller block repeats over
    // it; Ctrl+D fills down from the first selected row. Each one step of undo.
    void selectionFilledAsSpreadsheetsFill() {
        RecordingDialogs dialogs;
        TFrmMain main;
        TFrmBatch* w = Open(main);
        BatchModel* m = w->model();
        auto* table = Child<QTableView>(w, "TableRows");
        PasteKeys(w, QString::fromUtf8(kTitle) + QLatin1Char('\n') + QString::fromUtf8(kBlock));
        const int steps = w->undoStack()->count();
        // The 起征点 column picked by its heading: the totals row below is selected too, and left.
        const int allowance = Column(m, QStringLiteral("起征点"));
        QHeaderView* header = table->horizontalHeader();
        QTest::mouseClick(header->viewport(), Qt::LeftButton, Qt::NoModifier,
                          QPoint(header->sectionViewportPosition(allowance) + 5, header->height() / 2));
        QCOMPARE(table->selectionModel()->selectedIndexes().size(), m->rowCount());
        PasteKeys(w, QStringLiteral("4800"));
        // The sheet's own 合计 row is typed into as any row: its 工号 keeps it a totals row.
        QCOMPARE(ColumnTexts(m, QStringLiteral("起征点")), QStringList({"4800", "4800", "4800", "4800"}));
        QCOMPARE(Cell(m, 0, QStringLiteral("工资个税")), QStringLiteral("135.00")); // (8000 − 800 − 4800) × 10% − 105
        QCOMPARE(m->Rows()[3].kind, batch::RowKind::kTotal);
        QCOMPARE(w->undoStack()->count(), steps + 1);
        w->undoStack()->undo();
        QCOMPARE(ColumnTexts(m, QStringLiteral("起征点")), QStringList({"", "", "", ""}));
        w->undoStack()->redo();

        // Two values over four rows: they repeat.
        const int name = Column(m, QStringLiteral("姓名"));
        SelectColumn(table, name, 0, 3);
        PasteKeys(w, QStringLiteral("A\nB\n"));
        QCOMPARE(ColumnTexts(m, QStringLiteral("姓名")).mid(0, 4), QStringList({"A", "B", "A", "B"}));
        QCOMPARE(m->Rows()[3].kind, batch::RowKind::kTotal); // 合计 under 工号 still
        // A block as large as the selection is laid from its corner, as before.
        SelectColumn(table, name, 1, 2);
        PasteKeys(w, QStringLiteral("X\nY\n"));
        QCOMPARE(ColumnTexts(m, QStringLiteral("姓名")).mid(0, 4), QStringList({"A", "X", "Y", "B"}));

        // Ctrl+D: the first row's 月工资 and 五险一金 down the next two rows, as one step.
        const int wage = Column(m, QStringLiteral("月工资")), insurance = Column(m, QStringLiteral("五险一金"));
        table->selectionModel()->select(QItemSelection(m->index(0, wage), m->index(2, insurance)),
                                        QItemSelectionModel::ClearAndSelect);
        const int before = w->undoStack()->count();
        QTest::keySequence(table, QKeySequence(Qt::CTRL | Qt::Key_D));
        QCOMPARE(ColumnTexts(m, QStringLiteral("月工资")).mid(0, 4), QStringList({"8000", "8000", "8000", "24500"}));
        QCOMPARE(ColumnTexts(m, QStringLiteral("五险一金")).mid(0, 4), QStringList({"800", "800", "800", "2450"}));
        QCOMPARE(w->undoStack()->count(), before + 1);
        QCOMPARE(w->undoStack()->undoText(), QStringLiteral("向下填充"));
        // One row selected: the row above is copied into it.
        SelectColumn(table, wage, 3, 3);
        QTest::keySequence(table, QKeySequence(Qt::CTRL | Qt::Key_D));
        QCOMPARE(ColumnTexts(m, QStringLiteral("月工资"))[3], QStringLiteral("8000"));
        w->undoStack()->undo();
        w->undoStack()->undo();
        QCOMPARE(ColumnTexts(m, QStringLiteral("月工资")).mid(0, 3), QStringList({"8000", "12000", "4500"}));
        QVERIFY(dialogs.boxes.isEmpty());
    }

    // Under the 2019 law: "1" over a selected 月份 column gives every row its month, and the
    // people's cumulative figures follow.
    void monthFilledUnderThe2019Law() {
        RecordingDialogs dialogs;
        TFrmMain main;
        TFrmBatch* w = Open(main);
        BatchModel* m = w->model();
        auto* table = Child<QTableView>(w, "TableRows");
        ChooseLaw(w, 2);
        Child<QComboBox>(w, "CmbYear")->setCurrentIndex(Child<QComboBox>(w, "CmbYear")->findData(2024));
        table->setCurrentIndex(m->index(0, 1));
        PasteKeys(w, QStringLiteral("甲\t\t30000\n乙\t\t8000\n丙\t\t5000\n")); // from 姓名: 月份 left empty
        QCOMPARE(m->totals().refused, 3LL);
        SelectColumn(table, Column(m, QStringLiteral("月份")), 0, 2);
        PasteKeys(w, QStringLiteral("1"));
        QCOMPARE(ColumnTexts(m, QStringLiteral("月份")), QStringList({"1", "1", "1"}));
        QCOMPARE(m->totals().refused, 0LL);
        QCOMPARE(Cell(m, 0, QStringLiteral("本期应预扣预缴税额")), QStringLiteral("750.00")); // 25000 × 3%
        QCOMPARE(Cell(m, 1, QStringLiteral("本期应预扣预缴税额")), QStringLiteral("90.00"));
        QCOMPARE(Cell(m, 2, QStringLiteral("本期应预扣预缴税额")), QStringLiteral("0.00"));
        w->undoStack()->undo();
        QCOMPARE(m->totals().refused, 3LL);
    }

    // One rule for a sheet's own totals row, however the row came: typed, pasted or edited.
    void totalsRowByOneRule() {
        RecordingDialogs dialogs;
        TFrmMain main;
        TFrmBatch* w = Open(main);
        BatchModel* m = w->model();
        PasteKeys(w, QStringLiteral("工号\t姓名\t月工资\t备注\n1\t甲\t9000\t\n"));
        const int id = Column(m, QStringLiteral("工号")), name = Column(m, QStringLiteral("姓名")),
                  note = Column(m, QStringLiteral("备注")), wage = Column(m, QStringLiteral("月工资"));
        const QString tax = Cell(m, 1, QStringLiteral("合计个税"));
        // Laid cell by cell (no headings): 合计 under 工号, no name.
        auto* table = Child<QTableView>(w, "TableRows");
        table->setCurrentIndex(m->index(1, id));
        PasteKeys(w, QStringLiteral("合计\t\t9000\n"));
        QCOMPARE(m->Rows()[1].kind, batch::RowKind::kTotal);
        // Typed: 小计 in a carried column of a row naming nobody.
        m->AddRows(2, 1);
        m->setData(m->index(2, wage), QStringLiteral("100"), Qt::EditRole);
        QCOMPARE(m->Rows()[2].kind, batch::RowKind::kPerson);
        m->setData(m->index(2, note), QStringLiteral("小 计"), Qt::EditRole);
        QCOMPARE(m->Rows()[2].kind, batch::RowKind::kTotal);
        QCOMPARE(Cell(m, 3, QStringLiteral("合计个税")), tax);
        QCOMPARE(m->totals().computed, 1LL);
        // Edited: a name makes it a person again.
        m->setData(m->index(2, name), QStringLiteral("乙"), Qt::EditRole);
        QCOMPARE(m->Rows()[2].kind, batch::RowKind::kPerson);
        QCOMPARE(m->totals().computed, 2LL);
    }

    // The law changed keeps the rows: recomputed in place between 2011 and 2018年10—12月; into
    // the 2019 law and back carried across (月份 from the sheet's title), every typed text
    // the same after the round, each change one step of undo.
    void lawChangeKeepsTheRows() {
        RecordingDialogs dialogs;
        TFrmMain main;
        TFrmBatch* w = Open(main);
        BatchModel* m = w->model();
        PasteKeys(w, QString::fromUtf8(kTitle) + QLatin1Char('\n') + QString::fromUtf8(kBlock));
        m->setData(m->index(1, Column(m, QStringLiteral("起征点"))), QStringLiteral("4800"), Qt::EditRole);
        QStringList typed;
        for (const char* t : {"工号", "姓名", "月工资", "五险一金", "起征点", "年终奖", "基本工资", "备注"})
            typed << ColumnTexts(m, QString::fromUtf8(t)).join(QLatin1Char('|'));
        ChooseLaw(w, 1);
        QCOMPARE(Cell(m, 0, QStringLiteral("工资个税")), QStringLiteral("66.00")); // (8000 − 800 − 5000) × 3%
        QCOMPARE(m->Rows().size(), size_t{4});

        ChooseLaw(w, 2);
        QVERIFY(m->Monthly());
        QVERIFY2(dialogs.choices.isEmpty() && dialogs.questions.isEmpty(), "the month is the sheet's: 5月");
        QCOMPARE(ColumnTexts(m, QStringLiteral("月份")), QStringList({"5", "5", "5", ""}));
        QCOMPARE(ColumnTexts(m, QStringLiteral("本期收入")), QStringList({"8000", "12000", "4500", "24500"}));
        QCOMPARE(ColumnTexts(m, QStringLiteral("五险一金")), QStringList({"800", "1200", "450", "2450"}));
        QCOMPARE(ColumnTexts(m, QStringLiteral("起征点")), QStringList({"", "4800", "", ""}));
        QCOMPARE(ColumnTexts(m, QStringLiteral("备注")), QStringList({"", "调岗", "", ""}));
        QCOMPARE(m->Rows()[3].kind, batch::RowKind::kTotal);
        QCOMPARE(m->totals().computed, 3LL);
        QCOMPARE(m->totals().refused, 0LL);
        QCOMPARE(Child<QComboBox>(w, "CmbLaw")->currentIndex(), 2);
        if (qEnvironmentVariableIsSet("KEEP_SHOT_2019")) w->grab().save(qEnvironmentVariable("KEEP_SHOT_2019"));

        ChooseLaw(w, 0);
        QVERIFY(!m->Monthly());
        QStringList back;
        for (const char* t : {"工号", "姓名", "月工资", "五险一金", "起征点", "年终奖", "基本工资", "备注"})
            back << ColumnTexts(m, QString::fromUtf8(t)).join(QLatin1Char('|'));
        QCOMPARE(back, typed);
        QCOMPARE(ColumnTexts(m, QStringLiteral("月份")), QStringList({"5", "5", "5", ""}));
        // 265 + (12000 − 1200 − 4800) × 20% − 555 + 16.50
        QCOMPARE(Cell(m, 4, QStringLiteral("合计个税")), QStringLiteral("926.50"));
        // Two steps back: the 2019 table, then the older one as it was, law and all.
        w->undoStack()->undo();
        QVERIFY(m->Monthly());
        QCOMPARE(Child<QComboBox>(w, "CmbLaw")->currentIndex(), 2);
        w->undoStack()->undo();
        QVERIFY(!m->Monthly());
        QCOMPARE(Column(m, QStringLiteral("月份")), -1);
        QCOMPARE(Child<QComboBox>(w, "CmbLaw")->currentIndex(), 1);
        QVERIFY(dialogs.boxes.isEmpty());
    }

    // Out of the 2019 law, items typed apart would become one 五险一金: asked first, and No keeps
    // the table; into it without a month anywhere, the month is asked once.
    void lawChangeAsksBeforeChangingWhatWasTyped() {
        RecordingDialogs dialogs;
        TFrmMain main;
        TFrmBatch* w = Open(main);
        BatchModel* m = w->model();
        ChooseLaw(w, 2);
        PasteKeys(w, QStringLiteral("姓名\t月份\t本期收入\t基本养老保险费\t基本医疗保险费\n甲\t1\t9000\t720\t180\n"));
        ChooseLaw(w, 0);
        QCOMPARE(dialogs.questions.size(), 1);
        QVERIFY(dialogs.questions[0].contains(QStringLiteral("1 行")));
        QVERIFY(m->Monthly());
        QCOMPARE(Child<QComboBox>(w, "CmbLaw")->currentIndex(), 2);
        dialogs.questionAnswer = true;
        ChooseLaw(w, 0);
        QCOMPARE(ColumnTexts(m, QStringLiteral("五险一金")), QStringList({"900.00"})); // 720 + 180
        m->RemoveRows(0, 1);
        PasteKeys(w, QStringLiteral("姓名\t月工资\n乙\t6000\n"));
        dialogs.chooseAnswer = QStringLiteral("3月");
        ChooseLaw(w, 2);
        QCOMPARE(dialogs.choices.size(), 1);
        QCOMPARE(ColumnTexts(m, QStringLiteral("月份")), QStringList({"3"}));
        // A column of the older table named as one the 2019 law computes is kept under its own
        // heading, marked as the sheet's: nothing is lost, so nothing need be asked.
        ChooseLaw(w, 0);
        QCOMPARE(dialogs.questions.size(), 2);
        PasteKeys(w, QStringLiteral("姓名\t月工资\t累计收入\n丁\t7000\t备忘\n"));
        dialogs.questionAnswer = false;
        ChooseLaw(w, 2);
        QCOMPARE(dialogs.questions.size(), 2);
        QVERIFY(m->Monthly());
        QCOMPARE(ColumnTexts(m, QStringLiteral("累计收入（原表）")), QStringList({"", "备忘"}));
    }
};

QTEST_MAIN(TestBatchPaste)
#include "tst_batchpaste.moc"
