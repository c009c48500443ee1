#include "data/sqlite/SqliteMonthTotals.h"

#include "data/MonthTotals.h"
#include "data/sqlite/SqliteCalls.h"
#include "data/sqlite/SqliteTransaction.h"

namespace {

constexpr int CurrentVersion = 2;

// Runs `sql` inside one transaction: all of it or nothing.
bool runTogether(sqlite3 *db, const QString &sql, EngineError *error)
{
    SqliteTransaction transaction(db);
    return transaction.begin(error) && Sqlite::run(db, sql, error) && transaction.commit(error);
}

// Runs `repair` in one transaction when the count `test` finds anything (`repaired`).
bool repairWhen(sqlite3 *db, const QString &test, const QString &repair, bool *repaired, EngineError *error)
{
    const qint64 found = Sqlite::firstNumber(db, test, error);
    if (found < 0)
        return false;
    *repaired = found > 0;
    return found == 0 || runTogether(db, repair, error);
}

} // namespace

bool SqliteMonthTotals::prepare(sqlite3 *db, bool *rebuilt, EngineError *error)
{
    *rebuilt = false;
    const qint64 version = Sqlite::firstNumber(db, QStringLiteral("PRAGMA user_version"), error);
    if (version < 0)
        return false;
    if (version < CurrentVersion)
        return runTogether(db, MonthTotals::createStatement() + QStringLiteral("PRAGMA user_version=%1;").arg(CurrentVersion),
                           error);
    // The table or a trigger dropped by hand: put them back whole.
    if (!repairWhen(db,
                    QStringLiteral("SELECT 4 - count(*) FROM sqlite_schema WHERE name IN ('MoneyMonth',"
                                   "'MoneyMonthInsert','MoneyMonthDelete','MoneyMonthUpdate')"),
                    MonthTotals::dropStatement() + MonthTotals::createStatement(), rebuilt, error))
        return false;
    if (*rebuilt)
        return true;
    // Totals emptied while records are there: found at no cost, unlike a changed total.
    return repairWhen(db,
                      QStringLiteral("SELECT EXISTS (SELECT 1 FROM MoneyTable WHERE MoneyAccount IS NOT NULL"
                                     " AND MoneyCreateTime IS NOT NULL) AND NOT EXISTS (SELECT 1 FROM MoneyMonth)"),
                      MonthTotals::rebuildStatement(), rebuilt, error);
}

bool SqliteMonthTotals::verify(sqlite3 *db, bool *rebuilt, EngineError *error)
{
    *rebuilt = false;
    return repairWhen(db, QStringLiteral("SELECT count(*) FROM (") + MonthTotals::checkStatement() + QLatin1Char(')'),
                      MonthTotals::rebuildStatement(), rebuilt, error);
}
