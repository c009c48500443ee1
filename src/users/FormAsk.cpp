#include "users/FormAsk.h"

#include "ui_FormAsk.h"

FormAsk::FormAsk(QWidget *parent)
    : QDialog(parent)
    , ui(std::make_unique<Ui::FormAsk>())
{
    ui->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setFixedSize(size());
}

FormAsk::~FormAsk() = default;
