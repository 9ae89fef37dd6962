#include "panels/wage/WageCommon.h"

#include "framework/Dialogs.h"
#include "framework/Fields.h"
#include "framework/Product.h"
#include "tax/BonusTax.h"
#include "tax/WageTax.h"

#include <QComboBox>
#include <QLabel>

namespace wage {

void CheckBlindZone(QWidget* panel, QLabel* info, tax::Decimal bonus) {
    const tax::BlindZone* zone = tax::FindBlindZone(bonus);
    if (!zone) return;
    fields::Write(info, QString::fromUtf8(zone->text));
    // Qt breaks a plain-text line on "\n"; a "\r" would only show as a stray glyph.
    const QString text = QStringLiteral("年终奖发放不合理，个税盲区致年终奖严重缩水。\n联系客服 QQ：") +
                         product::kContactQQ + QStringLiteral("，帮你筹划，为您节税。");
    dialogs::Current().Message(panel->window(), QStringLiteral("注意"), text, QMessageBox::Warning);
}

} // namespace wage
