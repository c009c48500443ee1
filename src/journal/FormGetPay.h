#pragma once
#include <QDialog>
#include <memory>

namespace Ui {
class FormGetPay;
}

class FormGetPay : public QDialog
{
    Q_OBJECT
public:
    explicit FormGetPay(QWidget *parent = nullptr);
    ~FormGetPay() override;

private:
    std::unique_ptr<Ui::FormGetPay> ui;
};
