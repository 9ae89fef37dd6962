#include "framework/Fonts.h"

#include <QStringList>

namespace fonts {

namespace {
const QString kDesignFamily = QStringLiteral("MS Sans Serif");
// At the designed 11 pixels Chinese glyphs smear; 12 stays legible and fits the given widths.
constexpr int kUiPixels = 12;
constexpr int kFieldPixels = 15;
} // namespace

void InstallMapping() {
    QFont::insertSubstitutions(kDesignFamily,
                               {QStringLiteral("Microsoft YaHei"), QStringLiteral("PingFang SC"),
                                QStringLiteral("WenQuanYi Micro Hei"), QStringLiteral("Noto Sans CJK SC"),
                                QStringLiteral("Sans Serif")});
}

QFont Ui(bool bold) {
    QFont font(kDesignFamily);
    font.setPixelSize(kUiPixels);
    font.setBold(bold);
    return font;
}

QFont Field() {
    QFont font(kDesignFamily);
    font.setPixelSize(kFieldPixels);
    return font;
}

} // namespace fonts
