#include "users/LoginPage.h"

#include "ui_LoginPage.h"

LoginPage::LoginPage(QWidget *parent)
    : QWidget(parent)
    , ui(std::make_unique<Ui::LoginPage>())
{
    ui->setupUi(this);
}

LoginPage::~LoginPage() = default;

QComboBox *LoginPage::ComboBox2() const
{
    return ui->ComboBox2;
}

QLineEdit *LoginPage::Edit3() const
{
    return ui->Edit3;
}
