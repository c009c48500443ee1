#include "users/LoginPage.h"

#include <QAction>
#include <QPixmap>

#include "accounts/FormChose.h"
#include "app/Forms.h"
#include "app/MainContext.h"
#include "data/Clock.h"
#include "data/Failure.h"
#include "data/JetSql.h"
#include "data/ProgramPaths.h"
#include "data/Query.h"
#include "data/Settings.h"
#include "data/ShareDataModule.h"
#include "lists/SettingsPage.h"
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

constexpr int PageCount = 7;
const RoleView AdministratorView{{0, 5, 6}, 5, false};
const RoleView CashierView{{0, 1, 2, 3, 4}, 1, true};

void applyRole(MainContext &main, const RoleView &view)
{
    for (int page = 0; page < PageCount; ++page)
        main.setPageVisible(page, view.pages.contains(page));
    main.setActivePage(view.activePage);
    main.setLeftPanelEnabled(view.leftPanel);
}

// True when `password` is exactly the stored password of `role`; otherwise the user was told why.
bool passwordMatches(const QString &role, const QString &password)
{
    Query &query = ShareDataModule::instance().ADOQueryTemp();
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
void tellIfBooksReadOnly()
{
    EngineError why;
    if (!ShareDataModule::instance().acceptsChanges(&why))
        ReportFailure(QStringLiteral("帐簿只能查看，不能记帐"), why);
}

// A pass over the whole journal at the first login of each day, so month totals changed by hand are
// found before the day's balances, while later logins do not wait for it as the books grow. (A table
// or trigger removed is found, and put back, whenever the books are opened.)
void checkMonthTotalsOnceADay()
{
    const QString section = QStringLiteral("KalvoraSetting");
    const QString key = QStringLiteral("MonthCheckDay");
    const QString today = JetSql::dateText(Clock::today());
    if (ReadSetting(section, key, QString(), ProgramPaths::settingsPath()) == today)
        return;
    EngineError why;
    if (!ShareDataModule::instance().checkMonthTotals(&why)) {
        ReportFailure(QStringLiteral("帐户余额的月度合计核对失败，余额可能不准"), why);
        return;
    }
    WriteSetting(section, key, today, ProgramPaths::settingsPath());
}
} // namespace

LoginPage::LoginPage(QWidget *parent)
    : QWidget(parent)
    , ui(std::make_unique<Ui::LoginPage>())
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

void LoginPage::ActionLogin(MainContext &main, SettingsPage &settings)
{
    const QString role = ui->ComboBox2->currentText();
    if (!passwordMatches(role, ui->Edit3->text()))
        return;
    tellIfBooksReadOnly();
    checkMonthTotalsOnceADay();
    WriteSetting(QStringLiteral("Kalvora2"), QStringLiteral("UserPower"), role, ProgramPaths::settingsPath());
    main.setCurrentUser(role);
    if (role == Passwords::Administrator) {
        applyRole(main, AdministratorView);
    } else {
        applyRole(main, CashierView);
        forms().chose->chooseBook();
        main.refreshAll();
    }
    settings.LoadKindList();
    settings.LoadCategoryList();
    settings.LoadVoucherList();
    settings.passwords()->LoadPasswords();
    ui->Edit3->clear();
}
