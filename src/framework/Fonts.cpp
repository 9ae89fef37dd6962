#include "framework/Fonts.h"

#include <QFontDatabase>
#include <QStringList>

namespace fonts {

namespace {
const QString kDesignFamily = QStringLiteral("MS Sans Serif");
// At the designed 11 pixels Chinese glyphs smear; 12 stays legible and fits the given widths.
constexpr int kUiPixels = 12;
constexpr int kFieldPixels = 15;

// The platform's fonts for the design family, best first.
const QStringList& Candidates() {
    static const QStringList candidates{QStringLiteral("Microsoft YaHei"), QStringLiteral("PingFang SC"),
                                        QStringLiteral("WenQuanYi Micro Hei"),
                                        QStringLiteral("Noto Sans CJK SC"), QStringLiteral("Sans Serif")};
    return candidates;
}

// The first candidate that is installed, found once. Asking for it by name spares every font
// of the windows a failed look-up of the design family and its fallback search, which took
// longer than the rest of the font set-up at start.
QString gFamily;
} // namespace

void InstallMapping() {
    QFont::insertSubstitutions(kDesignFamily, Candidates());
    const QStringList installed = QFontDatabase::families();
    for (const QString& family : Candidates()) {
        if (installed.contains(family, Qt::CaseInsensitive)) {
            gFamily = family;
            break;
        }
    }
}

QFont Ui(bool bold) {
    QFont font(gFamily.isEmpty() ? kDesignFamily : gFamily);
    font.setPixelSize(kUiPixels);
    font.setBold(bold);
    return font;
}

QFont Field() {
    QFont font(gFamily.isEmpty() ? kDesignFamily : gFamily);
    font.setPixelSize(kFieldPixels);
    return font;
}

} // namespace fonts
