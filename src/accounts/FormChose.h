#pragma once
#include <QDialog>
#include <memory>

namespace Ui {
class FormChose;
}

// The account-book chooser: three pictures, one per book the cashier may work in. A click on one
// stores that book as the account scope and closes with OK; the close box stores nothing.
class FormChose : public QDialog
{
    Q_OBJECT
public:
    explicit FormChose(QWidget *parent = nullptr);
    ~FormChose() override;

    // Shows the chooser modally; true when a book was chosen.
    bool chooseBook();

private:
    void choose(int scope);

    std::unique_ptr<Ui::FormChose> ui;
};
