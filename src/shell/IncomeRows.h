#pragma once
// The seventeen rows of the income-type list and the panel each one creates.

#include <QString>
#include <span>

class QWidget;
class TCalcPanel;

using PanelFactory = TCalcPanel* (*)(QWidget* parent);

struct IncomeRow {
    const char* text;
    PanelFactory make; // null: the row shows the empty panel
};

std::span<const IncomeRow> IncomeRows();

// A fresh panel for a row; separators and any index outside the list give the empty panel.
TCalcPanel* CreatePanel(int row, QWidget* parent);
