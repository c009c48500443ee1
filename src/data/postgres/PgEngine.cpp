#include "data/postgres/PgEngine.h"

#include "data/DataSource.h"
#include "data/postgres/PgBooks.h"
#include "data/postgres/PgBooksCheck.h"
#include "data/postgres/PgErrors.h"
#include "data/postgres/PgLink.h"
#include "data/postgres/PgMonthTotals.h"

std::unique_ptr<BooksEngine> PgEngine::open(const Server &server, EngineError *error, bool *rebuilt, BooksWait wait,
                                            const BooksFile::Progress &upgrade)
{
    PGconn *conn = Pg::connectTo(server);
    if (PQstatus(conn) != CONNECTION_OK) {
        *error = Pg::connectFailure(conn, server);
        PQfinish(conn);
        return nullptr;
    }
    auto link = std::make_unique<Pg::Link>(conn, server, std::move(wait));
    if (!Pg::checkBooks(*link, upgrade, error) || !PgMonthTotals::repair(*link, rebuilt, error)
        || !Pg::repairAccountKey(*link, error))
        return nullptr;
    Pg::addChangeListOrder(*link);
    if (!link->startSession(error))
        return nullptr;
    return std::make_unique<Pg::PgBooks>(std::move(link));
}

PgEngine::Server PgEngine::serverOf(const QString &name)
{
    const auto entry = [&name](const char *key) { return DataSource::entryOf(name, QLatin1String(key)); };
    return {entry("Servername"), entry("Port"), entry("Database"), entry("Username"), entry("SSLmode"), {}};
}

pg_conn *PgEngine::connectSession(const Server &server, EngineError *error)
{
    PGconn *conn = Pg::connectTo(server);
    if (PQstatus(conn) == CONNECTION_OK)
        return conn;
    *error = Pg::connectFailure(conn, server);
    PQfinish(conn);
    return nullptr;
}

QString PgEngine::newDatabaseAdvice(const QString &database)
{
    return QStringLiteral("请由管理员建立一个新的数据库：createdb -T template0 -E UTF8 --locale=C %1").arg(database);
}

void PgEngine::trace(BooksEngine &engine, Trace trace)
{
    Pg::linkOf(engine).setTrace(std::move(trace));
}
