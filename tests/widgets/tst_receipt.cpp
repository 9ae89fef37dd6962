// Author's remuneration, royalties and property lease: one layout and calculation, three rates,
// and the royalty panel's notice when no tax is due.
#include "PanelDrive.h"

namespace {
constexpr int kWriting = 6, kRent = 7, kLicence = 10;
const QString kNoTax = QStringLiteral("收入金额小于800元，无需纳税。");
} // namespace

class TestReceipt : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { drive::SetupApp(); }

    void calculation_data() {
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QStringList>("shown");
        const QStringList none{"TxtInfo=", "TxtDeduct=0.00", "TxtTaxIncome=0.00", "TxtRate=0.00",
                               "EditTax=0.00"};
        QTest::newRow("writing 800: no tax, no notice")
            << kWriting << "800" << none + QStringList{"EditRealIncome=800.00"};
        QTest::newRow("lease 800: no tax, no notice")
            << kRent << "800" << none + QStringList{"EditRealIncome=800.00"};
        QTest::newRow("royalty 800: the notice")
            << kLicence << "800"
            << QStringList{"TxtInfo=" + kNoTax, "TxtDeduct=0.00", "TxtTaxIncome=0.00",
                           "TxtRate=0.00",      "EditTax=0.00",   "EditRealIncome=800.00"};
        QTest::newRow("royalty 0.5: the notice")
            << kLicence << "0.5" << QStringList{"TxtInfo=" + kNoTax, "EditRealIncome=0.50"};
        QTest::newRow("writing a cent over 800")
            << kWriting << "800.01"
            << QStringList{"TxtDeduct=800.00", "TxtTaxIncome=0.01", "TxtRate=14%", "EditTax=0.00",
                           "EditRealIncome=800.01"};
        QTest::newRow("writing 1000 at 14%")
            << kWriting << "1000" << QStringList{"TxtDeduct=800.00", "TxtTaxIncome=200.00",   "TxtRate=14%",
                                                 "EditTax=28.00",    "EditRealIncome=972.00", "TxtInfo="};
        QTest::newRow("royalty 1000 at 20%")
            << kLicence << "1000" << QStringList{"TxtDeduct=800.00", "TxtTaxIncome=200.00",   "TxtRate=20%",
                                                 "EditTax=40.00",    "EditRealIncome=960.00", "TxtInfo="};
        QTest::newRow("lease 1000 at 20%")
            << kRent << "1000" << QStringList{"TxtRate=20%", "EditTax=40.00", "EditRealIncome=960.00"};
        QTest::newRow("writing 4000 still deducts 800")
            << kWriting << "4000"
            << QStringList{"TxtDeduct=800.00", "TxtTaxIncome=3200.00", "EditTax=448.00",
                           "EditRealIncome=3552.00"};
        QTest::newRow("lease 4000 still deducts 800")
            << kRent << "4000" << QStringList{"TxtDeduct=800.00", "EditTax=640.00", "EditRealIncome=3360.00"};
        QTest::newRow("writing a cent over 4000 deducts a fifth")
            << kWriting << "4000.01"
            << QStringList{"TxtDeduct=800.00", "TxtTaxIncome=3200.01", "EditTax=448.00",
                           "EditRealIncome=3552.01"};
        QTest::newRow("writing 10000") << kWriting << "10000"
                                       << QStringList{"TxtDeduct=2000.00", "TxtTaxIncome=8000.00",
                                                      "EditTax=1120.00", "EditRealIncome=8880.00"};
        QTest::newRow("royalty 10000") << kLicence << "10000"
                                       << QStringList{"TxtDeduct=2000.00", "TxtTaxIncome=8000.00",
                                                      "EditTax=1600.00", "EditRealIncome=8400.00"};
        QTest::newRow("lease 10000") << kRent << "10000"
                                     << QStringList{"EditTax=1600.00", "EditRealIncome=8400.00"};
        QTest::newRow("writing half-cent tax rounds up, the rest adds up")
            << kWriting << "800.25"
            << QStringList{"TxtTaxIncome=0.25", "EditTax=0.04", "EditRealIncome=800.21"};
        QTest::newRow("blanks are trimmed")
            << kRent << " \t1000  " << QStringList{"EditIncome=1000", "EditTax=40.00"};
    }
    void calculation() {
        QFETCH(int, row);
        QFETCH(QString, typed);
        QFETCH(QStringList, shown);
        PanelOnScreen s(row);
        s.run("50000"); // a no-tax result must not keep these figures
        s.run(typed);
        QCOMPARE(s.shown(shown), shown);
    }

    void focusAfterACalculation_data() {
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("focus");
        QTest::addColumn<bool>("selected");
        QTest::newRow("writing with tax: income selected") << kWriting << "1000"
                                                           << "EditIncome" << true;
        QTest::newRow("writing without tax: stays on the button") << kWriting << "800"
                                                                  << "BtnCalc" << false;
        QTest::newRow("lease without tax: stays on the button") << kRent << "700"
                                                                << "BtnCalc" << false;
        QTest::newRow("royalty without tax: income selected") << kLicence << "800"
                                                              << "EditIncome" << true;
        QTest::newRow("royalty with tax: income selected") << kLicence << "900"
                                                           << "EditIncome" << true;
        QTest::newRow("error: income selected") << kRent << "1,200"
                                                << "EditIncome" << true;
    }
    void focusAfterACalculation() {
        QFETCH(int, row);
        QFETCH(QString, typed);
        QFETCH(QString, focus);
        QFETCH(bool, selected);
        PanelOnScreen s(row);
        s.run(typed, Press::Click);
        QCOMPARE(s.focusName(), focus);
        auto* income = s.field("EditIncome");
        if (selected) QCOMPARE(income->selectedText(), income->text());
    }

    void badReceipt_data() {
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("message");
        for (int row : {kWriting, kRent, kLicence}) {
            const QByteArray r = QByteArray::number(row);
            QTest::newRow("row " + r + ": empty") << row << ""
                                                  << "无效的金额，请重新输入";
            QTest::newRow("row " + r + ": thousands separator") << row << "1,200"
                                                                << "无效的金额，请重新输入";
            QTest::newRow("row " + r + ": letters") << row << "12a"
                                                    << "无效的金额，请重新输入";
            QTest::newRow("row " + r + ": zero") << row << "0"
                                                 << "收入金额需大于零，请重新输入";
            QTest::newRow("row " + r + ": negative") << row << "-100"
                                                     << "收入金额需大于零，请重新输入";
        }
    }
    void badReceipt() {
        QFETCH(int, row);
        QFETCH(QString, typed);
        QFETCH(QString, message);
        PanelOnScreen s(row);
        s.run("10000");
        s.run(typed);
        const QStringList want{"TxtInfo=" + message, "TxtDeduct=0.00", "TxtTaxIncome=0.00",
                               "TxtRate=0.00",       "EditTax=",       "EditRealIncome="};
        QCOMPARE(s.shown(want), want);
        auto* income = s.field("EditIncome");
        QVERIFY(s.readyToRetype("EditIncome"));
        QTest::keyClick(income, Qt::Key_3);
        QCOMPARE(s.text("TxtInfo"), QString());
    }

    void typingEmptiesTheNoTaxNotice() {
        PanelOnScreen s(kLicence);
        s.run("600");
        QCOMPARE(s.text("TxtInfo"), kNoTax);
        QTest::keyClick(s.field("EditIncome"), Qt::Key_7);
        QCOMPARE(s.text("TxtInfo"), QString());
        QCOMPARE(s.text("EditRealIncome"), QStringLiteral("600.00"));
    }
};

QTEST_MAIN(TestReceipt)
#include "tst_receipt.moc"
