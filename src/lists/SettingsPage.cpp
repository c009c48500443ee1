#include "lists/SettingsPage.h"

#include "ui_SettingsPage.h"

SettingsPage::SettingsPage(QWidget *parent)
    : QWidget(parent)
    , ui(std::make_unique<Ui::SettingsPage>())
{
    ui->setupUi(this);
}

SettingsPage::~SettingsPage() = default;
