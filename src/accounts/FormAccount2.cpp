#include "accounts/FormAccount2.h"

#include <QAction>
#include <QToolButton>

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
    bindButtons();
    connect(ui->ActionCancel, &QAction::triggered, this, &QDialog::reject);
}

// Each button shows its action with the action's picture. The five account commands come with later
// work and stay disabled until then; 取消操作 closes the window.
void FormAccount2::bindButtons()
{
    const QList<std::tuple<QToolButton *, QAction *, const char *>> buttons{
        {ui->SpeedButton1, ui->ActionGet, "Get"},         {ui->SpeedButton2, ui->ActionPay, "Pay"},
        {ui->SpeedButton3, ui->ActionDraw, "Draw"},       {ui->SpeedButton4, ui->ActionSearch, "Search"},
        {ui->SpeedButton5, ui->ActionEditAccount, "Edit"}, {ui->SpeedButton6, ui->ActionCancel, "Cancel"}};
    for (const auto &[button, action, picture] : buttons) {
        action->setIcon(QIcon(QStringLiteral(":/embedded/AccountDetail%1.png").arg(QLatin1String(picture))));
        button->setDefaultAction(action);
    }
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
