#pragma once
// The main window: the income-type list above, the current calculator panel below.

#include <QMainWindow>
#include <QPointer>

class QAction;
class QComboBox;
class QLabel;
class TCalcPanel;
class TFrmPlan;
class TFrmYearly;
class TFrmBatch;
class TFrmCompare;

class TFrmMain : public QMainWindow {
    Q_OBJECT
public:
    TFrmMain();

    TCalcPanel* currentPanel() const { return CurrentPanel; }

    void CmbTypeChange();
    void Menu_File_ExitClick();
    void Menu_Tool_TopClick();
    void Menu_Tool_PlanClick();
    void Menu_Tool_YearlyClick();
    void Menu_Tool_BatchClick();
    void Menu_Tool_CompareClick();
    void Menu_ImgClick();
    void Menu_Help_HomeClick();
    void Menu_Help_AboutClick();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void FormCreate();
    void BuildMenu();
    void ShowPanel(int row);
    // Shows a window opened from the tool menu in front, kept on top as this window is.
    void ShowTool(QWidget* tool);
    void MatchStayOnTop(QWidget* tool);

    QWidget* Panel2 = nullptr;
    QWidget* Panel1 = nullptr;
    QComboBox* CmbType = nullptr;
    QAction* Menu_Tool_Top = nullptr;
    // Made on first choice of its menu item, then kept and brought forward.
    TFrmPlan* FrmPlan = nullptr;
    TFrmYearly* FrmYearly = nullptr;
    TFrmCompare* FrmCompare = nullptr;
    // The one calculator panel shown in Panel1; replaced on every selection.
    TCalcPanel* CurrentPanel = nullptr;
    // Set while a key steps through the closed list, which then keeps the focus.
    bool SteppingByKey = false;
    QAction* Menu_Tool_Batch = nullptr;
    // Made on first choice of the menu item, so nothing of it is built at start.
    // Empties itself when the window goes, also while this window is being destroyed.
    QPointer<TFrmBatch> Batch;
};
