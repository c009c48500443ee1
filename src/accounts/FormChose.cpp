#include "accounts/FormChose.h"

#include <QPixmap>

#include "shell/AccountScope.h"
#include "ui/Screen.h"
#include "ui_FormChose.h"

FormChose::FormChose(QWidget *parent)
    : QDialog(parent)
    , ui(std::make_unique<Ui::FormChose>())
{
    ui->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setFixedSize(size());
    const struct
    {
        ClickableLabel *picture;
        const char *file;
        int scope;
    } books[] = {{ui->Image5, ":/embedded/ChoseLedger.png", AccountScope::CompanyLedger},
                 {ui->Image1, ":/embedded/ChoseBank.png", AccountScope::CompanyBank},
                 {ui->Image2, ":/embedded/ChoseCash.png", AccountScope::CompanyCash}};
    for (const auto &book : books) {
        book.picture->setPixmap(QPixmap(QString::fromLatin1(book.file)));
        connect(book.picture, &ClickableLabel::clicked, this, [this, scope = book.scope] { choose(scope); });
    }
}

FormChose::~FormChose() = default;

bool FormChose::chooseBook()
{
    return Screen::current().runModal(*this) == QDialog::Accepted;
}

void FormChose::choose(int scope)
{
    if (AccountScope::write(scope))
        accept();
    else
        reject();
}
