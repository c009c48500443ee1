#pragma once
#include <QDialog>
#include <QString>
#include <memory>

class ShareDataModule;

namespace Ui {
class FormAccount;
}

// The account dialog: picks the type (company bank or cash account) and the name of a new account or
// of the account being edited, and in edit mode deletes the account with all its records. The caller
// stores what it collected.
class FormAccount : public QDialog
{
    Q_OBJECT
public:
    explicit FormAccount(ShareDataModule &data, QWidget *parent = nullptr);
    ~FormAccount() override;

    // Set by the caller before each showing. An empty name opens the dialog for a new account;
    // otherwise it names the account being edited. OK replaces it with the name entered.
    int ChosenAccountType = 0;
    QString ChosenAccountName;

    // Title, delete button, name and type picture for the mode the two values above give.
    void prepareToShow();
    // prepareToShow(), then the modal showing. True for OK: either the values to store are in
    // ChosenAccountType and ChosenAccountName, or the account named ChosenAccountName was deleted.
    bool collectAccount();

    void ShowTypePicture();
    void chooseType(int accountType);
    void confirm();
    void deleteAccount();

private:
    std::unique_ptr<Ui::FormAccount> ui;
    ShareDataModule &m_data;
};
