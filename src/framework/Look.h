#pragma once
// The look every window of the program shares.

#include <QColor>
#include <QPalette>
#include <QWidget>

namespace look {

inline const QColor kCream(255, 251, 240);

// The widget fills its background with the cream colour through its palette: for a window made
// now and then (About); the panels, made anew on every switch, paint it (TCreamArea).
inline void Cream(QWidget* widget) {
    widget->setAutoFillBackground(true);
    QPalette pal = widget->palette();
    pal.setColor(QPalette::Window, kCream);
    widget->setPalette(pal);
}

} // namespace look
