#pragma once
// Driving a calculation panel through the main window, as a person does: choose its row, type,
// start the calculation with a key or a button, and read back what the panel shows.

#include "TestSupport.h"

#include "framework/CalcPanel.h"
#include "framework/Links.h"
#include "shell/UMainForm.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QPushButton>
#include <QUrl>

// Ways to start a calculation from a field: Enter with any modifier, the keypad's Enter, or a
// click on the button that belongs to the field.
enum class Press { Enter, ShiftEnter, CtrlEnter, AltEnter, ShiftCtrlEnter, KeypadEnter, Click };
Q_DECLARE_METATYPE(Press)

inline void PressIn(QWidget* field, Press how) {
    switch (how) {
    case Press::Enter:
        drive::Enter(field);
        break;
    case Press::ShiftEnter:
        drive::Enter(field, Qt::ShiftModifier);
        break;
    case Press::CtrlEnter:
        drive::Enter(field, Qt::ControlModifier);
        break;
    case Press::AltEnter:
        drive::Enter(field, Qt::AltModifier);
        break;
    case Press::ShiftCtrlEnter:
        drive::Enter(field, Qt::ShiftModifier | Qt::ControlModifier);
        break;
    case Press::KeypadEnter:
        QTest::keyClick(field, Qt::Key_Enter, Qt::KeypadModifier);
        break;
    case Press::Click:
        qWarning("a click needs the button's name");
        break;
    }
}

// The main window shown and active with one panel chosen from the list, so that clicks and keys
// move the focus as on a desktop; every box is recorded instead of shown.
class PanelOnScreen {
public:
    explicit PanelOnScreen(int row) {
        main.show();
        main.activateWindow();
        if (!QTest::qWaitForWindowActive(&main)) qWarning("main window not active");
        // The start-up panel is already there; choosing its row again would only move the focus.
        if (Child<QComboBox>(&main, "CmbType")->currentIndex() != row) choose(row);
    }

    // Another row of the income-type list; the panel shown is a new one.
    void choose(int row) { drive::ChooseRow(main, row); }

    TCalcPanel* panel() const { return main.currentPanel(); }
    QLineEdit* field(const char* name) const { return Child<QLineEdit>(panel(), name); }
    // A label's or field's text, or the entry chosen on a list.
    QString text(const char* name) const {
        if (auto* list = panel()->findChild<QComboBox*>(QString::fromLatin1(name)))
            return list->currentText();
        return drive::TextOf(panel(), name);
    }
    // "Name=text" for each "Name=…" of `expected`, so a mismatch prints the whole picture.
    QStringList shown(const QStringList& expected) const {
        QStringList got;
        for (const QString& entry : expected) {
            const QString name = entry.section(QLatin1Char('='), 0, 0);
            auto* button = panel()->findChild<QAbstractButton*>(name);
            got << name + QLatin1Char('=') + (button ? button->text() : text(name.toLatin1().constData()));
        }
        return got;
    }

    void type(const char* name, const QString& text) { drive::Retype(field(name), text); }
    void click(const char* name) { QTest::mouseClick(Child<QPushButton>(panel(), name), Qt::LeftButton); }
    // Starts a calculation from the field `name`: a key pressed in it, or a click on `button`.
    void press(const char* name, Press how, const char* button = "BtnCalc") {
        if (how == Press::Click)
            click(button);
        else
            PressIn(field(name), how);
    }
    // Types an income and starts its calculation.
    void run(const QString& typed, Press how = Press::Enter) {
        type("EditIncome", typed);
        press("EditIncome", how);
    }
    // Picks an entry on a closed list with the arrow keys.
    void select(const char* list, int index) {
        auto* box = Child<QComboBox>(panel(), list);
        box->setFocus();
        while (box->currentIndex() < index)
            QTest::keyClick(box, Qt::Key_Down);
        while (box->currentIndex() > index)
            QTest::keyClick(box, Qt::Key_Up);
    }
    void chooseAllowance(int row) { select("CmbPoint", row); }
    void toggleStayOnTop() { Child<QAction>(&main, "Menu_Tool_Top")->trigger(); }

    // The field that holds the focus of the window, whether or not the window is active.
    QWidget* focused() const { return main.focusWidget(); }
    // The name of what has the keyboard focus of the application.
    static QString focusName() {
        QWidget* w = QApplication::focusWidget();
        return w ? w->objectName() : QStringLiteral("<none>");
    }
    // Keyboard focus in the field with its whole text selected, ready to be typed over.
    bool readyToRetype(const char* name) const {
        QLineEdit* f = field(name);
        return QApplication::focusWidget() == f && f->selectedText() == f->text();
    }

    RecordingDialogs dialogs;
    TFrmMain main;
};

// The address a click on the detail link asks the desktop to open.
inline QUrl OpenedByDetailLink(TCalcPanel* panel) {
    QUrl opened;
    links::SetOpener([&opened](const QUrl& url) {
        opened = url;
        return true;
    });
    QTest::mouseClick(Child<QLabel>(panel, "TxtDetail"), Qt::LeftButton);
    links::SetOpener({});
    return opened;
}
