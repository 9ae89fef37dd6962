#pragma once
// What every calculator panel shares: a cream area of fixed design size at the host's top-left
// corner, its controls made from a layout table, and the handlers that do not depend on the kind
// of income: the first layout, clearing the messages and results, reading a field, reset.

#include "framework/AmountReader.h"

#include <QStringList>
#include <QWidget>

#include <optional>
#include <span>
#include <vector>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class TLinkLabel;

// An area in the program's cream. It paints the colour itself instead of carrying a palette:
// a palette set here would be copied into every widget made on it, each copy with a new cache
// key, so every panel made anew would add fresh entries to the style's pixmap cache for its
// buttons and lists, and switching panels would grow memory without end.
class TCreamArea : public QWidget {
    Q_OBJECT
public:
    explicit TCreamArea(QWidget* parent);

protected:
    void paintEvent(QPaintEvent* event) override;
};

// One control of a panel's design. A table of them is made in its order, which is the tab order
// and the stacking order too. Written with the makers in namespace `layout` below.
struct Control {
    enum Kind {
        Caption, // static text
        Field,   // an amount the user types; emptied by reset
        Output,  // an amount field a calculation writes; emptied with the results
        Info,    // red message label, empty from the first layout on
        Result,  // "0.00" until a calculation writes it; sizes itself to its text
        Button,
        Heading, // "计算结果" with the dotted rule under it
        Link,    // the blue "查看详细计算过程"
        List,    // pick-only list in the field font
        Group,
    };
    enum class Tint { Plain, Red, Blue, Grey };

    Kind kind;
    const char* name;
    const char* text = nullptr; // caption, button or group title; an info label's design text
    int x = 0, y = 0;
    int width = 0, height = 0;  // a group's size; a list's width
    const char* parent = nullptr; // the group it stands in; null: the panel
    bool bold = false;
    Tint tint = Tint::Plain;
    bool hidden = false;
    // A field's message label (null: it reports by focus and selection alone) and reading rule.
    const char* info = nullptr;
    const AmountRule* rule = nullptr;
    QStringList (*items)() = nullptr; // a list's rows

    constexpr Control Bold(bool on = true) const { return With(&Control::bold, on); }
    constexpr Control Tinted(Tint t) const { return With(&Control::tint, t); }
    constexpr Control Hidden() const { return With(&Control::hidden, true); }
    constexpr Control In(const char* group) const { return With(&Control::parent, group); }
    constexpr Control Reports(const char* label, const AmountRule& how) const {
        Control c = *this;
        c.info = label;
        c.rule = &how;
        return c;
    }

private:
    template <class T, class V> constexpr Control With(T Control::*member, V value) const {
        Control c = *this;
        c.*member = value;
        return c;
    }
};

namespace layout {

// Captions are bold unless made Bold(false); results are plain unless made Bold().
constexpr Control Caption(const char* name, const char* text, int x, int y) {
    return {Control::Caption, name, text, x, y, 0, 0, nullptr, true};
}
constexpr Control Field(const char* name, int x, int y) {
    return {Control::Field, name, nullptr, x, y};
}
constexpr Control Output(const char* name, int x, int y) {
    return {Control::Output, name, nullptr, x, y};
}
// Its design text is its own name unless another is given; the first layout empties it.
constexpr Control Info(const char* name, int x, int y, const char* text = nullptr) {
    return Control{Control::Info, name, text, x, y}.Tinted(Control::Tint::Red);
}
constexpr Control Result(const char* name, int x, int y) {
    return {Control::Result, name, "0.00", x, y};
}
constexpr Control Button(const char* name, const char* text, int x, int y) {
    return {Control::Button, name, text, x, y};
}
constexpr Control Heading(int x, int y) {
    return {Control::Heading, "StaticText6", "计算结果", x, y};
}
constexpr Control DetailLink(int x, int y) {
    return {Control::Link, "TxtDetail", "查看详细计算过程", x, y};
}
constexpr Control List(const char* name, int x, int y, QStringList (*items)() = nullptr, int width = 121) {
    Control c{Control::List, name, nullptr, x, y, width};
    c.items = items;
    return c;
}
constexpr Control Group(const char* name, const char* title, int x, int y, int width, int height) {
    return {Control::Group, name, title, x, y, width, height};
}

} // namespace layout

// Single controls of the common kinds, for windows that a Qt layout places (x, y may be 0).
namespace build {

QLabel* Caption(QWidget* parent, const QString& name, const QString& text, int x, int y, bool bold = true);
QLineEdit* AmountField(QWidget* parent, const QString& name, int x, int y);
QPushButton* Button(QWidget* parent, const QString& name, const QString& text, int x, int y);
// A result label: "0.00" until a calculation writes it; sizes itself to its text.
QLabel* Result(QWidget* parent, const QString& name, int x, int y, bool bold = false);
// A red info label; its design text (its own name) is emptied at first layout.
QLabel* Info(QWidget* parent, const QString& name, int x, int y);
// A pick-only list in the field font.
QComboBox* PickList(QWidget* parent, const QString& name, const QStringList& items, int x, int y,
                    int width = 121);

} // namespace build

class TCalcPanel : public TCreamArea {
    Q_OBJECT
public:
    // First layout: focus into the first amount field and empty the info labels. Runs when
    // the panel is first laid out and on every resize; the main window also runs it after
    // the stay-on-top switch, which in Qt brings no resize of its own.
    virtual void FrameResize();
    virtual void BtnCalcClick() {}
    // Results and messages cleared, every field emptied, every list on its first row, the
    // focus in the first field.
    virtual void BtnResetClick();

protected:
    TCalcPanel(QWidget* parent, const QString& objectName, QSize designSize,
               std::span<const Control> controls = {});
    void resizeEvent(QResizeEvent* event) override;

    // Empties the info labels.
    void ClearInfo();
    // The info labels emptied, the results at "0.00", the output fields empty.
    void ClearResults();
    // A field by its table row's rule, its messages going to that row's label.
    std::optional<tax::Decimal> Read(QLineEdit* field);
    // A reverse calculation's answer if the reader could take it back; otherwise the field it
    // came from is refused as holding no amount, by that field's table row.
    std::optional<tax::Decimal> Readable(tax::Decimal answer, QLineEdit* typed);

    // A control the table made, by name. A name the table does not hold is a fault of the
    // program: it stops with a message naming it, in every build, before anything uses it.
    template <class W> W* Find(const char* name) const {
        W* w = findChild<W*>(QLatin1String(name));
        if (!w) MissingName(name);
        return w;
    }

private:
    struct Reader {
        QLineEdit* field;
        QLabel* info;
        const AmountRule* rule;
    };
    std::vector<QLineEdit*> Fields;  // in tab order; reset empties them
    std::vector<QLineEdit*> Outputs; // emptied with the results
    std::vector<QLabel*> Infos;
    std::vector<QLabel*> Results;
    std::vector<QComboBox*> Lists;
    std::vector<Reader> Readers;
    // Only fields with a rule in their table row are read.
    const Reader& ReaderOf(QLineEdit* field) const;
    [[noreturn]] void MissingName(const char* name) const;
};
