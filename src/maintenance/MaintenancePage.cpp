#include "maintenance/MaintenancePage.h"

#include "ui_MaintenancePage.h"

MaintenancePage::MaintenancePage(QWidget *parent)
    : QWidget(parent)
    , ui(std::make_unique<Ui::MaintenancePage>())
{
    ui->setupUi(this);
}

MaintenancePage::~MaintenancePage() = default;

void MaintenancePage::bindActions(QAction *save, QAction *load)
{
    ui->SpeedButton2->setDefaultAction(save);
    ui->SpeedButton3->setDefaultAction(load);
}

void MaintenancePage::bindChangeActions(QAction *changeLog, QAction *check)
{
    ui->SpeedButton4->setDefaultAction(changeLog);
    ui->SpeedButton5->setDefaultAction(check);
}
