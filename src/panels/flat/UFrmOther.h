#pragma once

#include "panels/flat/FlatPanel.h"

// Other income determined to be taxable, at 20%.
class TFrmOther : public TFlatPanel {
    Q_OBJECT
public:
    explicit TFrmOther(QWidget* parent);
};
