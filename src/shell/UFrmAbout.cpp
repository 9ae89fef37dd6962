#include "shell/UFrmAbout.h"

#include "framework/Fonts.h"
#include "framework/Links.h"
#include "framework/Look.h"
#include "framework/Product.h"
#include "framework/Windows.h"

#include <QLabel>
#include <QPushButton>

namespace {

constexpr int kClientWidth = 339;
constexpr int kClientHeight = 190;
constexpr int kRightMargin = 16;
const QString kLocalSiteName = QStringLiteral("青蚨税算网站（随程序安装）");

QLabel* Caption(QWidget* parent, const QString& name, const QString& text, int x, int y) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->move(x, y);
    label->adjustSize();
    return label;
}

} // namespace

TFrmAbout::TFrmAbout(QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                         Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint) {
    setObjectName(QStringLiteral("FrmAbout"));
    setWindowTitle(QStringLiteral("关于 ") + product::kTitle);
    setFixedSize(kClientWidth, kClientHeight);
    setFont(fonts::Ui());
    look::Cream(this);

    Caption(this, QStringLiteral("StaticText1"),
            QStringLiteral("版本：") + product::kTitle + 'v' + product::kVersion, 40, 32);
    Caption(this, QStringLiteral("StaticText2"), QStringLiteral("QQ：") + product::kContactQQ, 40, 64);
    Caption(this, QStringLiteral("StaticText3"), QStringLiteral("官网："), 40, 96);

    // The copy that ships with the program lives in a folder no one needs to read: it is named
    // for what it is, its address in the tooltip. A hosted site shows its address, which fits
    // or is shortened in the middle.
    const QUrl site = links::SiteAddress();
    const QString address = site.toString(QUrl::PrettyDecoded);
    TxtHomePage = new TLinkLabel(QString(), this);
    TxtHomePage->setObjectName(QStringLiteral("TxtHomePage"));
    TxtHomePage->setToolTip(address);
    TxtHomePage->setText(site.isLocalFile() ? kLocalSiteName
                                            : TxtHomePage->fontMetrics().elidedText(
                                                  address, Qt::ElideMiddle, kClientWidth - kRightMargin - 80));
    TxtHomePage->move(80, 96);
    TxtHomePage->adjustSize();
    connect(TxtHomePage, &TLinkLabel::clicked, this, &TFrmAbout::TxtHomePageClick);

    BtnOk = new QPushButton(QStringLiteral("确定"), this);
    BtnOk->setObjectName(QStringLiteral("BtnOk"));
    BtnOk->setGeometry(224, 144, 75, 25);
    // Enter presses it; Esc and the close button reject the dialog, which closes it the same way.
    BtnOk->setDefault(true);
    BtnOk->setFocus();
    connect(BtnOk, &QPushButton::clicked, this, &TFrmAbout::BtnOkClick);
    windows::PlaceOnScreen(this);
}

void TFrmAbout::BtnOkClick() {
    accept();
}

void TFrmAbout::TxtHomePageClick() {
    links::Open(links::SiteAddress());
}
