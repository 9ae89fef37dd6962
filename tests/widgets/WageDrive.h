#pragma once
// Driving the wage and bonus panels through the main window, as a person does.

#include "TestSupport.h"

#include "framework/CalcPanel.h"
#include "framework/Links.h"
#include "shell/UMainForm.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QPushButton>
#include <QUrl>

// The main window on screen with one panel chosen from the list; every box is recorded.
class PanelOnScreen {
public:
    explicit PanelOnScreen(int row) {
        main.show();
        main.activateWindow();
        if (!QTest::qWaitForWindowActive(&main)) qWarning("main window not active");
        // The start-up panel is already there; choosing its row again would only move the focus.
        if (Child<QComboBox>(&main, "CmbType")->currentIndex() != row) drive::ChooseRow(main, row);
    }

    TCalcPanel* panel() const { return main.currentPanel(); }
    QLineEdit* field(const char* name) const { return Child<QLineEdit>(panel(), name); }
    QString text(const char* name) const { return drive::TextOf(panel(), name); }

    void type(const char* name, const QString& text) { drive::Retype(field(name), text); }
    void click(const char* name) { QTest::mouseClick(Child<QPushButton>(panel(), name), Qt::LeftButton); }
    // Picks an allowance row on the closed list with the arrow keys.
    void chooseAllowance(int row) {
        auto* list = Child<QComboBox>(panel(), "CmbPoint");
        list->setFocus();
        while (list->currentIndex() < row)
            QTest::keyClick(list, Qt::Key_Down);
        while (list->currentIndex() > row)
            QTest::keyClick(list, Qt::Key_Up);
    }
    QString allowance() const { return Child<QComboBox>(panel(), "CmbPoint")->currentText(); }
    void toggleStayOnTop() { Child<QAction>(&main, "Menu_Tool_Top")->trigger(); }

    // The field that holds the focus of the window, whether or not the window is active.
    QWidget* focused() const { return main.focusWidget(); }
    // Focus in the field with its whole text selected, ready to be typed over.
    bool readyToRetype(const char* name) const {
        QLineEdit* f = field(name);
        return focused() == f && f->selectedText() == f->text();
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

// Keys that run a calculation from a field: Enter with any modifier, and the keypad's Enter.
enum class Press { Enter, ShiftEnter, CtrlEnter, AltEnter, KeypadEnter };

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
    case Press::KeypadEnter:
        QTest::keyClick(field, Qt::Key_Enter, Qt::KeypadModifier);
        break;
    }
}
Q_DECLARE_METATYPE(Press)
