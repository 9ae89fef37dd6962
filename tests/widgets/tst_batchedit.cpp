// The batch window as someone used to desktop tools handles it: undo and redo of every kind of
// edit, the keys they reach for, a new row ready for typing, files dropped in, and the folder
// the file dialogs remember.
#include "TestSupport.h"

#include "framework/Links.h"
#include "framework/Settings.h"
#include "tools/batch/BatchModel.h"
#include "tools/batch/BatchUndo.h"
#include "tools/batch/UFrmBatch.h"
#include "shell/UMainForm.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QItemSelectionModel>
#include <QLabel>
#include <QMimeData>
#include <QPointer>
#include <QPushButton>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTableView>
#include <QTableWidget>
#include <QHelpEvent>
#include <QToolTip>
#include <QTemporaryDir>

namespace {

using Table = QList<QStringList>; // the typed texts of every row

Table Texts(const TFrmBatch* w) {
    Table out;
    BatchModel* m = w->model();
    for (int r = 0; r < static_cast<int>(m->Rows().size()); ++r) {
        QStringList cells;
        for (int c = 0; c < m->columnCount(); ++c)
            if (m->flags(m->index(r, c)) & Qt::ItemIsEditable) cells << m->data(m->index(r, c), Qt::EditRole).toString();
        out << cells;
    }
    return out;
}

void Select(QTableView* table, const QList<QPoint>& cells) { // (column, row)
    table->clearSelection();
    for (const QPoint& c : cells)
        table->selectionModel()->select(table->model()->index(c.y(), c.x()), QItemSelectionModel::Select);
    if (!cells.isEmpty())
        table->selectionModel()->setCurrentIndex(table->model()->index(cells[0].y(), cells[0].x()),
                                                 QItemSelectionModel::NoUpdate);
}

// Types `text` into a cell as a person does: F2, the text, Enter.
void TypeInto(QTableView* table, int row, int column, const QString& text) {
    table->setFocus();
    table->setCurrentIndex(table->model()->index(row, column));
    QTest::keyClick(table, Qt::Key_F2);
    auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
    QVERIFY(editor);
    editor->setText(text);
    drive::Enter(editor);
    QTRY_VERIFY(QApplication::focusWidget() == table);
}

} // namespace

class TestBatchEdit : public QObject {
    Q_OBJECT

    QTemporaryDir dir;

    TFrmBatch* Open(TFrmMain& main) {
        main.findChild<QAction*>(QStringLiteral("Menu_Tool_Batch"))->trigger();
        auto* w = main.findChild<TFrmBatch*>(QStringLiteral("FrmBatch"));
        if (!QTest::qWaitForWindowExposed(w)) qWarning("batch window not exposed");
        // The window system may hand the activation back to the main window meanwhile.
        QApplication::setActiveWindow(w);
        return w;
    }

private slots:
    void initTestCase() { drive::SetupApp(); }
    void init() { settings::Store().clear(); }

    // Random edits of every kind, with few distinct texts so that equal rows abound; walking
    // back with undo meets every earlier table in turn, and redo walks forward again.
    void undoRedoRetraceEveryEdit() {
        RecordingDialogs dialogs;
        dialogs.questionAnswer = true;
        TFrmMain main;
        main.show();
        TFrmBatch* w = Open(main);
        auto* table = Child<QTableView>(w, "TableRows");
        const QString file = dir.filePath(QStringLiteral("rows.csv"));
        drive::WriteFile(file, "姓名,月工资,年终奖\na,5000,\nb,6000,100\na,5000,\n");
        QRandomGenerator random(20261207);
        const QStringList words{"", "a", "5000", "6000"};
        auto word = [&] { return words[random.bounded(words.size())]; };
        QList<Table> states{Texts(w)};
        QStringList kinds;
        for (int step = 0; step < 60; ++step) {
            const int rows = static_cast<int>(w->model()->Rows().size());
            const int kind = rows == 0 ? random.bounded(2) * 5 : random.bounded(6);
            if (kind == 0) {
                table->setCurrentIndex(rows ? table->model()->index(random.bounded(rows + 1), 0) : QModelIndex());
                w->BtnAddClick();
                QApplication::focusWidget()->clearFocus(); // leave the opened cell empty
                table->setFocus();
            } else if (kind == 1) {
                TypeInto(table, random.bounded(rows), random.bounded(5), word() + word());
            } else if (kind == 2) {
                QApplication::clipboard()->setText(word() + "\t" + word() + "\n" + word() + "\n" + word() + "\t\t" + word() + "\n");
                table->setCurrentIndex(table->model()->index(random.bounded(rows + 1), random.bounded(5)));
                w->BtnPasteClick();
            } else if (kind == 3 || kind == 4) {
                QList<QPoint> cells;
                for (int n = 1 + random.bounded(3); n > 0; --n)
                    cells << QPoint(random.bounded(5), random.bounded(rows));
                Select(table, cells);
                kind == 3 ? w->BtnRemoveClick() : w->ClearCells();
            } else {
                w->ImportFrom(file);
                drive::WaitForWork(w);
            }
            if (Texts(w) == states.last()) continue; // nothing changed: no step
            states << Texts(w);
            kinds << QString::number(kind);
        }
        QCOMPARE(w->undoStack()->count(), states.size() - 1);
        for (const char* kind : {"0", "1", "2", "3", "4", "5"})
            QVERIFY2(kinds.count(QLatin1String(kind)) >= 2, kind); // every kind of edit met
        for (int i = states.size() - 2; i >= 0; --i) {
            w->undoStack()->undo();
            QVERIFY2(Texts(w) == states[i], qPrintable(QStringLiteral("undo to %1 after kind %2").arg(i).arg(kinds[i])));
        }
        for (int i = 1; i < states.size(); ++i) {
            w->undoStack()->redo();
            QVERIFY2(Texts(w) == states[i], qPrintable(QStringLiteral("redo to %1").arg(i)));
        }
        // Figures follow the texts: totals equal a fresh computation of the same rows.
        const batch::Totals shown = w->model()->totals();
        BatchModel fresh;
        std::vector<BatchRow> copy = w->model()->Rows();
        fresh.Replace(std::move(copy), w->model()->layout(), batch::Totals());
        fresh.SetAllowance(w->model()->allowance() == tax::Decimal(3500) ? tax::Decimal(4800) : tax::Decimal(3500));
        fresh.SetAllowance(w->model()->allowance());
        QCOMPARE(shown.totalTax.Value(), fresh.totals().totalTax.Value());
        QCOMPARE(shown.refused, fresh.totals().refused);
    }

    // Ctrl+Z and Ctrl+Shift+Z from the keyboard, and in the menu with the step's name; undoing
    // back to the imported table leaves nothing unsaved, undoing the import itself does.
    void undoKeysMenuAndUnsavedState() {
        RecordingDialogs dialogs;
        TFrmMain main;
        main.show();
        TFrmBatch* w = Open(main);
        auto* table = Child<QTableView>(w, "TableRows");
        const QString file = dir.filePath(QStringLiteral("two.csv"));
        drive::WriteFile(file, "姓名,月工资\nx,9000\ny,4000\n");
        w->ImportFrom(file);
        drive::WaitForWork(w);
        QVERIFY(!w->IsDirty());
        TypeInto(table, 0, 1, QStringLiteral("10000"));
        QVERIFY(w->IsDirty());
        QAction* undo = nullptr;
        for (QAction* a : w->findChildren<QAction*>())
            if (a->text().startsWith(QStringLiteral("撤销"))) undo = a;
        QVERIFY(undo && undo->isEnabled());
        QCOMPARE(undo->text(), QStringLiteral("撤销 输入"));
        QTest::keySequence(table, QKeySequence(Qt::CTRL | Qt::Key_Z));
        QCOMPARE(Texts(w)[0][1], QStringLiteral("9000"));
        QVERIFY(!w->IsDirty());
        QTest::keySequence(table, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z));
        QCOMPARE(Texts(w)[0][1], QStringLiteral("10000"));
        QTest::keySequence(table, QKeySequence(Qt::CTRL | Qt::Key_Z));
        QCOMPARE(undo->text(), QStringLiteral("撤销 导入"));
        undo->trigger();
        QVERIFY(w->model()->Rows().empty());
        QVERIFY(w->IsDirty());
    }

    // 添加行: an empty row, not refused and not counted, with the cursor in its first cell.
    void newRowIsReadyForTyping() {
        RecordingDialogs dialogs;
        TFrmMain main;
        main.show();
        TFrmBatch* w = Open(main);
        const QString before = Child<QLabel>(w, "TxtStatus")->text();
        QTest::mouseClick(Child<QPushButton>(w, "BtnAdd"), Qt::LeftButton);
        auto* table = Child<QTableView>(w, "TableRows");
        QCOMPARE(table->currentIndex(), w->model()->index(0, 0));
        auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
        QVERIFY(editor && table->isAncestorOf(editor));
        for (int c = 0; c < w->model()->columnCount(); ++c) {
            QVERIFY(!w->model()->data(w->model()->index(0, c), Qt::BackgroundRole).isValid());
            QCOMPARE(w->model()->data(w->model()->index(0, c), Qt::DisplayRole).toString(), QString());
        }
        QCOMPARE(Child<QLabel>(w, "TxtStatus")->text(), before);
        // Typed into, the row is read: a name alone lacks its wage.
        QTest::keyClicks(editor, QStringLiteral("x"));
        drive::Enter(editor);
        QTRY_COMPARE(w->model()->totals().refused, 1LL);
        QVERIFY(w->model()->data(w->model()->index(0, 1), Qt::BackgroundRole).isValid());
        // Exported, an added row left empty is not written; the typed one is.
        w->BtnAddClick();
        QApplication::focusWidget()->clearFocus();
        QCOMPARE(w->model()->Rows().size(), size_t{2});
        const QString out = dir.filePath(QStringLiteral("blank.csv"));
        w->ExportTo(out);
        QSignalSpy done(w, &TFrmBatch::WorkFinished);
        QVERIFY(done.wait(20000));
        QFile written(out);
        QVERIFY(written.open(QIODevice::ReadOnly));
        QCOMPARE(written.readAll().count('\n'), 2); // the title row and x's row
    }

    // Ctrl+C takes a block a spreadsheet reads, Ctrl+V lays it back, Delete empties the typed
    // cells of the selection and nothing else.
    void copyPasteDelete() {
        RecordingDialogs dialogs;
        TFrmMain main;
        main.show();
        TFrmBatch* w = Open(main);
        auto* table = Child<QTableView>(w, "TableRows");
        QApplication::clipboard()->setText(QStringLiteral("甲\t8000\t500\n乙\t3000\n"));
        table->setFocus();
        table->setCurrentIndex(w->model()->index(0, 0));
        QTest::keySequence(table, QKeySequence::Paste);
        Select(table, {{0, 0}, {1, 0}, {8, 0}, {0, 1}, {1, 1}, {8, 1}});
        QTest::keySequence(table, QKeySequence::Copy);
        // Columns 0 to 8, the figures as shown: (8000 − 500 − 3500) × 10% − 105 = 295.
        QCOMPARE(QApplication::clipboard()->text(),
                 QStringLiteral("甲\t8000\t\t\t\t\t\t\t295.00\n乙\t3000\t\t\t\t\t\t\t0.00\n"));
        Select(table, {{1, 0}, {2, 0}, {8, 1}});
        QTest::keyClick(table, Qt::Key_Delete);
        QCOMPARE(Texts(w), Table({{"甲", "", "", "", ""}, {"乙", "3000", "", "", ""}}));
        QCOMPARE(w->undoStack()->undoText(), QStringLiteral("清除"));
    }

    // Esc and Ctrl+W close a tool window, asking first about unsaved rows; F1 opens the page
    // about the window in front; Ctrl+O and Ctrl+S open the file dialogs.
    void windowKeys() {
        RecordingDialogs dialogs;
        QList<QUrl> opened;
        links::SetOpener([&](const QUrl& url) { return opened << url, true; });
        TFrmMain main;
        main.show();
        main.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&main));
        QTest::keyClick(&main, Qt::Key_F1);
        QPointer<TFrmBatch> w = Open(main);
        auto* table = Child<QTableView>(w, "TableRows");
        table->setFocus();
        QTest::keyClick(table, Qt::Key_F1);
        QTest::keySequence(table, QKeySequence(Qt::CTRL | Qt::Key_O));
        QCOMPARE(dialogs.starts.size(), 1);
        QTest::keySequence(table, QKeySequence(Qt::CTRL | Qt::Key_S));
        QCOMPARE(dialogs.saveFilters.size(), 1);
        QApplication::clipboard()->setText(QStringLiteral("甲\t8000\n"));
        QTest::keySequence(table, QKeySequence::Paste);
        // Esc in a cell being typed only leaves the cell, as it always has.
        table->setCurrentIndex(w->model()->index(0, 1));
        QTest::keyClick(table, Qt::Key_F2);
        auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
        QVERIFY(editor && table->isAncestorOf(editor));
        QTest::keyClick(editor, Qt::Key_Escape);
        QTRY_COMPARE(QApplication::focusWidget(), table);
        QVERIFY2(dialogs.questions.isEmpty() && w->isVisible(), qPrintable(dialogs.questions.join("/")));
        dialogs.questionAnswer = false;
        QTest::keyClick(table, Qt::Key_Escape);
        QCOMPARE(dialogs.questions.size(), 1);
        QVERIFY(w && w->isVisible());
        dialogs.questionAnswer = true;
        QTest::keySequence(table, QKeySequence(Qt::CTRL | Qt::Key_W));
        QCOMPARE(dialogs.questions.size(), 2);
        QTRY_VERIFY(w.isNull());

        main.findChild<QAction*>(QStringLiteral("Menu_Tool_Plan"))->trigger();
        auto* plan = main.findChild<QWidget*>(QStringLiteral("FrmPlan"));
        plan->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(plan));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_F1);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        QVERIFY(!plan->isVisible());
        links::SetOpener({});
        QCOMPARE(opened, QList<QUrl>({links::SiteAddress(), links::SiteAddress("index.html#batch"),
                                      links::SiteAddress("online/001.html#plan")}));
    }

    // The dialogs open where the last payroll file was, also in the next run, and the export
    // is offered under the imported file's name; the status line then links to the folder.
    void foldersRememberedAndExportLinked() {
        RecordingDialogs dialogs;
        QList<QUrl> opened;
        links::SetOpener([&](const QUrl& url) { return opened << url, true; });
        const QString folder = dir.filePath(QStringLiteral("工资 2018"));
        QDir().mkpath(folder);
        const QString file = QDir(folder).filePath(QStringLiteral("十二月.csv"));
        drive::WriteFile(file, "姓名,月工资\nx,9000\n");
        {
            TFrmMain main;
            main.show();
            TFrmBatch* w = Open(main);
            QVERIFY(dialogs.starts.isEmpty());
            dialogs.openAnswer = file;
            QTest::mouseClick(Child<QPushButton>(w, "BtnImport"), Qt::LeftButton);
            drive::WaitForWork(w);
            QVERIFY(dialogs.starts.last() != folder);
            dialogs.saveAnswer = QDir(folder).filePath(QStringLiteral("out.csv"));
            QTest::mouseClick(Child<QPushButton>(w, "BtnExport"), Qt::LeftButton);
            QCOMPARE(dialogs.starts.last(), QDir(folder).filePath(QStringLiteral("十二月.xlsx")));
            drive::WaitForWork(w);
            auto* status = Child<QLabel>(w, "TxtStatus");
            QVERIFY(status->text().contains(QDir::toNativeSeparators(dialogs.saveAnswer)));
            const QString link = status->text().section(QStringLiteral("href=\""), 1).section(QLatin1Char('"'), 0, 0);
            emit status->linkActivated(link);
            QCOMPARE(opened, QList<QUrl>{QUrl::fromLocalFile(folder)});
        }
        // The next run: the import dialog opens in that folder; once it is gone, elsewhere.
        for (bool gone : {false, true}) {
            if (gone) QDir(folder).removeRecursively();
            TFrmMain main;
            main.show();
            TFrmBatch* w = Open(main);
            QTest::mouseClick(Child<QPushButton>(w, "BtnImport"), Qt::LeftButton);
            drive::WaitForWork(w);
            QCOMPARE(dialogs.starts.last() == folder, !gone);
            QVERIFY(QFileInfo(dialogs.starts.last()).isDir());
        }
        links::SetOpener({});
    }

    // A payroll file dropped on the window is imported (its content, not its name, says what it is).
    void droppedFileIsImported() {
        RecordingDialogs dialogs;
        TFrmMain main;
        main.show();
        TFrmBatch* w = Open(main);
        const QString file = dir.filePath(QStringLiteral("drop.csv"));
        drive::WriteFile(file, "姓名,月工资\nx,9000\ny,8000\n");
        for (const QString& name : {file}) {
            QMimeData data;
            data.setUrls({QUrl::fromLocalFile(name)});
            QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(w, &enter);
            QCOMPARE(enter.isAccepted(), name == file);
            QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(w, &drop);
            drive::WaitForWork(w);
        }
        QCOMPARE(Texts(w).size(), 2);
        QVERIFY(dialogs.boxes.isEmpty());
    }

    // Every column of the table and every figure of the planning window says what it is.
    void everyFigureHasItsOwnTooltip() {
        TFrmMain main;
        BatchModel model;
        QStringList tips;
        for (int c = 0; c < model.columnCount(); ++c)
            tips << model.headerData(c, Qt::Horizontal, Qt::ToolTipRole).toString();
        main.findChild<QAction*>(QStringLiteral("Menu_Tool_Plan"))->trigger();
        auto* plan = main.findChild<QWidget*>(QStringLiteral("FrmPlan"));
        plan->show();
        QVERIFY(QTest::qWaitForWindowExposed(plan));
        for (const char* name : {"TxtBestSalary", "TxtBestBonus", "TxtBestTax", "TxtBestRealIncome", "TxtAllSalaryTax",
                                 "TxtOwnTax", "TxtSaving"}) {
            // The pointer resting on the figure or on its caption shows the same sentence.
            QStringList shown;
            for (QLabel* label : {Child<QLabel>(plan, name), Child<QLabel>(plan, (QByteArray(name) + "Caption").constData())}) {
                QHelpEvent rest(QEvent::ToolTip, QPoint(2, 2), label->mapToGlobal(QPoint(2, 2)));
                QApplication::sendEvent(label, &rest);
                QTRY_VERIFY(QToolTip::isVisible());
                shown << QToolTip::text();
                QToolTip::hideText();
            }
            QCOMPARE(shown[0], shown[1]);
            tips << shown[0];
        }
        auto* grid = Child<QTableWidget>(plan, "GridOthers");
        for (int c = 0; c < grid->columnCount(); ++c)
            tips << grid->horizontalHeaderItem(c)->toolTip();
        for (const QString& tip : tips)
            QVERIFY2(tip.endsWith(QStringLiteral("。")) && tips.count(tip) == 1, qPrintable(tip));
        QCOMPARE(tips.size(), 14 + 7 + 5);
    }
};

QTEST_MAIN(TestBatchEdit)
#include "tst_batchedit.moc"
