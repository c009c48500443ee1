#include "accounts/FormAccount2.h"

#include "ui/Screen.h"
#include "ui_FormAccount2.h"

FormAccount2::FormAccount2(QWidget *parent)
    : QDialog(parent)
    , ui(std::make_unique<Ui::FormAccount2>())
{
    ui->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setFixedSize(size());
    ui->Image1->setPixmap(QPixmap(QStringLiteral(":/embedded/AccountDetail.png")));
}

FormAccount2::~FormAccount2() = default;

void FormAccount2::prepareToShow()
{
    ui->Label3->setText(DetailAccountName);
    ui->Label4->setText(DetailBalanceText);
}

void FormAccount2::showDetail()
{
    prepareToShow();
    Screen::current().runModal(*this);
}
