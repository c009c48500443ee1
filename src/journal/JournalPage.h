#pragma once
#include <QWidget>
#include <memory>
#include <optional>

class DataGrid;
class ModificationCheck;
class FormGetPay;
class Query;
struct FailureToTell;
class QAction;
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
    JournalPage(ShareDataModule &data, ViewContext &views, ModificationCheck &modification, FormGetPay &entry,
                QWidget *parent = nullptr);
    ~JournalPage() override;

    // The day's income or expense: how many records and their amount.
    struct DayTotal
    {
        qint64 count = 0;
        double amount = 0;
    };
    // What the labels say of a day: the scope's balances before and after it, its income and expense.
    struct DayFigures
    {
        double before = 0;
        double after = 0;
        DayTotal income;
        DayTotal expense;
    };

    // Rebuilds the labels, the overview's total and the grid for the current day. False when a
    // balance or count statement failed (told), which ends the refresh; the labels stay as they were.
    bool LoadDailyGrid();
    // The current day's figures, all read from one state of the books, so that a record another desk
    // stores meanwhile is in all of them or in none. Nothing when a statement failed, with *failed for
    // the caller to tell.
    std::optional<DayFigures> readDay(FailureToTell *failed);
    // Shows `figures` in the labels and the overview's total line.
    void showDay(const DayFigures &figures);
    // The grid of the current day's records; one that cannot be opened is told and left empty.
    void showRecords();

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
    bool writePrintHeading();

    std::unique_ptr<Ui::JournalPage> ui;
    ShareDataModule &m_data;
    ViewContext &m_views;
    ModificationCheck &m_modification;
    FormGetPay &m_entry;
    std::unique_ptr<Query> m_dailyGrid;
    QAction *m_editMoney = nullptr;
};
