#pragma once
#include <QList>
#include <QString>
#include <QVariant>
#include <functional>
#include <utility>

class Query;
class ShareDataModule;

// The fields a printout writes into one row of its print table.
using RowFields = QList<std::pair<QString, QVariant>>;

// Stores `fields` in row `row` (from 0) of the updatable result `rows`, or in a new row appended after
// the last when `row` is past it. False after telling a failure as `failure`, with what happened.
bool StoreRow(Query &rows, int row, const RowFields &fields, const QString &failure);

// Opens every row of the print table `table` in `rows` and runs `write`, which changes them, in one
// transaction, so that a run that fails leaves the table's last printout whole. False when something
// failed, which was told: a write the books refused as `failure`, with what happened.
bool RewritePrintRows(ShareDataModule &data, Query &rows, const QString &table, const QString &failure, const std::function<bool()> &write);
