#include "panels/business/UFrmOther.h"

TFrmOther::TFrmOther(QWidget* parent) : TFlatPanel(parent, FlatPanelId::Other) {}
