#include "data/MonthTotals.h"

#include "data/JetSql.h"
#include "data/sqlite/SqliteSchema.h"

namespace {

// A record's month, and the condition that a record lies in the month of a stored total `m`. The file
// books take a day text's first seven characters however it is typed; the server books' days are dates.
struct MonthRule {
    const char *ofRecord;
    const char *recordInStoredMonth;
};

MonthRule monthRule(Dialect dialect)
{
    if (dialect == Dialect::Postgres)
        return {"to_char(MoneyCreateTime,'YYYY-MM')", "to_char(MoneyCreateTime,'YYYY-MM') = m.MonthText"};
    return {"substr(MoneyCreateTime,1,7)",
            "MoneyCreateTime >= m.MonthText AND MoneyCreateTime < m.MonthText || char(1114111)"};
}

QString recordMonths(Dialect dialect)
{
    return QStringLiteral("SELECT MoneyAccount AS A, %1 AS M, Sum(MoneySum) AS S FROM MoneyTable"
                          " WHERE MoneyAccount IS NOT NULL AND MoneyCreateTime IS NOT NULL GROUP BY 1, 2")
        .arg(QLatin1String(monthRule(dialect).ofRecord));
}

QString monthText(const QDate &day)
{
    return JetSql::quoted(day.toString(QStringLiteral("yyyy-MM")));
}

} // namespace

QString MonthTotals::dropStatement()
{
    return QStringLiteral("DROP TRIGGER IF EXISTS MoneyMonthInsert; DROP TRIGGER IF EXISTS MoneyMonthDelete;"
                          "DROP TRIGGER IF EXISTS MoneyMonthUpdate; DROP TABLE IF EXISTS MoneyMonth;");
}

QString MonthTotals::createStatement()
{
    return SqliteSchema::monthTotals() + rebuildStatement();
}

QString MonthTotals::rebuildStatement(Dialect dialect)
{
    return QStringLiteral("DELETE FROM MoneyMonth; INSERT INTO MoneyMonth(MonthAccount, MonthText, MonthSum) ")
        + recordMonths(dialect) + QLatin1Char(';');
}

QString MonthTotals::checkStatement(Dialect dialect)
{
    // Totals are summed in the order of the index, the check in the order of its grouping: they may
    // differ in the last bits, never by a millionth of a fen.
    return QStringLiteral("SELECT r.A AS MonthAccount, r.M AS MonthText FROM (") + recordMonths(dialect)
        + QStringLiteral(") r LEFT JOIN MoneyMonth m ON m.MonthAccount = r.A AND m.MonthText = r.M"
                         " WHERE m.MonthAccount IS NULL OR (r.S IS NULL) <> (m.MonthSum IS NULL)"
                         " OR abs(r.S - m.MonthSum) > 1e-6"
                         " UNION ALL SELECT m.MonthAccount, m.MonthText FROM MoneyMonth m WHERE NOT EXISTS"
                         " (SELECT 1 FROM MoneyTable WHERE MoneyAccount = m.MonthAccount AND ")
        + QLatin1String(monthRule(dialect).recordInStoredMonth) + QLatin1Char(')');
}

QString MonthTotals::balanceStatement(const QString &name, const QDate &day, Bound bound,
                                      const QString &accountCondition, Rounding rounding)
{
    const QString month = monthText(day);
    const QDate monthStart(day.year(), day.month(), 1);
    const QString sum = rounding == Rounding::ToCents ? QStringLiteral("Round(Sum(HistorySum),2)")
                                                      : QStringLiteral("Sum(HistorySum)");
    // The records of the day's month are those whose day, as text, sorts from the month's text on:
    // exactly the records the month totals before it leave out, however a day text is typed. The
    // server keeps dates and refuses a month's text as one, so the texts are compared as texts
    // (a date's text is ISO there too), and the indexable bound after the previous month's last day,
    // which every such text passes, keeps the reading to the month's own records.
    return QStringLiteral("Select ") + sum + QStringLiteral(" As ") + name
        + QStringLiteral(" From (Select MonthSum As HistorySum From Account,MoneyMonth"
                         " Where (AccountIndex = MonthAccount) And (MonthText < ")
        + month + QLatin1Char(')') + accountCondition
        + QStringLiteral(" Union All Select MoneySum From Account,MoneyTable Where (AccountIndex = MoneyAccount)"
                         " And (MoneyCreateTime > ")
        + JetSql::dateLiteral(monthStart.addDays(-1)) + QStringLiteral(") And (Cast(MoneyCreateTime As Text) >= ")
        + month + QStringLiteral(") And (MoneyCreateTime ")
        + (bound == Bound::Before ? QStringLiteral("< ") : QStringLiteral("<= ")) + JetSql::dateLiteral(day)
        + QLatin1Char(')') + accountCondition + QStringLiteral(") As History");
}
