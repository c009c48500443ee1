#include "data/BooksUpkeep.h"

#include "data/BooksEngine.h"
#include "data/postgres/PgBooks.h"
#include "data/postgres/PgChangeRecord.h"
#include "data/postgres/PgMonthTotals.h"
#include "data/sqlite/SqliteChangeRecord.h"
#include "data/sqlite/SqliteEngine.h"
#include "data/sqlite/SqliteMonthTotals.h"

bool BooksUpkeep::missingChangeTriggers(BooksEngine &books, QStringList *missing, EngineError *error)
{
    if (books.dialect() == Dialect::Postgres)
        return PgChangeRecord::missingTriggers(Pg::linkOf(books), missing, error);
    return SqliteChangeRecord::missingTriggers(SqliteEngine::handleOf(books), missing, error);
}

bool BooksUpkeep::restoreChangeTriggers(BooksEngine &books, const QStringList &restored, EngineError *error)
{
    if (books.dialect() == Dialect::Postgres)
        return PgChangeRecord::restoreTriggers(Pg::linkOf(books), restored, error);
    return SqliteChangeRecord::restoreTriggers(SqliteEngine::handleOf(books), SqliteEngine::operatorOf(books),
                                               restored, error);
}

bool BooksUpkeep::verifyMonthTotals(BooksEngine &books, bool *rebuilt, EngineError *error)
{
    if (books.dialect() == Dialect::Postgres)
        return PgMonthTotals::verify(Pg::linkOf(books), rebuilt, error);
    return SqliteMonthTotals::verify(SqliteEngine::handleOf(books), rebuilt, error);
}
