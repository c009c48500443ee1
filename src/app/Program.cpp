#include "app/Program.h"

#include "accounts/AccountChanges.h"
#include "accounts/FormAccount.h"
#include "accounts/FormAccount2.h"
#include "accounts/FormChose.h"
#include "app/FormMain.h"
#include "changes/ChangeDetails.h"
#include "changes/ChangeLogWindow.h"
#include "data/ShareDataModule.h"
#include "journal/FormDraw.h"
#include "journal/FormGetPay.h"
#include "receivables/FormGetPay2.h"
#include "reports/FormMakeReport.h"
#include "service/FormOnlineChat.h"
#include "ui/FormProgress.h"
#include "users/FormAsk.h"
#include "users/ModificationPassword.h"

namespace {
// Books of an earlier version are brought to this one as they open, behind the progress window.
void showUpgradeProgress(ShareDataModule &data, FormProgress &progress)
{
    auto shown = std::make_shared<std::unique_ptr<ProgressShown>>();
    data.setUpgradeProgress([&progress, shown](int percent) {
        if (!*shown)
            *shown = std::make_unique<ProgressShown>(progress, percent);
        (*shown)->moveTo(percent);
        if (percent >= 100)
            shown->reset();
    });
}
} // namespace

Program::Program(const QString &programDir)
{
    m_main = std::make_unique<FormMain>(programDir);
    m_data = std::make_unique<ShareDataModule>();
    FormMain &main = *m_main;
    ShareDataModule &data = *m_data;
    // The dialogs are children of the main window: they centre on it and end with it.
    Windows &w = m_windows;
    w.main = &main;
    w.data = &data;
    w.account = new FormAccount(data, &main);
    m_accountChanges = std::make_unique<AccountChanges>(data, *w.account, main);
    w.chose = new FormChose(&main);
    w.getPay = new FormGetPay(data, main, &main);
    w.ask = new FormAsk(&main);
    m_modification = std::make_unique<ModificationPasswordCheck>(*w.ask, data);
    w.modification = m_modification.get();
    w.makeReport = new FormMakeReport(data, &main);
    w.draw = new FormDraw(data, main, &main);
    w.account2 = new FormAccount2(data, *w.modification, *m_accountChanges, *w.getPay, *w.draw, &main);
    w.progress = new FormProgress(&main);
    w.onlineChat = new FormOnlineChat(&main);
    w.getPay2 = new FormGetPay2(data, main, *w.getPay, &main);
    w.changeDetails = new ChangeDetails(data, &main);
    w.changeLog = new ChangeLogWindow(data, *w.changeDetails, *w.progress, &main);
    showUpgradeProgress(data, *w.progress);
    main.assemble(w, *m_accountChanges);
}

Program::~Program()
{
    m_main.reset();
    m_accountChanges.reset();
    m_modification.reset();
    m_data.reset();
}
