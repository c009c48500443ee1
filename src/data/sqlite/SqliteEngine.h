#pragma once
#include <QString>
#include <memory>

#include "data/BooksEngine.h"

struct sqlite3;

// The engine of books kept in an SQLite file, the data source's Driver=SQLite3.
namespace SqliteEngine {

// Opens the books file at `path` for reading and writing, never creating it: a wrong path must fail,
// not start empty books. Checks that the file holds books, brings older books to the current schema
// (`rebuilt`: month totals had to be built) and gives them the index of the report centre's amount
// order. Every write is on disk when it returns. `wait` is asked while another program holds the
// books. Books of an earlier version get the change record, `upgrade` told its progress. nullptr with
// *error set.
std::unique_ptr<BooksEngine> open(const QString &path, BooksWait wait, bool *rebuilt, EngineError *error,
                                  const BooksFile::Progress &upgrade = {});

// The SQLite connection under an engine open() made, for the benchmark's bare comparisons and the
// modules of the books' own features (SqliteChangeRecord, SqliteMonthTotals).
sqlite3 *handleOf(BooksEngine &engine);
// The role the change record names for the writes of an engine open() made (BooksEngine::setOperator).
QString operatorOf(BooksEngine &engine);

} // namespace SqliteEngine
