#pragma once
#include <QDialog>
#include <memory>

#include "changes/EntryFields.h"

class ChangeRows;
class DataGrid;
class ChangeDetails;
class FormProgress;
class Report;
class ShareDataModule;
class WindowedQuery;

namespace Ui {
class ChangeLogWindow;
}

// 改动记录: the entries of the change record in a windowed grid, newest first, filtered by date range,
// operator, account and kind; or one record's own history. A double-click shows the entry's fields
// before and after; the list prints through the report engine and exports to a workbook.
class ChangeLogWindow : public QDialog
{
    Q_OBJECT
public:
    // Each entry's fields show in `details`; an export shows `progress`.
    ChangeLogWindow(ShareDataModule &data, ChangeDetails &details, FormProgress &progress, QWidget *parent = nullptr);
    ~ChangeLogWindow() override;

    // The administrator's list: every entry, until filtered.
    void showAll();
    // The history of one row of `table` (a record: MoneyTable), newest first like the list.
    void showHistory(const QString &table, qint64 row);

    // The two steps of showing, for the tests: filled and loaded, not shown.
    void prepareAll();
    void prepareHistory(const QString &table, qint64 row);

    // 查询: the grid again with the chosen filters. False when the books refused it (told).
    bool load();
    // A double-click: the selected entry's fields before and after.
    void showSelectedEntry();
    // 打印 and 导出EXCEL of the list as it is filtered.
    void print();
    void toExcel();

    WindowedQuery &rows();
    Report &report() { return *m_report; }
    DataGrid *DBGridEh1() const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QString filter() const;
    void fillChoices();

    std::unique_ptr<Ui::ChangeLogWindow> ui;
    ShareDataModule &m_data;
    ChangeDetails &m_details;
    FormProgress &m_progress;
    EntryFields m_fields;
    std::unique_ptr<ChangeRows> m_rows;
    std::unique_ptr<Report> m_report;
    QString m_historyTable;
    qint64 m_historyRow = 0;
};
