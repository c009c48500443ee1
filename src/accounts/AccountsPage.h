#pragma once
#include <QWidget>
#include <memory>

class QLabel;

namespace Ui {
class AccountsPage;
}

class AccountsPage : public QWidget
{
    Q_OBJECT
public:
    explicit AccountsPage(QWidget *parent = nullptr);
    ~AccountsPage() override;

    // The account houses, twelve to a page.
    // The overview's total line, written by the daily journal.
    QLabel *Label19() const;

    void resetPage();
    void hideHouses();
    bool RefreshAccountHouses();

private:
    std::unique_ptr<Ui::AccountsPage> ui;
};
