#include "app/FormMain.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QScreen>
#include <QVBoxLayout>

#include "shell/AccountScope.h"
#include "accounts/AccountsPage.h"
#include "accounts/FormAccount2.h"
#include "accounts/FormChose.h"
#include "app/MainReports.h"
#include "app/Program.h"
#include "changes/ChangeCommands.h"
#include "changes/ChangeLogWindow.h"
#include "data/Clock.h"
#include "data/DataSource.h"
#include "data/Failure.h"
#include "data/JetSql.h"
#include "data/ProgramPaths.h"
#include "data/Settings.h"
#include "data/Query.h"
#include "data/ShareDataModule.h"
#include "data/WindowedQuery.h"
#include "journal/FormDraw.h"
#include "grid/DataGrid.h"
#include "journal/FormGetPay.h"
#include "journal/JournalPage.h"
#include "lists/SettingsPage.h"
#include "maintenance/BackupCommands.h"
#include "maintenance/MaintenancePage.h"
#include "receivables/ReceivablesPage.h"
#include "reports/AccountStatement.h"
#include "reports/MonthClosing.h"
#include "reports/ReportsPage.h"
#include "service/FormOnlineChat.h"
#include "service/Instructions.h"
#include "ui/FormProgress.h"
#include "ui/Screen.h"
#include "ui_FormMain.h"
#include "users/LoginPage.h"

namespace {
const QString LeftBarHint = QStringLiteral("LeftBar");
const QString RightBarHint = QStringLiteral("RightBar");
constexpr int LeftPanelWidth = 97;

void setPanelWidth(QWidget *panel, int width)
{
    panel->setMinimumWidth(width);
    panel->setMaximumWidth(width);
}

// 收入 and 支出: a new record with nothing handed over.
void enterRecord(FormGetPay &entry, FormGetPay::Mode mode)
{
    entry.EntryMode = mode;
    entry.PresetUser.clear();
    entry.PresetSum.clear();
    entry.PresetRemark.clear();
    entry.showModal();
}
} // namespace

FormMain::FormMain(const QString &programDir, QWidget *parent)
    : QMainWindow(parent)
    , ui(std::make_unique<Ui::FormMain>())
{
    Q_INIT_RESOURCE(embedded);
    ProgramPaths::setProgramDir(programDir);
    ui->setupUi(this);
    ui->DateTimePicker1->setMaximumDate(JetSql::LastBusinessDay);
    setWindowFlags(Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                   | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setFixedSize(784, 537);
    if (const QScreen *desktop = screen())
        move(desktop->availableGeometry().center() - rect().center());
}

void FormMain::assemble(const Windows &windows, AccountChanges &accountChanges)
{
    m_data = windows.data;
    m_progress = windows.progress;
    placePages(windows, accountChanges);
    setPictures();
    connectActions(windows);
}

FormMain::~FormMain()
{
    // The report grid shows the rows of a report object, which goes before the pages do.
    m_reports->DBGridEh2()->setQuery(nullptr);
}

void FormMain::placePages(const Windows &windows, AccountChanges &accountChanges)
{
    const auto place = [](QWidget *sheet, QWidget *page) {
        auto *layout = new QVBoxLayout(sheet);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(page);
    };
    ShareDataModule &data = *windows.data;
    place(ui->TabSheet1, m_login = new LoginPage(data, *this, *this, *windows.chose));
    place(ui->TabSheet2, m_accounts = new AccountsPage(data, *this, accountChanges, *windows.account2));
    place(ui->TabSheet3, m_journal = new JournalPage(data, *this, *windows.modification, *windows.getPay));
    m_reportObjects = std::make_unique<MainReports>(data, m_journal->ADOQueryDailyGrid());
    place(ui->TabSheet7, m_receivables = new ReceivablesPage(data, *windows.getPay2));
    place(ui->TabSheet4, m_reports = new ReportsPage(data, *this, *windows.modification, m_reportObjects->ADOQueryReportGrid,
                                                     *windows.makeReport, *windows.getPay, *windows.progress));
    place(ui->TabSheet5, m_settings = new SettingsPage(data, *windows.ask));
    place(ui->TabSheet6, m_maintenance = new MaintenancePage);
}

void FormMain::setPictures()
{
    for (int page = 0; page < ui->PageControl1->count(); ++page)
        ui->PageControl1->setTabIcon(page, QIcon(QStringLiteral(":/embedded/Tab%1.png").arg(page)));
    ui->BitBtn1->setIcon(QIcon(QStringLiteral(":/embedded/ArrowLeft.png")));
    ui->BitBtn2->setIcon(QIcon(QStringLiteral(":/embedded/ArrowRight.png")));
    ui->Image7->setPixmap(QPixmap(ProgramPaths::file(QStringLiteral("Res\\LeftBar.bmp"))));
    ui->SpeedButtonGet->setDefaultAction(ui->ActionGet);
    ui->SpeedButtonPay->setDefaultAction(ui->ActionPay);
    ui->SpeedButtonDraw->setDefaultAction(ui->ActionDraw);
    ui->SpeedButton4->setDefaultAction(ui->ActionOnlineChat);
    ui->SpeedButton2->setDefaultAction(ui->ActionSave);
    m_accounts->monthStatementButton()->setDefaultAction(ui->ActionMoneyMonth);
    ui->ActionMoneyMonth->setIcon(QIcon(QStringLiteral(":/embedded/ActionMoneyMonth.png")));
    m_journal->bindActions(ui->ActionEditMoney, ui->ActionPrintMoney);
    m_reports->bindActions(ui->ActionToExcel, ui->ActionResearchReport, ui->ActionMakeReport, ui->ActionPrintReport);
    m_maintenance->bindActions(ui->ActionSave, ui->ActionLoad);
    const QList<QPair<QAction *, const char *>> icons{
        {ui->ActionGet, "Get"}, {ui->ActionPay, "Pay"}, {ui->ActionDraw, "Draw"},
        {ui->ActionOnlineChat, "OnlineChat"}, {ui->ActionSave, "Save"}, {ui->ActionLoad, "Load"},
        {ui->ActionLogin, "Login"}, {ui->ActionInstruction, "Instruction"},
        {ui->ActionEditMoney, "EditMoney"}, {ui->ActionPrintMoney, "PrintMoney"}, {ui->ActionToExcel, "ToExcel"},
        {ui->ActionResearchReport, "ResearchReport"}, {ui->ActionMakeReport, "MakeReport"},
        {ui->ActionPrintReport, "PrintReport"}, {ui->ActionChangeLog, "ChangeLog"},
        {ui->ActionCheckChanges, "CheckChanges"}, {ui->ActionRecordHistory, "RecordHistory"}};
    for (const auto &[action, name] : icons)
        action->setIcon(QIcon(QStringLiteral(":/embedded/Action%1.png").arg(QLatin1String(name))));
}

void FormMain::connectActions(const Windows &windows)
{
    connect(ui->BitBtn1, &QToolButton::clicked, this, [this] { stepDay(-1); });
    connect(ui->BitBtn2, &QToolButton::clicked, this, [this] { stepDay(1); });
    // Changes made from code block the picker's signals, so only the user's own change arrives here;
    // the day buttons refresh once themselves.
    connect(ui->DateTimePicker1, &QDateEdit::userDateChanged, this, &FormMain::refreshAll);
    connect(ui->Image7, &ClickableLabel::clicked, this, &FormMain::toggleLeftPanel);
    // Entries another desk added show when the tab of the two lists is shown again.
    connect(ui->PageControl1, &QTabWidget::currentChanged, this, [this] {
        if (ui->PageControl1->currentWidget() == ui->TabSheet7)
            reloadReceivables();
    });

    // Login, the account-book chooser behind the scope picture, and the two help actions.
    m_login->bindActions(ui->ActionLogin, ui->ActionInstruction);
    connect(ui->ActionLogin, &QAction::triggered, m_login, &LoginPage::ActionLogin);
    connect(m_login, &LoginPage::loggedIn, m_settings, &SettingsPage::loadAfterLogin);
    FormChose *chooser = windows.chose;
    connect(ui->Image1, &ClickableLabel::clicked, this, [this, chooser] {
        if (chooser->chooseBook())
            refreshAll();
    });
    connect(ui->ActionOnlineChat, &QAction::triggered, windows.onlineChat, &FormOnlineChat::showService);
    connect(ui->ActionInstruction, &QAction::triggered, this, &OpenInstructions);
    FormGetPay *entry = windows.getPay;
    connect(ui->ActionGet, &QAction::triggered, this, [entry] { enterRecord(*entry, FormGetPay::NewIncome); });
    connect(ui->ActionPay, &QAction::triggered, this, [entry] { enterRecord(*entry, FormGetPay::NewExpense); });
    connect(ui->ActionSave, &QAction::triggered, this, [this] { SaveBooks(*m_data, *m_progress); });
    connect(ui->ActionLoad, &QAction::triggered, this, &FormMain::restoreBooks);
    connect(ui->ActionDraw, &QAction::triggered, windows.draw, &FormDraw::drawFromLeftPanel);
    m_receivables->bindActions({ui->ActionNewGet, ui->ActionEditGet, ui->ActionDeleteGet},
                               {ui->ActionNewPay, ui->ActionEditPay, ui->ActionDeletePay});
    connect(m_journal, &JournalPage::totalBalanceShown, m_accounts->Label19(), &QLabel::setText);
    connect(windows.account2, &FormAccount2::monthRecordsWanted, this, [this](const QString &accountName) {
        m_reports->ShowAccountMonth(accountName);
        setActivePage(ReportsTab);
    });
    connect(ui->ActionEditMoney, &QAction::triggered, m_journal, &JournalPage::EditMoney);
    connect(ui->ActionPrintMoney, &QAction::triggered, this, [this] { m_journal->PrintMoney(reportObjects().frReport1); });
    connect(ui->ActionResearchReport, &QAction::triggered, this, [this] {
        ResearchReport(*m_data, reportObjects().ADOQueryMonthGrid, reportObjects().frReport3, *m_progress,
                       currentDate());
    });
    connect(ui->ActionMoneyMonth, &QAction::triggered, this, [this] {
        MoneyMonth(*m_data, reportObjects().ADOQueryAccount, reportObjects().frReport4, *m_progress, currentDate());
    });
    connectReportActions();
    connectChangeActions(windows);
}

// The change record: its list and check on 数据维护, a record's own history from the context menu of
// the daily journal's and the report centre's grids, and the check at the first login of each day.
void FormMain::connectChangeActions(const Windows &windows)
{
    ChangeLogWindow *changeLog = windows.changeLog;
    m_maintenance->bindChangeActions(ui->ActionChangeLog, ui->ActionCheckChanges);
    connect(ui->ActionChangeLog, &QAction::triggered, changeLog, &ChangeLogWindow::showAll);
    connect(ui->ActionCheckChanges, &QAction::triggered, this, [this] { ChangeCommands::check(*m_data, *m_progress); });
    connect(m_login, &LoginPage::loggedIn, this, [this] { ChangeCommands::checkOnceADay(*m_data, *m_progress); });
    for (DataGrid *grid : {m_journal->DBGridEh1(), m_reports->DBGridEh2()}) {
        grid->setContextMenuPolicy(Qt::ActionsContextMenu);
        grid->addAction(ui->ActionRecordHistory);
    }
    connect(ui->ActionRecordHistory, &QAction::triggered, this, [this, changeLog] {
        const QVariant record = selectedRecord();
        if (record.isNull())
            Screen::current().inform(QStringLiteral("请先选中需要查看的记录"));
        else
            changeLog->showHistory(QStringLiteral("MoneyTable"), record.toLongLong());
    });
}

// The record number of the row selected in the grid of the tab shown, the daily journal's or the
// report centre's; null when none is.
QVariant FormMain::selectedRecord()
{
    const bool reports = ui->PageControl1->currentWidget() == ui->TabSheet4;
    DataGrid *grid = reports ? m_reports->DBGridEh2() : m_journal->DBGridEh1();
    RowSource *rows = grid->query();
    const QModelIndex current = grid->currentIndex();
    if (!rows || !rows->isOpen() || !current.isValid() || !rows->hasField(QStringLiteral("MoneyIndex")))
        return {};
    return rows->value(current.row(), rows->fieldIndex(QStringLiteral("MoneyIndex")));
}

void FormMain::connectReportActions()
{
    connect(ui->ActionMakeReport, &QAction::triggered, m_reports, &ReportsPage::MakeReport);
    connect(ui->ActionPrintReport, &QAction::triggered, this, [this] { m_reports->PrintReport(reportObjects().frReport2); });
    connect(ui->ActionToExcel, &QAction::triggered, m_reports, &ReportsPage::ToExcel);
}


void FormMain::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (!m_shown) {
        m_shown = true;
        prepareFirstShow();
    }
}

void FormMain::prepareFirstShow()
{
    registerDataSourceOnce();
    // The first start of a day keeps a copy of the books, so a user can go back to yesterday's books
    // without ever having pressed 备份数据.
    BackUpTheDay(*m_progress);
    {
        const QSignalBlocker quiet(ui->DateTimePicker1);
        ui->DateTimePicker1->setDate(Clock::today());
    }
    setLeftPanelEnabled(false);
    m_login->Edit3()->clear();
    for (int page = 0; page < ui->PageControl1->count(); ++page)
        setPageVisible(page, page == LoginTab);
    setActivePage(LoginTab);
    m_login->Edit3()->setFocus();
    selectRememberedRole();
}

void FormMain::registerDataSourceOnce()
{
    const QString section = QStringLiteral("数据库内容");
    // Books on a server were registered on purpose, and this folder's file is not them.
    if (DataSource::isServer(QString::fromLatin1(DataSource::Name)))
        return;
    // A data source left pointing at other books (the program folder moved or copied) is registered
    // again: backup and restore work on this folder's books, so statements must too.
    if (ReadSetting(section, QStringLiteral("ODBC"), QStringLiteral("0"), ProgramPaths::settingsPath()) == u"1"
        && DataSource::databaseOf(QString::fromLatin1(DataSource::Name)) == ProgramPaths::databasePath())
        return;
    if (RegisterDataSource(QString::fromLatin1(DataSource::Name), ProgramPaths::databasePath(),
                           QStringLiteral("流水帐企业数据库")))
        WriteSetting(section, QStringLiteral("ODBC"), QStringLiteral("1"), ProgramPaths::settingsPath());
}

// 恢复数据: once the books were replaced the program ends, so that nothing works on with the old ones.
void FormMain::restoreBooks()
{
    if (LoadBooks(*m_data, *m_progress))
        close();
}

void FormMain::selectRememberedRole()
{
    const auto remembered = [] {
        return ReadSetting(QStringLiteral("Kalvora2"), QStringLiteral("UserPower"), QStringLiteral("出纳"),
                           ProgramPaths::settingsPath());
    };
    if (remembered() == u"管理员")
        m_login->ComboBox2()->setCurrentIndex(0);
    if (remembered() == u"出纳")
        m_login->ComboBox2()->setCurrentIndex(1);
}

QDate FormMain::currentDate() const
{
    return ui->DateTimePicker1->date();
}

void FormMain::refreshAll()
{
    if (!ApplyAccountScope())
        return;
    // The houses and the day's figures are read before either is shown, so that a refresh cut off half
    // way leaves the houses page and its total line as they were, the one agreeing with the other. A
    // failed step ends the refresh; the views after it keep their content.
    FailureToTell failed;
    const auto houses = m_accounts->readHouses(0, &failed);
    const auto day = houses ? m_journal->readDay(&failed) : std::nullopt;
    if (!day) {
        tellRefreshFailure(failed);
        return;
    }
    m_accounts->showHouses(*houses);
    m_journal->showDay(*day);
    m_journal->showRecords();
    reloadReceivables();
}

// The lists of receivables and payables again: the last step of a refresh, or their tab shown.
void FormMain::reloadReceivables()
{
    FailureToTell failed;
    if (m_receivables->loadLists(&failed))
        m_outageTold = false;
    else
        tellRefreshFailure(failed);
}

// Books on a server that cannot be reached are told once for the whole outage, not at every refresh
// that meets it; meanwhile the houses page and its total line show why they show nothing, since a
// refresh that fails says nothing more.
void FormMain::tellRefreshFailure(const FailureToTell &failed)
{
    if (failed.what.isEmpty() || !ShareDataModule::serverLost(failed.error)) {
        m_outageTold = false;
        ReportFailure(failed);
        return;
    }
    m_accounts->showBooksUnreachable();
    if (std::exchange(m_outageTold, true))
        return;
    ReportFailure(failed.what, {failed.error.code, failed.error.text, EngineError::Kind::Unreachable, true});
}

bool FormMain::LoadGetPayLists()
{
    return m_receivables->LoadGetPayLists();
}

bool FormMain::ApplyAccountScope()
{
    const auto scope = AccountScope::read(QStringLiteral("1"));
    if (!scope)
        return false;
    if (AccountScope::isKnown(*scope)) {
        ui->Image1->setPixmap(QPixmap(ProgramPaths::file(AccountScope::picture(*scope))));
        m_accountClause = AccountScope::clause(*scope);
    }
    return true;
}

void FormMain::stepDay(int days)
{
    {
        const QSignalBlocker quiet(ui->DateTimePicker1);
        ui->DateTimePicker1->setDate(ui->DateTimePicker1->date().addDays(days));
    }
    refreshAll();
}

void FormMain::toggleLeftPanel()
{
    const bool collapse = ui->Image7->toolTip() == LeftBarHint;
    setPanelWidth(ui->Panel1, collapse ? 0 : LeftPanelWidth);
    ui->Image7->setPixmap(
        QPixmap(ProgramPaths::file(collapse ? QStringLiteral("Res\\RightBar.bmp") : QStringLiteral("Res\\LeftBar.bmp"))));
    ui->Image7->setToolTip(collapse ? RightBarHint : LeftBarHint);
}

void FormMain::setPageVisible(int page, bool visible)
{
    ui->PageControl1->setTabVisible(page, visible);
}

void FormMain::setActivePage(int page)
{
    ui->PageControl1->setCurrentIndex(page);
}

void FormMain::setLeftPanelEnabled(bool enabled)
{
    ui->Panel1->setEnabled(enabled);
}

void FormMain::setCurrentUser(const QString &role)
{
    ui->Label18->setText(role);
    m_data->setOperator(role);
}
