#pragma once
// What every tool window of the program shares: it opens on the screen at any size or scale,
// comes back where the person left it in the last run, closes with Esc or Ctrl+W (through its
// own close event, so a window that asks before closing still asks), and opens its help page
// with F1.

#include <QRect>
#include <QSize>
#include <QString>

class QWidget;

namespace toolwindow {

// Call once, from the window's constructor, after its layout is built. `key` names the window
// in the remembered settings; `preferred` is its size when nothing is remembered; `helpPage` is
// a page of the product's site (empty: the home page).
void Setup(QWidget* window, const QString& key, const QSize& preferred, const QString& helpPage);

// The window's properties that hold `key` and `preferred`, for whoever checks tool windows.
inline constexpr char kKey[] = "toolWindowKey";
inline constexpr char kPreferredSize[] = "toolWindowPreferredSize";

// A window of client size `wanted` fitted to an area: no larger than the area less the frame
// `margins` (left+right, top+bottom), no smaller than `minimum`.
QSize Fitted(const QSize& wanted, const QSize& minimum, const QSize& margins, const QRect& area);

// Whether a frame at `frame` lies wholly on the available area of one of the screens.
bool OnSomeScreen(const QRect& frame);

} // namespace toolwindow
