// The year-end bonus planning window, opened from the tool menu and driven by typing.
#include "TestSupport.h"

#include "framework/Fields.h"
#include "framework/Messages.h"
#include "tax/Amount.h"
#include "tax/Plan2019.h"
#include "shell/UMainForm.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QPushButton>
#include <QGraphicsView>
#include <QMouseEvent>
#include <QTableWidget>
#include <QToolTip>
#ifdef __GLIBC__
#include <malloc.h>
#endif

class TestPlan : public QObject {
    Q_OBJECT

    QWidget* Open(TFrmMain& main) {
        Child<QAction>(&main, "Menu_Tool_Plan")->trigger();
        return main.findChild<QWidget*>(QStringLiteral("FrmPlan"));
    }

private slots:
    void initTestCase() { drive::SetupApp(); }

    // Made on first choice, kept and brought back by the next; its own resizable window with
    // the plot loaded from the plugin beside the test programs.
    void MenuOpensOneWindow() {
        TFrmMain main;
        main.show();
        QVERIFY(!main.findChild<QWidget*>(QStringLiteral("FrmPlan")));
        QCOMPARE(Child<QAction>(&main, "Menu_Tool_Plan")->text(), QStringLiteral("年终奖筹划(&P)..."));
        QWidget* plan = Open(main);
        QVERIFY(plan && plan->isVisible() && plan->isWindow() && !plan->isModal());
        QVERIFY(plan->minimumSize() != plan->maximumSize());
        QVERIFY(plan->findChild<QWidget*>(QStringLiteral("PlanChart")));
        plan->hide();
        QCOMPARE(Open(main), plan);
        QVERIFY(plan->isVisible());
        QCOMPARE(main.findChildren<QWidget*>(QStringLiteral("FrmPlan")).size(), 1);
    }

    // The main window stays on top by default; a tool opened from it must not end up behind it,
    // and follows when the switch is turned off and on again.
    void ToolWindowsFollowStayOnTop_data() {
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("window");
        QTest::newRow("planning") << "Menu_Tool_Plan" << "FrmPlan";
        QTest::newRow("batch") << "Menu_Tool_Batch" << "FrmBatch";
        QTest::newRow("yearly") << "Menu_Tool_Yearly" << "FrmYearly";
        QTest::newRow("laws side by side") << "Menu_Tool_Compare" << "FrmCompare";
    }
    void ToolWindowsFollowStayOnTop() {
        QFETCH(QString, action);
        QFETCH(QString, window);
        RecordingDialogs dialogs;
        TFrmMain main;
        main.show();
        Child<QAction>(&main, action.toLatin1().constData())->trigger();
        auto* tool = main.findChild<QWidget*>(window);
        QVERIFY(tool && tool->isVisible());
        auto onTop = [](QWidget* w) { return w->windowFlags().testFlag(Qt::WindowStaysOnTopHint); };
        QVERIFY(onTop(&main) && onTop(tool));
        Child<QAction>(&main, "Menu_Tool_Top")->trigger();
        QVERIFY(!onTop(&main) && !onTop(tool));
        QVERIFY(tool->isVisible());
        Child<QAction>(&main, "Menu_Tool_Top")->trigger();
        QVERIFY(onTop(tool) && tool->isVisible());
    }

    void Figures_data() {
        QTest::addColumn<QString>("pay");
        QTest::addColumn<QString>("own");
        QTest::addColumn<QStringList>("shown"); // best wage, bonus, tax, take-home, all-wage tax, own tax, saving
        QTest::newRow("100000: the bonus fills 3%")
            << "100000" << "" << QStringList{"6833.34", "17999.92", "3279.96", "96720.04", "4940.04", "未填写", "1660.08"};
        QTest::newRow("against the user's split")
            << "100000" << "7000" << QStringList{"6833.34", "17999.92", "3279.96", "96720.04", "4940.04", "3420.00", "140.04"};
    }
    void Figures() {
        QFETCH(QString, pay);
        QFETCH(QString, own);
        QFETCH(QStringList, shown);
        TFrmMain main;
        QWidget* plan = Open(main);
        drive::Retype(Child<QLineEdit>(plan, "EditSalary"), own);
        drive::Retype(Child<QLineEdit>(plan, "EditPay"), pay);
        drive::Enter(Child<QLineEdit>(plan, "EditPay"));
        const char* names[] = {"TxtBestSalary", "TxtBestBonus", "TxtBestTax", "TxtBestRealIncome",
                               "TxtAllSalaryTax", "TxtOwnTax", "TxtSaving"};
        for (int i = 0; i < shown.size(); ++i) QCOMPARE(drive::TextOf(plan, names[i]), shown[i]);
        QVERIFY(Child<QTableWidget>(plan, "GridOthers")->rowCount() > 0);

        Child<QPushButton>(plan, "BtnCopy")->click();
        const QString copied = QApplication::clipboard()->text();
        for (const QString& figure : shown.mid(0, 4)) QVERIFY2(copied.contains(figure), qPrintable(copied));
    }

    // Every calculation draws a new plot; the old one must go with all it holds, or a morning
    // of planning fills the memory. The heap in use is measured, as for the panels.
    void CalculatingAgainDoesNotGrowMemory() {
#ifndef __GLIBC__
        QSKIP("reads the heap in use through glibc");
#else
        TFrmMain main;
        QWidget* plan = Open(main);
        QVERIFY(QTest::qWaitForWindowExposed(plan));
        auto* pay = Child<QLineEdit>(plan, "EditPay");
        auto calculate = [&](int times) {
            for (int n = 0; n < times; ++n) {
                pay->setText(QString::number(100000 + 997 * (n % 50)));
                Child<QPushButton>(plan, "BtnCalc")->click();
                QCoreApplication::processEvents();
            }
        };
        calculate(30); // fonts, glyphs and caches filled
        const size_t before = mallinfo2().uordblks;
        if (before == 0) QSKIP("the allocator reports no heap (sanitizers replace it)");
        calculate(150);
        const double growthKiB = (double(mallinfo2().uordblks) - double(before)) / 1024;
        // Each calculation once kept its old plot, about 950 KiB; what is left now is noise.
        QVERIFY2(growthKiB < 1024, qPrintable(QStringLiteral("heap grew by %1 KiB over 150 calculations")
                                                  .arg(growthKiB, 0, 'f', 0)));
#endif
    }

    // The pointer over the middle of the plot names the split under it: a bonus near half the
    // pay, the monthly wage that makes up the rest, and that split's year tax.
    void HoverNamesTheSplit() {
        TFrmMain main;
        QWidget* plan = Open(main);
        drive::Retype(Child<QLineEdit>(plan, "EditPay"), QStringLiteral("100000"));
        drive::Enter(Child<QLineEdit>(plan, "EditPay"));
        auto* view = plan->findChild<QGraphicsView*>();
        QVERIFY(view);
        QWidget* port = view->viewport();
        const QPointF middle(port->width() / 2.0, port->height() / 2.0);
        QMouseEvent move(QEvent::MouseMove, middle, port->mapToGlobal(middle), Qt::NoButton, Qt::NoButton,
                         Qt::NoModifier);
        QApplication::sendEvent(port, &move);
        const QStringList lines = QToolTip::text().split(QLatin1Char('\n'));
        QCOMPARE(lines.size(), 3);
        QVERIFY2(lines[0].startsWith(QStringLiteral("年终奖 ")) && lines[1].startsWith(QStringLiteral("月工资 ")) &&
                     lines[2].startsWith(QStringLiteral("全年个税 ")),
                 qPrintable(QToolTip::text()));
        const double bonus = lines[0].section(' ', 1, 1).remove(',').toDouble();
        const double monthly = lines[1].section(' ', 1, 1).remove(',').toDouble();
        QVERIFY2(bonus > 40000 && bonus < 60000, qPrintable(lines[0]));
        QCOMPARE(qRound64((bonus + 12 * monthly) * 100), 10000000LL);
    }

    // Under the 2019 law the allowance list gives way to the special additional deductions, and
    // every figure, each row of the table and the pointer's split are the 2019 plan's.
    void Law2019ThroughTheScreen() {
        TFrmMain main;
        QWidget* plan = Open(main);
        auto* law = Child<QComboBox>(plan, "CmbLaw");
        QCOMPARE(law->count(), 2);
        QCOMPARE(law->itemText(1), QStringLiteral("2019—2027（年终奖单独计税）"));
        auto shownUnder2019 = [&](bool yes) {
            QCOMPARE(Child<QWidget>(plan, "EditExtra")->isVisibleTo(plan), yes);
            QCOMPARE(Child<QWidget>(plan, "CmbPoint")->isVisibleTo(plan), !yes);
        };
        shownUnder2019(false);
        law->setFocus();
        QTest::keyClick(law, Qt::Key_Down);
        QCOMPARE(law->currentIndex(), 1);
        shownUnder2019(true);

        const std::vector<std::array<const char*, 5>> questions{
            // pay, insurance, deductions, lowest, own
            {"600000", "1000", "2000", "", ""},
            {"250000", "800", "", "12000", "15000"},
            {"70000", "", "", "", ""}, // the 3% of wages and bonus meet: many equal splits
        };
        for (const auto& typed : questions) {
            const char* fieldsInOrder[] = {"EditPay", "EditSafe", "EditExtra", "EditMinSalary", "EditSalary"};
            for (int i = 0; i < 5; ++i) drive::Retype(Child<QLineEdit>(plan, fieldsInOrder[i]), typed[i]);
            drive::Enter(Child<QLineEdit>(plan, "EditPay"));
            auto amount = [](const char* text) { return *text ? *tax::ParseAmount(text) : tax::Decimal(); };
            const tax::plan2019::Question q{amount(typed[0]), amount(typed[1]), amount(typed[2]), amount(typed[3]),
                                            *typed[4] ? std::optional(amount(typed[4])) : std::nullopt};
            const std::optional<tax::Plan> want = tax::plan2019::MakePlan(q);
            QVERIFY(want);
            const QStringList shown{fields::Money(want->best.monthly), fields::Money(want->best.bonus),
                                    fields::Money(want->best.year.totalTax), fields::Money(want->best.year.realIncome),
                                    fields::Money(want->allWages.year.totalTax),
                                    want->own ? fields::Money(want->own->year.totalTax) : QStringLiteral("未填写"),
                                    fields::Money(want->Saving())};
            const char* names[] = {"TxtBestSalary", "TxtBestBonus", "TxtBestTax", "TxtBestRealIncome",
                                   "TxtAllSalaryTax", "TxtOwnTax", "TxtSaving"};
            for (int i = 0; i < shown.size(); ++i) QCOMPARE(drive::TextOf(plan, names[i]), shown[i]);
            auto* grid = Child<QTableWidget>(plan, "GridOthers");
            QCOMPARE(grid->rowCount(), static_cast<int>(want->others.size()));
            for (int r = 0; r < grid->rowCount(); ++r) {
                QCOMPARE(grid->item(r, 0)->text(), fields::Money(want->others[static_cast<size_t>(r)].monthly));
                QCOMPARE(grid->item(r, 3)->text(), fields::Money(want->others[static_cast<size_t>(r)].year.totalTax));
            }
            QVERIFY(Child<QPushButton>(plan, "BtnCopy") && !drive::TextOf(plan, "TxtBestTax").isEmpty());

            auto* port = plan->findChild<QGraphicsView*>()->viewport();
            const QPointF middle(port->width() / 2.0, port->height() / 2.0);
            QMouseEvent move(QEvent::MouseMove, middle, port->mapToGlobal(middle), Qt::NoButton, Qt::NoButton,
                             Qt::NoModifier);
            QApplication::sendEvent(port, &move);
            const QStringList lines = QToolTip::text().split(QLatin1Char('\n'));
            QCOMPARE(lines.size(), 3);
            const tax::Decimal monthly = *tax::ParseAmount(lines[1].section(' ', 1, 1).remove(',').toStdString());
            QCOMPARE(lines[2].section(' ', 1, 1), fields::Money(tax::plan2019::EvaluateSplit(q, monthly).year.totalTax));
        }
        // A refused deduction is named beside its field.
        drive::Retype(Child<QLineEdit>(plan, "EditExtra"), QStringLiteral("-5"));
        drive::Enter(Child<QLineEdit>(plan, "EditExtra"));
        QCOMPARE(drive::TextOf(plan, "TxtInfo_5"), msg::kIncomeNotNegative);
        QCOMPARE(drive::TextOf(plan, "TxtBestTax"), QStringLiteral("0.00"));

        // Back to the 2011 law: the allowance list again, the results cleared.
        QTest::keyClick(law, Qt::Key_Up);
        shownUnder2019(false);
        QCOMPARE(drive::TextOf(plan, "TxtInfo_5"), QString());
    }

    // The table lists every bonus rate the pay reaches: at 600000 with 1000 of insurance, the 30%
    // row too.
    void EveryBonusRateListed() {
        TFrmMain main;
        QWidget* plan = Open(main);
        drive::Retype(Child<QLineEdit>(plan, "EditPay"), QStringLiteral("600000"));
        drive::Retype(Child<QLineEdit>(plan, "EditSafe"), QStringLiteral("1000"));
        drive::Enter(Child<QLineEdit>(plan, "EditPay"));
        auto* grid = Child<QTableWidget>(plan, "GridOthers");
        QStringList rates;
        for (int r = 0; r < grid->rowCount(); ++r) rates << grid->item(r, 2)->text();
        QVERIFY2(rates.size() >= 5, qPrintable(rates.join(' ')));
        const int row = static_cast<int>(rates.indexOf(QStringLiteral("30%")));
        QVERIFY2(row >= 0, qPrintable(rates.join(' ')));
        QCOMPARE(grid->item(row, 0)->text(), QStringLiteral("14999.97"));
    }

    // Insurance above the monthly wage is computed, with a word beside the field.
    void InsuranceAboveTheWage() {
        TFrmMain main;
        QWidget* plan = Open(main);
        drive::Retype(Child<QLineEdit>(plan, "EditPay"), QStringLiteral("100000"));
        drive::Retype(Child<QLineEdit>(plan, "EditSafe"), QStringLiteral("9000"));
        drive::Enter(Child<QLineEdit>(plan, "EditSafe"));
        QCOMPARE(drive::TextOf(plan, "TxtInfo_2"), QStringLiteral("五险一金超过月工资，税后收入为负"));
        QVERIFY(drive::TextOf(plan, "TxtBestRealIncome").startsWith(QLatin1Char('-')));
        drive::Retype(Child<QLineEdit>(plan, "EditSafe"), QStringLiteral("8000"));
        drive::Enter(Child<QLineEdit>(plan, "EditSafe"));
        QCOMPARE(drive::TextOf(plan, "TxtInfo_2"), QString());
    }

    void Refusals_data() {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("info");
        QTest::addColumn<QString>("message");
        QTest::newRow("pay not a number") << "EditPay" << "abc" << "TxtInfo_1" << msg::kInvalidAmount;
        QTest::newRow("pay zero") << "EditPay" << "0" << "TxtInfo_1" << msg::kIncomeAboveZero;
        QTest::newRow("pay with half a cent") << "EditPay" << "100000.005" << "TxtInfo_1" << msg::kInvalidAmount;
        QTest::newRow("negative insurance") << "EditSafe" << "-1" << "TxtInfo_2" << msg::kSafeAboveZero;
        QTest::newRow("lowest wage above pay / 12")
            << "EditMinSalary" << "8333.34" << "TxtInfo_3" << QStringLiteral("月工资最高不能大于 8333.33 元");
        QTest::newRow("own wage above pay / 12")
            << "EditSalary" << "9000" << "TxtInfo_4" << QStringLiteral("月工资最高不能大于 8333.33 元");
    }
    void Refusals() {
        QFETCH(QString, field);
        QFETCH(QString, text);
        QFETCH(QString, info);
        QFETCH(QString, message);
        TFrmMain main;
        QWidget* plan = Open(main);
        drive::Retype(Child<QLineEdit>(plan, "EditPay"), QStringLiteral("100000"));
        auto* edit = Child<QLineEdit>(plan, field.toLatin1().constData());
        drive::Retype(edit, text);
        drive::Enter(edit);
        QCOMPARE(drive::TextOf(plan, info.toLatin1().constData()), message);
        QCOMPARE(drive::TextOf(plan, "TxtBestTax"), QStringLiteral("0.00"));
        QVERIFY(edit->hasFocus() || !plan->isActiveWindow());
    }
};

QTEST_MAIN(TestPlan)
#include "tst_plan.moc"
