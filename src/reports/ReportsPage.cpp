#include "reports/ReportsPage.h"

#include "ui_ReportsPage.h"

ReportsPage::ReportsPage(QWidget *parent)
    : QWidget(parent)
    , ui(std::make_unique<Ui::ReportsPage>())
{
    ui->setupUi(this);
}

ReportsPage::~ReportsPage() = default;
