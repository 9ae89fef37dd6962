#include "tools/batch/BatchUndo.h"

#include "tools/batch/BatchModel.h"

#include <QUndoCommand>

namespace {

bool Same(const BatchRow& a, const BatchRow& b) {
    return a.line == b.line && a.kind == b.kind && a.cells == b.cells;
}

// The rows [first, first + shown) of the table and `kept`, the rows they replaced or that
// replaced them: undo and redo swap the two, so a step holds only what is not on screen.
class RowsStep : public QUndoCommand {
public:
    RowsStep(BatchModel* model, const QString& what, int first, BatchRows before, int shown)
        : QUndoCommand(what), model_(model), first_(first), shown_(shown), kept_(std::move(before)) {}

    void undo() override { Swap(); }
    void redo() override {
        // The edit itself has already been made when the step is pushed.
        if (!std::exchange(done_, false)) Swap();
    }

private:
    void Swap() {
        BatchRows out = model_->Rows().Slice(static_cast<size_t>(first_), static_cast<size_t>(shown_));
        const int coming = static_cast<int>(kept_.size());
        model_->ReplaceRows(first_, shown_, std::move(kept_));
        kept_ = std::move(out);
        shown_ = coming;
    }

    BatchModel* model_;
    int first_;
    int shown_;
    BatchRows kept_;
    bool done_ = true;
};

// A change of the table's law or columns: the whole table before it (or after, once undone).
class TableStep : public QUndoCommand {
public:
    TableStep(BatchModel* model, const QString& what, BatchModel::Table before)
        : QUndoCommand(what), model_(model), kept_(std::move(before)) {}
    void undo() override { model_->Swap(kept_); }
    void redo() override {
        if (!std::exchange(done_, false)) model_->Swap(kept_);
    }

private:
    BatchModel* model_;
    BatchModel::Table kept_;
    bool done_ = true;
};

} // namespace

BatchUndo::BatchUndo(BatchModel* model, QObject* parent) : QUndoStack(parent), model_(model) {
    // Each step holds the rows it displaced, a whole table for an import: enough to go back a
    // long way without holding every table of a day's work.
    setUndoLimit(100);
}

void BatchUndo::Record(const QString& what, const std::function<void()>& edit, int first, int count) {
    const BatchRows& rows = model_->Rows();
    const bool whole = count < 0;
    if (whole) {
        first = 0;
        count = static_cast<int>(rows.size());
    }
    const size_t size = rows.size();
    BatchModel::Table shape = model_->Shape();
    BatchRows before = rows.Slice(static_cast<size_t>(first), static_cast<size_t>(count));
    edit();
    if (!model_->SameShape(shape)) {
        // Other columns: the rows alone cannot say what the table was.
        if (!whole) {
            clear();
            return;
        }
        shape.rows = std::move(before);
        push(new TableStep(model_, what, std::move(shape)));
        return;
    }
    const BatchRows& now = model_->Rows();
    // The rows after the span are the same ones, shifted by what the edit added or removed.
    const size_t end = static_cast<size_t>(first + count) + now.size() - size;
    // Only the rows between the unchanged head and the unchanged tail are kept.
    size_t head = 0;
    while (head < before.size() && first + head < end && Same(before[head], now[first + head]))
        ++head;
    size_t tail = 0;
    while (tail < before.size() - head && first + head + tail < end &&
           Same(before[before.size() - 1 - tail], now[end - 1 - tail]))
        ++tail;
    const size_t from = static_cast<size_t>(first) + head;
    const int shown = static_cast<int>(end - tail - from);
    before = before.Slice(head, before.size() - head - tail);
    if (before.empty() && shown == 0) return;
    push(new RowsStep(model_, what, static_cast<int>(from), std::move(before), shown));
}

void BatchEditDelegate::setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const {
    undo_->Record(QStringLiteral("输入"), [&] { QStyledItemDelegate::setModelData(editor, model, index); },
                  index.row(), 1);
}
