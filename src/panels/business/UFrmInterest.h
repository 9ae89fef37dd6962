#pragma once

#include "panels/business/FlatPanel.h"

// Interest, dividends and bonuses at 20%.
class TFrmInterest : public TFlatPanel {
    Q_OBJECT
public:
    explicit TFrmInterest(QWidget* parent);
};
