#pragma once

// Which engine keeps the books, for the statements the data layer writes in each engine's own
// dialect (the change record's, the month totals'): the file books keep days as texts and rows by
// rowid, the server books days as dates and rows by their keys.
enum class Dialect { Sqlite, Postgres };
