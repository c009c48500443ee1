#pragma once
#include <QDate>
#include <QDateTime>
#include <QString>
#include <functional>

class DataGrid;
class FormProgress;

// 导出EXCEL: the report grid as a new workbook, opened in the desktop's spreadsheet program.
namespace SheetExport {

// Told after each row written with the rows done and the rows in all; false stops the writing.
using Progress = std::function<bool(int done, int total)>;

// Unread: reading the grid's rows failed, which the grid's owner tells.
enum class Outcome { Written, Failed, Stopped, Unread };

// Writes the grid's visible columns and every row of its query into a new .xlsx at `path`: row 1
// "日期:" and `today`, the titles in row 3, one row per record from row 4. Text fields become text
// cells, numbers number cells, date fields (names ending in Time) "yyyy.mm.dd" with
// " hh.nn.ss" when a time of day is stored. Rows are written straight to the file, so the memory
// used does not grow with the rows.
Outcome write(const QString &path, DataGrid &grid, const QDate &today, const Progress &progress = {});

// Where the workbooks are written and left for the user: the folder 流水帐导出 in the user's
// documents folder.
QString exportFolder();

// A new workbook's path in `folder`, named for the export and its `moment`; a name already taken
// gets a number added, so no earlier export is overwritten.
QString newFilePath(const QString &folder, const QDateTime &moment);

// The whole command: nothing before any report; otherwise the busy pointer while the sheet is
// written into the export folder (`progress` with 取消 when it takes longer than a second), then the
// sheet opens. A sheet that cannot be written is told with the folder; a stopped one, or one whose rows
// could not be read (which the grid's owner tells), leaves no file.
void exportGrid(DataGrid &grid, FormProgress &progress);

} // namespace SheetExport
