#pragma once
#include <QDialog>
#include <memory>

namespace Ui {
class FormAccount;
}

class FormAccount : public QDialog
{
    Q_OBJECT
public:
    explicit FormAccount(QWidget *parent = nullptr);
    ~FormAccount() override;

private:
    std::unique_ptr<Ui::FormAccount> ui;
};
