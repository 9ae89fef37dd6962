#pragma once
// The batch window: a whole payroll in a table, typed, pasted or imported, computed as the
// wage and the wage + bonus calculators compute one person, and exported.

#ifndef Q_MOC_RUN
#include "tools/batch/BatchModel.h"
#endif

#include <QWidget>
#include <functional>
#include <memory>

class BatchUndo;
class TBatchPrint;
class QComboBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QTableView;
class QVBoxLayout;
class QThread;
class QTimer;

class TFrmBatch : public QWidget {
    Q_OBJECT
public:
    explicit TFrmBatch(QWidget* owner);
    ~TFrmBatch() override;

    BatchModel* model() const { return Model; }
    bool IsDirty() const { return Dirty; }
    bool IsBusy() const { return Worker != nullptr; }
    // Asks before unsaved edits are dropped; true when the window may close.
    bool ConfirmClose();

    void CmbPointChange();
    void CmbLawChange();
    void CmbYearChange();
    void BtnAddClick();
    void BtnRemoveClick();
    void BtnPasteClick();
    void BtnImportClick();
    void BtnExportClick();
    void BtnCancelClick();
    // The selected cells as tab-separated text on the clipboard; Delete empties the typed ones.
    void CopyCells();
    void ClearCells();
    // Ctrl+D: the first selected row's typed cells copied down the selection (one row selected:
    // the row above copied into it), as spreadsheets fill down.
    void FillDown();
    BatchUndo* undoStack() const { return Undo; }

    // Both run the file work on a worker thread; the window stays usable and the result is
    // taken when the worker ends. Public so tests can give a path without a dialog.
    // `sheet`: a workbook's sheet by name; empty asks when the book has several.
    void ImportFrom(const QString& path, const QString& sheet = QString());
    // Several files, or a workbook of month sheets, as a clerk keeps a year: the month each is
    // for chooses the law (asking first when 税法 says another), and under the 2019 law every
    // month sheet is read as one year. One file of one sheet goes on as ImportFrom.
    void ImportFiles(const QStringList& paths);
    // Under the 2019 law, one month shown (0: the whole year): its rows, its 合计, its print.
    void CmbMonthChange();
    void ExportTo(const QString& path);

signals:
    void WorkFinished();

protected:
    void closeEvent(QCloseEvent* event) override;
    // A payroll file dropped on the window is imported as 导入… would.
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // The window's parts, built once by the constructor.
    void BuildLawRow(QVBoxLayout* column);
    void BuildButtons(QVBoxLayout* column);
    void BuildTable(QVBoxLayout* column);
    void BuildFoot(QVBoxLayout* column);
    void ConnectControls();
    void BuildMenu(QVBoxLayout* column);
    void UpdateStatus();
    // The rows of other months hidden while one month is shown.
    void ShowMonthRows();
    // 税法 (and 年度) set to the law in force in a month, without the question CmbLawChange asks.
    void UseLawOf(int year, int month);
    // 税法 set to `law` without a question: the table starts empty under it, undo forgotten.
    void UseLaw(batch::Law law);
    // A block smaller than the selection repeated over it (one value fills every selected cell);
    // false when the block is to be laid from the cursor instead.
    bool FillSelection(const QString& text);
    // The month the rows are of, when the sheet's title or its file's name says it; 0 if not.
    int PeriodMonth() const;
    // The law's list showing the model's law (after an undo of a change of law).
    void ShowLaw();
    // The allowance under the 2011 law, the year under the 2019 law.
    void ShowLawChoices();
    void SetColumnWidths();
    // Whether the rows may be replaced by an import: asks first when they hold unsaved edits.
    bool MayReplace();
    // The status line names the exported file, with a link to its folder.
    void ShowExported(const QString& path);
    void StartWork(QThread* worker, const QString& what);
    // `work` on a worker thread with the progress bar and 取消, the table locked until it ends;
    // then `done` here. False, nothing run, while other work runs.
    bool RunLocked(const QString& what, std::function<void(batch::Progress&)> work, std::function<void()> done);
    void Exported(const QString& path, const tax::Result<bool>& written, bool cancelled);
    void EndWork();
    // The one place where a failed save's reason becomes the text the user reads.
    QString SaveFailureText(const QString& path, const QString& reason) const;

    QComboBox* CmbPoint = nullptr;
    QComboBox* CmbLaw = nullptr;
    QComboBox* CmbYear = nullptr;
    QComboBox* CmbMonth = nullptr;
    QLabel* StaticMonth = nullptr;
    QLabel* StaticYear = nullptr;
    QLabel* StaticPoint = nullptr;
    QPushButton* BtnAdd = nullptr;
    QPushButton* BtnRemove = nullptr;
    QPushButton* BtnPaste = nullptr;
    QPushButton* BtnImport = nullptr;
    QPushButton* BtnExport = nullptr;
    QTableView* TableRows = nullptr;
    QLabel* TxtStatus = nullptr;
    QProgressBar* ProgressWork = nullptr;
    QPushButton* BtnCancel = nullptr;
    BatchModel* Model = nullptr;
    BatchUndo* Undo = nullptr;
    TBatchPrint* Paper = nullptr;
    QString ImportedPath; // the last file imported, whose name an export suggests
    std::vector<batch::monthly::MonthSheet> YearSheets; // the month sheets the next import reads as one year

    bool Dirty = false;
    QThread* Worker = nullptr;
    QTimer* ProgressTimer = nullptr;
    std::unique_ptr<batch::Progress> WorkProgress;
    QString Described; // the encoding or the sheet of the file imported
};
