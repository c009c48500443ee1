#include "accounts/FormChose.h"

#include "ui_FormChose.h"

FormChose::FormChose(QWidget *parent)
    : QDialog(parent)
    , ui(std::make_unique<Ui::FormChose>())
{
    ui->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setFixedSize(size());
}

FormChose::~FormChose() = default;
