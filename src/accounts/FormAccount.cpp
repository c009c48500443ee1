#include "accounts/FormAccount.h"

#include "ui_FormAccount.h"

FormAccount::FormAccount(QWidget *parent)
    : QDialog(parent)
    , ui(std::make_unique<Ui::FormAccount>())
{
    ui->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setFixedSize(size());
}

FormAccount::~FormAccount() = default;
