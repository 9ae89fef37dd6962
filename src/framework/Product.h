#pragma once
// Facts about the product that several windows show.

#include <QString>

namespace product {

inline const QString kTitle = QStringLiteral("青蚨税算");
inline const QString kVersion = QStringLiteral(QINGFU_VERSION_TEXT);
// The customer-service contact number, shown in the status bar, About and the blind-zone notice.
inline const QString kContactQQ = QStringLiteral("85512016");
inline const QString kCaption = kTitle + QStringLiteral("  - 您身边的个人所得税专家");

} // namespace product
