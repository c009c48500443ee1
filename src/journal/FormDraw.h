#pragma once
#include <QDialog>
#include <QString>
#include <memory>
#include <optional>

struct EngineError;

class QComboBox;
class Query;
class ShareDataModule;
class ViewContext;
class QWidget;

namespace Ui {
class FormDraw;
}

// The transfer dialog: moves an amount from one account to another as a pair of journal records,
// minus on the source and plus on the target, stored together or not at all.
class FormDraw : public QDialog
{
    Q_OBJECT
public:
    FormDraw(ShareDataModule &data, ViewContext &views, QWidget *parent = nullptr);
    ~FormDraw() override;

    // Locks the source list to this account for one showing.
    QString PresetAccountName;

    // 平调 of the left panel: refused in the scope of all accounts, where a transfer between accounts
    // of different books is too easily entered by mistake.
    void drawFromLeftPanel();

    // Fills the dialog and shows it modally. Accepted after a transfer was stored.
    int showModal();
    // The steps of every showing; false when the dialog must not open (the scope cannot be read).
    bool prepareShowing();

    void confirm();

private:
    struct Account
    {
        QString name;
        qint64 index = 0;
        qint64 type = 0;
    };

    void setPictures();
    bool fillSource(const QString &presetAccount, const QString &scopeClause);

    bool checkEntry(double *amount);
    bool refuse(const QString &message, QWidget *field);
    std::optional<Account> lookUp(const QString &name, const QString &missing);
    bool storePair(const Account &from, const Account &to, double amount);
    bool appendRecord(Query &query, const Account &account, double amount, const QString &user, const QString &reason,
                      EngineError *error);
    Query &scratch();

    ShareDataModule &m_data;
    ViewContext &m_main;
    std::unique_ptr<Ui::FormDraw> ui;
};
