#include "panels/flat/UFrmInterest.h"

TFrmInterest::TFrmInterest(QWidget* parent) : TFlatPanel(parent, FlatPanelId::Interest) {}
