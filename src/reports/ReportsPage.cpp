#include "reports/ReportsPage.h"

#include "ui_ReportsPage.h"

ReportsPage::ReportsPage(QWidget *parent)
    : QWidget(parent)
    , ui(std::make_unique<Ui::ReportsPage>())
{
    ui->setupUi(this);
}

ReportsPage::~ReportsPage() = default;

void ReportsPage::bindActions(QAction *toExcel, QAction *researchReport, QAction *makeReport, QAction *printReport)
{
    ui->ToExcel->setDefaultAction(toExcel);
    ui->ResearchReport->setDefaultAction(researchReport);
    ui->MakeReport->setDefaultAction(makeReport);
    ui->PrintReport->setDefaultAction(printReport);
}
