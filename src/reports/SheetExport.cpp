#include "reports/SheetExport.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QUrl>

#include <xlsxwriter.h>

#include "data/Clock.h"
#include "data/RowSource.h"
#include "grid/DataGrid.h"
#include "ui/FormProgress.h"
#include "ui/Screen.h"

namespace {

constexpr int FirstDataRow = 3; // row 4 counted from 1

bool isDateField(const QString &field)
{
    return field.endsWith(QLatin1String("Time"), Qt::CaseInsensitive);
}

// Stored dates are ISO text ("2026-12-10", or with " 14:05:09").
QString dateCellText(const QString &stored)
{
    if (stored.isEmpty())
        return {};
    if (stored.size() > 10) {
        const QDateTime moment = QDateTime::fromString(stored.left(19), QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        if (moment.isValid())
            return moment.toString(QStringLiteral("yyyy.MM.dd HH.mm.ss"));
    }
    const QDate day = QDate::fromString(stored.left(10), Qt::ISODate);
    return day.isValid() ? day.toString(QStringLiteral("yyyy.MM.dd")) : stored;
}

lxw_error writeText(lxw_worksheet *sheet, int row, int column, const QString &text)
{
    if (text.isEmpty())
        return LXW_NO_ERROR;
    return worksheet_write_string(sheet, lxw_row_t(row), lxw_col_t(column), text.toUtf8().constData(), nullptr);
}

lxw_error writeValue(lxw_worksheet *sheet, int row, int column, const QString &field, const QVariant &value)
{
    if (!value.isValid() || value.isNull())
        return LXW_NO_ERROR;
    if (isDateField(field))
        return writeText(sheet, row, column, dateCellText(value.toString()));
    switch (value.typeId()) {
    case QMetaType::Double:
    case QMetaType::LongLong:
    case QMetaType::Int:
        return worksheet_write_number(sheet, lxw_row_t(row), lxw_col_t(column), value.toDouble(), nullptr);
    default:
        return writeText(sheet, row, column, value.toString());
    }
}

QList<int> visibleColumns(const DataGrid &grid)
{
    QList<int> columns;
    for (int column = 0; column < grid.columnCount(); ++column)
        if (!grid.isColumnHidden(column))
            columns.append(column);
    return columns;
}

lxw_error writeHeading(lxw_worksheet *sheet, DataGrid &grid, const QList<int> &columns, const QDate &today)
{
    lxw_error error = writeText(sheet, 0, 0, QStringLiteral("日期:") + today.toString(QStringLiteral("yyyy年MM月dd日")));
    for (int i = 0; i < columns.size() && error == LXW_NO_ERROR; ++i)
        error = writeText(sheet, 2, i, grid.title(columns[i]));
    return error;
}

SheetExport::Outcome writeRows(lxw_worksheet *sheet, DataGrid &grid, const QList<int> &columns,
                               const SheetExport::Progress &progress)
{
    RowSource &query = *grid.query();
    const int total = query.recordCount();
    QueryModel &model = grid.model();
    for (int row = 0; row < total; ++row) {
        if (query.readFailed())
            return SheetExport::Outcome::Unread;
        for (int i = 0; i < columns.size(); ++i)
            if (writeValue(sheet, FirstDataRow + row, i, grid.fieldName(columns[i]), model.value(row, columns[i]))
                != LXW_NO_ERROR)
                return SheetExport::Outcome::Failed;
        if (progress && !progress(row + 1, total))
            return SheetExport::Outcome::Stopped;
    }
    return query.readFailed() ? SheetExport::Outcome::Unread : SheetExport::Outcome::Written;
}

} // namespace

SheetExport::Outcome SheetExport::write(const QString &path, DataGrid &grid, const QDate &today, const Progress &progress)
{
    const QByteArray tempFolder = QDir::tempPath().toUtf8();
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    options.tmpdir = const_cast<char *>(tempFolder.constData());
    const QByteArray file = QFile::encodeName(path);
    lxw_workbook *book = workbook_new_opt(file.constData(), &options);
    lxw_worksheet *sheet = book ? workbook_add_worksheet(book, nullptr) : nullptr;
    if (!sheet) {
        workbook_close(book);
        QFile::remove(path);
        return Outcome::Failed;
    }
    const QList<int> columns = visibleColumns(grid);
    Outcome outcome = writeHeading(sheet, grid, columns, today) == LXW_NO_ERROR ? writeRows(sheet, grid, columns, progress)
                                                                              : Outcome::Failed;
    if (workbook_close(book) != LXW_NO_ERROR && outcome == Outcome::Written)
        outcome = Outcome::Failed;
    if (outcome != Outcome::Written)
        QFile::remove(path);
    return outcome;
}

QString SheetExport::exportFolder()
{
    return QDir(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation)).filePath(QStringLiteral("流水帐导出"));
}

QString SheetExport::newFilePath(const QString &folder, const QDateTime &moment)
{
    const QString name = QStringLiteral("报表导出_") + moment.toString(QStringLiteral("yyyyMMdd_HHmmss"));
    const QDir place(folder);
    QString path = place.filePath(name + QStringLiteral(".xlsx"));
    for (int next = 2; QFileInfo::exists(path); ++next)
        path = place.filePath(name + QStringLiteral("_%1.xlsx").arg(next));
    return path;
}

void SheetExport::exportGrid(DataGrid &grid, FormProgress &progressForm)
{
    if (!grid.query() || !grid.query()->isOpen())
        return;
    const QString folder = exportFolder();
    Outcome outcome = Outcome::Failed;
    QString path;
    QApplication::setOverrideCursor(Qt::BusyCursor);
    if (QDir().mkpath(folder)) {
        path = newFilePath(folder, Clock::now());
        StoppableProgress progress(progressForm);
        outcome = write(path, grid, Clock::today(),
                        [&progress](int done, int total) { return progress.step(done, total); });
    }
    QApplication::restoreOverrideCursor();
    if (outcome == Outcome::Failed) {
        Screen::current().inform(QStringLiteral("建立Excel对象不成功，请重试!\n表格未能写入“")
                                 + QDir::toNativeSeparators(folder)
                                 + QStringLiteral("”，请确认这个文件夹可以写入、磁盘没有写满。"));
        return;
    }
    if (outcome == Outcome::Written && !Screen::current().openUrl(QUrl::fromLocalFile(path))) {
        QFile::remove(path);
        Screen::current().inform(QStringLiteral("本机未安装EXCEL,本功能必须在安装有EXCEL的电脑上才能运行!"));
    }
}
