#pragma once
// What every calculator panel shares: a cream area of fixed design size at the host's
// top-left corner, and the first-layout step that runs on every resize.

#include <QWidget>

class QComboBox;
class QGroupBox;
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

class TCalcPanel : public TCreamArea {
    Q_OBJECT
public:
    // First layout: focus into the first amount field and empty the info labels. Runs when
    // the panel is first laid out and on every resize; the main window also runs it after
    // the stay-on-top switch, which in Qt brings no resize of its own.
    virtual void FrameResize() {}

protected:
    TCalcPanel(QWidget* parent, const QString& objectName, QSize designSize);
    void resizeEvent(QResizeEvent* event) override;
};

// Builders that place a control of the common kinds at its designed position.
namespace build {

QLabel* Caption(QWidget* parent, const QString& name, const QString& text, int x, int y, bool bold = true);
QLineEdit* AmountField(QWidget* parent, const QString& name, int x, int y);
QPushButton* Button(QWidget* parent, const QString& name, const QString& text, int x, int y);
// A result label: "0.00" until a calculation writes it; sizes itself to its text.
QLabel* Result(QWidget* parent, const QString& name, int x, int y, bool bold = false);
// A red info label; its design text (its own name) is emptied at first layout.
QLabel* Info(QWidget* parent, const QString& name, int x, int y);
// The "计算结果" heading with the dotted rule under it.
void Heading(QWidget* parent, int x, int y, const QString& headingName = QStringLiteral("StaticText6"),
             const QString& ruleName = QStringLiteral("StaticText5"));
// A pick-only list in the field font.
QComboBox* PickList(QWidget* parent, const QString& name, const QStringList& items, int x, int y,
                    int width = 121);
// The blue bold "查看详细计算过程" link.
TLinkLabel* DetailLink(QWidget* parent, int x, int y);
QGroupBox* Group(QWidget* parent, const QString& name, const QString& title, int x, int y, int w, int h);

} // namespace build
