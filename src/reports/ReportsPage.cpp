#include "reports/ReportsPage.h"

#include <QEvent>

#include "data/WindowedQuery.h"
#include "grid/DataGrid.h"
#include "journal/FormGetPay.h"
#include "journal/RecordGrid.h"
#include "reporting/Report.h"
#include "reports/FormMakeReport.h"
#include "reports/ReportCondition.h"
#include "reports/SheetExport.h"
#include "shell/ViewContext.h"
#include "ui/FormProgress.h"
#include "ui_ReportsPage.h"
#include "shell/ModificationCheck.h"

ReportsPage::ReportsPage(ShareDataModule &data, ViewContext &views, ModificationCheck &modification, WindowedQuery &grid,
                         FormMakeReport &makeReport, FormGetPay &entry, FormProgress &progress, QWidget *parent)
    : QWidget(parent)
    , ui(std::make_unique<Ui::ReportsPage>())
    , m_data(data)
    , m_views(views)
    , m_modification(modification)
    , m_grid(grid)
    , m_makeReport(makeReport)
    , m_entry(entry)
    , m_progress(progress)
{
    ui->setupUi(this);
    closeOnLateFailure(grid, *ui->DBGridEh2, QStringLiteral("报表的记录读取失败，请重新生成报表。"));
    ui->DBGridEh2->viewport()->installEventFilter(this);
    connect(ui->ComboBox3, &QComboBox::currentIndexChanged, this, [this] { LoadReportGrid(); });
}

ReportsPage::~ReportsPage() = default;

void ReportsPage::bindActions(QAction *toExcel, QAction *researchReport, QAction *makeReport, QAction *printReport)
{
    ui->ToExcel->setDefaultAction(toExcel);
    ui->ResearchReport->setDefaultAction(researchReport);
    ui->MakeReport->setDefaultAction(makeReport);
    ui->PrintReport->setDefaultAction(printReport);
}

DataGrid *ReportsPage::DBGridEh2() const
{
    return ui->DBGridEh2;
}

bool ReportsPage::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonDblClick && watched == ui->DBGridEh2->viewport()) {
        EditReportRecord();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

QString ReportsPage::orderPiece() const
{
    const QString order = ui->ComboBox3->currentText();
    if (order == u"按帐户排")
        return QStringLiteral(" Order By AccountName,MoneyCreateTime,MoneyIndex");
    if (order == u"按金额排")
        return QStringLiteral(" Order By MoneySum Desc,MoneyCreateTime,MoneyIndex");
    return QStringLiteral(" Order By MoneyCreateTime,MoneyIndex");
}

bool ReportsPage::LoadReportGrid()
{
    return OpenRecordGrid(m_grid, *ui->DBGridEh2,
                          ReportGridStatement(m_makeReport.ReportCondition + m_views.accountClause(), orderPiece()),
                          QStringLiteral("报表的记录读取失败，请检查设置文件中的显示字段（ReportFields）。\n"));
}

void ReportsPage::MakeReport()
{
    if (m_makeReport.showModal() == QDialog::Accepted)
        LoadReportGrid();
}

void ReportsPage::ShowAccountMonth(const QString &accountName)
{
    m_makeReport.ReportCondition = MonthAccountCondition(m_views.currentDate(), accountName);
    LoadReportGrid();
}

void ReportsPage::EditReportRecord()
{
    const auto record =
        RecordToCorrect(m_grid, m_grid.field(QStringLiteral("MoneyIndex")), QStringLiteral("请先选中需要查看的记录"));
    if (record && m_modification.passed() && m_entry.showCorrection(*record) == QDialog::Accepted)
        LoadReportGrid();
}

void ReportsPage::PrintReport(Report &report)
{
    if (m_grid.isOpen())
        RunReport(report, QStringLiteral("Frf\\Report.frf"));
}

void ReportsPage::ToExcel()
{
    SheetExport::exportGrid(*ui->DBGridEh2, m_progress);
}
