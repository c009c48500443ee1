#pragma once
#include <QString>
#include <QVariant>
#include <optional>

#include "data/WindowedQuery.h"

class DataGrid;
class Query;
class RowSource;

// What the two record grids (the daily journal and the report) share: the field list from the
// settings file, the opening of their statement, and one column table of titles, widths and footers.

// The field list of the record grids' statement (KalvoraSetting/ReportFields), in column order.
QString ReportFields();

// The report grid's statement: the ReportFields of the records that `filter` (conditions, each
// " And (…)") keeps, in `order` (" Order By …"), read record by record, with the amounts summed.
WindowedQuery::Statement ReportGridStatement(const QString &filter, const QString &order);

// Opens the grid's statement directly. When the database refuses it, an error box shows
// `failureIntro` followed by what happened (the database's own text when it is no failure the user
// can meet), and the grid is left empty.
bool OpenRecordGrid(Query &query, DataGrid &grid, const QString &statement, const QString &failureIntro);
// The same for a result read in windows, with the amounts summed for the footer by the books.
bool OpenRecordGrid(WindowedQuery &rows, DataGrid &grid, const WindowedQuery::Statement &statement,
                    const QString &failureIntro);

// Gives the grid's column `column` the title, centred title and cells, the width, and for MoneyIndex
// and MoneySum their footers, when that column shows `field`.
void SetupGridColumn(DataGrid &grid, const QString &title, const QString &field, int width, int column);

// The record a correction of the grid's current row opens: `index`, that row's MoneyIndex (invalid
// when there is no row). Nothing, after telling the user, when the grid's fields lack the record
// number, or when no record is selected (told with `noSelection`).
std::optional<int> RecordToCorrect(const RowSource &rows, const QVariant &index, const QString &noSelection);
