#include "Replay.h"

#include <QHash>

#include <sqlite3.h>

#include "shell/AccountScope.h"
#include "app/FormMain.h"
#include "app/Program.h"
#include "data/DataSource.h"
#include "data/ShareDataModule.h"
#include "data/postgres/PgEngine.h"
#include "data/sqlite/SqliteEngine.h"

namespace {

BooksEngine &programEngine()
{
    EngineError error;
    BooksEngine *engine = ShareDataModule::instance().ADOConnection1(&error);
    if (!engine)
        qFatal("bench: no connection: %s", qPrintable(error.text));
    return *engine;
}

// Writes down every statement the program runs on its connection and the rows it reads of each, so
// that the bare side does the same work: a result opened only to append is read no further there either.
class StatementLog
{
public:
    StatementLog()
        : m_db(SqliteEngine::handleOf(programEngine()))
    {
        sqlite3_trace_v2(m_db, SQLITE_TRACE_STMT | SQLITE_TRACE_ROW, &StatementLog::note, this);
    }
    ~StatementLog() { sqlite3_trace_v2(m_db, 0, nullptr, nullptr); }
    StatementLog(const StatementLog &) = delete;
    StatementLog &operator=(const StatementLog &) = delete;

    QList<Traced> statements() const { return m_statements; }

private:
    static int note(unsigned event, void *self, void *statement, void *text)
    {
        auto *log = static_cast<StatementLog *>(self);
        auto *stmt = static_cast<sqlite3_stmt *>(statement);
        if (event == SQLITE_TRACE_ROW) {
            if (log->m_latest.contains(stmt))
                ++log->m_statements[log->m_latest.value(stmt)].rows;
            return 0;
        }
        if (qstrncmp(static_cast<const char *>(text), "--", 2) == 0) // a trigger's own statement
            return 0;
        char *expanded = sqlite3_expanded_sql(stmt);
        log->m_latest.insert(stmt, log->m_statements.size());
        log->m_statements.append({QByteArray(expanded), {}, 0});
        sqlite3_free(expanded);
        return 0;
    }

    sqlite3 *m_db = nullptr;
    QList<Traced> m_statements;
    QHash<sqlite3_stmt *, qsizetype> m_latest;
};

} // namespace

QList<Traced> statementsOf(const std::function<void()> &work)
{
    if (!DataSource::isServer(QString::fromLatin1(DataSource::Name))) {
        const StatementLog log;
        work();
        return log.statements();
    }
    // The server sends every row of a statement, read or not: its replay reads them all as well.
    QList<Traced> statements;
    BooksEngine &engine = programEngine();
    PgEngine::trace(engine, [&statements](const QByteArray &sql, const QList<QByteArray> &values,
                                          PgEngine::Protocol protocol) {
        statements.append({sql, values, 0, protocol == PgEngine::Protocol::Extended});
    });
    work();
    PgEngine::trace(engine, {});
    return statements;
}

QList<int> journalSizes(const Bench &bench)
{
    QList<int> sizes;
    for (const int records : {10000, 100000, bench.largest()})
        if (records <= bench.largest() && !sizes.contains(records))
            sizes.append(records);
    return sizes;
}

void logInto(Bench &bench, int records)
{
    bench.useBooks(records);
    AccountScope::write(AccountScope::CompanyLedger);
    bench.windows().main->setLeftPanelEnabled(true);
    bench.windows().main->refreshAll();
}

int runs(const Bench &bench, int most)
{
    return qMin(bench.runs(), most);
}

void compareWithReplay(Bench &bench, const QString &figure, int records, const std::function<void()> &work, int most)
{
    const QList<Traced> statements = statementsOf(work);
    Bare &bare = bench.bare();
    bench.report(figure, records, bench.compare(work, [&] { bare.replay(statements); }, runs(bench, most)));
}
