#include "framework/Fields.h"

#include "tax/Amount.h"
#include "tax/WageTax.h"

#include <QComboBox>

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QStyle>

namespace fields {

namespace {

class EnterFilter : public QObject {
public:
    EnterFilter(QObject* parent, std::function<void()> handler)
        : QObject(parent), handler_(std::move(handler)) {}

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key == Qt::Key_Return || key == Qt::Key_Enter) handler_();
        }
        return false;
    }

private:
    std::function<void()> handler_;
};

} // namespace

void Write(QLineEdit* field, const QString& text) {
    if (field->text() != text) {
        field->setText(text);
        // setText leaves the cursor at the end, which scrolls a long figure to its last digits.
        field->setCursorPosition(0);
    }
    // The text area: the frame and the line edit's own two-pixel margin on each side.
    const QMargins margins = field->textMargins();
    const int frame = field->hasFrame() ? field->style()->pixelMetric(QStyle::PM_DefaultFrameWidth) : 0;
    const int room = field->contentsRect().width() - margins.left() - margins.right() - 2 * frame - 4;
    field->setToolTip(field->fontMetrics().horizontalAdvance(text) > room ? text : QString());
}

void Write(QLabel* label, const QString& text) {
    label->setText(text);
    label->adjustSize();
    // A label that runs past its parent's right edge is cut there.
    const QWidget* parent = label->parentWidget();
    const bool cut = parent && label->geometry().right() >= parent->width();
    label->setToolTip(cut ? text : QString());
}

void FocusAll(QLineEdit* field) {
    field->setFocus();
    // A backward selection: everything selected, the cursor (and so the view) at the start.
    field->setSelection(int(field->text().size()), -int(field->text().size()));
}

QString Money(tax::Decimal amount) {
    return QString::fromStdString(tax::FormatAmount(amount));
}
QString General(tax::Decimal amount) {
    return QString::fromStdString(tax::FormatGeneral(amount));
}
QString Rate(tax::Decimal rate) {
    return QString::fromStdString(tax::FormatRate(rate));
}

QStringList AllowanceItems() {
    QStringList items;
    for (tax::Decimal allowance : tax::kAllowances)
        items << General(allowance);
    return items;
}

tax::Decimal Allowance(const QComboBox* list) {
    const int row = list->currentIndex();
    return tax::kAllowances[row > 0 && row < static_cast<int>(tax::kAllowances.size()) ? row : 0];
}

void OnEnter(QLineEdit* field, std::function<void()> handler) {
    field->installEventFilter(new EnterFilter(field, std::move(handler)));
}

} // namespace fields
