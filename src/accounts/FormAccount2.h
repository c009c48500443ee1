#pragma once
#include <QDialog>
#include <QString>
#include <memory>

class AccountChanges;
class ModificationCheck;
class FormDraw;
class FormGetPay;
class ShareDataModule;

namespace Ui {
class FormAccount2;
}

// The window of one account, opened from its house: its name and balance as the house showed them,
// and the commands on that account.
class FormAccount2 : public QDialog
{
    Q_OBJECT
public:
    // The commands open the entry and transfer dialogs, and change the account after the modification
    // password was given on `prompt`.
    FormAccount2(ShareDataModule &data, ModificationCheck &modification, AccountChanges &changes, FormGetPay &entry, FormDraw &draw,
                 QWidget *parent = nullptr);
    ~FormAccount2() override;

    // Set by the caller before each showing: the account's name and the balance text of its house,
    // unit included ("12.5 元").
    QString DetailAccountName;
    QString DetailBalanceText;

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

signals:
    // 当月记录: the month's records of `accountName` are wanted on the report tab.
    void monthRecordsWanted(const QString &accountName);

private:
    void bindButtons();
    void enterRecord(int mode);

    std::unique_ptr<Ui::FormAccount2> ui;
    ShareDataModule &m_data;
    ModificationCheck &m_modification;
    AccountChanges &m_changes;
    FormGetPay &m_entry;
    FormDraw &m_draw;
};
