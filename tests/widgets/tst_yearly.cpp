// The comprehensive-income window (from 2019), opened from the tool menu and driven by typing:
// filling the months, a bonus that costs less joined, a mid-year joiner's refund, bad entries.
#include "TestSupport.h"

#include "framework/Settings.h"
#include "framework/AmountReader.h"
#include "shell/UMainForm.h"

#include <algorithm>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDate>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>

class TestYearly : public QObject {
    Q_OBJECT

    QWidget* Open(TFrmMain& main) {
        Child<QAction>(&main, "Menu_Tool_Yearly")->trigger();
        return main.findChild<QWidget*>(QStringLiteral("FrmYearly"));
    }

    static void Type(QLineEdit* field, const QString& text) {
        drive::Retype(field, text);
    }

    // Types into a cell through its editor and presses Enter, as a person does.
    static void TypeCell(QTableWidget* table, int row, int column, const QString& text) {
        auto openEditor = [table]() -> QLineEdit* {
            for (QLineEdit* e : table->viewport()->findChildren<QLineEdit*>())
                if (e->isVisible()) return e;
            return nullptr;
        };
        table->setCurrentCell(row, column); // a cell made current opens its editor
        if (!openEditor()) table->editItem(table->item(row, column));
        QLineEdit* editor = openEditor();
        QVERIFY(editor);
        editor->selectAll();
        QTest::keyClicks(editor, text);
        QTest::keyClick(editor, Qt::Key_Return);
        QCoreApplication::processEvents(); // the view commits the editor's text from its event queue
    }

    // Year and first month chosen, one wage and insurance filled into every month from the first.
    static void FillYear(QWidget* w, int year, int firstMonth, const QString& wage, const QString& safe) {
        Child<QComboBox>(w, "CmbYear")->setCurrentText(QString::number(year));
        Child<QComboBox>(w, "CmbFirstMonth")->setCurrentIndex(firstMonth - 1);
        Type(Child<QLineEdit>(w, "EditMonthWage"), wage);
        Type(Child<QLineEdit>(w, "EditMonthSafe"), safe);
        QTest::mouseClick(Child<QPushButton>(w, "BtnFill"), Qt::LeftButton);
    }

    static QString Withheld(QWidget* w, int month) {
        return Child<QTableWidget>(w, "TblMonths")->item(month - 1, 12)->text();
    }

private slots:
    void initTestCase() { drive::SetupApp(); }

    void MenuOpensOneWindowThatFitsSmallScreens() {
        TFrmMain main;
        main.show();
        QVERIFY(!main.findChild<QWidget*>(QStringLiteral("FrmYearly"))); // made when first opened
        QCOMPARE(Child<QAction>(&main, "Menu_Tool_Yearly")->text(), QStringLiteral("综合所得（2019年起）(&Z)..."));
        QWidget* w = Open(main);
        QVERIFY(w && w->isVisible() && w->isWindow() && !w->isModal());
        QCOMPARE(Open(main), w);
        QCOMPARE(main.findChildren<QWidget*>(QStringLiteral("FrmYearly")).size(), 1);
        // A fresh window says nothing beside its fields: no message label shows its own name.
        for (QLabel* l : w->findChildren<QLabel*>())
            QVERIFY2(l->text() != l->objectName() || l->objectName().isEmpty(), qPrintable(l->objectName()));
        w->resize(800, 600);
        QCOMPARE(w->size(), QSize(800, 600));
        QVERIFY(w->minimumSizeHint().width() <= 800 && w->minimumSizeHint().height() <= 600);

        auto* year = Child<QComboBox>(w, "CmbYear");
        QCOMPARE(year->count(), 9);
        QCOMPARE(year->itemText(0), QStringLiteral("2019"));
        QCOMPARE(year->itemText(8), QStringLiteral("2027"));
        QCOMPARE(Child<QComboBox>(w, "CmbFirstMonth")->itemText(11), QStringLiteral("12月"));
        const QStringList titles{"工资薪金",         "免税收入",   "五险一金",     "其他扣除",     "累计收入",
                                 "累计减除费用",     "累计专项扣除", "累计专项附加扣除", "累计应纳税所得额", "预扣率",
                                 "速算扣除数",       "累计应纳税额", "本月预扣税额", "税后工资"};
        auto* table = Child<QTableWidget>(w, "TblMonths");
        QCOMPARE(table->rowCount(), 12);
        QCOMPARE(table->columnCount(), titles.size());
        for (int c = 0; c < titles.size(); ++c) QCOMPARE(table->horizontalHeaderItem(c)->text(), titles[c]);
        auto* housing = Child<QComboBox>(w, "CmbHousing");
        const QStringList housings{"无", "住房贷款利息", "住房租金（直辖市、省会等）", "住房租金（其他百万人口以上城市）",
                                   "住房租金（其他城市）"};
        QCOMPARE(housing->count(), housings.size());
        for (int i = 0; i < housings.size(); ++i) QCOMPARE(housing->itemText(i), housings[i]);
    }

    // The worked example: 30000 a month, 4500 insurance, one child (2000 a month in 2024).
    void FillWithholdsCumulatively() {
        TFrmMain main;
        main.show();
        QWidget* w = Open(main);
        FillYear(w, 2024, 1, "30000", "4500");
        Child<QSpinBox>(w, "SpinChildren")->setValue(1);
        QCOMPARE(drive::TextOf(w, "TxtExtraMonth"), QStringLiteral("2000.00 元"));
        QCOMPARE(Withheld(w, 1), QStringLiteral("555.00"));
        QCOMPARE(Withheld(w, 2), QStringLiteral("625.00"));
        QCOMPARE(Withheld(w, 3), QStringLiteral("1850.00"));
        auto* table = Child<QTableWidget>(w, "TblMonths");
        QCOMPARE(table->item(11, 8)->text(), QStringLiteral("222000.00"));
        QCOMPARE(table->item(11, 9)->text(), QStringLiteral("20%"));
        QCOMPARE(table->item(0, 13)->text(), QStringLiteral("24945.00"));
        // Twelve equal months leave nothing to settle.
        QCOMPARE(drive::TextOf(w, "TxtYearTax"), QStringLiteral("27480.00"));
        QCOMPARE(drive::TextOf(w, "TxtYearWithheld"), QStringLiteral("27480.00"));
        QCOMPARE(drive::TextOf(w, "TxtYearBalance"), QStringLiteral("0.00"));

        // A raise typed in one cell recomputes the months after it.
        TypeCell(table, 5, 0, "40000");
        QCOMPARE(table->item(5, 4)->text(), QStringLiteral("190000.00"));

        Child<QPushButton>(w, "BtnCopy")->click();
        const QStringList lines = QApplication::clipboard()->text().split(QLatin1Char('\n'));
        QCOMPARE(lines[0], QStringLiteral("月份\t") + QStringList(titles()).join(QLatin1Char('\t')));
        QVERIFY(lines[1].startsWith(QStringLiteral("1月\t30000.00\t0.00\t4500.00\t0.00\t30000.00")));
        QVERIFY(lines.contains(QStringLiteral("全年应纳税额\t") + drive::TextOf(w, "TxtYearTax")));
    }

    void BonusCheaperJoinedAndBlindZone() {
        TFrmMain main;
        main.show();
        QWidget* w = Open(main);
        FillYear(w, 2021, 1, "4000", "");
        Type(Child<QLineEdit>(w, "EditBonus"), "30000");
        QCOMPARE(drive::TextOf(w, "TxtBonusAlone"), QStringLiteral("900.00"));
        QCOMPARE(drive::TextOf(w, "TxtBonusJoined"), QStringLiteral("540.00"));
        QVERIFY(drive::TextOf(w, "TxtBonusBest").contains(QStringLiteral("并入综合所得")));
        QVERIFY(drive::TextOf(w, "TxtBonusBest").contains(QStringLiteral("360.00")));
        QCOMPARE(drive::TextOf(w, "TxtYearTax"), QStringLiteral("540.00"));
        QCOMPARE(drive::TextOf(w, "TxtYearWithheld"), QStringLiteral("900.00"));
        QCOMPARE(drive::TextOf(w, "TxtYearBalance"), QStringLiteral("-360.00"));
        QVERIFY(drive::TextOf(w, "TxtYearBalanceNote").startsWith(QStringLiteral("应退税")));
        QVERIFY(drive::TextOf(w, "TxtBonusZone").isEmpty());
        Type(Child<QLineEdit>(w, "EditBonus"), "38566.67");
        QVERIFY(drive::TextOf(w, "TxtBonusZone").contains(QStringLiteral("38,566.67")));
        Type(Child<QLineEdit>(w, "EditBonus"), "36000");
        QVERIFY(drive::TextOf(w, "TxtBonusZone").isEmpty());
    }

    // 6000 a month and a 12000 bonus sit wholly in the 3% band either way (720 a year): the
    // window says the two cost the same rather than calling one of them cheaper by 0.00.
    void BonusEqualEitherWay() {
        TFrmMain main;
        main.show();
        QWidget* w = Open(main);
        FillYear(w, 2021, 1, "6000", "");
        Type(Child<QLineEdit>(w, "EditBonus"), "12000");
        QCOMPARE(drive::TextOf(w, "TxtBonusAlone"), QStringLiteral("720.00"));
        QCOMPARE(drive::TextOf(w, "TxtBonusJoined"), QStringLiteral("720.00"));
        QCOMPARE(drive::TextOf(w, "TxtBonusBest"), QStringLiteral("两种方式税额相同"));
    }

    // Joins in July at 20000 (2000 insurance): withheld on six months' 5000, settled on 60000.
    void MidYearJoinerIsRefunded() {
        TFrmMain main;
        main.show();
        QWidget* w = Open(main);
        FillYear(w, 2023, 7, "20000", "2000");
        auto* table = Child<QTableWidget>(w, "TblMonths");
        for (int m = 1; m <= 6; ++m) {
            QVERIFY(table->item(m - 1, 0)->text().isEmpty());
            QVERIFY(!(table->item(m - 1, 0)->flags() & Qt::ItemIsEditable));
            QVERIFY(Withheld(w, m).isEmpty());
        }
        QCOMPARE(Withheld(w, 7), QStringLiteral("390.00"));
        QCOMPARE(Withheld(w, 9), QStringLiteral("600.00"));
        QCOMPARE(table->item(11, 5)->text(), QStringLiteral("30000.00"));
        QCOMPARE(drive::TextOf(w, "TxtYearTaxable"), QStringLiteral("48000.00"));
        QCOMPARE(drive::TextOf(w, "TxtYearTax"), QStringLiteral("2280.00"));
        QCOMPARE(drive::TextOf(w, "TxtYearWithheld"), QStringLiteral("5280.00"));
        QCOMPARE(drive::TextOf(w, "TxtYearBalance"), QStringLiteral("-3000.00"));
        QVERIFY(drive::TextOf(w, "TxtYearBalanceNote").startsWith(QStringLiteral("应退税")));

        // A labour receipt: withheld per receipt, counted at 80% in the year.
        QTest::mouseClick(Child<QPushButton>(w, "BtnAddReceipt"), Qt::LeftButton);
        auto* receipts = Child<QTableWidget>(w, "TblReceipts");
        TypeCell(receipts, 0, 1, "4000");
        QCOMPARE(receipts->item(0, 2)->text(), QStringLiteral("640.00"));
        QCOMPARE(drive::TextOf(w, "TxtYearTax"), QStringLiteral("2600.00"));
    }

    // Each keystroke recomputes the whole window; the keys must keep reaching the field typed in.
    void TypingKeepsTheFocus() {
        TFrmMain main;
        main.show();
        QWidget* w = Open(main);
        QApplication::setActiveWindow(w);
        QVERIFY(QTest::qWaitForWindowActive(w));
        FillYear(w, 2024, 2, "4000", "");
        auto* bonus = Child<QLineEdit>(w, "EditBonus");
        bonus->setFocus();
        for (char ch : QByteArray("38000")) QTest::keyClick(QApplication::focusWidget(), ch);
        QCOMPARE(QApplication::focusWidget(), bonus);
        QCOMPARE(bonus->text(), QStringLiteral("38000"));
        QVERIFY(!drive::TextOf(w, "TxtBonusZone").isEmpty());
    }

    void BadEntriesAreMarkedAndNothingIsComputed() {
        TFrmMain main;
        main.show();
        QWidget* w = Open(main);
        FillYear(w, 2024, 1, "15000", "1000");
        QVERIFY(!drive::TextOf(w, "TxtYearTax").isEmpty());

        Type(Child<QLineEdit>(w, "EditBonus"), "12a");
        QCOMPARE(drive::TextOf(w, "TxtBonusInfo"), amounts::NotAnAmount(QStringLiteral("年终奖")));
        QVERIFY(drive::TextOf(w, "TxtYearTax").isEmpty());
        QVERIFY(Withheld(w, 1).isEmpty());
        QApplication::clipboard()->setText(QStringLiteral("before"));
        Child<QPushButton>(w, "BtnCopy")->click();
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("before"));
        Type(Child<QLineEdit>(w, "EditBonus"), "");
        QVERIFY(drive::TextOf(w, "TxtBonusInfo").isEmpty());
        QCOMPARE(Withheld(w, 1), QStringLiteral("270.00"));

        auto* table = Child<QTableWidget>(w, "TblMonths");
        TypeCell(table, 2, 2, "-5");
        QVERIFY(drive::TextOf(w, "TxtMonthsInfo").startsWith(QStringLiteral("3月五险一金")));
        QVERIFY(drive::TextOf(w, "TxtYearTax").isEmpty());
        TypeCell(table, 2, 2, "1000");
        QVERIFY(drive::TextOf(w, "TxtMonthsInfo").isEmpty());
        QVERIFY(!drive::TextOf(w, "TxtYearTax").isEmpty());

        // A sibling's share of the elderly deduction is at most half.
        Child<QComboBox>(w, "CmbElder")->setCurrentIndex(2);
        Type(Child<QLineEdit>(w, "EditElderShare"), "1500.01");
        QCOMPARE(drive::TextOf(w, "TxtExtraInfo"), QStringLiteral("非独生子女分摊的赡养老人扣除每月不能超过1500元！"));
        QVERIFY(drive::TextOf(w, "TxtYearTax").isEmpty());
        Type(Child<QLineEdit>(w, "EditElderShare"), "1500");
        QCOMPARE(drive::TextOf(w, "TxtExtraMonth"), QStringLiteral("1500.00 元"));
    }

    // The five cases people meet: a first job, last year's low earner, a child from September,
    // a parent's 50% share, and the tax really withheld.
    void FirstJobAndLowEarner() {
        TFrmMain main;
        main.show();
        QWidget* w = Open(main);
        auto* table = Child<QTableWidget>(w, "TblMonths");
        FillYear(w, 2024, 7, "10000", "1500");
        QCOMPARE(table->item(6, 5)->text(), QStringLiteral("5000.00"));
        QCOMPARE(Withheld(w, 7), QStringLiteral("105.00"));
        Child<QCheckBox>(w, "ChkFirstJob")->setChecked(true);
        QCOMPARE(table->item(6, 5)->text(), QStringLiteral("35000.00")); // a July graduate: 5000 × 7
        QCOMPARE(Withheld(w, 7), QStringLiteral("0.00"));
        QCOMPARE(table->item(11, 5)->text(), QStringLiteral("60000.00"));
        Child<QCheckBox>(w, "ChkFirstJob")->setChecked(false);

        FillYear(w, 2024, 1, "6000", "");
        auto* low = Child<QCheckBox>(w, "ChkLowEarner");
        QCOMPARE(low->text(), QStringLiteral("上年在本单位各月均有预扣，全年收入不超过6万元"));
        low->setChecked(true);
        QCOMPARE(table->item(0, 5)->text(), QStringLiteral("60000.00"));
        QCOMPARE(Withheld(w, 10), QStringLiteral("0.00"));
        QCOMPARE(Withheld(w, 11), QStringLiteral("180.00")); // 66000 − 60000 at 3%
        // Before the rule took effect the box is off and months count.
        Child<QComboBox>(w, "CmbYear")->setCurrentText(QStringLiteral("2020"));
        QVERIFY(!low->isEnabled());
        QCOMPARE(table->item(0, 5)->text(), QStringLiteral("5000.00"));
    }

    void ChildFromSeptemberAndHalfShares() {
        TFrmMain main;
        main.show();
        QWidget* w = Open(main);
        auto* table = Child<QTableWidget>(w, "TblMonths");
        FillYear(w, 2024, 1, "20000", "");
        Child<QSpinBox>(w, "SpinChildren")->setValue(1);
        auto* from = Child<QComboBox>(w, "CmbChildrenFrom");
        QCOMPARE(from->currentText(), QStringLiteral("1月"));
        QCOMPARE(from->itemText(11), QStringLiteral("12月"));
        from->setCurrentText(QStringLiteral("9月"));
        QCOMPARE(table->item(7, 7)->text(), QStringLiteral("0.00"));
        QCOMPARE(table->item(8, 7)->text(), QStringLiteral("2000.00"));
        QCOMPARE(table->item(11, 7)->text(), QStringLiteral("8000.00"));
        // Settled on the four months it ran: (240000 − 60000 − 8000) × 20% − 16920.
        QCOMPARE(drive::TextOf(w, "TxtYearTax"), QStringLiteral("17480.00"));
        Child<QComboBox>(w, "CmbChildrenTo")->setCurrentText(QStringLiteral("8月"));
        QVERIFY(!drive::TextOf(w, "TxtExtraInfo").isEmpty()); // ends before it starts
        QVERIFY(drive::TextOf(w, "TxtYearTax").isEmpty());
        Child<QComboBox>(w, "CmbChildrenTo")->setCurrentText(QStringLiteral("12月"));

        from->setCurrentText(QStringLiteral("1月"));
        Child<QComboBox>(w, "CmbChildrenShare")->setCurrentText(QStringLiteral("50%"));
        QCOMPARE(drive::TextOf(w, "TxtExtraMonth"), QStringLiteral("1000.00 元"));
        QCOMPARE(table->item(11, 7)->text(), QStringLiteral("12000.00"));
        Child<QSpinBox>(w, "SpinInfants")->setValue(1);
        Child<QComboBox>(w, "CmbInfantsShare")->setCurrentText(QStringLiteral("50%"));
        QCOMPARE(drive::TextOf(w, "TxtExtraMonth"), QStringLiteral("2000.00 元"));
    }

    void TaxReallyWithheldAndTheWaiversIncome() {
        RecordingDialogs dialogs;
        TFrmMain main;
        main.show();
        QWidget* w = Open(main);
        // Two children claimed only at the settlement of 2020: 1080 withheld, 360 due.
        FillYear(w, 2020, 1, "8000", "");
        Child<QSpinBox>(w, "SpinChildren")->setValue(2);
        QCOMPARE(drive::TextOf(w, "TxtYearBalance"), QStringLiteral("0.00"));
        QVERIFY(drive::TextOf(w, "TxtYearBalanceNote").startsWith(QStringLiteral("无需补税")));
        Type(Child<QLineEdit>(w, "EditWithheld"), "1,080.00");
        QCOMPARE(drive::TextOf(w, "TxtYearWithheld"), QStringLiteral("1080.00"));
        QCOMPARE(drive::TextOf(w, "TxtYearBalance"), QStringLiteral("-720.00"));
        QVERIFY(drive::TextOf(w, "TxtYearBalanceNote").startsWith(QStringLiteral("应退税")));
        Type(Child<QLineEdit>(w, "EditWithheld"), "");
        QCOMPARE(drive::TextOf(w, "TxtYearWithheld"), QStringLiteral("360.00"));

        // 125000 of wages with 6000 exempt: counted whole, above 120000, so not waived.
        Child<QSpinBox>(w, "SpinChildren")->setValue(0);
        FillYear(w, 2024, 1, "10000", "");
        auto* table = Child<QTableWidget>(w, "TblMonths");
        for (int r = 0; r < 12; ++r) Child<QTableWidget>(w, "TblMonths")->item(r, 1)->setText(QStringLiteral("500"));
        table->item(11, 0)->setText(QStringLiteral("15,000.00"));
        Type(Child<QLineEdit>(w, "EditWithheld"), "¥0");
        QCOMPARE(drive::TextOf(w, "TxtWaiverIncome"), QStringLiteral("125000.00"));
        QCOMPARE(drive::TextOf(w, "TxtYearIncome"), QStringLiteral("119000.00"));
        QVERIFY(drive::TextOf(w, "TxtYearBalanceNote").startsWith(QStringLiteral("应补税")));
    }

    // Amounts as a spreadsheet writes them, a block of months pasted, figures following the
    // typing, the bonus in the copied summary, and Esc asking before the window closes.
    void SpreadsheetHabits() {
        RecordingDialogs dialogs;
        TFrmMain main;
        main.show();
        QWidget* w = Open(main);
        FillYear(w, 2024, 1, "¥10000", "1,000.00");
        QCOMPARE(drive::TextOf(w, "TxtFillInfo"), QString());
        auto* table = Child<QTableWidget>(w, "TblMonths");
        QCOMPARE(table->item(0, 0)->text(), QStringLiteral("10000.00"));
        TypeCell(table, 1, 0, "15,000.00");
        QCOMPARE(table->item(1, 4)->text(), QStringLiteral("25000.00"));

        table->setFocus();
        table->setCurrentCell(2, 0);
        QApplication::clipboard()->setText(QStringLiteral("12000\t0\t800\r\n13000\t\t900\r\n"));
        QTest::keySequence(table, QKeySequence::Paste);
        QCOMPARE(table->item(2, 0)->text(), QStringLiteral("12000"));
        QCOMPARE(table->item(2, 2)->text(), QStringLiteral("800"));
        QCOMPARE(table->item(3, 0)->text(), QStringLiteral("13000"));
        QCOMPARE(table->item(3, 2)->text(), QStringLiteral("900"));
        QCOMPARE(table->item(3, 4)->text(), QStringLiteral("50000.00"));
        // Pasted into a cell being typed, the block spreads as well.
        table->setCurrentCell(4, 0);
        table->editItem(table->item(4, 0));
        QLineEdit* open = nullptr;
        for (QLineEdit* e : table->viewport()->findChildren<QLineEdit*>())
            if (e->isVisible()) open = e;
        QVERIFY(open);
        QApplication::clipboard()->setText(QStringLiteral("14000\n16000\n"));
        QTest::keySequence(open, QKeySequence::Paste);
        QCoreApplication::processEvents();
        QCOMPARE(table->item(4, 0)->text(), QStringLiteral("14000"));
        QCOMPARE(table->item(5, 0)->text(), QStringLiteral("16000"));
        QCOMPARE(table->item(5, 4)->text(), QStringLiteral("80000.00"));

        // Typed without Enter, the figures follow.
        table->setCurrentCell(6, 0);
        table->editItem(table->item(6, 0));
        QLineEdit* editor = nullptr;
        for (QLineEdit* e : table->viewport()->findChildren<QLineEdit*>())
            if (e->isVisible()) editor = e;
        QVERIFY(editor);
        editor->selectAll();
        QTest::keyClicks(editor, "20000");
        QCOMPARE(table->item(6, 4)->text(), QStringLiteral("100000.00"));
        QTest::keyClick(editor, Qt::Key_Return);

        Type(Child<QLineEdit>(w, "EditBonus"), "30000");
        QCOMPARE(drive::TextOf(w, "TxtBonusTax"), QStringLiteral("900.00"));
        Child<QPushButton>(w, "BtnCopy")->click();
        const QStringList lines = QApplication::clipboard()->text().split(QLatin1Char('\n'));
        QVERIFY(lines.contains(QStringLiteral("年终奖\t30000.00")));
        QVERIFY(lines.contains(QStringLiteral("年终奖单独计税的税额\t900.00")));

        // Esc asks while something is typed; No keeps the window.
        QTest::keyClick(w, Qt::Key_Escape);
        QCOMPARE(dialogs.questions.size(), 1);
        QVERIFY(w->isVisible());
        dialogs.questionAnswer = true;
        QTest::keyClick(w, Qt::Key_Escape);
        QVERIFY(!w->isVisible());
    }

    // 10000 a month, 2000 insurance, a 20000 bonus in 2021: alone, (120000 − 60000 − 24000) × 3%
    // = 1080 and 20000 × 3% = 600; joined, 56000 × 10% − 2520 = 3080. The settlement shown is
    // the cheaper one, whose withholding (1080 over the months, 600 on the bonus) leaves nothing.
    void BonusCheaperAloneIsSettledAlone() {
        TFrmMain main;
        main.show();
        QWidget* w = Open(main);
        FillYear(w, 2021, 1, "10000", "2000");
        Type(Child<QLineEdit>(w, "EditBonus"), "20000");
        QCOMPARE(drive::TextOf(w, "TxtBonusAlone"), QStringLiteral("1680.00"));
        QCOMPARE(drive::TextOf(w, "TxtBonusJoined"), QStringLiteral("3080.00"));
        QCOMPARE(drive::TextOf(w, "TxtBonusBest"), QStringLiteral("单独计税更省：少缴 1400.00 元"));
        QCOMPARE(drive::TextOf(w, "TxtYearTax"), QStringLiteral("1680.00"));
        QCOMPARE(drive::TextOf(w, "TxtYearWithheld"), QStringLiteral("1680.00"));
        QCOMPARE(drive::TextOf(w, "TxtYearBalance"), QStringLiteral("0.00"));
    }

    // The first-job rule runs from July 2020: offered in 2020 (5000 × 7 in a July start), not in 2019.
    void FirstJobRuleFromItsFirstYear() {
        TFrmMain main;
        main.show();
        QWidget* w = Open(main);
        auto* table = Child<QTableWidget>(w, "TblMonths");
        auto* first = Child<QCheckBox>(w, "ChkFirstJob");
        FillYear(w, 2020, 7, "10000", "1500");
        QVERIFY(first->isEnabled());
        first->setChecked(true);
        QCOMPARE(table->item(6, 5)->text(), QStringLiteral("35000.00"));
        QCOMPARE(Withheld(w, 7), QStringLiteral("0.00"));
        Child<QComboBox>(w, "CmbYear")->setCurrentText(QStringLiteral("2019"));
        QVERIFY(!first->isEnabled());
        QCOMPARE(table->item(6, 5)->text(), QStringLiteral("5000.00"));
        QCOMPARE(Withheld(w, 7), QStringLiteral("105.00")); // (10000 − 5000 − 1500) × 3%
    }

    // Each kind of receipt by its own rule, 10000 and 30000 of each: withheld on 80% (author's
    // 70% of that) at 20%, labour on its own table (24000 × 30% − 2000), counted in the year at
    // 80% (author's 56%).
    void ReceiptsTaxedByTheirKind() {
        TFrmMain main;
        main.show();
        QWidget* w = Open(main);
        FillYear(w, 2024, 1, "8000", "");
        auto* receipts = Child<QTableWidget>(w, "TblReceipts");
        const struct {
            int kind;
            const char* amount;
            const char* withheld;
            const char* year;
        } cases[] = {{0, "30000", "5200.00", "24000.00"},
                     {1, "10000", "1120.00", "5600.00"},
                     {2, "30000", "4800.00", "24000.00"}};
        for (const auto& c : cases) {
            QTest::mouseClick(Child<QPushButton>(w, "BtnAddReceipt"), Qt::LeftButton);
            const int r = receipts->rowCount() - 1;
            qobject_cast<QComboBox*>(receipts->cellWidget(r, 0))->setCurrentIndex(c.kind);
            TypeCell(receipts, r, 1, QString::fromLatin1(c.amount));
        }
        for (int r = 0; r < 3; ++r) {
            QCOMPARE(receipts->item(r, 2)->text(), QString::fromLatin1(cases[r].withheld));
            QCOMPARE(receipts->item(r, 3)->text(), QString::fromLatin1(cases[r].year));
        }
    }

    void YearDefaultsToTheLastCompleteYearOrTheLastChoice() {
        settings::Store().remove(QStringLiteral("yearly/year"));
        {
            TFrmMain main;
            QWidget* w = Open(main);
            const int last = std::clamp(QDate::currentDate().year() - 1, 2019, 2027);
            QCOMPARE(Child<QComboBox>(w, "CmbYear")->currentText(), QString::number(last));
            auto* year = Child<QComboBox>(w, "CmbYear");
            year->setCurrentText(QStringLiteral("2021"));
            emit year->activated(year->currentIndex()); // as a person's choice
        }
        TFrmMain main;
        QCOMPARE(Child<QComboBox>(Open(main), "CmbYear")->currentText(), QStringLiteral("2021"));
        settings::Store().remove(QStringLiteral("yearly/year"));
    }

private:
    static QStringList titles() {
        return {"工资薪金",     "免税收入",     "五险一金",         "其他扣除",         "累计收入",
                "累计减除费用", "累计专项扣除", "累计专项附加扣除", "累计应纳税所得额", "预扣率",
                "速算扣除数",   "累计应纳税额", "本月预扣税额",     "税后工资"};
    }
};

QTEST_MAIN(TestYearly)
#include "tst_yearly.moc"
