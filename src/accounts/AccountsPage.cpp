#include "accounts/AccountsPage.h"

#include "ui_AccountsPage.h"

AccountsPage::AccountsPage(QWidget *parent)
    : QWidget(parent)
    , ui(std::make_unique<Ui::AccountsPage>())
{
    ui->setupUi(this);
}

AccountsPage::~AccountsPage() = default;

void AccountsPage::resetPage()
{
}

void AccountsPage::hideHouses()
{
}

bool AccountsPage::RefreshAccountHouses()
{
    return true;
}

QLabel *AccountsPage::Label19() const
{
    return ui->Label19;
}
