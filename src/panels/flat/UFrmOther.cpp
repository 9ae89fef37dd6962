#include "panels/flat/UFrmOther.h"

TFrmOther::TFrmOther(QWidget* parent) : TFlatPanel(parent, FlatPanelId::Other) {}
