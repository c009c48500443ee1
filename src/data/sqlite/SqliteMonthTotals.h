#pragma once
#include <sqlite3.h>

#include "data/Failure.h"

// The month totals (see MonthTotals) kept in the books file.
namespace SqliteMonthTotals {

// Brings the books at `db` to the current schema (older books get the table, the triggers and
// totals built from their records, in one transaction) and puts back a table or trigger removed
// or a table emptied by hand. Costs the same for any size of books. `rebuilt` tells whether totals
// found missing had to be built; false with the engine's error.
bool prepare(sqlite3 *db, bool *rebuilt, EngineError *error);

// Runs the check over every record and rebuilds the totals when it finds any wrong (`rebuilt`);
// a pass over the whole journal.
bool verify(sqlite3 *db, bool *rebuilt, EngineError *error);

} // namespace SqliteMonthTotals
