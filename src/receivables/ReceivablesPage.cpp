#include "receivables/ReceivablesPage.h"

#include "ui_ReceivablesPage.h"

ReceivablesPage::ReceivablesPage(QWidget *parent)
    : QWidget(parent)
    , ui(std::make_unique<Ui::ReceivablesPage>())
{
    ui->setupUi(this);
}

ReceivablesPage::~ReceivablesPage() = default;

bool ReceivablesPage::LoadGetPayLists()
{
    return true;
}
