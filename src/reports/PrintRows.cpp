#include "reports/PrintRows.h"

#include "data/Failure.h"
#include "data/Helpers.h"
#include "data/Query.h"
#include "data/ShareDataModule.h"

bool StoreRow(Query &rows, int row, const RowFields &fields, const QString &failure)
{
    if (row < rows.recordCount()) {
        rows.moveTo(row);
        rows.edit();
    } else {
        rows.append();
    }
    for (const auto &[name, value] : fields)
        rows.setField(name, value);
    if (rows.post())
        return true;
    ReportFailure(failure, rows.lastFailure());
    return false;
}

bool RewritePrintRows(ShareDataModule &data, Query &rows, const QString &table, const QString &failure, const std::function<bool()> &write)
{
    if (!RunQuery(rows, QStringLiteral("Select * From ") + table, QStringLiteral("数据库打开失败")))
        return false;
    rows.recordCount(); // reads the table; a failure there was told and closed the query
    if (!rows.isOpen())
        return false;
    // The rows of a report are counted from one state of the books while other cashiers store theirs.
    Transaction together(data, BooksConnection::Intent::Report);
    if (!together.isActive()) {
        ReportFailure(failure, together.lastError());
        return false;
    }
    if (!write())
        return false;
    if (together.commit())
        return true;
    ReportFailure(failure, together.lastError());
    return false;
}
