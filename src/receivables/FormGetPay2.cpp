#include "receivables/FormGetPay2.h"

#include <QLocale>
#include <array>

#include "data/BooksEngine.h"
#include "data/Failure.h"
#include "data/Helpers.h"
#include "data/ProgramPaths.h"
#include "data/ShareDataModule.h"
#include "journal/FormGetPay.h"
#include "shell/ViewContext.h"
#include "ui/AmountEntry.h"
#include "ui/Screen.h"
#include "ui_FormGetPay2.h"

namespace {

QString entryStatement(qint64 index)
{
    return QStringLiteral("Select * From GetPay Where GetPayIndex = ") + QString::number(index);
}

} // namespace

FormGetPay2::FormGetPay2(ShareDataModule &data, ViewContext &views, FormGetPay &entry, QWidget *parent)
    : QDialog(parent)
    , m_data(data)
    , m_main(views)
    , m_entry(entry)
    , ui(std::make_unique<Ui::FormGetPay2>())
{
    ui->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setFixedSize(size());
    ui->BitBtn1->setDefaultAction(ui->ActionYes);
    ui->BitBtn2->setDefaultAction(ui->ActionTransfer);
    ui->BitBtn3->setDefaultAction(ui->ActionCancel);
    setPictures();
    connect(ui->ActionYes, &QAction::triggered, this, &FormGetPay2::confirm);
    connect(ui->ActionTransfer, &QAction::triggered, this, &FormGetPay2::postToJournal);
    connect(ui->ActionCancel, &QAction::triggered, this, &FormGetPay2::reject);
}

FormGetPay2::~FormGetPay2() = default;

Query &FormGetPay2::scratch()
{
    return m_data.ADOQueryTemp();
}

void FormGetPay2::setPictures()
{
    ui->Image2->setPixmap(QPixmap(QStringLiteral(":/embedded/JournalFieldDate.png")));
    ui->Image3->setPixmap(QPixmap(QStringLiteral(":/embedded/JournalFieldCustomer.png")));
    ui->Image4->setPixmap(QPixmap(QStringLiteral(":/embedded/JournalFieldAmount.png")));
    ui->Image5->setPixmap(QPixmap(QStringLiteral(":/embedded/JournalFieldRemark.png")));
    ui->ActionYes->setIcon(QIcon(QStringLiteral(":/embedded/JournalOk.png")));
    ui->ActionTransfer->setIcon(QIcon(QStringLiteral(":/embedded/GetPayPost.png")));
    ui->ActionCancel->setIcon(QIcon(QStringLiteral(":/embedded/JournalCancel.png")));
}

int FormGetPay2::showModal()
{
    if (!prepareShowing())
        return QDialog::Rejected;
    return Screen::current().runModal(*this);
}

bool FormGetPay2::prepareShowing()
{
    showTitle();
    const bool posting = isEditMode();
    ui->BitBtn2->setVisible(posting);
    ui->ActionTransfer->setEnabled(posting);
    if (isNewMode())
        showNewEntry();
    else if (isEditMode() && !showStoredEntry())
        return false;
    ui->DateTimePicker1->setFocus();
    return true;
}

void FormGetPay2::showTitle()
{
    static const std::array<const char *, 4> titles{"Res\\NewGet2.bmp", "Res\\EditGet2.bmp", "Res\\NewPay2.bmp",
                                                    "Res\\EditPay2.bmp"};
    if (GetPay2Mode >= 0 && GetPay2Mode < int(titles.size()))
        ui->Image1->setPixmap(QPixmap(ProgramPaths::file(QString::fromLatin1(titles[size_t(GetPay2Mode)]))));
}

void FormGetPay2::showNewEntry()
{
    ui->DateTimePicker1->setDate(m_main.currentDate());
    for (QLineEdit *edit : {ui->Edit1, ui->Edit2, ui->Edit3})
        edit->clear();
    m_shownVersion.clear();
}

// An entry that cannot be read is not opened: saving blank fields over it would lose it.
bool FormGetPay2::showStoredEntry()
{
    Query &query = scratch();
    if (!RunQuery(query, entryStatement(GetPay2Index), QStringLiteral("记录读入失败")))
        return false;
    if (query.eof()) {
        Screen::current().inform(QStringLiteral("找不到要修改的记录"));
        return false;
    }
    ui->DateTimePicker1->setDate(query.fieldDate(QStringLiteral("GetPayTime")));
    ui->Edit1->setText(query.fieldText(QStringLiteral("GetPayUser")));
    ui->Edit2->setText(QString::number(qAbs(query.fieldNumber(QStringLiteral("GetPaySum"))), 'f',
                                       QLocale::FloatingPointShortest));
    ui->Edit3->setText(query.fieldText(QStringLiteral("GetPayRemark")));
    m_shownVersion = query.rowVersion();
    return true;
}

void FormGetPay2::confirm()
{
    double amount = 0;
    if (!checkAmount(&amount))
        return;
    if (isNewMode())
        storeNew(amount);
    else if (isEditMode())
        storeChange(amount);
}

bool FormGetPay2::checkAmount(double *amount)
{
    if (!CheckAmountEntry(ui->Edit2))
        return false;
    if (AmountFromText(ui->Edit2->text(), amount))
        return true;
    ui->Edit2->setFocus();
    return false;
}

void FormGetPay2::storeNew(double amount)
{
    Query &query = scratch();
    if (!RunQuery(query, QStringLiteral("Select * From GetPay"), QStringLiteral("数据库打开失败")))
        return;
    query.append();
    setEntryFields(query, amount);
    finish(query, QStringLiteral("记录新增成功"));
}

void FormGetPay2::storeChange(double amount)
{
    Query &query = scratch();
    if (!RunQuery(query, entryStatement(GetPay2Index), QStringLiteral("数据库打开失败")))
        return;
    if (query.eof()) {
        Screen::current().inform(QStringLiteral("找不到要修改的记录"));
        return;
    }
    query.editAsShown(m_shownVersion);
    setEntryFields(query, amount);
    finish(query, QStringLiteral("记录修改成功"));
}

void FormGetPay2::setEntryFields(Query &query, double amount)
{
    query.setField(QStringLiteral("GetPayTime"), ui->DateTimePicker1->date());
    query.setField(QStringLiteral("GetPayUser"), ui->Edit1->text());
    // 0.0 - amount keeps a payable of 0 at 0 rather than -0; it is listed as a receivable then.
    query.setField(QStringLiteral("GetPaySum"), isPayable() ? 0.0 - amount : amount);
    query.setField(QStringLiteral("GetPayRemark"), ui->Edit3->text());
}

// Stores the row; only a stored row is announced, and then the lists show it.
void FormGetPay2::finish(Query &query, const QString &message)
{
    if (!query.post()) {
        ReportFailure(QStringLiteral("记录未能保存"), query.lastFailure());
        return;
    }
    Screen::current().inform(message);
    m_main.LoadGetPayLists();
    accept();
}

// Hands what stands in the dialog now (stored or not) to a new journal record. Whether the entry is to
// go is asked first, so that the record and the entry's deletion are stored together or not at all.
// An entry another cashier posted, deleted or changed since it was shown is not posted again.
void FormGetPay2::postToJournal()
{
    if (!isStillAsShown())
        return;
    const QString question = isPayable() ? QStringLiteral("款项入帐后，是否删除当前应付记录？")
                                         : QStringLiteral("款项入帐后，是否删除当前应收记录？");
    const bool remove = Screen::current().ask(QStringLiteral("款项删除"), question);
    m_entry.EntryMode = isPayable() ? FormGetPay::NewExpense : FormGetPay::NewIncome;
    m_entry.PresetUser = ui->Edit1->text();
    m_entry.PresetSum = ui->Edit2->text();
    m_entry.PresetRemark = ui->Edit3->text();
    m_entry.Posting = FormGetPay::PostedEntry{GetPay2Index, remove, m_shownVersion};
    if (m_entry.showModal() == QDialog::Accepted)
        accept();
}

bool FormGetPay2::isStillAsShown()
{
    Query &query = scratch();
    if (!RunQuery(query, entryStatement(GetPay2Index), QStringLiteral("记录读入失败")))
        return false;
    if (query.eof()) {
        Screen::current().inform(FormGetPay::PostedElsewhere);
        return false;
    }
    if (query.isAsShown(m_shownVersion))
        return true;
    Screen::current().inform(EngineText::RowChanged);
    return false;
}
