#pragma once
// The main window: the income-type list above, the current calculator panel below.

#include <QMainWindow>
#include <QPointer>
#include <vector>

class QAction;
class QComboBox;
class QLabel;
class TCalcPanel;

class TFrmMain : public QMainWindow {
    Q_OBJECT
public:
    TFrmMain();

    TCalcPanel* currentPanel() const { return CurrentPanel; }

    void CmbTypeChange();
    void Menu_File_ExitClick();
    void Menu_Tool_TopClick();
    // Opens tool `index` of the registry (shell/Tools.h), or brings it forward when open.
    void OpenTool(size_t index);
    void Menu_ImgClick();
    void Menu_Help_HomeClick();
    void Menu_Help_AboutClick();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void FormCreate();
    void BuildMenu();
    // The window at its size, or, on a screen too short for it, shorter with its panel scrolling.
    void FitToScreen(QWidget* client);
    void ShowPanel(int row);
    // Shows a window opened from the tool menu in front, kept on top as this window is.
    void ShowTool(QWidget* tool);
    void MatchStayOnTop(QWidget* tool);

    QWidget* Panel2 = nullptr;
    QWidget* Panel1 = nullptr;
    QComboBox* CmbType = nullptr;
    QAction* Menu_Tool_Top = nullptr;
    // The one calculator panel shown in Panel1; replaced on every selection.
    TCalcPanel* CurrentPanel = nullptr;
    // Set while a key steps through the closed list, which then keeps the focus.
    bool SteppingByKey = false;
    // The tool windows by the registry's order: each made on first choice of its menu item, so
    // nothing of it is built at start, then kept and brought forward. A pointer empties itself
    // when its window goes, also while this window is being destroyed.
    std::vector<QPointer<QWidget>> Tools;
    // Whether every open tool window lets the program quit (the batch window asks about its rows).
    bool ToolsMayClose();
};
