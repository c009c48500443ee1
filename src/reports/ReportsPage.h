#pragma once
#include <QWidget>
#include <memory>

class DataGrid;
class ModificationCheck;
class FormGetPay;
class FormMakeReport;
class FormProgress;
class QAction;
class Report;
class ShareDataModule;
class ViewContext;
class WindowedQuery;

namespace Ui {
class ReportsPage;
}

// The tab 报表中心: the picture buttons of the report commands, the sort order list and the report
// grid under them.
class ReportsPage : public QWidget
{
    Q_OBJECT
public:
    // The grid shows `grid`, with the condition `makeReport` keeps; a record opens for correction in
    // `entry`, behind the modification password asked on `prompt`; an export shows `progress`.
    ReportsPage(ShareDataModule &data, ViewContext &views, ModificationCheck &modification, WindowedQuery &grid,
                FormMakeReport &makeReport, FormGetPay &entry, FormProgress &progress, QWidget *parent = nullptr);
    ~ReportsPage() override;

    // The four picture buttons show the main window's report actions, left to right.
    void bindActions(QAction *toExcel, QAction *researchReport, QAction *makeReport, QAction *printReport);
    DataGrid *DBGridEh2() const;

    // Reloads the report grid with the standing condition, the account scope and the chosen order.
    // False when the database refused the statement (told in an error box; the grid stays empty).
    bool LoadReportGrid();
    // 生成报表: the condition dialog, then the grid when it closed with OK.
    void MakeReport();
    // 当月记录 of an account window: that account's records of the current date's month.
    void ShowAccountMonth(const QString &accountName);
    // A double-click on the grid: the row's record opens for correction behind the modification
    // password; the grid reloads when it was stored.
    void EditReportRecord();
    // 打印报表: the result through `report` (bound to the grid's query); nothing before any report.
    void PrintReport(Report &report);
    // 导出EXCEL: the result as a new workbook in the export folder, opened in the spreadsheet
    // program; nothing before any report.
    void ToExcel();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QString orderPiece() const;

    std::unique_ptr<Ui::ReportsPage> ui;
    ShareDataModule &m_data;
    ViewContext &m_views;
    ModificationCheck &m_modification;
    WindowedQuery &m_grid;
    FormMakeReport &m_makeReport;
    FormGetPay &m_entry;
    FormProgress &m_progress;
};
