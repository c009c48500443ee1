#pragma once
#include <sqlite3.h>

#include "data/Failure.h"

// A write transaction of the engine's own work on a connection (an upgrade, a repair, new books): the
// write lock taken at its start, so the work never meets another writer half way, and rolled back when
// it ends without commit().
class SqliteTransaction
{
public:
    explicit SqliteTransaction(sqlite3 *db)
        : m_db(db)
    {
    }
    ~SqliteTransaction();
    SqliteTransaction(const SqliteTransaction &) = delete;
    SqliteTransaction &operator=(const SqliteTransaction &) = delete;

    bool begin(EngineError *error);
    bool commit(EngineError *error);

private:
    sqlite3 *const m_db;
    bool m_open = false;
};
