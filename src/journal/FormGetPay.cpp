#include "journal/FormGetPay.h"

#include <array>

#include "shell/AccountScope.h"
#include "data/AtomicUnit.h"
#include "data/BooksEngine.h"
#include "data/Clock.h"
#include "data/Failure.h"
#include "data/Helpers.h"
#include "data/JetSql.h"
#include "data/ProgramPaths.h"
#include "data/ShareDataModule.h"
#include "journal/AccountList.h"
#include "shell/ViewContext.h"
#include "ui/AmountEntry.h"
#include "ui/Screen.h"
#include "ui/TextEntry.h"
#include "ui_FormGetPay.h"

namespace {

const QString OpenFailure = QStringLiteral("数据库打开失败");

QString recordStatement(int index)
{
    return QStringLiteral("Select * From MoneyTable Where MoneyIndex = ") + QString::number(index);
}

// Selects the entry that reads exactly `text`, the last of several; without a match the list keeps
// its selection.
void selectText(QComboBox *list, const QString &text)
{
    for (int item = 0; item < list->count(); ++item)
        if (list->itemText(item) == text)
            list->setCurrentIndex(item);
}

void selectFirst(QComboBox *list)
{
    if (list->count() > 0)
        list->setCurrentIndex(0);
}

// An entry to post that another cashier handled: gone (posted or deleted), or changed. Always false.
bool refuseHandledEntry(bool gone, QString *refusal)
{
    *refusal = gone ? FormGetPay::PostedElsewhere : EngineText::RowChanged;
    return false;
}

} // namespace

FormGetPay::FormGetPay(ShareDataModule &data, ViewContext &views, QWidget *parent)
    : QDialog(parent)
    , m_data(data)
    , m_views(views)
    , ui(std::make_unique<Ui::FormGetPay>())
{
    ui->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setFixedSize(size());
    setPictures();
    connect(ui->BitBtn1, &QPushButton::clicked, this, &FormGetPay::confirm);
    connect(ui->BitBtn2, &QPushButton::clicked, this, &FormGetPay::reject);
    connect(ui->BitBtn3, &QPushButton::clicked, this, &FormGetPay::deleteRecord);
}

FormGetPay::~FormGetPay() = default;

Query &FormGetPay::scratch()
{
    return m_data.ADOQueryTemp();
}

void FormGetPay::setPictures()
{
    const std::array<std::pair<QLabel *, const char *>, 10> icons{{
        {ui->Image2, "Serial"}, {ui->Image3, "Account"}, {ui->Image4, "Date"}, {ui->Image5, "Customer"},
        {ui->Image6, "Amount"}, {ui->Image7, "Kind"}, {ui->Image8, "Category"}, {ui->Image9, "Voucher"},
        {ui->Image10, "Clerk"}, {ui->Image11, "Remark"},
    }};
    for (const auto &[label, name] : icons)
        label->setPixmap(QPixmap(QStringLiteral(":/embedded/JournalField%1.png").arg(QLatin1String(name))));
    ui->BitBtn1->setIcon(QIcon(QStringLiteral(":/embedded/JournalOk.png")));
    ui->BitBtn2->setIcon(QIcon(QStringLiteral(":/embedded/JournalCancel.png")));
    ui->BitBtn3->setIcon(QIcon(QStringLiteral(":/embedded/JournalDelete.png")));
}

int FormGetPay::showModal()
{
    if (!prepareShowing())
        return QDialog::Rejected;
    return Screen::current().runModal(*this);
}

// A grid may not show the amount, or show it rounded to 0 or changed since it was read: the kind of
// the record is only ever taken from the books.
int FormGetPay::showCorrection(int index)
{
    Query &query = scratch();
    if (!RunQuery(query, recordStatement(index), QStringLiteral("帐款读入失败")))
        return QDialog::Rejected;
    if (query.eof()) {
        Screen::current().inform(QStringLiteral("找不到要修改的记录"));
        return QDialog::Rejected;
    }
    EntryMode = query.fieldNumber(QStringLiteral("MoneySum")) >= 0 ? EditIncome : EditExpense;
    EntryIndex = index;
    return showModal();
}

bool FormGetPay::prepareShowing()
{
    const QString presetAccount = std::exchange(PresetAccountName, QString());
    m_posting = std::exchange(Posting, std::nullopt);
    showBanner();
    resetFields();
    const bool open = fillFields(presetAccount);
    ui->Edit1->setFocus();
    return open;
}

void FormGetPay::showBanner()
{
    static const std::array<const char *, 4> banners{"Res\\NewGet.bmp", "Res\\EditGet.bmp", "Res\\NewPay.bmp",
                                                     "Res\\EditPay.bmp"};
    if (EntryMode >= 0 && EntryMode < int(banners.size()))
        ui->Image1->setPixmap(QPixmap(ProgramPaths::file(QString::fromLatin1(banners[size_t(EntryMode)]))));
}

// Nothing of an earlier showing survives, even when the filling stops at a failed statement. 删除
// stays hidden until the record to delete was read and shown.
void FormGetPay::resetFields()
{
    for (QLineEdit *edit : {ui->Edit1, ui->Edit2, ui->Edit3, ui->Edit4, ui->Edit5})
        edit->clear();
    for (QComboBox *list : {ui->ComboBox1, ui->ComboBox2, ui->ComboBox3, ui->ComboBox4})
        list->clear();
    ui->ComboBox1->setEnabled(true);
    ui->DateTimePicker1->setDate(m_views.currentDate());
    ui->BitBtn3->hide();
    m_shownVersion.clear();
}

bool FormGetPay::fillFields(const QString &presetAccount)
{
    const auto scope = AccountScope::read(QStringLiteral("1"));
    if (!scope)
        return false;
    if (!fillAccounts(presetAccount, AccountScope::clause(*scope)) || !fillLists())
        return true;
    if (isNewMode())
        showPresets();
    else if (isEditMode())
        return showStoredRecord();
    return true;
}

bool FormGetPay::fillAccounts(const QString &presetAccount, const QString &scopeClause)
{
    QComboBox *accounts = ui->ComboBox1;
    if (!presetAccount.isEmpty()) {
        accounts->setEnabled(false);
        accounts->addItem(presetAccount);
        accounts->setCurrentIndex(0);
        return true;
    }
    return FillAccountList(scratch(), accounts, scopeClause);
}

bool FormGetPay::fillLists()
{
    const std::array<QComboBox *, 3> lists{ui->ComboBox2, ui->ComboBox3, ui->ComboBox4};
    Query &query = scratch();
    for (int type = 1; type <= 3; ++type) {
        QComboBox *list = lists[size_t(type - 1)];
        if (!RunQuery(query, QStringLiteral("Select * From Parameter Where ParameterType = ") + QString::number(type),
                      QStringLiteral("参数读入失败")))
            return false;
        for (query.first(); !query.eof(); query.next())
            list->addItem(query.fieldText(QStringLiteral("ParameterValue")));
        list->setCurrentIndex(-1);
    }
    return true;
}

void FormGetPay::showPresets()
{
    ui->Edit2->setText(PresetUser);
    ui->Edit3->setText(PresetSum);
    ui->Edit5->setText(PresetRemark);
    for (QComboBox *list : {ui->ComboBox1, ui->ComboBox2, ui->ComboBox3, ui->ComboBox4})
        selectFirst(list);
}

// The record's version is read before its fields: should another cashier change it in between, the
// version shown is the older one and 确定 is refused rather than storing over the change.
bool FormGetPay::showStoredRecord()
{
    Query &query = scratch();
    if (!RunQuery(query, recordStatement(EntryIndex), QStringLiteral("帐款读入失败")))
        return true;
    m_shownVersion = query.rowVersion();
    if (!RunQuery(query,
                  QStringLiteral("Select * From Account,MoneyTable Where (AccountIndex = MoneyAccount) And (MoneyIndex = ")
                      + QString::number(EntryIndex) + QLatin1Char(')'),
                  QStringLiteral("帐款读入失败")))
        return true;
    if (query.eof()) {
        Screen::current().inform(QStringLiteral("找不到要修改的记录"));
        return false;
    }
    selectText(ui->ComboBox1, query.fieldText(QStringLiteral("AccountName")));
    ui->DateTimePicker1->setDate(query.fieldDate(QStringLiteral("MoneyCreateTime")));
    ui->Edit2->setText(query.fieldText(QStringLiteral("MoneyUser")));
    selectText(ui->ComboBox2, query.fieldText(QStringLiteral("MoneyReason")));
    ui->Edit3->setText(RoundToText(qAbs(query.fieldNumber(QStringLiteral("MoneySum")))));
    selectText(ui->ComboBox3, query.fieldText(QStringLiteral("MoneyType")));
    selectText(ui->ComboBox4, query.fieldText(QStringLiteral("MoneyToken")));
    ui->Edit5->setText(query.fieldText(QStringLiteral("MoneyRemark")));
    ui->Edit1->setText(query.fieldText(QStringLiteral("MoneySerial")));
    ui->Edit4->setText(query.fieldText(QStringLiteral("MoneyMan")));
    ui->BitBtn3->show();
    return true;
}

void FormGetPay::confirm()
{
    if (!checkEntry())
        return;
    Query &query = scratch();
    if (!RunQuery(query, QStringLiteral("Select * From Account Where AccountName = ") + JetSql::quoted(ui->ComboBox1->currentText()),
                  OpenFailure))
        return;
    if (query.eof()) {
        Screen::current().inform(QStringLiteral("找不到所需要的帐户"));
        return;
    }
    const qint64 account = query.fieldInteger(QStringLiteral("AccountIndex"));
    double amount = 0;
    if (!AmountFromText(ui->Edit3->text(), &amount)) {
        ui->Edit3->setFocus();
        return;
    }
    if (isNewMode())
        storeNew(account, amount);
    else if (isEditMode())
        storeChange(account, amount);
}

bool FormGetPay::checkEntry()
{
    if (ui->ComboBox1->currentText().isEmpty())
        return refuse(QStringLiteral("请选择一个帐户"), ui->ComboBox1);
    if (ui->ComboBox2->currentText().isEmpty())
        return refuse(QStringLiteral("请选择帐款项目"), ui->ComboBox2);
    if (!CheckAmountEntry(ui->Edit3))
        return false;
    if (ui->ComboBox3->currentText().isEmpty())
        return refuse(QStringLiteral("请选择帐款类别"), ui->ComboBox3);
    if (ui->ComboBox4->currentText().isEmpty())
        return refuse(QStringLiteral("请选择帐款凭证"), ui->ComboBox4);
    for (QLineEdit *edit : {ui->Edit1, ui->Edit2, ui->Edit4, ui->Edit5})
        if (!CheckTextEntry(edit))
            return false;
    return true;
}

bool FormGetPay::refuse(const QString &message, QWidget *field)
{
    Screen::current().inform(message);
    field->setFocus();
    return false;
}

void FormGetPay::storeNew(qint64 account, double amount)
{
    Query &query = scratch();
    if (!RunQuery(query, QStringLiteral("Select * From MoneyTable"), OpenFailure))
        return;
    QString refusal;
    EngineError error;
    if (storeTogether(query, account, amount, &refusal, &error))
        finish(QStringLiteral("记录新增成功"));
    else if (!refusal.isEmpty())
        Screen::current().inform(refusal);
    else
        ReportFailure(QStringLiteral("记录未能保存"), error);
}

// The new record and, for a posting, what becomes of the posted entry: one transaction, so that a
// failure or a kill leaves neither. Nothing is told here; the books are let go before any message.
bool FormGetPay::storeTogether(Query &query, qint64 account, double amount, QString *refusal, EngineError *error)
{
    return runAtomically(
        m_data,
        [&](EngineError *failure) {
            if (m_posting && !takePostedEntry(*m_posting, refusal, failure))
                return false;
            query.append();
            query.setField(QStringLiteral("MoneyRecordTime"), Clock::today());
            setRecordFields(query, account, amount);
            if (query.post())
                return true;
            *failure = query.lastFailure();
            return false;
        },
        error);
}

// An entry deleted, changed or posted elsewhere since it was shown is posted no more: found so when it is
// read, or by its deletion when another desk took it at the same moment.
bool FormGetPay::takePostedEntry(const PostedEntry &posted, QString *refusal, EngineError *error)
{
    Query entry(m_data);
    entry.setSql(QStringLiteral("Select * From GetPay Where GetPayIndex = ") + QString::number(posted.index));
    if (!entry.open()) {
        *error = entry.lastFailure();
        return false;
    }
    if (entry.eof() || !entry.isAsShown(posted.version))
        return refuseHandledEntry(entry.eof(), refusal);
    if (!posted.remove || entry.remove())
        return true;
    const QString met = entry.lastFailure().text;
    if (met == EngineText::RowGone || met == EngineText::RowChanged)
        return refuseHandledEntry(met == EngineText::RowGone, refusal);
    *error = entry.lastFailure();
    return false;
}

void FormGetPay::storeChange(qint64 account, double amount)
{
    Query &query = scratch();
    if (!RunQuery(query, recordStatement(EntryIndex), OpenFailure))
        return;
    if (query.eof()) {
        Screen::current().inform(QStringLiteral("找不到要修改的记录"));
        return;
    }
    query.editAsShown(m_shownVersion);
    setRecordFields(query, account, amount);
    if (postRecord(query))
        finish(QStringLiteral("记录修改成功"));
}

void FormGetPay::setRecordFields(Query &query, qint64 account, double amount)
{
    const double signedAmount = isExpenseMode() ? -amount : amount;
    query.setField(QStringLiteral("MoneyAccount"), account);
    query.setField(QStringLiteral("MoneyCreateTime"), ui->DateTimePicker1->date());
    query.setField(QStringLiteral("MoneyUser"), ui->Edit2->text());
    query.setField(QStringLiteral("MoneyReason"), ui->ComboBox2->currentText());
    query.setField(QStringLiteral("MoneySum"), signedAmount);
    query.setField(QStringLiteral("MoneyType"), ui->ComboBox3->currentText());
    query.setField(QStringLiteral("MoneyToken"), ui->ComboBox4->currentText());
    query.setField(QStringLiteral("MoneyRemark"), ui->Edit5->text());
    query.setField(QStringLiteral("MoneySerial"), ui->Edit1->text());
    query.setField(QStringLiteral("MoneyMan"), ui->Edit4->text());
}

bool FormGetPay::postRecord(Query &query)
{
    if (query.post())
        return true;
    ReportFailure(QStringLiteral("记录未能保存"), query.lastFailure());
    return false;
}

void FormGetPay::deleteRecord()
{
    Query &query = scratch();
    if (!RunQuery(query, recordStatement(EntryIndex), OpenFailure))
        return;
    if (query.eof()) {
        Screen::current().inform(QStringLiteral("找不到要删除的记录"));
        return;
    }
    if (!Screen::current().ask(QStringLiteral("删除警告"), QStringLiteral("确实要删除该记录吗？")))
        return;
    if (!query.remove()) {
        ReportFailure(QStringLiteral("记录未能删除"), query.lastFailure());
        return;
    }
    finish(QString());
}

void FormGetPay::finish(const QString &message)
{
    if (!message.isEmpty())
        Screen::current().inform(message);
    m_views.refreshAll();
    accept();
}
