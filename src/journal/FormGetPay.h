#pragma once
#include <QDialog>
#include <QString>
#include <QVariant>
#include <memory>
#include <optional>

struct EngineError;

class QComboBox;
class QWidget;
class Query;
class ShareDataModule;
class ViewContext;

namespace Ui {
class FormGetPay;
}

// The one dialog through which a single income or expense record is entered, changed or deleted.
// A caller sets the mode and the handed-over values, then calls showModal().
class FormGetPay : public QDialog
{
    Q_OBJECT
public:
    enum Mode { NewIncome = 0, EditIncome = 1, NewExpense = 2, EditExpense = 3 };

    FormGetPay(ShareDataModule &data, ViewContext &views, QWidget *parent = nullptr);
    ~FormGetPay() override;

    // Set by the caller; they keep their values between showings.
    int EntryMode = NewIncome;
    int EntryIndex = 0;         // MoneyIndex of the record to edit or delete
    QString PresetAccountName;  // locks the account list to this name for one showing
    QString PresetUser;         // customer, amount and remark of a new record
    QString PresetSum;
    QString PresetRemark;

    // 款项入帐: the receivable or payable (its GetPayIndex) a new record posts, for one showing. The
    // record is stored only while that entry is still there; with `remove` the entry is deleted in the
    // same transaction, so that the two are stored together or not at all.
    struct PostedEntry
    {
        qint64 index = 0;
        bool remove = false;
        QVariant version; // the entry's version when it was shown; null where the books keep none
    };
    std::optional<PostedEntry> Posting;
    // Told when the entry to post was posted or deleted by another cashier meanwhile.
    static inline const QString PostedElsewhere = QStringLiteral("该款项已被其他用户处理，请核对日记帐");

    // Fills the dialog and shows it modally. Accepted after a record was stored or deleted.
    int showModal();
    // Opens stored record `index` for correction, as income or expense by the sign of its stored
    // amount, whatever a grid shows of it. "找不到要修改的记录" when it is gone.
    int showCorrection(int index);
    // The steps of every showing; false when the dialog must not open (the record to edit is gone).
    bool prepareShowing();

    void confirm();
    void deleteRecord();

private:
    bool isNewMode() const { return EntryMode == NewIncome || EntryMode == NewExpense; }
    bool isEditMode() const { return EntryMode == EditIncome || EntryMode == EditExpense; }
    bool isExpenseMode() const { return EntryMode == NewExpense || EntryMode == EditExpense; }

    void setPictures();
    void resetFields();
    void showBanner();
    bool fillFields(const QString &presetAccount);
    bool fillAccounts(const QString &presetAccount, const QString &scopeClause);
    bool fillLists();
    void showPresets();
    bool showStoredRecord();

    bool checkEntry();
    bool refuse(const QString &message, QWidget *field);
    void storeNew(qint64 account, double amount);
    bool storeTogether(Query &query, qint64 account, double amount, QString *refusal, EngineError *error);
    bool takePostedEntry(const PostedEntry &posted, QString *refusal, EngineError *error);
    void storeChange(qint64 account, double amount);
    void setRecordFields(Query &query, qint64 account, double amount);
    bool postRecord(Query &query);
    void finish(const QString &message);
    Query &scratch();

    ShareDataModule &m_data;
    ViewContext &m_views;
    std::unique_ptr<Ui::FormGetPay> ui;
    std::optional<PostedEntry> m_posting; // the Posting of the showing on screen
    QVariant m_shownVersion;              // the version of the record shown for correction
};
