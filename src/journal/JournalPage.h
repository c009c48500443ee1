#pragma once
#include <QWidget>
#include <memory>

class DataGrid;
class Query;
class QAction;
class QLabel;

namespace Ui {
class JournalPage;
}

// The tab 日记帐簿: the balances before and after the current day, the day's income and expense, and
// the grid of the day's records in the account scope.
class JournalPage : public QWidget
{
    Q_OBJECT
public:
    explicit JournalPage(QWidget *parent = nullptr);
    ~JournalPage() override;

    // Rebuilds the labels, the overview's total and the grid for the current day. False when a
    // balance or count statement failed, which ends the refresh.
    bool LoadDailyGrid();

    // The grid's own query, on the shared connection.
    Query &ADOQueryDailyGrid();
    DataGrid *DBGridEh1() const;

    // The correction and printout buttons show the main window's actions.
    void bindActions(QAction *editMoney, QAction *printMoney);

private:
    bool showDayTotal(QLabel *label, const QString &amountCondition, double shownSign);

    std::unique_ptr<Ui::JournalPage> ui;
    std::unique_ptr<Query> m_dailyGrid;
};
