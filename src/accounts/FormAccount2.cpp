#include "accounts/FormAccount2.h"

#include <QAction>
#include <QToolButton>

#include "accounts/AccountChanges.h"
#include "journal/FormDraw.h"
#include "journal/FormGetPay.h"
#include "ui/Screen.h"
#include "shell/ModificationCheck.h"
#include "ui_FormAccount2.h"

FormAccount2::FormAccount2(ShareDataModule &data, ModificationCheck &modification, AccountChanges &changes, FormGetPay &entry,
                           FormDraw &draw, QWidget *parent)
    : QDialog(parent)
    , ui(std::make_unique<Ui::FormAccount2>())
    , m_data(data)
    , m_modification(modification)
    , m_changes(changes)
    , m_entry(entry)
    , m_draw(draw)
{
    ui->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setFixedSize(size());
    ui->Image1->setPixmap(QPixmap(QStringLiteral(":/embedded/AccountDetail.png")));
    bindButtons();
    connect(ui->ActionGet, &QAction::triggered, this, &FormAccount2::enterIncome);
    connect(ui->ActionPay, &QAction::triggered, this, &FormAccount2::enterExpense);
    connect(ui->ActionDraw, &QAction::triggered, this, &FormAccount2::transferFrom);
    connect(ui->ActionSearch, &QAction::triggered, this, &FormAccount2::showMonthRecords);
    connect(ui->ActionEditAccount, &QAction::triggered, this, &FormAccount2::editAccount);
    connect(ui->ActionCancel, &QAction::triggered, this, &QDialog::reject);
}

// Each button shows its action with the action's picture.
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

// A new record on this account only; the window closes whatever the entry dialog did.
void FormAccount2::enterRecord(int mode)
{
    m_entry.PresetAccountName = DetailAccountName;
    m_entry.EntryMode = mode;
    m_entry.PresetUser.clear();
    m_entry.PresetSum.clear();
    m_entry.PresetRemark.clear();
    m_entry.showModal();
    reject();
}

void FormAccount2::enterIncome()
{
    enterRecord(FormGetPay::NewIncome);
}

void FormAccount2::enterExpense()
{
    enterRecord(FormGetPay::NewExpense);
}

// This account gives; unlike the left panel's 平调 it is offered in every scope, since the source is
// fixed here and cannot be picked from the wrong book by mistake.
void FormAccount2::transferFrom()
{
    m_draw.PresetAccountName = DetailAccountName;
    m_draw.showModal();
    reject();
}

void FormAccount2::showMonthRecords()
{
    emit monthRecordsWanted(DetailAccountName);
    reject();
}

// The window stays open unless the change ran to its end, so a refused new name can be retyped.
void FormAccount2::editAccount()
{
    if (m_modification.passed() && m_changes.EditAccount(DetailAccountName))
        accept();
}
