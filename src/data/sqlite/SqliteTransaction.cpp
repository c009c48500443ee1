#include "data/sqlite/SqliteTransaction.h"

#include <QString>

#include "data/sqlite/SqliteCalls.h"

// SQLite itself may have ended a transaction that failed part way; one still open is rolled back.
SqliteTransaction::~SqliteTransaction()
{
    if (!m_open || sqlite3_get_autocommit(m_db))
        return;
    EngineError ignored;
    Sqlite::run(m_db, QStringLiteral("ROLLBACK"), &ignored);
}

bool SqliteTransaction::begin(EngineError *error)
{
    m_open = Sqlite::run(m_db, QStringLiteral("BEGIN IMMEDIATE"), error);
    return m_open;
}

bool SqliteTransaction::commit(EngineError *error)
{
    if (!Sqlite::run(m_db, QStringLiteral("COMMIT"), error))
        return false;
    m_open = false;
    return true;
}
