#include "journal/JournalPage.h"

#include <QAction>
#include <QEvent>

#include "shell/AccountScope.h"
#include "data/Failure.h"
#include "data/Helpers.h"
#include "data/JetSql.h"
#include "data/MonthTotals.h"
#include "data/ShareDataModule.h"
#include "grid/DataGrid.h"
#include "journal/FormGetPay.h"
#include "journal/RecordGrid.h"
#include "reporting/Report.h"
#include "shell/ViewContext.h"
#include "ui/Screen.h"
#include "ui_JournalPage.h"
#include "shell/ModificationCheck.h"

namespace {

const QString Failure = QStringLiteral("数据库打开失败");
const QString FromRecords = QStringLiteral(" From Account,MoneyTable Where (AccountIndex = MoneyAccount)");

QString dayCondition(const QDate &day)
{
    return QStringLiteral(" And (MoneyCreateTime = ") + JetSql::dateLiteral(day) + QLatin1Char(')');
}

// The scope's balance: every record dated before `before`.
QString balanceStatement(const QString &name, const QDate &before, const QString &scope)
{
    return MonthTotals::balanceStatement(name, before, MonthTotals::Bound::Before, scope);
}

// The transfers the day's income and expense leave out: those between accounts of one type never count;
// in the company ledger a transfer between bank and cash does not count either, since both halves are in
// view. Nothing when the scope in the settings file is no number, which was told.
std::optional<QString> transfersLeftOut()
{
    const auto accountType = AccountScope::read(QStringLiteral("5"));
    if (!accountType)
        return std::nullopt;
    QString transfers = QStringLiteral(" And (MoneyReason <> ") + JetSql::quoted(QStringLiteral("帐户平调")) + QLatin1Char(')');
    if (*accountType == AccountScope::CompanyLedger)
        transfers += QStringLiteral(" And (MoneyReason <> ") + JetSql::quoted(QStringLiteral("帐簿平调")) + QLatin1Char(')');
    return transfers;
}

QString dayTotalStatement(const QDate &day, const QString &amountCondition, const QString &transfers, const QString &scope)
{
    return QStringLiteral("Select Round(Sum(MoneySum),2) As TodayDateMoney, Count(MoneyIndex) As TodayDateCount")
        + FromRecords + transfers + dayCondition(day) + QStringLiteral(" And ") + amountCondition + scope;
}

QString totalText(const JournalPage::DayTotal &total, double shownSign)
{
    return QStringLiteral("共 ") + QString::number(total.count) + QStringLiteral(" 笔～")
        + RoundToText(shownSign * total.amount) + QStringLiteral(" 元");
}

} // namespace

JournalPage::JournalPage(ShareDataModule &data, ViewContext &views, ModificationCheck &modification, FormGetPay &entry,
                         QWidget *parent)
    : QWidget(parent)
    , ui(std::make_unique<Ui::JournalPage>())
    , m_data(data)
    , m_views(views)
    , m_modification(modification)
    , m_entry(entry)
    , m_dailyGrid(std::make_unique<Query>(data))
{
    ui->setupUi(this);
    ui->DBGridEh1->viewport()->installEventFilter(this);
}

JournalPage::~JournalPage() = default;

Query &JournalPage::ADOQueryDailyGrid()
{
    return *m_dailyGrid;
}

DataGrid *JournalPage::DBGridEh1() const
{
    return ui->DBGridEh1;
}

void JournalPage::bindActions(QAction *editMoney, QAction *printMoney)
{
    ui->EditMoney->setDefaultAction(editMoney);
    ui->PrintMoney->setDefaultAction(printMoney);
    m_editMoney = editMoney;
}

// A double-click anywhere on the grid, on a record or on an empty day, runs the correction.
bool JournalPage::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonDblClick && watched == ui->DBGridEh1->viewport() && m_editMoney) {
        m_editMoney->trigger();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

bool JournalPage::LoadDailyGrid()
{
    FailureToTell failed;
    const auto figures = readDay(&failed);
    if (!figures) {
        ReportFailure(failed);
        return false;
    }
    showDay(*figures);
    showRecords();
    return true;
}

std::optional<JournalPage::DayFigures> JournalPage::readDay(FailureToTell *failed)
{
    const auto transfers = transfersLeftOut();
    if (!transfers) {
        *failed = {};
        return std::nullopt;
    }
    const QDate day = m_views.currentDate();
    const QString scope = m_views.accountClause();
    Query &query = m_data.ADOQueryTemp();
    const auto readBalance = [&](const QString &name, const QDate &before, double *balance) {
        if (!RunQuery(query, balanceStatement(name, before, scope), Failure, failed))
            return false;
        *balance = query.fieldNumber(name);
        return true;
    };
    const auto readTotal = [&](const QString &amountCondition, DayTotal *total) {
        if (!RunQuery(query, dayTotalStatement(day, amountCondition, *transfers, scope), Failure, failed))
            return false;
        *total = {query.fieldInteger(QStringLiteral("TodayDateCount")), query.fieldNumber(QStringLiteral("TodayDateMoney"))};
        return true;
    };
    // One snapshot, let go before anything is told. It only reads, so it ends with nothing to keep; a
    // read rather than a report, since a report on a books file takes the write lock, which read-only
    // books or another program writing would refuse.
    const Screen::NoDialogs quiet;
    Transaction snapshot(m_data, BooksConnection::Intent::Read);
    if (!snapshot.isActive()) {
        *failed = {Failure, snapshot.lastError()};
        return std::nullopt;
    }
    DayFigures figures;
    if (!readBalance(QStringLiteral("LastDateSum"), day, &figures.before)
        || !readBalance(QStringLiteral("TodayDateSum"), day.addDays(1), &figures.after)
        || !readTotal(QStringLiteral("(MoneySum >= 0)"), &figures.income)
        || !readTotal(QStringLiteral("(MoneySum < 0)"), &figures.expense))
        return std::nullopt;
    return figures;
}

void JournalPage::showDay(const DayFigures &figures)
{
    ui->Label7->setText(QStringLiteral("上日结余：") + RoundToText(figures.before) + QStringLiteral(" 元"));
    const QString balance = RoundToText(figures.after);
    ui->Label8->setText(QStringLiteral("本日结余：") + balance + QStringLiteral(" 元"));
    ui->Label11->setText(totalText(figures.income, 1));
    ui->Label12->setText(totalText(figures.expense, -1));
    emit totalBalanceShown(QStringLiteral("总金额：") + balance + QStringLiteral(" 元"));
}

void JournalPage::showRecords()
{
    OpenRecordGrid(ADOQueryDailyGrid(), *ui->DBGridEh1,
                   QStringLiteral("Select ") + ReportFields() + FromRecords + dayCondition(m_views.currentDate())
                       + m_views.accountClause(),
                   QStringLiteral("日记帐簿的记录读取失败，请检查设置文件中的显示字段（ReportFields）。\n"));
}

void JournalPage::EditMoney()
{
    Query &grid = ADOQueryDailyGrid();
    const auto record = RecordToCorrect(grid, grid.isOpen() ? grid.field(QStringLiteral("MoneyIndex")) : QVariant(),
                                        QStringLiteral("请先选中要修改的记录"));
    if (record && m_modification.passed())
        m_entry.showCorrection(*record);
}

QStringList JournalPage::summaryLines() const
{
    return {ui->Label7->text(), ui->Label8->text(), ui->Label9->text() + ui->Label11->text(),
            ui->Label10->text() + ui->Label12->text()};
}

void JournalPage::PrintMoney(Report &report)
{
    if (writePrintHeading())
        RunReport(report, QStringLiteral("Frf\\Daily.frf"));
}

// Stores the four lines in PrintTable row 1, where the daily template reads them. Books that lost
// the row get it back, so the heading still reaches the printout and no stray rows pile up.
bool JournalPage::writePrintHeading()
{
    Query &row = m_data.ADOQueryTemp();
    if (!RunQuery(row, QStringLiteral("Select * From PrintTable Where PrintIndex = 1"), Failure))
        return false;
    if (row.eof()) {
        row.append();
        row.setField(QStringLiteral("PrintIndex"), 1);
        row.setField(QStringLiteral("PrintEnable"), false);
    } else {
        row.edit();
    }
    const QStringList lines = summaryLines();
    for (int i = 0; i < lines.size(); ++i)
        row.setField(QStringLiteral("PrintValue%1").arg(i + 1), lines[i]);
    if (row.post())
        return true;
    ReportFailure(QStringLiteral("打印内容未能写入帐簿，没有打印"), row.lastFailure());
    return false;
}
