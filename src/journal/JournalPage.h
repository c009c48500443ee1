#pragma once
#include <QWidget>
#include <memory>

class DataGrid;
class FormAsk;
class FormGetPay;
class Query;
class QAction;
class QLabel;
class Report;
class ShareDataModule;
class ViewContext;

namespace Ui {
class JournalPage;
}

// The tab 日记帐簿: the balances before and after the current day, the day's income and expense, and
// the grid of the day's records in the account scope.
class JournalPage : public QWidget
{
    Q_OBJECT
public:
    // A record is corrected in `entry`, behind the modification password asked on `prompt`.
    JournalPage(ShareDataModule &data, ViewContext &views, FormAsk &prompt, FormGetPay &entry,
                QWidget *parent = nullptr);
    ~JournalPage() override;

    // Rebuilds the labels, the overview's total and the grid for the current day. False when a
    // balance or count statement failed, which ends the refresh.
    bool LoadDailyGrid();

    // The grid's own query, on the shared connection.
    Query &ADOQueryDailyGrid();
    DataGrid *DBGridEh1() const;

    // The correction and printout buttons show the main window's actions; a double-click on the
    // grid runs the correction.
    void bindActions(QAction *editMoney, QAction *printMoney);

    // 修改记录: the grid's selected record opens in the entry dialog behind the data-modification
    // password, as income or expense by its stored amount.
    void EditMoney();
    // 打印记录: the tab's four summary lines go into the heading row of PrintTable, then the day
    // prints through `report` (bound to the grid's query) with the daily template.
    void PrintMoney(Report &report);
    // The four summary lines as the tab shows them.
    QStringList summaryLines() const;

signals:
    // The scope's balance at the end of the day, for the account overview's total line.
    void totalBalanceShown(const QString &text);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool showDayTotal(QLabel *label, const QString &amountCondition, double shownSign);
    bool writePrintHeading();

    std::unique_ptr<Ui::JournalPage> ui;
    ShareDataModule &m_data;
    ViewContext &m_views;
    FormAsk &m_prompt;
    FormGetPay &m_entry;
    std::unique_ptr<Query> m_dailyGrid;
    QAction *m_editMoney = nullptr;
};
