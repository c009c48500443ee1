#include "data/postgres/PgMonthTotals.h"

#include "data/MonthTotals.h"
#include "data/postgres/PgLink.h"
#include "data/postgres/PgSchema.h"

bool PgMonthTotals::repair(Pg::Link &link, bool *rebuilt, EngineError *error)
{
    QByteArray value;
    if (!Pg::firstValue(link,
                        QStringLiteral("SELECT to_regclass('public.moneymonth') IS NOT NULL AND (SELECT count(*)"
                                       " FROM pg_catalog.pg_trigger WHERE tgrelid = 'public.moneytable'::regclass"
                                       " AND tgenabled <> 'D' AND tgname IN ('moneymonthinsert', 'moneymonthdelete',"
                                       " 'moneymonthupdate', 'moneymonthtruncate')) = 4"),
                        &value, error))
        return false;
    if (value == "t")
        return true;
    const QString drop = QStringLiteral(
        "DROP TABLE IF EXISTS public.MoneyMonth; DROP FUNCTION IF EXISTS money_month_changed(),"
        " money_month_emptied(), money_month_recount(integer[], text[]) CASCADE;");
    if (!link.runTogether(drop + PgSchema::monthTotals() + MonthTotals::rebuildStatement(Dialect::Postgres), error))
        return false;
    if (rebuilt)
        *rebuilt = true;
    return true;
}

bool PgMonthTotals::verify(Pg::Link &link, bool *rebuilt, EngineError *error)
{
    *rebuilt = false;
    const Pg::Result differing = link.query(MonthTotals::checkStatement(Dialect::Postgres), {}, error);
    if (!differing)
        return false;
    if (PQntuples(differing.get()) == 0)
        return true;
    if (!link.runTogether(MonthTotals::rebuildStatement(Dialect::Postgres), error))
        return false;
    *rebuilt = true;
    return true;
}
