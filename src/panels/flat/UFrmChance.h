#pragma once

#include "panels/flat/FlatPanel.h"

// Incidental income such as prizes and lottery wins at 20%.
class TFrmChance : public TFlatPanel {
    Q_OBJECT
public:
    explicit TFrmChance(QWidget* parent);
};
