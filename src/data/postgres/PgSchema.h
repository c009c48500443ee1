#pragma once
#include <QString>

// The delivered books on a PostgreSQL server (Schema.sql, built into the program): the tables with
// their keys, indexes, functions, the month totals with their triggers and the delivered rows.
namespace PgSchema {

// The whole script, to be run once on an empty database created with LOCALE 'C'.
QString script();
// The part of the script that makes the month totals table, its functions and triggers.
QString monthTotals();
// The part that adds the key from each record to its account.
QString accountKey();
// The index the change list reads its newest entries by.
QString changeListOrder();
// The part that makes the change record: its tables, functions and triggers.
QString changeRecord();
// The part of it that (re)makes the change record's triggers.
QString changeTriggers();

} // namespace PgSchema
