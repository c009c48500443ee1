#include "app/Forms.h"

#include "accounts/FormAccount.h"
#include "accounts/FormAccount2.h"
#include "accounts/FormChose.h"
#include "app/FormMain.h"
#include "ui/FormProgress.h"
#include "data/ShareDataModule.h"
#include "journal/FormDraw.h"
#include "journal/FormGetPay.h"
#include "journal/JournalPage.h"
#include "receivables/FormGetPay2.h"
#include "reports/FormMakeReport.h"
#include "reports/ReportsPage.h"
#include "service/FormOnlineChat.h"
#include "users/FormAsk.h"

namespace {
Forms theForms;
}

Forms &forms()
{
    return theForms;
}

FormsOwner::FormsOwner(const QString &programDir)
{
    // The dialogs are children of the main window: they centre on it and end with it.
    m_main = std::make_unique<FormMain>(programDir);
    theForms.main = m_main.get();
    theForms.context = m_main.get();
    m_data = std::make_unique<ShareDataModule>();
    theForms.data = m_data.get();
    QWidget *owner = m_main.get();
    theForms.account = new FormAccount(owner);
    theForms.chose = new FormChose(owner);
    theForms.getPay = new FormGetPay(owner);
    m_main->journalPage()->setEntryDialog(*theForms.getPay);
    theForms.ask = new FormAsk(owner);
    theForms.makeReport = new FormMakeReport(owner);
    theForms.draw = new FormDraw(*m_main, owner);
    theForms.account2 = new FormAccount2(owner);
    theForms.progress = new FormProgress(owner);
    m_main->attachProgress(*theForms.progress);
    theForms.onlineChat = new FormOnlineChat(owner);
    theForms.getPay2 = new FormGetPay2(*m_main, *theForms.getPay, owner);
    m_main->attachDialogs(*theForms.draw, *theForms.getPay2);
    m_main->attachReportDialogs(*theForms.makeReport, *theForms.getPay);
    theForms.account2->attach(*theForms.getPay, *theForms.draw, *m_main->reportsPage());
}

FormsOwner::~FormsOwner()
{
    m_main.reset();
    m_data.reset();
    theForms = Forms();
}
