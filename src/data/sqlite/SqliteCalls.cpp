#include "data/sqlite/SqliteCalls.h"

namespace {

// Between two looks at the books while another program holds them.
constexpr int WaitStep = 50;

// SQLite's busy handler: asks whether to wait on; the first look again is at once, later ones a little
// later each, until the wait gives up with "database is locked".
int waitForBooks(void *wait, int attempt)
{
    if (!(*static_cast<BooksWait *>(wait))())
        return 0;
    if (attempt > 0)
        sqlite3_sleep(WaitStep);
    return 1;
}

EngineError::Kind kindOf(int code)
{
    switch (code & 0xff) {
    case SQLITE_OK:
        return EngineError::Kind::Found;
    case SQLITE_READONLY:
        return EngineError::Kind::ReadOnly;
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return EngineError::Kind::InUse;
    case SQLITE_FULL:
        return EngineError::Kind::DiskFull;
    case SQLITE_IOERR:
        return EngineError::Kind::DiskFault;
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
        return EngineError::Kind::Damaged;
    case SQLITE_CANTOPEN:
        return EngineError::Kind::Unreachable;
    default:
        return EngineError::Kind::Other;
    }
}

} // namespace

EngineError Sqlite::errorOf(sqlite3 *db)
{
    const int code = sqlite3_extended_errcode(db);
    return {code, QString::fromUtf8(sqlite3_errmsg(db)), kindOf(code)};
}

void Sqlite::waitWith(sqlite3 *db, BooksWait *wait)
{
    sqlite3_busy_handler(db, &waitForBooks, wait);
}

bool Sqlite::run(sqlite3 *db, const QString &statements, EngineError *error)
{
    if (sqlite3_exec(db, statements.toUtf8().constData(), nullptr, nullptr, nullptr) == SQLITE_OK)
        return true;
    *error = errorOf(db);
    return false;
}

qint64 Sqlite::firstNumber(sqlite3 *db, const QString &sql, EngineError *error)
{
    sqlite3_stmt *statement = nullptr;
    qint64 value = -1;
    if (sqlite3_prepare_v2(db, sql.toUtf8().constData(), -1, &statement, nullptr) == SQLITE_OK) {
        const int rc = sqlite3_step(statement);
        if (rc == SQLITE_ROW)
            value = sqlite3_column_int64(statement, 0);
        else if (rc == SQLITE_DONE)
            value = 0;
    }
    if (value < 0)
        *error = errorOf(db);
    sqlite3_finalize(statement);
    return value;
}

bool Sqlite::holdsBooks(sqlite3 *db)
{
    sqlite3_stmt *statement = nullptr;
    sqlite3_prepare_v2(db, "SELECT 1 FROM sqlite_schema WHERE type = 'table' AND name = 'MoneyTable'", -1, &statement,
                       nullptr);
    const bool found = sqlite3_step(statement) == SQLITE_ROW;
    sqlite3_finalize(statement);
    return found;
}
