#include "journal/FormDraw.h"

#include "shell/AccountScope.h"
#include "data/AtomicUnit.h"
#include "data/Clock.h"
#include "data/Failure.h"
#include "data/Helpers.h"
#include "data/JetSql.h"
#include "data/ProgramPaths.h"
#include "data/Settings.h"
#include "data/ShareDataModule.h"
#include "journal/AccountList.h"
#include "shell/ViewContext.h"
#include "ui/AmountEntry.h"
#include "ui/Screen.h"
#include "ui_FormDraw.h"

namespace {

const QString OpenFailure = QStringLiteral("数据库打开失败");

} // namespace

FormDraw::FormDraw(ShareDataModule &data, ViewContext &views, QWidget *parent)
    : QDialog(parent)
    , m_data(data)
    , m_main(views)
    , ui(std::make_unique<Ui::FormDraw>())
{
    ui->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setFixedSize(size());
    setPictures();
    connect(ui->BitBtn1, &QPushButton::clicked, this, &FormDraw::confirm);
    connect(ui->BitBtn2, &QPushButton::clicked, this, &FormDraw::reject);
}

FormDraw::~FormDraw() = default;

Query &FormDraw::scratch()
{
    return m_data.ADOQueryTemp();
}

void FormDraw::setPictures()
{
    ui->Image1->setPixmap(QPixmap(QStringLiteral(":/embedded/DrawBanner.png")));
    ui->Image2->setPixmap(QPixmap(QStringLiteral(":/embedded/DrawSource.png")));
    ui->Image3->setPixmap(QPixmap(QStringLiteral(":/embedded/DrawArrow.png")));
    ui->Image4->setPixmap(QPixmap(QStringLiteral(":/embedded/DrawTarget.png")));
    ui->BitBtn1->setIcon(QIcon(QStringLiteral(":/embedded/JournalOk.png")));
    ui->BitBtn2->setIcon(QIcon(QStringLiteral(":/embedded/JournalCancel.png")));
}

void FormDraw::drawFromLeftPanel()
{
    const QString scope = ReadSetting(QStringLiteral("Kalvora2"), QStringLiteral("AccountType"), QStringLiteral("1"),
                                      ProgramPaths::settingsPath());
    if (scope == u"7") {
        Screen::current().inform(QStringLiteral("为免出现平调错误，在“所有帐户”状态下不提供平调功能！"));
        return;
    }
    showModal();
}

int FormDraw::showModal()
{
    if (!prepareShowing())
        return QDialog::Rejected;
    return Screen::current().runModal(*this);
}

bool FormDraw::prepareShowing()
{
    const QString presetAccount = std::exchange(PresetAccountName, QString());
    for (QComboBox *list : {ui->ComboBox1, ui->ComboBox2})
        list->clear();
    ui->Edit1->clear();
    ui->Edit2->clear();
    ui->DateTimePicker1->setDate(Clock::today());
    const auto scope = AccountScope::read(QStringLiteral("1"));
    if (!scope)
        return false;
    const QString clause = AccountScope::clause(*scope);
    if (fillSource(presetAccount, clause))
        FillAccountList(scratch(), ui->ComboBox2, clause);
    return true;
}

bool FormDraw::fillSource(const QString &presetAccount, const QString &scopeClause)
{
    QComboBox *source = ui->ComboBox1;
    if (presetAccount.isEmpty()) {
        source->setEnabled(true);
        source->setFocus();
        return FillAccountList(scratch(), source, scopeClause);
    }
    source->setEnabled(false);
    source->addItem(presetAccount);
    source->setCurrentIndex(0);
    ui->ComboBox2->setFocus();
    return true;
}

void FormDraw::confirm()
{
    double amount = 0;
    if (!checkEntry(&amount))
        return;
    const auto from = lookUp(ui->ComboBox1->currentText(), QStringLiteral("找不到调出帐户"));
    if (!from)
        return;
    const auto to = lookUp(ui->ComboBox2->currentText(), QStringLiteral("找不到调入帐户"));
    if (!to || !storePair(*from, *to, amount))
        return;
    Screen::current().inform(QStringLiteral("平调成功"));
    m_main.refreshAll();
    accept();
}

// The checks in their order; the first that fails tells the user. On success *amount is the amount
// to move.
bool FormDraw::checkEntry(double *amount)
{
    if (ui->ComboBox1->currentText().isEmpty())
        return refuse(QStringLiteral("请选择调出帐户"), ui->ComboBox1);
    if (ui->ComboBox2->currentText().isEmpty())
        return refuse(QStringLiteral("请选择调入帐户"), ui->ComboBox2);
    if (ui->ComboBox1->currentText() == ui->ComboBox2->currentText()) {
        Screen::current().inform(QStringLiteral("调出帐户和调入帐户不能相同"));
        return false;
    }
    if (!CheckAmountEntry(ui->Edit1))
        return false;
    if (!AmountFromText(ui->Edit1->text(), amount)) {
        ui->Edit1->setFocus();
        return false;
    }
    return true;
}

bool FormDraw::refuse(const QString &message, QWidget *field)
{
    Screen::current().inform(message);
    field->setFocus();
    return false;
}

std::optional<FormDraw::Account> FormDraw::lookUp(const QString &name, const QString &missing)
{
    Query &query = scratch();
    if (!RunQuery(query, QStringLiteral("Select * From Account Where AccountName = ") + JetSql::quoted(name), OpenFailure))
        return std::nullopt;
    if (query.eof()) {
        Screen::current().inform(missing);
        return std::nullopt;
    }
    return Account{name, query.fieldInteger(QStringLiteral("AccountIndex")), query.fieldInteger(QStringLiteral("AccountType"))};
}

// Both records or neither: money that left one account always arrives at the other. The outgoing
// record is stored first and so gets the lower number.
bool FormDraw::storePair(const Account &from, const Account &to, double amount)
{
    Query &query = scratch();
    if (!RunQuery(query, QStringLiteral("Select * From MoneyTable"), OpenFailure))
        return false;
    const QString reason = from.type == to.type ? QStringLiteral("帐户平调") : QStringLiteral("帐簿平调");
    EngineError error;
    // 0.0 - amount keeps a transfer of 0 at 0 rather than -0.
    if (runAtomically(m_data,
                      [&](EngineError *failure) {
                          return appendRecord(query, from, 0.0 - amount, QStringLiteral("调出->") + to.name, reason,
                                              failure)
                              && appendRecord(query, to, amount, from.name + QStringLiteral("->调入"), reason, failure);
                      },
                      &error))
        return true;
    ReportFailure(QStringLiteral("平调没有保存，两个帐户都未改动"), error);
    return false;
}

bool FormDraw::appendRecord(Query &query, const Account &account, double amount, const QString &user,
                            const QString &reason, EngineError *error)
{
    query.append();
    query.setField(QStringLiteral("MoneyAccount"), account.index);
    query.setField(QStringLiteral("MoneyRecordTime"), Clock::today());
    query.setField(QStringLiteral("MoneyCreateTime"), ui->DateTimePicker1->date());
    query.setField(QStringLiteral("MoneyReason"), reason);
    query.setField(QStringLiteral("MoneySum"), amount);
    query.setField(QStringLiteral("MoneyUser"), user);
    query.setField(QStringLiteral("MoneyRemark"), ui->Edit2->text());
    if (query.post())
        return true;
    *error = query.lastFailure();
    return false;
}
