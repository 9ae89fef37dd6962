#include "panels/business/UFrmInterest.h"

TFrmInterest::TFrmInterest(QWidget* parent) : TFlatPanel(parent, FlatPanelId::Interest) {}
