#include "receivables/FormGetPay2.h"

#include "ui_FormGetPay2.h"

FormGetPay2::FormGetPay2(QWidget *parent)
    : QDialog(parent)
    , ui(std::make_unique<Ui::FormGetPay2>())
{
    ui->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setFixedSize(size());
}

FormGetPay2::~FormGetPay2() = default;
