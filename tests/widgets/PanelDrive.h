#pragma once
// Helpers for the single-receipt, business and flat-rate panel tests: open a row of the main
// window, type and calculate as a person does, and read back what the panel shows.

#include "TestSupport.h"

#include "framework/CalcPanel.h"
#include "shell/UMainForm.h"

#include <QApplication>
#include <QPushButton>
#include <memory>

namespace panel {

// How a calculation is started.
enum class Start { Enter, Click };

// A main window shown and active, so that clicks and keys move the focus as on a desktop.
inline std::unique_ptr<TFrmMain> ShowMain() {
    auto main = std::make_unique<TFrmMain>();
    main->show();
    QApplication::setActiveWindow(main.get());
    if (!QTest::qWaitForWindowActive(main.get())) qWarning("main window not active");
    return main;
}

inline TCalcPanel* Open(TFrmMain& main, int row) {
    drive::ChooseRow(main, row);
    return main.currentPanel();
}

inline void Run(TCalcPanel* panel, const QString& typed, Start how = Start::Enter) {
    drive::Retype(Child<QLineEdit>(panel, "EditIncome"), typed);
    if (how == Start::Enter)
        drive::Enter(Child<QLineEdit>(panel, "EditIncome"));
    else
        QTest::mouseClick(Child<QPushButton>(panel, "BtnCalc"), Qt::LeftButton);
}

// "Name=text" for each "Name=…" of `expected`, so a mismatch prints the whole picture.
inline QStringList Shown(QWidget* panel, const QStringList& expected) {
    QStringList got;
    for (const QString& entry : expected) {
        const QString name = entry.section(QLatin1Char('='), 0, 0);
        auto* button = panel->findChild<QAbstractButton*>(name);
        got << name + QLatin1Char('=') +
                   (button ? button->text() : drive::TextOf(panel, name.toLatin1().constData()));
    }
    return got;
}

inline QString FocusName() {
    return QApplication::focusWidget() ? QApplication::focusWidget()->objectName() : QStringLiteral("<none>");
}

// The field that has the focus with its whole text selected.
inline bool FocusedAndSelected(QLineEdit* field) {
    return QApplication::focusWidget() == field && field->selectedText() == field->text();
}

} // namespace panel
