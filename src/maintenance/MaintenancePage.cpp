#include "maintenance/MaintenancePage.h"

#include "ui_MaintenancePage.h"

MaintenancePage::MaintenancePage(QWidget *parent)
    : QWidget(parent)
    , ui(std::make_unique<Ui::MaintenancePage>())
{
    ui->setupUi(this);
}

MaintenancePage::~MaintenancePage() = default;
