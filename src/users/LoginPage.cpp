#include "users/LoginPage.h"

#include <QAction>
#include <QPixmap>

#include "accounts/FormChose.h"
#include "data/Clock.h"
#include "data/Failure.h"
#include "data/JetSql.h"
#include "data/ProgramPaths.h"
#include "data/Query.h"
#include "data/Settings.h"
#include "data/ShareDataModule.h"
#include "shell/RoleShell.h"
#include "shell/ViewContext.h"
#include "ui/Screen.h"
#include "ui_LoginPage.h"
#include "users/PasswordControls.h"
#include "users/Passwords.h"

namespace {
// What a role reaches: its tabs (page numbers of the main window), the tab it lands on, and whether
// the left command panel is usable.
struct RoleView
{
    QList<int> pages;
    int activePage;
    bool leftPanel;
};

const RoleView AdministratorView{{RoleShell::LoginTab, RoleShell::SettingsTab, RoleShell::MaintenanceTab},
                                 RoleShell::SettingsTab, false};
const RoleView CashierView{{RoleShell::LoginTab, RoleShell::AccountsTab, RoleShell::JournalTab,
                            RoleShell::ReceivablesTab, RoleShell::ReportsTab},
                           RoleShell::AccountsTab, true};

void applyRole(RoleShell &shell, const RoleView &view)
{
    for (int page = 0; page < RoleShell::PageCount; ++page)
        shell.setPageVisible(page, view.pages.contains(page));
    shell.setActivePage(view.activePage);
    shell.setLeftPanelEnabled(view.leftPanel);
}

// True when `password` is exactly the stored password of `role`; otherwise the user was told why.
bool passwordMatches(ShareDataModule &data, const QString &role, const QString &password)
{
    Query &query = data.ADOQueryTemp();
    if (!Passwords::select(query, role))
        return false;
    if (query.eof()) {
        Screen::current().inform(QStringLiteral("数据库中找不到当前用户"));
        return false;
    }
    if (query.fieldText(QStringLiteral("PowerKey")) != password) {
        Screen::current().inform(Passwords::WrongPassword);
        return false;
    }
    return true;
}

// Books that cannot take changes are said at login, not at the first change that fails to store.
void tellIfBooksReadOnly(ShareDataModule &data)
{
    EngineError why;
    if (!data.acceptsChanges(&why))
        ReportFailure(QStringLiteral("帐簿只能查看，不能记帐"), why);
}

// A pass over the whole journal at the first login of each day, so month totals changed by hand are
// found before the day's balances, while later logins do not wait for it as the books grow. (A table
// or trigger removed is found, and put back, whenever the books are opened.)
void checkMonthTotalsOnceADay(ShareDataModule &data)
{
    const QString section = QStringLiteral("KalvoraSetting");
    const QString key = QStringLiteral("MonthCheckDay");
    const QString today = JetSql::dateText(Clock::today());
    if (ReadSetting(section, key, QString(), ProgramPaths::settingsPath()) == today)
        return;
    EngineError why;
    if (!data.checkMonthTotals(&why)) {
        ReportFailure(QStringLiteral("帐户余额的月度合计核对失败，余额可能不准"), why);
        return;
    }
    WriteSetting(section, key, today, ProgramPaths::settingsPath());
}
} // namespace

LoginPage::LoginPage(ShareDataModule &data, RoleShell &shell, ViewContext &views, FormChose &chooser,
                     QWidget *parent)
    : QWidget(parent)
    , ui(std::make_unique<Ui::LoginPage>())
    , m_data(data)
    , m_shell(shell)
    , m_views(views)
    , m_chooser(chooser)
{
    ui->setupUi(this);
    ui->TitleBanner->setPixmap(QPixmap(QStringLiteral(":/embedded/LoginBanner.png")));
    ui->Decoration1->setPixmap(QPixmap(QStringLiteral(":/embedded/LoginLedger.png")));
    ui->Decoration2->setPixmap(QPixmap(QStringLiteral(":/embedded/LoginCalculator.png")));
}

LoginPage::~LoginPage() = default;

QComboBox *LoginPage::ComboBox2() const
{
    return ui->ComboBox2;
}

QLineEdit *LoginPage::Edit3() const
{
    return ui->Edit3;
}

void LoginPage::bindActions(QAction *login, QAction *instruction)
{
    ui->Login->setDefaultAction(login);
    ui->SpeedButtonInstruction->setDefaultAction(instruction);
    connect(ui->Edit3, &QLineEdit::returnPressed, login, &QAction::trigger);
}

void LoginPage::ActionLogin()
{
    const QString role = ui->ComboBox2->currentText();
    if (!passwordMatches(m_data, role, ui->Edit3->text()))
        return;
    tellIfBooksReadOnly(m_data);
    checkMonthTotalsOnceADay(m_data);
    WriteSetting(QStringLiteral("Kalvora2"), QStringLiteral("UserPower"), role, ProgramPaths::settingsPath());
    m_shell.setCurrentUser(role);
    if (role == Passwords::Administrator) {
        applyRole(m_shell, AdministratorView);
    } else {
        applyRole(m_shell, CashierView);
        m_chooser.chooseBook();
        m_views.refreshAll();
    }
    emit loggedIn();
    ui->Edit3->clear();
}
