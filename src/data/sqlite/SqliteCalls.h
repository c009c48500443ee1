#pragma once
#include <QString>

#include <sqlite3.h>

#include "data/BooksEngine.h"
#include "data/Failure.h"

// Small calls on an SQLite connection that the engine, the month totals and the file work share.
namespace Sqlite {

// The failure SQLite reports on `db` just now, with its kind in the program's terms.
EngineError errorOf(sqlite3 *db);

// While another program holds the books, `db` asks `wait` whether to go on waiting for them; `wait`
// must live as long as the connection.
void waitWith(sqlite3 *db, BooksWait *wait);

// Runs statements without rows on `db`; false with the engine's error.
bool run(sqlite3 *db, const QString &statements, EngineError *error);

// The first column of the first row of `sql` (0 when there is no row), or -1 with *error when it fails.
qint64 firstNumber(sqlite3 *db, const QString &sql, EngineError *error);

// Whether the database open on `db` holds books: an empty file, or another program's database, opens
// just as well. False too when its tables cannot be read.
bool holdsBooks(sqlite3 *db);

} // namespace Sqlite
