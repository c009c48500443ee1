#pragma once
#include <QDate>
#include <QString>

#include "data/Dialect.h"

// Month totals per account, kept by triggers on MoneyTable so that any writer (this program or an
// ODBC client) keeps them exact, and read by every balance of an account's history: the months
// before plus the records of the month up to the day, a cost that does not grow with the years.
// A month is the first seven characters of MoneyCreateTime ("YYYY-MM"), so even a date text typed
// oddly by another program lands in exactly one month and the balances stay equal to a sum over
// the whole history. On a server the days are dates, and a month is the date's year and month.
namespace MonthTotals {
inline constexpr char Table[] = "MoneyMonth";

// The statements below are written in the dialect of the books they run on where the engines' own
// functions differ: the file books keep days as texts, the server books as dates.

// Builds every total afresh from MoneyTable.
QString rebuildStatement(Dialect dialect = Dialect::Sqlite);
// Removes the table and its triggers, and puts them back with totals built from the records: a bulk
// load of records in between writes them without a recount per record.
QString dropStatement();
QString createStatement();

// Lists each (MonthAccount, MonthText) whose stored total disagrees with the records; no rows when
// the totals are right. Anyone can run it on the books.
QString checkStatement(Dialect dialect = Dialect::Sqlite);

enum class Bound { Before, Through };
enum class Rounding { ToCents, None };

// A Jet statement with one field `name`: the sum (rounded to cents unless asked otherwise) of every
// record dated before (or through) `day` on the accounts that `accountCondition` (conditions on
// Account, each starting with " And ") selects. The same statement runs on both engines.
QString balanceStatement(const QString &name, const QDate &day, Bound bound, const QString &accountCondition,
                         Rounding rounding = Rounding::ToCents);

// What the user is told when the totals had to be built again.
inline const QString RebuiltNotice = QStringLiteral(
    "帐户的月度合计与流水记录不一致（可能被其他程序改动过），已按流水记录重新计算，各帐户余额以流水记录为准。");
} // namespace MonthTotals
