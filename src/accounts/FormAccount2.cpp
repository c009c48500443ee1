#include "accounts/FormAccount2.h"

#include "ui_FormAccount2.h"

FormAccount2::FormAccount2(QWidget *parent)
    : QDialog(parent)
    , ui(std::make_unique<Ui::FormAccount2>())
{
    ui->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setFixedSize(size());
}

FormAccount2::~FormAccount2() = default;
