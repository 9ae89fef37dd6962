#pragma once
// The yardstick for start-up: a plain Qt Widgets main window with as many widgets of each kind
// as the program's own window, made the simplest way Qt offers (default font, style and
// palette, no translations, no icon, no font mapping).

#include <QMainWindow>

struct WidgetCensus {
    int menus = 0;   // menus in the menu bar
    int actions = 0; // menu items
    int panels = 0;  // plain container widgets
    int labels = 0;
    int edits = 0;
    int buttons = 0;
    int lists = 0;
    int groups = 0;
    int rows = 0;  // rows of all drop-down lists together
    int chars = 0; // characters of all label texts together
};

// Counts the designed widgets of a window (those with an objectName of their own), by kind.
WidgetCensus TakeCensus(QMainWindow& window);

// Command-line form of a census ("--labels 12 --edits 4 ..."), and back.
QStringList CensusArguments(const WidgetCensus& census);
WidgetCensus ParseCensus(const QStringList& arguments);

// A main window holding the census's widgets; its labels carry as many characters as the
// program's, in Chinese, so the same fonts load and as many glyphs are drawn.
class TMinimalWindow : public QMainWindow {
public:
    explicit TMinimalWindow(const WidgetCensus& census);
};
