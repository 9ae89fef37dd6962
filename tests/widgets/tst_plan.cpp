// The year-end bonus planning window, opened from the tool menu and driven by typing.
#include "TestSupport.h"

#include "framework/Fields.h"
#include "framework/Messages.h"
#include "tax/Amount.h"
#include "tax/Plan2019.h"
#include "tools/planning/UFrmPlan.h"
#include "shell/UMainForm.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QSettings>
#include <QPushButton>
#include <QAbstractButton>
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
    // Chooses a law with the arrow keys, as a person on the closed list: 0 the law in force
    // since 2019, 1 the 2011 law. The window remembers it for the next test too.
    static void ChooseLaw(QWidget* plan, int index) {
        auto* law = Child<QComboBox>(plan, "CmbLaw");
        law->setFocus();
        QTest::keyClick(law, index > law->currentIndex() ? Qt::Key_Down : Qt::Key_Up);
        QCOMPARE(law->currentIndex(), index);
    }
    static void Type(QWidget* plan, const char* field, const QString& text) {
        drive::Retype(Child<QLineEdit>(plan, field), text);
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
        if (Child<QComboBox>(plan, "CmbLaw")->currentIndex() != 1) ChooseLaw(plan, 1);
        drive::Retype(Child<QLineEdit>(plan, "EditSalary"), own);
        drive::Retype(Child<QLineEdit>(plan, "EditPay"), pay);
        const char* names[] = {"TxtBestSalary", "TxtBestBonus", "TxtBestTax", "TxtBestRealIncome",
                               "TxtAllSalaryTax", "TxtOwnTax", "TxtSaving"};
        for (int i = 0; i < shown.size(); ++i) QCOMPARE(drive::TextOf(plan, names[i]), shown[i]);
        QVERIFY(Child<QTableWidget>(plan, "GridOthers")->rowCount() > 0);
        // The wage's tax (twelve months of 6833.34: 228.33 each) and the bonus's (3% of 17999.92).
        QCOMPARE(drive::TextOf(plan, "TxtBestSalaryTax"), QStringLiteral("2739.96"));
        QCOMPARE(drive::TextOf(plan, "TxtBestBonusTax"), QStringLiteral("540.00"));

        Child<QPushButton>(plan, "BtnCopy")->click();
        const QString copied = QApplication::clipboard()->text();
        for (const QString& figure : shown.mid(0, 4) + QStringList{"2739.96", "540.00"})
            QVERIFY2(copied.contains(figure), qPrintable(copied));
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
        QVERIFY2(lines.size() == 3 || (lines.size() == 4 && lines[3].startsWith(QStringLiteral("位于个税盲区"))),
                 qPrintable(QToolTip::text()));
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
        QCOMPARE(law->itemText(0), QStringLiteral("2019—2027（年终奖单独计税）"));
        auto shownUnder2019 = [&](bool yes) {
            QCOMPARE(Child<QWidget>(plan, "EditExtra")->isVisibleTo(plan), yes);
            QCOMPARE(Child<QWidget>(plan, "CmbPoint")->isVisibleTo(plan), !yes);
        };
        if (law->currentIndex() == 0) ChooseLaw(plan, 1);
        shownUnder2019(false);
        ChooseLaw(plan, 0);
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
            if (*typed[3]) { // a lowest wage: a bonus beyond what it leaves names no split
                const double bonus = lines[0].section(' ', 1, 1).toDouble();
                const bool beyond = bonus > QString(typed[0]).toDouble() - 12 * QString(typed[3]).toDouble();
                QVERIFY2(beyond ? lines.size() == 2 : lines.size() >= 3, qPrintable(QToolTip::text()));
                if (beyond) continue;
            }
            QVERIFY2(lines.size() == 3 || (lines.size() == 4 && lines[3].startsWith(QStringLiteral("位于个税盲区"))),
                     qPrintable(QToolTip::text()));
            const tax::Decimal monthly = *tax::ParseAmount(lines[1].section(' ', 1, 1).remove(',').toStdString());
            QCOMPARE(lines[2].section(' ', 1, 1), fields::Money(tax::plan2019::EvaluateSplit(q, monthly).year.totalTax));
        }
        // A refused deduction is named beside its field, as a deduction.
        drive::Retype(Child<QLineEdit>(plan, "EditExtra"), QStringLiteral("-5"));
        QCOMPARE(drive::TextOf(plan, "TxtInfo_5"), QStringLiteral("专项附加扣除不能为负数"));
        QCOMPARE(drive::TextOf(plan, "TxtBestTax"), QString());

        // To the 2011 law, which had no such deduction: the allowance list again, the field's
        // refusal gone with it and the figures back.
        ChooseLaw(plan, 1);
        shownUnder2019(false);
        QCOMPARE(drive::TextOf(plan, "TxtInfo_5"), QString());
        QVERIFY(!drive::TextOf(plan, "TxtBestTax").isEmpty());
    }

    // The table lists every bonus rate the pay reaches: at 600000 with 1000 of insurance, the 30%
    // row too.
    void EveryBonusRateListed() {
        TFrmMain main;
        QWidget* plan = Open(main);
        if (Child<QComboBox>(plan, "CmbLaw")->currentIndex() != 1) ChooseLaw(plan, 1);
        drive::Retype(Child<QLineEdit>(plan, "EditPay"), QStringLiteral("600000"));
        drive::Retype(Child<QLineEdit>(plan, "EditSafe"), QStringLiteral("1000"));
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

    // What cannot be read says why beside its field, naming it, and every figure is cleared:
    // never a 0.00 that reads as "no tax".
    void Refusals_data() {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("info");
        QTest::addColumn<QString>("message");
        QTest::newRow("pay not a number") << "EditPay" << "abc" << "TxtInfo_1"
                                          << "年度税前收入不是金额：请输入数字，如 300000 或 300,000.00";
        QTest::newRow("pay zero") << "EditPay" << "0" << "TxtInfo_1" << "年度税前收入需大于0";
        QTest::newRow("pay with half a cent") << "EditPay" << "100000.005" << "TxtInfo_1" << "年度税前收入只能精确到分";
        QTest::newRow("pay of 38 digits") << "EditPay" << "12345678901234567890123456789012345678" << "TxtInfo_1"
                                          << "年度税前收入过大，不能大于 1000000000000000.00 元";
        QTest::newRow("pay just above the limit") << "EditPay" << "1000000000000000.01" << "TxtInfo_1"
                                                  << "年度税前收入过大，不能大于 1000000000000000.00 元";
        QTest::newRow("negative insurance") << "EditSafe" << "-1" << "TxtInfo_2" << "五险一金不能为负数";
        QTest::newRow("negative deductions") << "EditExtra" << "－２０００" << "TxtInfo_5" << "专项附加扣除不能为负数";
        QTest::newRow("lowest wage above pay / 12")
            << "EditMinSalary" << "8333.34" << "TxtInfo_3" << "最低月工资过大，不能大于 8333.33 元";
        QTest::newRow("own wage above pay / 12")
            << "EditSalary" << "9000" << "TxtInfo_4" << "您的月工资过大，不能大于 8333.33 元";
    }
    void Refusals() {
        QFETCH(QString, field);
        QFETCH(QString, text);
        QFETCH(QString, info);
        QFETCH(QString, message);
        TFrmMain main;
        QWidget* plan = Open(main);
        if (Child<QComboBox>(plan, "CmbLaw")->currentIndex() != 0) ChooseLaw(plan, 0);
        for (const char* other : {"EditSafe", "EditExtra", "EditMinSalary", "EditSalary"}) Type(plan, other, QString());
        Type(plan, "EditPay", QStringLiteral("100000"));
        QVERIFY(!drive::TextOf(plan, "TxtBestTax").isEmpty());
        auto* edit = Child<QLineEdit>(plan, field.toLatin1().constData());
        drive::Retype(edit, text);
        QCOMPARE(drive::TextOf(plan, info.toLatin1().constData()), message);
        QCOMPARE(edit->text(), text); // left as typed, to be mended
        for (const char* name : {"TxtBestSalary", "TxtBestBonus", "TxtBestSalaryTax", "TxtBestBonusTax", "TxtBestTax",
                                 "TxtBestRealIncome", "TxtAllSalaryTax", "TxtOwnTax", "TxtSaving"})
            QCOMPARE(drive::TextOf(plan, name), QString());
        QCOMPARE(Child<QTableWidget>(plan, "GridOthers")->rowCount(), 0);
        Child<QPushButton>(plan, "BtnCopy")->click();
        // Enter puts the focus on the refused field with its text selected to be typed over.
        Child<QPushButton>(plan, "BtnCalc")->setFocus();
        drive::Enter(Child<QLineEdit>(plan, "EditPay"));
        QVERIFY(edit->hasFocus() || !plan->isActiveWindow());
        // Mended, the figures come back and the message goes.
        drive::Retype(edit, field == "EditPay" ? QStringLiteral("100000") : QStringLiteral("1000"));
        QCOMPARE(drive::TextOf(plan, info.toLatin1().constData()), QString());
        QVERIFY(!drive::TextOf(plan, "TxtBestTax").isEmpty());
    }

    // Over a blind zone the pointer names it, its label or not: at 600000 under the 2019 law a
    // bonus just above 144000 lies in (144000, 160500].
    void HoverNamesTheBlindZone() {
        TFrmMain main;
        QWidget* plan = Open(main);
        if (Child<QComboBox>(plan, "CmbLaw")->currentIndex() != 0) ChooseLaw(plan, 0);
        for (const char* other : {"EditSafe", "EditExtra", "EditMinSalary", "EditSalary"}) Type(plan, other, QString());
        Type(plan, "EditPay", QStringLiteral("600000"));
        auto* port = plan->findChild<QGraphicsView*>()->viewport();
        QStringList found;
        // Across the plot from left to right, until the pointer is over the zone.
        for (int x = 0; x < port->width() && found.isEmpty(); x += 2) {
            const QPointF at(x, port->height() / 2.0);
            QMouseEvent move(QEvent::MouseMove, at, port->mapToGlobal(at), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
            QApplication::sendEvent(port, &move);
            const QStringList lines = QToolTip::text().split(QLatin1Char('\n'));
            const double bonus = lines[0].section(' ', 1, 1).toDouble();
            if (bonus > 144000 && bonus <= 160500) found = lines;
        }
        QVERIFY(!found.isEmpty());
        QCOMPARE(found.value(3), QStringLiteral("位于个税盲区 (144000, 160500]"));
    }

    // Every tab stop of both windows is a control that shows it has the focus: the scroll
    // areas and the plots, which cannot, are passed over.
    void EveryTabStopShowsItsFocus() {
        TFrmMain main;
        QWidget* plan = Open(main);
        Child<QAction>(&main, "Menu_Tool_Compare")->trigger();
        QWidget* compare = main.findChild<QWidget*>(QStringLiteral("FrmCompare"));
        for (QWidget* window : {plan, compare}) {
            window->activateWindow();
            QApplication::setActiveWindow(window);
            window->findChild<QLineEdit*>()->setFocus();
            QStringList seen;
            for (int i = 0; i < 20; ++i) {
                QWidget* at = window->focusWidget();
                QVERIFY2(at && at->window() == window,
                         qPrintable(at ? at->objectName() + QStringLiteral(" in ") + at->window()->objectName()
                                       : QStringLiteral("none after ") + seen.join(' ')));
                const bool shows = qobject_cast<QLineEdit*>(at) || qobject_cast<QComboBox*>(at) ||
                                   qobject_cast<QAbstractButton*>(at) || qobject_cast<QTableWidget*>(at);
                QVERIFY2(shows, qPrintable(at->metaObject()->className() + QStringLiteral(" ") + at->objectName()));
                seen << at->objectName();
                QTest::keyClick(at, Qt::Key_Tab);
            }
            QVERIFY2(seen.contains(QStringLiteral("BtnCopy")), qPrintable(seen.join(' ')));
        }
    }

    // The window opens on the law in force, and on the law chosen last once one was chosen,
    // through a new run of the program.
    void OpensOnTodaysLawAndRemembersTheChoice() {
        QSettings().clear();
        {
            TFrmMain main;
            QWidget* plan = Open(main);
            QCOMPARE(Child<QComboBox>(plan, "CmbLaw")->currentText(), QStringLiteral("2019—2027（年终奖单独计税）"));
            QVERIFY(Child<QWidget>(plan, "EditExtra")->isVisibleTo(plan));
            ChooseLaw(plan, 1);
        }
        {
            TFrmMain main;
            QWidget* plan = Open(main);
            QCOMPARE(Child<QComboBox>(plan, "CmbLaw")->currentText(), QStringLiteral("2011-09—2018-09"));
            QVERIFY(Child<QWidget>(plan, "CmbPoint")->isVisibleTo(plan));
            ChooseLaw(plan, 0);
        }
        TFrmMain main;
        QCOMPARE(Child<QComboBox>(Open(main), "CmbLaw")->currentIndex(), 0);
    }

    // Each keystroke moves the figures, with no Enter: the pay typed a digit at a time shows the
    // plan of what is typed so far, and the table and the copy follow.
    void FiguresFollowTheTyping() {
        TFrmMain main;
        QWidget* plan = Open(main);
        if (Child<QComboBox>(plan, "CmbLaw")->currentIndex() != 0) ChooseLaw(plan, 0);
        for (const char* other : {"EditPay", "EditExtra", "EditMinSalary", "EditSalary"}) Type(plan, other, QString());
        Type(plan, "EditSafe", QStringLiteral("1000"));
        QCOMPARE(drive::TextOf(plan, "TxtBestTax"), QString()); // nothing to plan yet, and no message
        QCOMPARE(drive::TextOf(plan, "TxtInfo_1"), QString());
        auto* pay = Child<QLineEdit>(plan, "EditPay");
        pay->setFocus();
        QString typed;
        for (QChar digit : QStringLiteral("250000")) {
            QTest::keyClick(pay, digit.toLatin1());
            typed += digit;
            const tax::plan2019::Question q{*tax::ParseAmount(typed.toStdString()), tax::Decimal(1000), tax::Decimal(), tax::Decimal()};
            const std::optional<tax::Plan> want = tax::plan2019::MakePlan(q);
            QVERIFY(want);
            QCOMPARE(drive::TextOf(plan, "TxtBestSalary"), fields::Money(want->best.monthly));
            QCOMPARE(drive::TextOf(plan, "TxtBestTax"), fields::Money(want->best.year.totalTax));
            QCOMPARE(drive::TextOf(plan, "TxtBestSalaryTax"), fields::Money(want->best.wagesTax));
            QCOMPARE(drive::TextOf(plan, "TxtBestBonusTax"), fields::Money(want->best.year.bonusTax));
            QCOMPARE(Child<QTableWidget>(plan, "GridOthers")->rowCount(), static_cast<int>(want->others.size()));
            Child<QPushButton>(plan, "BtnCopy")->click();
            QVERIFY(QApplication::clipboard()->text().contains(fields::Money(want->best.year.totalTax)));
        }
        // The wage's and the bonus's tax add up to the year's.
        const tax::Decimal wages = *tax::ParseAmount(drive::TextOf(plan, "TxtBestSalaryTax").toStdString());
        const tax::Decimal bonus = *tax::ParseAmount(drive::TextOf(plan, "TxtBestBonusTax").toStdString());
        QCOMPARE(fields::Money(wages + bonus), drive::TextOf(plan, "TxtBestTax"));
    }

    // Amounts as people paste them from a payroll sheet plan as the plain figure does.
    void AmountsAsPasted_data() {
        QTest::addColumn<QString>("pay");
        QTest::addColumn<QString>("safe");
        QTest::newRow("thousands separators") << "300,000.00" << "1,000";
        QTest::newRow("yuan sign") << "¥300000" << "￥1000";
        QTest::newRow("yuan after") << "300000元" << "1000 元";
        QTest::newRow("full-width digits") << "３０００００" << "１０００．００";
        QTest::newRow("blanks around") << "  300000\t" << "\u30001000";
    }
    void AmountsAsPasted() {
        QFETCH(QString, pay);
        QFETCH(QString, safe);
        TFrmMain main;
        QWidget* plan = Open(main);
        if (Child<QComboBox>(plan, "CmbLaw")->currentIndex() != 0) ChooseLaw(plan, 0);
        for (const char* other : {"EditExtra", "EditMinSalary", "EditSalary"}) Type(plan, other, QString());
        Type(plan, "EditPay", QStringLiteral("300000"));
        Type(plan, "EditSafe", QStringLiteral("1000"));
        const QString plain = Child<TFrmPlan>(&main, "FrmPlan")->Summary();
        QVERIFY(!plain.isEmpty());
        Child<QLineEdit>(plan, "EditPay")->setText(pay); // as a paste puts it
        Child<QLineEdit>(plan, "EditSafe")->setText(safe);
        QCOMPARE(drive::TextOf(plan, "TxtInfo_1"), QString());
        QCOMPARE(drive::TextOf(plan, "TxtInfo_2"), QString());
        QCOMPARE(Child<TFrmPlan>(&main, "FrmPlan")->Summary(), plain);
    }

    // No other-rate row pays a monthly wage below the insurance or the lowest wage, and none a
    // bonus too small to bear a fen of its rate; the plot shades what the lowest wage forbids
    // and the pointer there says so.
    void OnlySplitsThatCanBePaid() {
        TFrmMain main;
        QWidget* plan = Open(main);
        if (Child<QComboBox>(plan, "CmbLaw")->currentIndex() != 0) ChooseLaw(plan, 0);
        for (const char* other : {"EditMinSalary", "EditSalary"}) Type(plan, other, QString());
        Type(plan, "EditPay", QStringLiteral("150000"));
        Type(plan, "EditSafe", QStringLiteral("1000"));
        Type(plan, "EditExtra", QStringLiteral("1000"));
        auto* grid = Child<QTableWidget>(plan, "GridOthers");
        auto wages = [&] {
            QList<double> out;
            for (int r = 0; r < grid->rowCount(); ++r) out << grid->item(r, 0)->text().toDouble();
            return out;
        };
        QVERIFY(grid->rowCount() > 0);
        for (double w : wages()) QVERIFY2(w >= 1000, qPrintable(QString::number(w)));
        for (int r = 0; r < grid->rowCount(); ++r)
            QVERIFY2(grid->item(r, 1)->text().toDouble() >= 1 || grid->item(r, 2)->text() == QStringLiteral("不纳税"),
                     qPrintable(grid->item(r, 1)->text()));
        Type(plan, "EditMinSalary", QStringLiteral("9000"));
        QVERIFY(grid->rowCount() > 0);
        for (double w : wages()) QVERIFY2(w >= 9000, qPrintable(QString::number(w)));
        QVERIFY(drive::TextOf(plan, "TxtBestSalary").toDouble() >= 9000);

        // Bonuses above 150000 − 12 × 9000 = 42000 are shaded: the pointer near the right end
        // (a bonus near the whole pay) names no split there.
        auto* port = plan->findChild<QGraphicsView*>()->viewport();
        const QPointF nearRight(port->width() * 0.85, port->height() / 2.0);
        QMouseEvent move(QEvent::MouseMove, nearRight, port->mapToGlobal(nearRight), Qt::NoButton, Qt::NoButton,
                         Qt::NoModifier);
        QApplication::sendEvent(port, &move);
        QVERIFY2(QToolTip::text().contains(QStringLiteral("月工资将低于 9000.00 元，不可选")), qPrintable(QToolTip::text()));
    }
};

QTEST_MAIN(TestPlan)
#include "tst_plan.moc"
