#pragma once
#include <QDialog>
#include <QString>
#include <memory>

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

    // Puts the handed-over name and balance on the window; nothing is read from the books.
    void prepareToShow();
    // prepareToShow(), then the modal showing.
    void showDetail();

private:
    void bindButtons();

    std::unique_ptr<Ui::FormAccount2> ui;
};
