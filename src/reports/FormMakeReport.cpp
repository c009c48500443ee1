#include "reports/FormMakeReport.h"

#include <QLabel>
#include <array>

#include "shell/AccountScope.h"
#include "data/Clock.h"
#include "data/Helpers.h"
#include "data/ProgramPaths.h"
#include "data/ShareDataModule.h"
#include "journal/AccountList.h"
#include "reports/ReportCondition.h"
#include "ui/Screen.h"
#include "ui/TextEntry.h"
#include "ui_FormMakeReport.h"

namespace {

const QString All = QStringLiteral("所有");

// The first line of a list, 所有, chooses no value.
QString chosenValue(const QComboBox *list)
{
    return list->currentIndex() > 0 ? list->currentText() : QString();
}

void startList(QComboBox *list)
{
    list->clear();
    list->addItem(All);
}

} // namespace

FormMakeReport::FormMakeReport(ShareDataModule &data, QWidget *parent)
    : QDialog(parent)
    , ui(std::make_unique<Ui::FormMakeReport>())
    , m_data(data)
{
    ui->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setFixedSize(size());
    ui->ComboBox1->addItems({All, QStringLiteral("财务收入单"), QStringLiteral("财务支出单")});
    ui->ComboBox1->setCurrentIndex(0);
    setPictures();
    connect(ui->CheckBox1, &QCheckBox::toggled, ui->DateTimePicker1, &QWidget::setEnabled);
    connect(ui->CheckBox1, &QCheckBox::toggled, ui->DateTimePicker2, &QWidget::setEnabled);
    connect(ui->CheckBox2, &QCheckBox::toggled, ui->Edit1, &QWidget::setEnabled);
    connect(ui->CheckBox2, &QCheckBox::toggled, ui->Edit2, &QWidget::setEnabled);
    connect(ui->BitBtn1, &QPushButton::clicked, this, &FormMakeReport::confirm);
    connect(ui->BitBtn2, &QPushButton::clicked, this, &FormMakeReport::reject);
}

FormMakeReport::~FormMakeReport() = default;

void FormMakeReport::setPictures()
{
    for (QLabel *mark : findChildren<QLabel *>())
        if (mark != ui->Image1 && mark->objectName().startsWith(QLatin1String("Image")))
            mark->setPixmap(QPixmap(QStringLiteral(":/embedded/ReportField.png")));
    ui->BitBtn1->setIcon(QIcon(QStringLiteral(":/embedded/JournalOk.png")));
    ui->BitBtn2->setIcon(QIcon(QStringLiteral(":/embedded/JournalCancel.png")));
}

int FormMakeReport::showModal()
{
    if (!prepareShowing())
        return QDialog::Rejected;
    return Screen::current().runModal(*this);
}

bool FormMakeReport::prepareShowing()
{
    const auto scope = AccountScope::read(QStringLiteral("1"));
    if (!scope)
        return false;
    const QString picture = AccountScope::picture(*scope);
    ui->Image1->setPixmap(picture.isEmpty() ? QPixmap() : QPixmap(ProgramPaths::file(picture)));
    resetFields();
    if (!fillLists(AccountScope::clause(*scope)))
        return false;
    ui->ComboBox1->setFocus();
    return true;
}

void FormMakeReport::resetFields()
{
    for (QLineEdit *box : {ui->Edit1, ui->Edit2, ui->Edit3, ui->Edit4, ui->Edit5, ui->Edit6})
        box->clear();
    const QDate today = Clock::today();
    const QDate first(today.year(), today.month(), 1);
    ui->DateTimePicker1->setDate(first);
    ui->DateTimePicker2->setDate(first.addMonths(1).addDays(-1));
    ui->CheckBox1->setChecked(false);
    ui->CheckBox2->setChecked(false);
    for (QWidget *field : std::initializer_list<QWidget *>{ui->DateTimePicker1, ui->DateTimePicker2, ui->Edit1, ui->Edit2})
        field->setEnabled(false);
}

bool FormMakeReport::fillLists(const QString &scopeClause)
{
    startList(ui->ComboBox2);
    Query &query = m_data.ADOQueryTemp();
    if (!FillAccountList(query, ui->ComboBox2, scopeClause))
        return false;
    ui->ComboBox2->setCurrentIndex(0);
    const std::array<QComboBox *, 3> lists{ui->ComboBox3, ui->ComboBox4, ui->ComboBox5};
    for (int type = 1; type <= 3; ++type) {
        QComboBox *list = lists[size_t(type - 1)];
        startList(list);
        list->setCurrentIndex(0);
        if (!RunQuery(query, QStringLiteral("Select * From Parameter Where ParameterType = ") + QString::number(type),
                      QStringLiteral("参数读入失败")))
            return false;
        for (query.first(); !query.eof(); query.next())
            list->addItem(query.fieldText(QStringLiteral("ParameterValue")));
    }
    return true;
}

// The bounds are checked even while 金额范围 is cleared, so a bad bound typed earlier still stops OK.
// A text looked for must be one the books can compare, as in the entry dialogs.
void FormMakeReport::confirm()
{
    ReportCondition.clear();
    if (!checkBound(ui->Edit1) || !checkBound(ui->Edit2))
        return;
    for (QLineEdit *text : {ui->Edit3, ui->Edit4, ui->Edit5, ui->Edit6})
        if (!CheckTextEntry(text))
            return;
    ReportCondition = ReportConditionFor(choices());
    accept();
}

bool FormMakeReport::checkBound(QLineEdit *bound)
{
    if (bound->text().isEmpty() || IsAmountBound(bound->text()))
        return true;
    Screen::current().inform(QStringLiteral("金额格式有误，请重新输入"));
    bound->setFocus();
    return false;
}

ReportChoices FormMakeReport::choices() const
{
    ReportChoices choices;
    choices.byDate = ui->CheckBox1->isChecked();
    choices.from = ui->DateTimePicker1->date();
    choices.to = ui->DateTimePicker2->date();
    choices.byAmount = ui->CheckBox2->isChecked();
    choices.lowerAmount = ui->Edit1->text();
    choices.upperAmount = ui->Edit2->text();
    choices.account = chosenValue(ui->ComboBox2);
    choices.reason = chosenValue(ui->ComboBox3);
    choices.type = chosenValue(ui->ComboBox4);
    choices.token = chosenValue(ui->ComboBox5);
    choices.kind = ui->ComboBox1->currentText();
    choices.user = ui->Edit4->text();
    choices.remark = ui->Edit6->text();
    choices.serial = ui->Edit3->text();
    choices.man = ui->Edit5->text();
    return choices;
}
