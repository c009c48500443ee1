#pragma once
#include <QDialog>
#include <memory>

namespace Ui {
class FormGetPay2;
}

class FormGetPay2 : public QDialog
{
    Q_OBJECT
public:
    explicit FormGetPay2(QWidget *parent = nullptr);
    ~FormGetPay2() override;

private:
    std::unique_ptr<Ui::FormGetPay2> ui;
};
