#pragma once
// The About window: version, contact number and the product's web site.

#include <QDialog>

class QPushButton;
class TLinkLabel;

class TFrmAbout : public QDialog {
    Q_OBJECT
public:
    explicit TFrmAbout(QWidget* owner);

    void BtnOkClick();
    void TxtHomePageClick();

private:
    TLinkLabel* TxtHomePage = nullptr;
    QPushButton* BtnOk = nullptr;
};
