#pragma once
#include "data/Failure.h"

namespace Pg {
class Link;
}

// The month totals (see MonthTotals) kept in the books on a server.
namespace PgMonthTotals {

// The month totals' table and its four triggers, put back whole with totals built from the records
// when any of them was removed or switched off by hand (`rebuilt`, when given): the balances read the
// table, and a missing trigger would let them drift from the records unseen.
bool repair(Pg::Link &link, bool *rebuilt, EngineError *error);

// Runs the check over every record and rebuilds the totals when it finds any wrong (`rebuilt`).
bool verify(Pg::Link &link, bool *rebuilt, EngineError *error);

} // namespace PgMonthTotals
