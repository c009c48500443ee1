#include "accounts/FormAccount.h"

#include <array>

#include "data/Failure.h"
#include "data/JetSql.h"
#include "data/ProgramPaths.h"
#include "data/ShareDataModule.h"
#include "ui/Screen.h"
#include "ui/TextEntry.h"
#include "ui_FormAccount.h"

namespace {

// The picture of each account type, 0 (none chosen yet) to 4.
const std::array<const char *, 5> TypePictures{"Res/EmptyAccount.bmp", "Res/CompanyAccount2.bmp",
                                               "Res/CompanyAccount3.bmp", "Res/PersonAccount2.bmp",
                                               "Res/PersonAccount3.bmp"};

// Deletes the account in the current row of `found` and every journal record of it, all or nothing.
bool removeWithRecords(ShareDataModule &books, Query &found, EngineError *error)
{
    Transaction together(books);
    if (!together.isActive()) {
        *error = together.lastError();
        return false;
    }
    const qint64 index = found.fieldInteger(QStringLiteral("AccountIndex"));
    if (!found.remove()) {
        *error = found.lastFailure();
        return false;
    }
    Query &records = books.ADOQueryTemp();
    records.setSql(QStringLiteral("Select * From MoneyTable Where MoneyAccount = ") + QString::number(index));
    if (!records.open()) {
        *error = records.lastFailure();
        return false;
    }
    for (records.first(); !records.eof();) {
        if (!records.remove()) {
            *error = records.lastFailure();
            return false;
        }
    }
    if (!together.commit()) {
        *error = together.lastError();
        return false;
    }
    return true;
}

} // namespace

FormAccount::FormAccount(ShareDataModule &data, QWidget *parent)
    : QDialog(parent)
    , ui(std::make_unique<Ui::FormAccount>())
    , m_data(data)
{
    ui->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setFixedSize(size());
    ui->Image2->setPixmap(QPixmap(QStringLiteral(":/embedded/AccountLedger.png")));
    ui->BitBtn1->setIcon(QIcon(QStringLiteral(":/embedded/AccountBank.png")));
    ui->BitBtn2->setIcon(QIcon(QStringLiteral(":/embedded/AccountCash.png")));
    ui->SpeedButton3->setIcon(QIcon(QStringLiteral(":/embedded/AccountDelete.png")));
    ui->SpeedButton1->setIcon(QIcon(QStringLiteral(":/embedded/AccountOk.png")));
    ui->SpeedButton2->setIcon(QIcon(QStringLiteral(":/embedded/AccountCancel.png")));
    connect(ui->BitBtn1, &QToolButton::clicked, this, [this] { chooseType(1); });
    connect(ui->BitBtn2, &QToolButton::clicked, this, [this] { chooseType(2); });
    connect(ui->SpeedButton1, &QToolButton::clicked, this, &FormAccount::confirm);
    connect(ui->SpeedButton2, &QToolButton::clicked, this, &FormAccount::reject);
    connect(ui->SpeedButton3, &QToolButton::clicked, this, &FormAccount::deleteAccount);
}

FormAccount::~FormAccount() = default;

void FormAccount::prepareToShow()
{
    const bool editing = !ChosenAccountName.isEmpty();
    setWindowTitle(editing ? QStringLiteral("修改帐户") : QStringLiteral("新增帐户"));
    ui->SpeedButton3->setVisible(editing);
    ui->Edit1->setText(ChosenAccountName);
    ShowTypePicture();
}

bool FormAccount::collectAccount()
{
    prepareToShow();
    return Screen::current().runModal(*this) == QDialog::Accepted;
}

void FormAccount::ShowTypePicture()
{
    if (ChosenAccountType < 0 || ChosenAccountType >= int(TypePictures.size()))
        return;
    ui->Image4->setPixmap(QPixmap(ProgramPaths::file(QLatin1String(TypePictures[size_t(ChosenAccountType)]))));
}

void FormAccount::chooseType(int accountType)
{
    ChosenAccountType = accountType;
    ShowTypePicture();
}

// The name is taken as typed: a name of blanks counts as a name.
void FormAccount::confirm()
{
    if (ChosenAccountType == 0) {
        Screen::current().inform(QStringLiteral("请先点击图案，选择帐户类型"));
        ui->BitBtn1->setFocus();
        return;
    }
    if (ui->Edit1->text().isEmpty()) {
        Screen::current().inform(QStringLiteral("帐户名称不得为空"));
        ui->Edit1->setFocus();
        return;
    }
    if (!CheckTextEntry(ui->Edit1))
        return;
    ChosenAccountName = ui->Edit1->text();
    accept();
}

// Deletes the account the dialog was opened for (whatever the name field holds now) with all its
// records. An account that is gone already leaves the dialog as it is.
void FormAccount::deleteAccount()
{
    Query &found = m_data.ADOQueryTemp();
    found.setSql(QStringLiteral("Select * From Account Where AccountName = ") + JetSql::quoted(ChosenAccountName));
    if (!found.open()) {
        ReportFailure(QStringLiteral("无法读取帐户，未删除"), found.lastFailure());
        return;
    }
    if (found.eof())
        return;
    if (!Screen::current().ask(QStringLiteral("删除警告"), QStringLiteral("删除帐户将删除该帐户下所有记录，确实要删除吗？")))
        return;
    EngineError error;
    if (!removeWithRecords(m_data, found, &error)) {
        ReportFailure(QStringLiteral("帐户删除失败，帐户及其记录均未改动"), error);
        return;
    }
    accept();
}
