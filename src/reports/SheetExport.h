#pragma once
#include <QDate>
#include <QString>
#include <functional>

class DataGrid;

// 导出EXCEL: the report grid as a new workbook, opened in the desktop's spreadsheet program.
namespace SheetExport {

// Told after each row written with the rows done and the rows in all; false stops the writing.
using Progress = std::function<bool(int done, int total)>;

enum class Outcome { Written, Failed, Stopped };

// Writes the grid's visible columns and every row of its query into a new .xlsx at `path`: row 1
// "日期:" and `today`, the titles in row 3, one row per record from row 4. Text fields become text
// cells, numbers number cells, date fields (names ending in Time) "yyyy.mm.dd" with
// " hh.nn.ss" when a time of day is stored. Rows are written straight to the file, so the memory
// used does not grow with the rows.
Outcome write(const QString &path, DataGrid &grid, const QDate &today, const Progress &progress = {});

// The file a new export goes to: the user's temporary folder, named for the export and its time.
QString newFilePath();

// The whole command: nothing before any report; otherwise the busy pointer while the sheet is
// written (a progress bar with 取消 when it takes longer than a second), then the sheet opens.
void exportGrid(DataGrid &grid);

} // namespace SheetExport
