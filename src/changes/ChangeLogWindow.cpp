#include "changes/ChangeLogWindow.h"

#include <QEvent>
#include <QHeaderView>
#include <algorithm>

#include "changes/ChangeDetails.h"
#include "changes/ChangeRows.h"
#include "data/ChangeRecord.h"
#include "data/Clock.h"
#include "data/Failure.h"
#include "data/Helpers.h"
#include "data/JetSql.h"
#include "data/Query.h"
#include "data/ShareDataModule.h"
#include "data/WindowedQuery.h"
#include "grid/DataGrid.h"
#include "reporting/Report.h"
#include "reports/SheetExport.h"
#include "ui/Screen.h"
#include "ui_ChangeLogWindow.h"

namespace {

const QString Everyone = QStringLiteral("全部");
// Room beside a column's text.
constexpr int ColumnMargin = 14;

// The grid's columns: field, title, and a text as wide as the widest the column usually shows. The
// database user and the client's address are kept on a server only.
struct Shown
{
    const char *field;
    const char *title;
    const char *widest;
    bool serverOnly = false;
};
const Shown Columns[] = {
    {"ChangeIndex", "编号", "0000000"},
    {"ChangeTime", "时间", "0000-00-00 00:00:00"},
    {"ChangeOperator", "操作人", "外部程序"},
    {"ChangeKind", "类别", "重建保护"},
    {"ChangeTable", "表", "应收应付"},
    {"ChangeRow", "记录号", "0000000"},
    {"ChangeAccount", "帐户", "工商银行"},
    {"ChangeDbUser", "数据库用户", "kalvora", true},
    {"ChangeAddress", "地址", "192.168.100.100", true},
    {"ChangeBefore", "改动前", ""},
    {"ChangeAfter", "改动后", ""},
};

// The two sides of an entry share the width the other columns leave.
bool isSide(const Shown &column)
{
    return qstrcmp(column.field, "ChangeBefore") == 0 || qstrcmp(column.field, "ChangeAfter") == 0;
}

// The columns the list shows of the books of `engine`.
QList<const Shown *> shownColumns(Dialect engine)
{
    QList<const Shown *> shown;
    for (const Shown &column : Columns)
        if (!column.serverOnly || engine == Dialect::Postgres)
            shown.append(&column);
    return shown;
}

// Each column as wide as its title and its usual widest text; the two sides of the entry share the rest.
void placeColumns(DataGrid &grid, const QList<const Shown *> &shown)
{
    QHeaderView &header = *grid.horizontalHeader();
    for (int c = 0; c < shown.size(); ++c) {
        const QString title = QString::fromUtf8(shown[c]->title);
        grid.setTitle(c, title);
        if (isSide(*shown[c])) {
            header.setSectionResizeMode(c, QHeaderView::Stretch);
            continue;
        }
        header.setSectionResizeMode(c, QHeaderView::Interactive);
        grid.setColumnWidth(c, std::max(header.fontMetrics().horizontalAdvance(title),
                                        grid.fontMetrics().horizontalAdvance(QString::fromUtf8(shown[c]->widest)))
                                   + ColumnMargin);
    }
}

} // namespace

ChangeLogWindow::ChangeLogWindow(ShareDataModule &data, ChangeDetails &details, FormProgress &progress, QWidget *parent)
    : QDialog(parent)
    , ui(std::make_unique<Ui::ChangeLogWindow>())
    , m_data(data)
    , m_details(details)
    , m_progress(progress)
    , m_rows(std::make_unique<ChangeRows>(data, m_fields))
    , m_report(std::make_unique<Report>(data, *m_rows))
{
    ui->setupUi(this);
    ui->DBGridEh1->viewport()->installEventFilter(this);
    closeOnLateFailure(*m_rows, *ui->DBGridEh1, QStringLiteral("改动记录读取失败，请重新查询。"));
    ui->ComboBox1->addItems({Everyone, QStringLiteral("管理员"), QStringLiteral("出纳"), ChangeRecord::ExternalWriter,
                             ChangeRecord::ProgramItself});
    ui->ComboBox3->addItems({Everyone, ChangeRecord::Kind::Added, ChangeRecord::Kind::Changed,
                             ChangeRecord::Kind::Deleted, ChangeRecord::Kind::Baseline, ChangeRecord::Kind::Restored,
                             ChangeRecord::Kind::Restore});
    connect(ui->BitBtn1, &QPushButton::clicked, this, [this] { load(); });
    connect(ui->BitBtn2, &QPushButton::clicked, this, &ChangeLogWindow::print);
    connect(ui->BitBtn3, &QPushButton::clicked, this, &ChangeLogWindow::toExcel);
    connect(ui->BitBtn4, &QPushButton::clicked, this, &QDialog::accept);
    connect(ui->CheckBox1, &QCheckBox::toggled, ui->DateEdit1, &QWidget::setEnabled);
    connect(ui->CheckBox1, &QCheckBox::toggled, ui->DateEdit2, &QWidget::setEnabled);
}

ChangeLogWindow::~ChangeLogWindow()
{
    m_report.reset();
}

WindowedQuery &ChangeLogWindow::rows()
{
    return *m_rows;
}

DataGrid *ChangeLogWindow::DBGridEh1() const
{
    return ui->DBGridEh1;
}

bool ChangeLogWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonDblClick && watched == ui->DBGridEh1->viewport()) {
        showSelectedEntry();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void ChangeLogWindow::showAll()
{
    prepareAll();
    Screen::current().runModal(*this);
    m_rows->close();
}

void ChangeLogWindow::showHistory(const QString &table, qint64 row)
{
    prepareHistory(table, row);
    Screen::current().runModal(*this);
    m_rows->close();
}

void ChangeLogWindow::prepareAll()
{
    m_historyTable.clear();
    m_historyRow = 0;
    setWindowTitle(QStringLiteral("改动记录"));
    ui->Panel1->setVisible(true);
    ui->Label5->clear();
    ui->CheckBox1->setChecked(false);
    ui->DateEdit1->setEnabled(false);
    ui->DateEdit2->setEnabled(false);
    ui->DateEdit1->setDate(Clock::today().addMonths(-1));
    ui->DateEdit2->setDate(Clock::today());
    ui->ComboBox1->setCurrentText(Everyone);
    ui->ComboBox3->setCurrentIndex(0);
    m_fields.readAccounts(m_data);
    fillChoices();
    load();
}

void ChangeLogWindow::prepareHistory(const QString &table, qint64 row)
{
    m_historyTable = table;
    m_historyRow = row;
    setWindowTitle(QStringLiteral("记录的改动记录"));
    ui->Panel1->setVisible(false);
    ui->Label5->setText(QStringLiteral("记录号 %1 的全部改动，最近的在前。").arg(row));
    m_fields.readAccounts(m_data);
    load();
}

// The accounts the list can be narrowed to, by number: a deleted account's entries keep its number.
void ChangeLogWindow::fillChoices()
{
    ui->ComboBox2->clear();
    ui->ComboBox2->addItem(Everyone);
    QList<qint64> numbers = m_fields.accounts().keys();
    std::sort(numbers.begin(), numbers.end());
    for (const qint64 number : numbers)
        if (number > 1)
            ui->ComboBox2->addItem(QStringLiteral("%1 %2").arg(number).arg(m_fields.accounts().value(number)), number);
}

QString ChangeLogWindow::filter() const
{
    if (!m_historyTable.isEmpty())
        return QStringLiteral(" And (ChangeTable = %1) And (ChangeRow = %2)")
            .arg(JetSql::quoted(m_historyTable))
            .arg(m_historyRow);
    QString filter;
    if (ui->CheckBox1->isChecked())
        filter += QStringLiteral(" And (ChangeTime >= %1) And (ChangeTime < %2)")
                      .arg(JetSql::quoted(JetSql::dateText(ui->DateEdit1->date())),
                           JetSql::quoted(JetSql::dateText(ui->DateEdit2->date().addDays(1))));
    if (const QString who = ui->ComboBox1->currentText().trimmed(); !who.isEmpty() && who != Everyone)
        filter += QStringLiteral(" And (ChangeOperator = %1)").arg(JetSql::quoted(who));
    if (const QVariant account = ui->ComboBox2->currentData(); account.isValid())
        filter += QStringLiteral(" And (ChangeAccount = %1)").arg(account.toLongLong());
    if (ui->ComboBox3->currentIndex() > 0)
        filter += QStringLiteral(" And (ChangeKind = %1)").arg(JetSql::quoted(ui->ComboBox3->currentText()));
    return filter;
}

bool ChangeLogWindow::load()
{
    // Books that cannot be opened fail the read below, which tells why.
    EngineError unopened;
    const BooksEngine *books = m_data.ADOConnection1(&unopened);
    const QList<const Shown *> shown = shownColumns(books ? books->dialect() : Dialect::Sqlite);
    // The table by the user's name for it; the filters keep to the stored one.
    QStringList fields;
    for (const Shown *column : shown)
        fields.append(qstrcmp(column->field, "ChangeTable") == 0
                          ? ChangeRecord::tableTitleExpression() + QStringLiteral(" As ChangeTable")
                          : QLatin1String(column->field));
    WindowedQuery::Statement statement;
    statement.fields = fields.join(QStringLiteral(", "));
    statement.from = QLatin1String(ChangeRecord::Table);
    // True of every entry, and answered from the narrow time index: a condition on the entry number
    // would make the count read every entry's fields from the table.
    statement.join = QStringLiteral("(ChangeTime Is Not Null)");
    statement.filter = filter();
    statement.order = QStringLiteral(" Order By ChangeIndex Desc");
    statement.key = QStringLiteral("ChangeIndex");
    const bool opened = m_rows->open(statement);
    ui->DBGridEh1->setQuery(m_rows.get());
    if (!opened) {
        ReportFailure(QStringLiteral("改动记录读取失败。"), m_rows->lastFailure());
        return false;
    }
    ui->DBGridEh1->rebuildColumns();
    placeColumns(*ui->DBGridEh1, shown);
    ui->DBGridEh1->setFooter(0, DataGrid::Footer::count(QStringLiteral("条")));
    return true;
}

void ChangeLogWindow::showSelectedEntry()
{
    const QModelIndex current = ui->DBGridEh1->currentIndex();
    if (!m_rows->isOpen() || !current.isValid()) {
        Screen::current().inform(QStringLiteral("请先选中需要查看的改动记录"));
        return;
    }
    m_details.showEntry(m_rows->value(current.row(), 0).toLongLong());
}

void ChangeLogWindow::print()
{
    if (m_rows->isOpen())
        RunReport(*m_report, QStringLiteral("Frf\\Changes.frf"));
}

void ChangeLogWindow::toExcel()
{
    SheetExport::exportGrid(*ui->DBGridEh1, m_progress);
}
