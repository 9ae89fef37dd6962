// The batch window's 导出 PDF and 生成工资条 written on its worker thread: the same pages as the
// rows the table shows, the table locked and the progress bar moving meanwhile, 取消 and a
// close leaving no part of a file behind.
#include "TestSupport.h"

#include "print/PayrollPrint.h"
#include "shell/UMainForm.h"
#include "tools/batch/BatchModel.h"
#include "tools/batch/BatchPrint.h"
#include "tools/batch/UFrmBatch.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTableView>
#include <QTemporaryDir>

using drive::PdfPages;

class TestBatchPrint : public QObject {
    Q_OBJECT

    template <class T>
    static T* Child(QWidget* w, const char* name) {
        return w->findChild<T*>(QString::fromLatin1(name));
    }
    static TFrmBatch* Open(TFrmMain& main) {
        main.findChild<QAction*>(QStringLiteral("Menu_Tool_Batch"))->trigger();
        return main.findChild<TFrmBatch*>(QStringLiteral("FrmBatch"));
    }
    static TBatchPrint* Paper(TFrmBatch* w) { return w->findChild<TBatchPrint*>(QStringLiteral("BatchPrint")); }

    // `n` people under the 2011 law, a few refused, some with a bonus, a sheet's own 合计 row.
    static QString People(int n, quint32 seed) {
        QRandomGenerator random(seed);
        QString text;
        for (int i = 0; i < n; ++i) {
            const int pick = random.bounded(20);
            const QString wage = pick == 0 ? QStringLiteral("12k") : QString::number(random.bounded(3000, 90000)) + QStringLiteral(".%1").arg(random.bounded(100), 2, 10, QLatin1Char('0'));
            text += QStringLiteral("员工%1\t%2\t%3\t\t%4\n").arg(i).arg(wage).arg(random.bounded(2000)).arg(pick < 6 ? QString::number(random.bounded(100000)) : QString());
            if (i == n / 2) text += QStringLiteral("合计\t100\t\t\t\n");
        }
        return text;
    }

    // The payroll as the view shows it, cell by cell through data(): what the window printed
    // when it drew on the GUI thread, for a table under the 2011 law.
    static std::unique_ptr<print::Payroll> AsShown(TFrmBatch* w, const QString& title) {
        BatchModel* m = w->model();
        const int totalsRow = static_cast<int>(m->Rows().size());
        print::Head head;
        head.title = title;
        for (int c = 0; c < m->columnCount(); ++c) {
            head.columns << m->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString();
            const QVariant align = m->data(m->index(totalsRow, c), Qt::TextAlignmentRole);
            head.numeric.push_back(align.isValid() && (align.value<Qt::Alignment>() & Qt::AlignRight));
        }
        auto payroll = std::make_unique<print::Payroll>(head);
        auto cells = [&](int r) {
            QStringList out;
            for (int c = 0; c < m->columnCount(); ++c) out << m->data(m->index(r, c), Qt::DisplayRole).toString();
            return out;
        };
        for (int r = 0; r < totalsRow; ++r)
            if (m->Rows()[static_cast<size_t>(r)].kind != batch::RowKind::kTotal)
                if (!payroll->Add(cells(r), m->Refused(static_cast<size_t>(r)))) return nullptr;
        payroll->SetTotals(cells(totalsRow));
        return payroll;
    }

    // Every entry of a folder, hidden ones (a scratch file) included.
    static QStringList Entries(const QString& dir) {
        return QDir(dir).entryList(QDir::Files | QDir::Dirs | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    }

    static QByteArray Bytes(const QString& path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

private slots:
    void initTestCase() { drive::SetupApp(); }

    // The texts a worker reads for the pages are the view's, cell by cell, under both laws: blank
    // rows, refused ones, a sheet's own total row, people over several months.
    void rowTextsAreTheTablesCells() {
        RecordingDialogs dialogs;
        TFrmMain main;
        TFrmBatch* w = Open(main);
        BatchModel* m = w->model();
        auto agree = [m](const char* law) {
            QStringList texts;
            for (size_t r = 0; r < m->Rows().size(); ++r) {
                m->RowTexts(r, texts);
                QCOMPARE(texts.size(), m->columnCount());
                for (int c = 0; c < m->columnCount(); ++c)
                    QVERIFY2(texts[c] == m->data(m->index(static_cast<int>(r), c), Qt::DisplayRole).toString(),
                             qPrintable(QStringLiteral("%1: row %2 column %3: %4").arg(QLatin1String(law)).arg(r).arg(c).arg(texts[c])));
            }
        };
        QVERIFY(m->Paste(0, 0, People(300, 7)));
        m->AddRows(5, 2); // blank rows among them
        QVERIFY(std::any_of(m->Rows().begin(), m->Rows().end(), [](const BatchRow& r) { return r.kind == batch::RowKind::kTotal; }));
        agree("2011");
        if (QTest::currentTestFailed()) return;

        dialogs.chooseAnswer = QStringLiteral("5月");
        Child<QComboBox>(w, "CmbLaw")->setCurrentIndex(2);
        QVERIFY(m->Monthly());
        m->RemoveRows(0, static_cast<int>(m->Rows().size()));
        QVERIFY(m->Paste(0, 0, QStringLiteral("所属月份\t姓名\t工号\t应发工资\t五险一金\t累计子女教育\t年终奖\n"
                                              "1\t甲\t001\t30000\t4500\t1000\t\n"
                                              "2\t甲\t001\t三万\t4500\t2000\t\n"
                                              "3\t甲\t001\t30000\t4500\t3000\t36000\n"
                                              "1\t乙\t002\t8000.5\t800\t\t\n"
                                              "2\t乙\t002\t8000\t800\t\t\n"
                                              "\t合计\t\t76001\t\t\t\n")).ok());
        m->AddRows(2, 1);
        agree("2019");
    }

    // The table, the payslips in one file (strips and one a page) and one file a person, written
    // on the worker: page for page the text of the same payroll drawn from the view's cells.
    void writtenAsTheTableShows() {
        RecordingDialogs dialogs;
        QTemporaryDir dir;
        TFrmMain main;
        TFrmBatch* w = Open(main);
        QVERIFY(w->model()->Paste(0, 0, People(120, 11)));
        const QString title = QStringLiteral("某某公司2023年5月工资表");
        Child<QLineEdit>(w, "TxtTitle")->insert(title);
        TBatchPrint* paper = Paper(w);
        const std::unique_ptr<print::Payroll> shown = AsShown(w, title);
        QVERIFY(shown);
        QVERIFY(shown->Rows() > shown->Slips());

        auto both = [&](const QString& name, const std::function<tax::Status(print::Payroll&, const QString&)>& oracle,
                        const std::function<bool(const QString&)>& start) {
            const QString mine = dir.filePath(name), theirs = dir.filePath(QStringLiteral("oracle-") + name);
            QVERIFY(start(mine));
            drive::WaitForWork(w);
            QVERIFY2(!dialogs.boxes.isEmpty() && dialogs.boxes.last().icon != QMessageBox::Critical, qPrintable(name));
            const tax::Status drawn = oracle(*shown, theirs);
            QVERIFY2(drawn, drawn ? "" : drawn.error().c_str());
            const QStringList got = PdfPages(mine), want = PdfPages(theirs);
            QVERIFY(!want.isEmpty());
            QCOMPARE(got, want);
        };
        both(QStringLiteral("table.pdf"), [](print::Payroll& p, const QString& to) { return p.TablePdf(to); },
             [&](const QString& to) { return paper->ExportPdf(to); });
        QVERIFY(dialogs.boxes.last().text.contains(QStringLiteral("共 %1 页").arg(shown->Pages())));
        both(QStringLiteral("strips.pdf"), [](print::Payroll& p, const QString& to) { return p.PayslipsPdf(to, false); },
             [&](const QString& to) { return paper->ExportPayslips(to, TBatchPrint::Slips::Strips); });
        QVERIFY(dialogs.boxes.last().text.contains(QStringLiteral("已生成 %1 张工资条").arg(shown->Slips())));
        QVERIFY(dialogs.boxes.last().text.contains(QStringLiteral("无法识别“12k”")));
        both(QStringLiteral("pages.pdf"), [](print::Payroll& p, const QString& to) { return p.PayslipsPdf(to, true); },
             [&](const QString& to) { return paper->ExportPayslips(to, TBatchPrint::Slips::OnePerPage); });

        const QString each = dir.filePath(QStringLiteral("each")), oracle = dir.filePath(QStringLiteral("oracle-each"));
        QVERIFY(paper->ExportPayslips(each, TBatchPrint::Slips::Files));
        drive::WaitForWork(w);
        QVERIFY(shown->PayslipFiles(oracle));
        const QStringList files = Entries(oracle);
        QCOMPARE(files.size(), shown->Slips());
        QCOMPARE(Entries(each), files);
        for (const QString& f : {files.first(), files.last()})
            QCOMPARE(PdfPages(QDir(each).filePath(f)), PdfPages(QDir(oracle).filePath(f)));
    }

    // While a long write runs the table cannot be changed and the print buttons are off; the
    // bar moves. 取消 leaves the file that was there as it was and nothing beside it, or, for
    // one file a person, only whole files; afterwards the table can be edited again.
    void lockedWhileWritingAndCancelLeavesNothing() {
        RecordingDialogs dialogs;
        QTemporaryDir dir;
        TFrmMain main;
        TFrmBatch* w = Open(main);
        BatchModel* m = w->model();
        QVERIFY(m->Paste(0, 0, People(30000, 3)));
        const QString old = dir.filePath(QStringLiteral("old.pdf"));
        drive::WriteFile(old, "kept as it was");
        auto* bar = Child<QProgressBar>(w, "ProgressWork");
        auto* table = Child<QTableView>(w, "TableRows");
        const QString before = m->data(m->index(0, 1), Qt::EditRole).toString();

        for (const TBatchPrint::Slips how : {TBatchPrint::Slips::Strips, TBatchPrint::Slips::OnePerPage}) {
            QVERIFY(how == TBatchPrint::Slips::Strips ? Paper(w)->ExportPdf(old) : Paper(w)->ExportPayslips(old, how));
            QVERIFY(w->IsBusy());
            QVERIFY(!Paper(w)->ExportPdf(dir.filePath(QStringLiteral("second.pdf")))); // one write at a time
            QVERIFY(!m->setData(m->index(0, 1), QStringLiteral("1"), Qt::EditRole));
            QCOMPARE(table->editTriggers(), QAbstractItemView::NoEditTriggers);
            for (const char* name : {"BtnPdf", "BtnPayslips", "BtnPrint", "BtnAdd", "BtnImport"})
                QVERIFY2(!Child<QPushButton>(w, name)->isEnabled(), name);
            QVERIFY(!w->findChild<QAction*>(QStringLiteral("ActPrint"))->isEnabled());
            QVERIFY(bar->isVisible() && Child<QPushButton>(w, "BtnCancel")->isVisible());
            QTRY_VERIFY_WITH_TIMEOUT(bar->value() > 0, 60000);
            const int first = bar->value();
            QTRY_VERIFY_WITH_TIMEOUT(bar->value() > first, 60000);
            QVERIFY2(w->IsBusy(), "the write ended before 取消 could be tried");
            QTest::mouseClick(Child<QPushButton>(w, "BtnCancel"), Qt::LeftButton);
            drive::WaitForWork(w);
            QCOMPARE(Bytes(old), QByteArray("kept as it was"));
            QCOMPARE(Entries(dir.path()), QStringList{QStringLiteral("old.pdf")});
            QVERIFY(dialogs.boxes.isEmpty());
        }

        // One file a person: stopped after a few, those few whole PDFs and nothing else.
        const QString each = dir.filePath(QStringLiteral("each"));
        QVERIFY(Paper(w)->ExportPayslips(each, TBatchPrint::Slips::Files));
        QTRY_VERIFY_WITH_TIMEOUT(Entries(each).size() >= 3, 60000);
        QTest::mouseClick(Child<QPushButton>(w, "BtnCancel"), Qt::LeftButton);
        drive::WaitForWork(w);
        const QStringList made = Entries(each);
        QVERIFY(made.size() >= 3 && made.size() < 1000);
        for (const QString& f : made) {
            QVERIFY2(!f.startsWith(QLatin1Char('.')), qPrintable(f));
            QVERIFY2(Bytes(QDir(each).filePath(f)).trimmed().endsWith("%%EOF"), qPrintable(f));
        }
        QVERIFY(dialogs.boxes.isEmpty());

        // Unlocked again: a cell can be typed, the buttons are back, the bar gone.
        QVERIFY(!bar->isVisible());
        QVERIFY(Child<QPushButton>(w, "BtnPdf")->isEnabled() && w->findChild<QAction*>(QStringLiteral("ActPrint"))->isEnabled());
        QVERIFY(table->editTriggers() != QAbstractItemView::NoEditTriggers);
        QVERIFY(m->setData(m->index(0, 1), QStringLiteral("4321"), Qt::EditRole));
        QVERIFY(before != QStringLiteral("4321"));
    }

    // Closing the window while it writes: with unsaved rows it asks first and, told no, goes on;
    // told yes, the write is cancelled, the window goes, and no file is left.
    void closingWhileWriting() {
        RecordingDialogs dialogs;
        QTemporaryDir dir;
        TFrmMain main;
        QPointer<TFrmBatch> w = Open(main);
        QVERIFY(w->model()->Paste(0, 0, People(30000, 5)));
        QVERIFY(w->IsDirty());
        const QString out = dir.filePath(QStringLiteral("slips.pdf"));
        QVERIFY(Paper(w)->ExportPayslips(out, TBatchPrint::Slips::Strips));
        QTRY_VERIFY_WITH_TIMEOUT(Child<QProgressBar>(w, "ProgressWork")->value() > 0, 60000);
        dialogs.questionAnswer = false;
        QVERIFY(!w->close());
        QCOMPARE(dialogs.questions.size(), 1);
        QVERIFY(w->IsBusy());
        dialogs.questionAnswer = true;
        QVERIFY(w->close());
        QTRY_VERIFY(w.isNull());
        QCOMPARE(Entries(dir.path()), QStringList());
        QVERIFY(dialogs.boxes.isEmpty());
    }
};

QTEST_MAIN(TestBatchPrint)
#include "tst_batchprint.moc"
