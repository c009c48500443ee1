#pragma once
#include <QDialog>
#include <QString>
#include <memory>

class FormDraw;
class FormGetPay;
class ReportsPage;

namespace Ui {
class FormAccount2;
}

// The window of one account, opened from its house: its name and balance as the house showed them,
// and the commands on that account.
class FormAccount2 : public QDialog
{
    Q_OBJECT
public:
    explicit FormAccount2(QWidget *parent = nullptr);
    ~FormAccount2() override;

    // Set by the caller before each showing: the account's name and the balance text of its house,
    // unit included ("12.5 元").
    QString DetailAccountName;
    QString DetailBalanceText;

    // The dialogs the commands open and the tab 当月记录 shows, handed over once the windows are made.
    void attach(FormGetPay &entry, FormDraw &draw, ReportsPage &reports);

    // Puts the handed-over name and balance on the window; nothing is read from the books.
    void prepareToShow();
    // prepareToShow(), then the modal showing.
    void showDetail();

    // The six commands on the account shown.
    void enterIncome();
    void enterExpense();
    void transferFrom();
    void showMonthRecords();
    void editAccount();

private:
    void bindButtons();
    void enterRecord(int mode);

    std::unique_ptr<Ui::FormAccount2> ui;
    FormGetPay *m_entry = nullptr;
    FormDraw *m_draw = nullptr;
    ReportsPage *m_reports = nullptr;
};
