#include "accounts/FormAccount.h"

#include <array>

#include "data/AtomicUnit.h"
#include "data/BooksEngine.h"
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

const QString RecordStoredMeanwhile = QStringLiteral("删除期间有新记录写入该帐户，请重试");

// Deletes the account in the current row of `found`, as it was read there, and every journal record of
// it: all or nothing. The records go first, in one statement: a record another cashier stores for the
// account meanwhile then keeps the account from going at all, and is never left behind without it.
bool removeWithRecords(ShareDataModule &books, Query &found, EngineError *error)
{
    const QString index = QString::number(found.fieldInteger(QStringLiteral("AccountIndex")));
    const QVariant shown = found.rowVersion();
    Query records(books);
    records.setSql(QStringLiteral("Select * From MoneyTable Where MoneyAccount = ") + index);
    Query account(books);
    account.setSql(QStringLiteral("Select * From Account Where AccountIndex = ") + index);
    const auto unit = [&](EngineError *failure) {
        if (!records.open() || !records.removeAll()) {
            *failure = records.lastFailure();
            return false;
        }
        if (!account.open()) {
            *failure = account.lastFailure();
            return false;
        }
        if (account.eof() || !account.isAsShown(shown)) {
            *failure = {0, account.eof() ? EngineText::RowGone : EngineText::RowChanged};
            return false;
        }
        if (account.remove())
            return true;
        *failure = account.lastFailure();
        return false;
    };
    if (runAtomically(books, unit, error))
        return true;
    if (error->kind == EngineError::Kind::Unlinked)
        *error = {error->code, RecordStoredMeanwhile};
    return false;
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
