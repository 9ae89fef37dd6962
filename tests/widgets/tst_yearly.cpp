// The comprehensive-income window (from 2019), opened from the tool menu and driven by typing:
// filling the months, a bonus that costs less joined, a mid-year joiner's refund, bad entries.
#include "TestSupport.h"

#include "shell/UMainForm.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
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
        QCOMPARE(drive::TextOf(w, "TxtBonusInfo"), QStringLiteral("无效的金额，请重新输入"));
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

private:
    static QStringList titles() {
        return {"工资薪金",     "免税收入",     "五险一金",         "其他扣除",         "累计收入",
                "累计减除费用", "累计专项扣除", "累计专项附加扣除", "累计应纳税所得额", "预扣率",
                "速算扣除数",   "累计应纳税额", "本月预扣税额",     "税后工资"};
    }
};

QTEST_MAIN(TestYearly)
#include "tst_yearly.moc"
