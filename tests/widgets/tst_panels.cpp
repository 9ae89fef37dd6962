// What the panels do alike, one row per panel: a panel chosen again from the list starts fresh,
// reset brings back the picture the panel was chosen with, the stay-on-top switch lays it out
// anew, Enter with any modifier calculates, and the detail link opens the panel's help page.
#include "PanelDrive.h"

namespace {
// Every named field, label and list of the panel as "Name=text"; a list shows its entries and
// the chosen one, so a list left short or on another entry shows too.
QStringList Picture(const QWidget* panel) {
    QStringList shown;
    for (QWidget* w : panel->findChildren<QWidget*>()) {
        const QString name = w->objectName();
        if (name.isEmpty() || name.startsWith(QLatin1String("qt_"))) continue;
        if (auto* label = qobject_cast<QLabel*>(w)) {
            shown << name + QLatin1Char('=') + label->text();
        } else if (auto* edit = qobject_cast<QLineEdit*>(w)) {
            shown << name + QLatin1Char('=') + edit->text();
        } else if (auto* list = qobject_cast<QComboBox*>(w)) {
            QStringList items;
            for (int i = 0; i < list->count(); ++i)
                items << list->itemText(i);
            shown << name + QLatin1Char('=') + items.join(QLatin1Char('|')) + QLatin1Char('@') +
                         list->currentText();
        }
    }
    return shown;
}

// Plays steps on the panel: "Name=text" types into a field or picks that entry of a list,
// "Name!" starts the calculation from a field with `how`, or clicks a button.
void Play(PanelOnScreen& s, const QStringList& steps, Press how = Press::Enter) {
    for (const QString& step : steps) {
        if (step.endsWith(QLatin1Char('!'))) {
            const QByteArray name = step.chopped(1).toLatin1();
            if (s.panel()->findChild<QPushButton*>(QString::fromLatin1(name))) {
                s.click(name.constData());
            } else {
                s.field(name.constData())->setFocus();
                PressIn(s.field(name.constData()), how);
            }
            continue;
        }
        const QByteArray name = step.section(QLatin1Char('='), 0, 0).toLatin1();
        const QString text = step.section(QLatin1Char('='), 1);
        if (auto* list = s.panel()->findChild<QComboBox*>(QString::fromLatin1(name))) {
            QVERIFY2(list->findText(text) >= 0, qPrintable(step));
            s.select(name.constData(), list->findText(text));
        } else {
            s.type(name.constData(), text);
        }
    }
}
} // namespace

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

    void resetBringsBackTheFreshPicture_data() {
        QTest::addColumn<int>("row");
        QTest::addColumn<QStringList>("steps"); // leave figures, a message or another list entry
        QTest::addColumn<QStringList>("own");   // what this panel's reset must show besides
        QTest::addColumn<QString>("first");     // the field that takes the focus
        QTest::newRow("wage") << 0 << QStringList{"CmbPoint=4800", "EditSafe=100", "EditIncome=10000",
                                                  "EditIncome!",   "EditTax=x",    "EditTax!"}
                              << QStringList{"CmbPoint=3500", "EditSafe="} << "EditIncome";
        QTest::newRow("annual salary")
            << 1 << QStringList{"CmbPoint=4800",  "EditYear=150000", "EditSalary=10000", "EditSafe=1000",
                                "EditOther=6000", "BtnCalc!",        "EditYear=x",       "BtnCalc!"}
            << QStringList{"CmbPoint=3500", "EditOther="} << "EditYear";
        QTest::newRow("year-end bonus") << 2 << QStringList{"EditIncome=19000", "EditIncome!"}
                                        << QStringList{"TxtInfo_1=", "EditRealIncome="} << "EditIncome";
        QTest::newRow("wage and bonus")
            << 3
            << QStringList{"CmbPoint=4800", "EditYear=19000", "EditSalary=5000", "EditSafe=100", "BtnCalc!"}
            << QStringList{"CmbPoint=3500", "TxtInfo_1="} << "EditYear";
        QTest::newRow("labour") << 5
                                << QStringList{"EditIncome=100000", "EditIncome!", "EditRealIncome=x",
                                               "EditRealIncome!"}
                                << QStringList{"TxtInfo_2=", "TxtDeduct=0.00"} << "EditIncome";
        // Its quick deduction reads "0" after a calculation; the reset writes "0.00" again.
        QTest::newRow("business") << 11 << QStringList{"EditIncome=1000", "EditIncome!"}
                                  << QStringList{"TxtDeduct=0.00"} << "EditIncome";
        QTest::newRow("contract") << 12 << QStringList{"CmbMonth=3", "EditIncome=80000", "EditIncome!"}
                                  << QStringList{"CmbMonth=12"} << "EditIncome";
        // The panels with one amount and nothing of their own to reset.
        for (int row : {6, 7, 8, 10, 14, 15, 16})
            QTest::addRow("row %d", row)
                << row << QStringList{"EditIncome=5000", "EditIncome!"} << QStringList{} << "EditIncome";
    }
    void resetBringsBackTheFreshPicture() {
        QFETCH(int, row);
        QFETCH(QStringList, steps);
        QFETCH(QStringList, own);
        QFETCH(QString, first);
        PanelOnScreen s(row);
        const QStringList fresh = Picture(s.panel());
        Play(s, steps);
        QVERIFY(Picture(s.panel()) != fresh);
        if (!own.isEmpty()) QVERIFY(s.shown(own) != own);
        s.click("BtnReset");
        QCOMPARE(Picture(s.panel()), fresh);
        QCOMPARE(s.shown(own), own);
        QCOMPARE(PanelOnScreen::focusName(), first);
    }

    void stayOnTopSwitchRunsTheFirstLayout_data() {
        QTest::addColumn<int>("row");
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QStringList>("emptied"); // everything else stays as it was
        QTest::addColumn<QString>("first");
        QTest::newRow("wage") << 0
                              << QStringList{"EditIncome=10000", "EditIncome!", "EditRealIncome=x",
                                             "EditRealIncome!"}
                              << QStringList{"TxtInfo_4="} << "EditIncome";
        QTest::newRow("annual salary") << 1 << QStringList{"EditYear=120000", "EditSalary=-1", "BtnCalc!"}
                                       << QStringList{"TxtInfo_2="} << "EditYear";
        QTest::newRow("year-end bonus") << 2 << QStringList{"EditIncome=60000", "EditIncome!"}
                                        << QStringList{"TxtInfo_1="} << "EditIncome";
        QTest::newRow("wage and bonus")
            << 3 << QStringList{"EditYear=19000", "EditSalary=5000", "EditSalary!"}
            << QStringList{"TxtInfo_1="} << "EditYear";
        QTest::newRow("labour") << 5 << QStringList{"EditIncome=abc", "EditIncome!"}
                                << QStringList{"TxtInfo="} << "EditIncome";
    }
    void stayOnTopSwitchRunsTheFirstLayout() {
        QFETCH(int, row);
        QFETCH(QStringList, steps);
        QFETCH(QStringList, emptied);
        QFETCH(QString, first);
        PanelOnScreen s(row);
        TCalcPanel* panel = s.panel();
        Play(s, steps);
        QVERIFY(s.shown(emptied) != emptied);
        QStringList want = Picture(panel);
        for (QString& shown : want)
            if (emptied.contains(shown.section(QLatin1Char('='), 0, 0) + QLatin1Char('=')))
                shown = shown.section(QLatin1Char('='), 0, 0) + QLatin1Char('=');
        Child<QPushButton>(panel, "BtnReset")->setFocus();
        s.toggleStayOnTop();
        QCOMPARE(s.panel(), panel);
        QCOMPARE(Picture(panel), want);
        // The window is shown anew by the switch; the focus waits in it for the activation.
        QCOMPARE(s.focused(), s.field(first.toLatin1().constData()));
        s.toggleStayOnTop();
        QCOMPARE(s.panel(), panel);
    }

    void enterWithAnyModifierCalculates_data() {
        QTest::addColumn<int>("row");
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<Press>("press");
        QTest::addColumn<QStringList>("want");
        QTest::addColumn<QString>("focus"); // where the focus stays; empty: not this check
        const QStringList annual{"EditYear=120000", "EditSalary=10000"};
        const QStringList annualWant{"TxtAllTax=8940.00"};
        QTest::newRow("annual salary, salary")
            << 1 << annual + QStringList{"EditYear!"} << Press::Enter << annualWant << "EditYear";
        QTest::newRow("annual salary, monthly, Shift")
            << 1 << annual + QStringList{"EditSalary!"} << Press::ShiftEnter << annualWant << "EditSalary";
        QTest::newRow("annual salary, insurance, Ctrl")
            << 1 << annual + QStringList{"EditSafe!"} << Press::CtrlEnter << annualWant << "EditSafe";
        QTest::newRow("annual salary, other, keypad")
            << 1 << annual + QStringList{"EditOther!"} << Press::KeypadEnter << annualWant << "EditOther";
        // The empty insurance is filled in with the calculation.
        const QStringList award{"EditYear=24000", "EditSalary=5000"};
        const QStringList awardWant{"EditSafe=0.00", "TxtTaxTotal=2340.00"};
        QTest::newRow("wage and bonus, bonus")
            << 3 << award + QStringList{"EditYear!"} << Press::Enter << awardWant << "EditYear";
        QTest::newRow("wage and bonus, wage, Shift")
            << 3 << award + QStringList{"EditSalary!"} << Press::ShiftEnter << awardWant << "EditSalary";
        QTest::newRow("wage and bonus, insurance, Alt")
            << 3 << award + QStringList{"EditSafe!"} << Press::AltEnter << awardWant << "EditSafe";
        QTest::newRow("wage and bonus, bonus, keypad")
            << 3 << award + QStringList{"EditYear!"} << Press::KeypadEnter << awardWant << "EditYear";
        const struct {
            const char* name;
            Press press;
        } modifiers[] = {{"Shift", Press::ShiftEnter},
                         {"Ctrl", Press::CtrlEnter},
                         {"Alt", Press::AltEnter},
                         {"keypad", Press::KeypadEnter}};
        for (const auto& m : modifiers) {
            QTest::addRow("labour, income, %s", m.name) << 5 << QStringList{"EditIncome=1000", "EditIncome!"}
                                                        << m.press << QStringList{"EditTax=40.00"} << "";
            QTest::addRow("labour, after tax, %s", m.name)
                << 5 << QStringList{"EditRealIncome=21000", "EditRealIncome!"} << m.press
                << QStringList{"EditIncome=25000"} << "";
        }
        QTest::newRow("writing, Shift+Ctrl") << 6 << QStringList{"EditIncome=1000", "EditIncome!"}
                                             << Press::ShiftCtrlEnter << QStringList{"EditTax=28.00"} << "";
        QTest::newRow("contract, Alt") << 12 << QStringList{"EditIncome=43000", "EditIncome!"}
                                       << Press::AltEnter << QStringList{"EditTax=50.00"} << "";
    }
    void enterWithAnyModifierCalculates() {
        QFETCH(int, row);
        QFETCH(QStringList, steps);
        QFETCH(Press, press);
        QFETCH(QStringList, want);
        QFETCH(QString, focus);
        PanelOnScreen s(row);
        Play(s, steps, press);
        QCOMPARE(s.shown(want), want);
        if (!focus.isEmpty()) QCOMPARE(s.focused(), s.field(focus.toLatin1().constData()));
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
