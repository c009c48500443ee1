#pragma once
#include <QDialog>
#include <QVariant>
#include <memory>

class FormGetPay;
class Query;
class ShareDataModule;
class ViewContext;

namespace Ui {
class FormGetPay2;
}

// Enters, changes and posts one receivable or payable. A caller sets the mode (and the entry to edit),
// then calls showModal().
class FormGetPay2 : public QDialog
{
    Q_OBJECT
public:
    enum Mode { NewReceivable = 0, EditReceivable = 1, NewPayable = 2, EditPayable = 3 };

    // `entry` is the journal entry dialog that 款项入帐 posts through.
    FormGetPay2(ShareDataModule &data, ViewContext &views, FormGetPay &entry, QWidget *parent = nullptr);
    ~FormGetPay2() override;

    // Set by the caller; they keep their values between showings.
    int GetPay2Mode = NewReceivable;
    qint64 GetPay2Index = 0; // GetPayIndex of the entry to edit

    // Fills the dialog and shows it modally. Accepted after an entry was stored or posted.
    int showModal();
    // The steps of every showing; false when the dialog must not open (the entry to edit is gone).
    bool prepareShowing();

    void confirm();
    void postToJournal();

private:
    bool isNewMode() const { return GetPay2Mode == NewReceivable || GetPay2Mode == NewPayable; }
    bool isEditMode() const { return GetPay2Mode == EditReceivable || GetPay2Mode == EditPayable; }
    bool isPayable() const { return GetPay2Mode == NewPayable || GetPay2Mode == EditPayable; }

    void setPictures();
    void showTitle();
    void showNewEntry();
    bool showStoredEntry();
    bool isStillAsShown();

    bool checkAmount(double *amount);
    void storeNew(double amount);
    void storeChange(double amount);
    void setEntryFields(Query &query, double amount);
    void finish(Query &query, const QString &message);
    Query &scratch();

    ShareDataModule &m_data;
    ViewContext &m_main;
    FormGetPay &m_entry;
    std::unique_ptr<Ui::FormGetPay2> ui;
    QVariant m_shownVersion; // the version of the entry shown for editing
};
