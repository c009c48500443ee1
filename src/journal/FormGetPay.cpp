#include "journal/FormGetPay.h"

#include "ui_FormGetPay.h"

FormGetPay::FormGetPay(QWidget *parent)
    : QDialog(parent)
    , ui(std::make_unique<Ui::FormGetPay>())
{
    ui->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setFixedSize(size());
}

FormGetPay::~FormGetPay() = default;
