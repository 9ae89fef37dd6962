#pragma once

#include "panels/flat/FlatPanel.h"

// Interest, dividends and bonuses at 20%.
class TFrmInterest : public TFlatPanel {
    Q_OBJECT
public:
    explicit TFrmInterest(QWidget* parent);
};
