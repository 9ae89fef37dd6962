#include "framework/Fields.h"

#include "tax/Amount.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>

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
    if (field->text() != text) field->setText(text);
}

void Write(QLabel* label, const QString& text) {
    label->setText(text);
    label->adjustSize();
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

void OnEnter(QLineEdit* field, std::function<void()> handler) {
    field->installEventFilter(new EnterFilter(field, std::move(handler)));
}

} // namespace fields
