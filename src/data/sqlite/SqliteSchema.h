#pragma once
#include <QString>

// The delivered books in a file (Schema.sql, built into the program): the tables with their indexes,
// the month totals with their triggers and the change record's tables. The change record's triggers
// are written from its recorded fields (ChangeRecord::sqliteTriggers).
namespace SqliteSchema {

// The tables of the books' own data, their indexes and the planner's statistics.
QString books();
// The month totals' table and its triggers.
QString monthTotals();
// The change record's tables and indexes, the operator table among them.
QString changeRecord();
// The operator table, made and given its one row where either is missing.
QString changeOperator();

} // namespace SqliteSchema
