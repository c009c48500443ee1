#pragma once
#include <QStringList>

#include "data/Failure.h"

class BooksEngine;

// The checks and repairs of the books' own features that each engine keeps in its own way: the change
// record's triggers and the month totals. Each engine does them in its modules beside it
// (sqlite/SqliteChangeRecord, postgres/PgMonthTotals, ...), reached here by the engine's dialect, so
// that a feature of the books does not widen BooksEngine.
namespace BooksUpkeep {

// The change record's triggers that are not there or are switched off, by name.
bool missingChangeTriggers(BooksEngine &books, QStringList *missing, EngineError *error);
// Puts every trigger of the change record back, with an entry of the books' operator naming those in
// `restored`.
bool restoreChangeTriggers(BooksEngine &books, const QStringList &restored, EngineError *error);

// Compares the month totals with the records and rebuilds them when they disagree (`rebuilt`).
bool verifyMonthTotals(BooksEngine &books, bool *rebuilt, EngineError *error);

} // namespace BooksUpkeep
