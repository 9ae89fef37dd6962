// What the panels do alike, one row per panel: a panel chosen again from the list starts fresh,
// and the detail link opens the panel's own help page.
#include "PanelDrive.h"

class TestPanels : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { drive::SetupApp(); }

    void freshAfterSwitchingAwayAndBack_data() {
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("away");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QStringList>("typed"); // "Field=text", then the calculation runs
        QTest::addColumn<QStringList>("fresh");
        QTest::addColumn<QString>("first"); // the field that takes the focus
        QTest::newRow("wage") << 0 << 2 << "FrmSalary" << QStringList{"EditIncome=10000"}
                              << QStringList{"EditIncome=",     "CmbPoint=3500", "TxtTaxIncome=0.00",
                                             "TxtRate=0.00",    "TxtQuick=0.00", "EditTax=",
                                             "EditRealIncome=", "TxtInfo_1=",    "TxtInfo_2=",
                                             "TxtInfo_3=",      "TxtInfo_4="}
                              << "EditIncome";
        QTest::newRow("annual salary")
            << 1 << 3 << "FrmAnnual" << QStringList{"EditYear=120000", "EditSalary=10000"}
            << QStringList{"EditYear=",      "EditSalary=",       "EditSafe=",         "EditOther=",
                           "CmbPoint=3500",  "TxtTax=0.00",       "TxtYearAward=0.00", "TxtYearTax=0.00",
                           "TxtAllTax=0.00", "TxtRealIncome=0.00"}
            << "EditYear";
        QTest::newRow("year-end bonus")
            << 2 << 0 << "FrmYear" << QStringList{"EditIncome=60000"}
            << QStringList{"EditIncome=",   "TxtInfo_1=", "TxtAverage=0.00", "TxtRate=0.00",
                           "TxtQuick=0.00", "EditTax=",   "EditRealIncome="}
            << "EditIncome";
        QTest::newRow("wage and bonus")
            << 3 << 1 << "FrmAward" << QStringList{"EditYear=24000"}
            << QStringList{"EditYear=",    "CmbPoint=3500",       "TxtTax1=0.00",     "TxtRealIncome1=0.00",
                           "TxtTax2=0.00", "TxtRealIncome2=0.00", "TxtTaxTotal=0.00", "TxtRealIncomeAll=0.00"}
            << "EditYear";
    }
    void freshAfterSwitchingAwayAndBack() {
        QFETCH(int, row);
        QFETCH(int, away);
        QFETCH(QString, name);
        QFETCH(QStringList, typed);
        QFETCH(QStringList, fresh);
        QFETCH(QString, first);
        PanelOnScreen s(row);
        const bool allowance = fresh.contains(QStringLiteral("CmbPoint=3500"));
        if (allowance) s.chooseAllowance(1);
        for (const QString& entry : typed)
            s.type(entry.section('=', 0, 0).toLatin1().constData(), entry.section('=', 1));
        s.click("BtnCalc");
        QVERIFY(s.shown(fresh) != fresh);
        s.choose(away);
        s.choose(row);
        QCOMPARE(s.panel()->objectName(), name);
        QCOMPARE(s.shown(fresh), fresh);
        QCOMPARE(s.focused(), s.field(first.toLatin1().constData()));
    }

    void detailLinkOpensTheHelpPage_data() {
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("page");
        QTest::newRow("wage") << 0 << "online/index.html";
        QTest::newRow("year-end bonus") << 2 << "online/001.html";
        QTest::newRow("wage and bonus") << 3 << "online/001.html";
    }
    void detailLinkOpensTheHelpPage() {
        QFETCH(int, row);
        QFETCH(QString, page);
        PanelOnScreen s(row);
        QCOMPARE(OpenedByDetailLink(s.panel()), links::SiteAddress(page));
    }
};

QTEST_MAIN(TestPanels)
#include "tst_panels.moc"
