#include "users/FormAsk.h"

#include <QIcon>
#include <QPixmap>

#include "ui/Screen.h"
#include "ui_FormAsk.h"

FormAsk::FormAsk(QWidget *parent)
    : QDialog(parent)
    , ui(std::make_unique<Ui::FormAsk>())
{
    ui->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setFixedSize(size());
    ui->Image1->setPixmap(QPixmap(QStringLiteral(":/embedded/AskQuestion.png")));
    ui->BitBtn1->setIcon(QIcon(QStringLiteral(":/embedded/AskOk.png")));
    ui->BitBtn2->setIcon(QIcon(QStringLiteral(":/embedded/AskCancel.png")));
    connect(ui->BitBtn1, &QPushButton::clicked, this, &FormAsk::confirm);
    connect(ui->BitBtn2, &QPushButton::clicked, this, &FormAsk::reject);
}

FormAsk::~FormAsk() = default;

void FormAsk::setMasked(bool masked)
{
    ui->Edit1->setEchoMode(masked ? QLineEdit::Password : QLineEdit::Normal);
}

void FormAsk::prepareToShow()
{
    setWindowTitle(AskTitle);
    ui->Label1->setText(AskPrompt);
    ui->Edit1->setText(AskAnswer);
    ui->Edit1->selectAll();
    ui->Edit1->setFocus();
}

bool FormAsk::ask()
{
    prepareToShow();
    return Screen::current().runModal(*this) == QDialog::Accepted;
}

void FormAsk::confirm()
{
    AskAnswer = ui->Edit1->text();
    accept();
}
