#include "journal/JournalPage.h"

#include "ui_JournalPage.h"

JournalPage::JournalPage(QWidget *parent)
    : QWidget(parent)
    , ui(std::make_unique<Ui::JournalPage>())
{
    ui->setupUi(this);
}

JournalPage::~JournalPage() = default;

bool JournalPage::LoadDailyGrid()
{
    return true;
}
