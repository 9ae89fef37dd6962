#include "shell/UFrmEmpty.h"

TFrmEmpty::TFrmEmpty(QWidget* parent) : TCalcPanel(parent, QStringLiteral("FrmEmpty"), QSize(320, 240)) {}
