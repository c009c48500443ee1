#include "receivables/ReceivablesPage.h"

#include <QAction>
#include <QEvent>
#include <QToolButton>

#include "data/Failure.h"
#include "data/Helpers.h"
#include "data/ShareDataModule.h"
#include "grid/DataGrid.h"
#include "receivables/FormGetPay2.h"
#include "ui/Screen.h"
#include "ui_ReceivablesPage.h"

namespace {

struct ColumnLook
{
    const char *field;
    const char *title;
    int width;
};

// The columns of each list, in order; the first carries 合计 in the footer, the last its sum.
const std::array<ColumnLook, 3> ReceivableColumns{{
    {"GetPayTime", "应收日期", 80},
    {"GetPayUser", "应收客户", 110},
    {"GetPaySum", "应收金额", 60},
}};
const std::array<ColumnLook, 3> PayableColumns{{
    {"GetPayTime", "应付日期", 80},
    {"GetPayUser", "应付客户", 110},
    {"GetPaySum2", "应付金额", 60},
}};

const std::array<ColumnLook, 3> &columnsOf(ReceivablesPage::Side side)
{
    return side == ReceivablesPage::Side::Receivable ? ReceivableColumns : PayableColumns;
}

DataGrid::Footer centred(DataGrid::Footer footer)
{
    footer.alignment = Qt::AlignCenter;
    return footer;
}

void showColumns(DataGrid &grid, const std::array<ColumnLook, 3> &columns)
{
    QStringList fields;
    for (const ColumnLook &look : columns)
        fields.append(QString::fromLatin1(look.field));
    grid.rebuildColumns(fields);
    for (int column = 0; column < grid.columnCount(); ++column) {
        grid.setTitle(column, QString::fromUtf8(columns[size_t(column)].title));
        grid.setAlignment(column, Qt::AlignCenter);
        grid.setColumnWidth(column, columns[size_t(column)].width);
        grid.setFooter(column, centred(DataGrid::Footer()));
    }
    grid.setFooter(0, centred(DataGrid::Footer::fixedText(QStringLiteral("合计"))));
    grid.setFooter(2, centred(DataGrid::Footer::sum()));
}

} // namespace

ReceivablesPage::ReceivablesPage(ShareDataModule &data, FormGetPay2 &dialog, QWidget *parent)
    : QWidget(parent)
    , ui(std::make_unique<Ui::ReceivablesPage>())
    , m_get(std::make_unique<Query>(data))
    , m_pay(std::make_unique<Query>(data))
    , m_dialog(dialog)
{
    ui->setupUi(this);
    ui->ImageGetList->setPixmap(QPixmap(QStringLiteral(":/embedded/GetListTitle.png")));
    ui->ImagePayList->setPixmap(QPixmap(QStringLiteral(":/embedded/PayListTitle.png")));
    ui->DBGridEh3->viewport()->installEventFilter(this);
    ui->DBGridEh4->viewport()->installEventFilter(this);
}

ReceivablesPage::~ReceivablesPage() = default;

void ReceivablesPage::bindActions(const std::array<QAction *, 3> &receivable, const std::array<QAction *, 3> &payable)
{
    static const std::array<const char *, 3> pictures{"New", "Edit", "Delete"};
    const auto bind = [this](const std::array<QAction *, 3> &actions, const std::array<QToolButton *, 3> &buttons,
                             Side side) {
        const QString list = side == Side::Receivable ? QStringLiteral("Get") : QStringLiteral("Pay");
        for (size_t i = 0; i < actions.size(); ++i) {
            actions[i]->setIcon(QIcon(QStringLiteral(":/embedded/%1%2.png").arg(list, QLatin1String(pictures[i]))));
            actions[i]->setIconText(actions[i]->text()); // the button shows the caption as written, blanks included
            buttons[i]->setDefaultAction(actions[i]);
        }
        connect(actions[0], &QAction::triggered, this, [this, side] { newEntry(side); });
        connect(actions[1], &QAction::triggered, this, [this, side] { editEntry(side); });
        connect(actions[2], &QAction::triggered, this, [this, side] { deleteEntry(side); });
    };
    bind(receivable, {ui->SpeedButtonNewGet, ui->SpeedButtonEditGet, ui->SpeedButtonDeleteGet}, Side::Receivable);
    bind(payable, {ui->SpeedButtonNewPay, ui->SpeedButtonEditPay, ui->SpeedButtonDeletePay}, Side::Payable);
}

Query &ReceivablesPage::ADOQueryGet()
{
    return *m_get;
}

Query &ReceivablesPage::ADOQueryPay()
{
    return *m_pay;
}

// A double-click anywhere on a list, on an entry or on an empty list, does what its 修改 does.
bool ReceivablesPage::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonDblClick) {
        for (const Side side : {Side::Receivable, Side::Payable})
            if (watched == grid(side).viewport()) {
                editEntry(side);
                return true;
            }
    }
    return QWidget::eventFilter(watched, event);
}

DataGrid *ReceivablesPage::DBGridEh3() const
{
    return ui->DBGridEh3;
}

DataGrid *ReceivablesPage::DBGridEh4() const
{
    return ui->DBGridEh4;
}

Query &ReceivablesPage::query(Side side)
{
    return side == Side::Receivable ? ADOQueryGet() : ADOQueryPay();
}

DataGrid &ReceivablesPage::grid(Side side) const
{
    return side == Side::Receivable ? *ui->DBGridEh3 : *ui->DBGridEh4;
}

bool ReceivablesPage::LoadGetPayLists()
{
    FailureToTell failed;
    if (loadLists(&failed))
        return true;
    ReportFailure(failed);
    return false;
}

bool ReceivablesPage::loadLists(FailureToTell *failed)
{
    return loadList(Side::Receivable,
                    QStringLiteral("Select * From GetPay Where (GetPayIndex > 1) And (GetPaySum >= 0) Order By GetPayTime"),
                    failed)
        && loadList(Side::Payable,
                    QStringLiteral("Select GetPayIndex,GetPayTime,GetPayUser,ABS(GetPaySum) As GetPaySum2 From GetPay "
                                   "Where (GetPayIndex > 1) And (GetPaySum < 0) Order By GetPayTime"),
                    failed);
}

bool ReceivablesPage::loadList(Side side, const QString &statement, FailureToTell *failed)
{
    Query &list = query(side);
    DataGrid &shown = grid(side);
    const bool opened = RunQuery(list, statement, QStringLiteral("数据库打开失败"), failed);
    shown.setQuery(&list);
    if (!opened) {
        shown.clearColumns();
        return false;
    }
    showColumns(shown, columnsOf(side));
    return true;
}

// The GetPayIndex of the list's current row, when it has one.
std::optional<qint64> ReceivablesPage::selectedEntry(Side side)
{
    Query &list = query(side);
    if (!list.isOpen() || list.eof())
        return std::nullopt;
    const QVariant index = list.field(QStringLiteral("GetPayIndex"));
    if (index.isNull())
        return std::nullopt;
    return index.toLongLong();
}

void ReceivablesPage::newEntry(Side side)
{
    m_dialog.GetPay2Mode = side == Side::Receivable ? FormGetPay2::NewReceivable : FormGetPay2::NewPayable;
    m_dialog.showModal();
}

void ReceivablesPage::editEntry(Side side)
{
    const auto entry = selectedEntry(side);
    if (!entry) {
        Screen::current().inform(QStringLiteral("请先选中要修改的记录"));
        return;
    }
    m_dialog.GetPay2Mode = side == Side::Receivable ? FormGetPay2::EditReceivable : FormGetPay2::EditPayable;
    m_dialog.GetPay2Index = *entry;
    if (m_dialog.showModal() == QDialog::Accepted)
        LoadGetPayLists();
}

void ReceivablesPage::deleteEntry(Side side)
{
    if (!selectedEntry(side)) {
        Screen::current().inform(QStringLiteral("请先选中要删除的记录"));
        return;
    }
    if (!Screen::current().ask(QStringLiteral("删除警告"), QStringLiteral("确实要删除该记录吗？")))
        return;
    Query &list = query(side);
    if (!list.remove())
        ReportFailure(QStringLiteral("记录未能删除"), list.lastFailure());
    LoadGetPayLists();
}
