#pragma once

class QApplication;

// Start-up of the application object: title, Chinese for Qt's own dialogs, fonts, icon.
// The program and the widget tests both run it, so they see the same program.
void SetupApplication(QApplication& app);
