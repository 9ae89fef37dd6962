#pragma once
// Undo and redo over the batch table: every edit (typing, pasting, adding, removing, clearing,
// importing) is one step, kept as the rows it changed that are not in the table at the moment,
// and replayed through the model's own row replacement.

#include <QStyledItemDelegate>
#include <QUndoStack>
#include <functional>

class BatchModel;

class BatchUndo : public QUndoStack {
public:
    BatchUndo(BatchModel* model, QObject* parent);

    // Runs `edit` on the model and records what it changed as one step called `what` (nothing
    // when it changed nothing). An edit known to change only the rows [first, first + count),
    // inserting or removing rows only there, says so, and only those rows are copied and
    // compared; count −1: the whole table. An edit that changes the table's law or columns (a
    // paste adding columns, a change of law) must be of the whole table: the step then holds it.
    void Record(const QString& what, const std::function<void()>& edit, int first = 0, int count = -1);

private:
    BatchModel* model_;
};

// Commits a typed cell as an undo step of its own.
class BatchEditDelegate : public QStyledItemDelegate {
public:
    BatchEditDelegate(BatchUndo* undo, QObject* parent) : QStyledItemDelegate(parent), undo_(undo) {}
    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override;

private:
    BatchUndo* undo_;
};
