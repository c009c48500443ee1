#include "data/postgres/PgLink.h"

#include <poll.h>

#include "data/postgres/PgCursor.h"
#include "data/postgres/PgErrors.h"
#include "data/postgres/PgSpelling.h"

namespace {

// Per connection, the print tables are the cashier's own copies: one cashier's closing never writes
// into another's. Temporary tables come first in name lookup, so every statement finds the copy.
const char *const ScratchTables = R"(
CREATE TEMP TABLE PrintTable (LIKE public.PrintTable INCLUDING ALL);
INSERT INTO pg_temp.PrintTable SELECT * FROM public.PrintTable;
CREATE TEMP TABLE PrintDay (LIKE public.PrintDay INCLUDING ALL);
INSERT INTO pg_temp.PrintDay SELECT * FROM public.PrintDay;
SELECT setval(pg_get_serial_sequence('pg_temp.printday', 'dayindex'), coalesce(max(DayIndex), 0) + 1, false)
  FROM pg_temp.PrintDay;
)";

// Between two looks at a statement that waits for the server.
constexpr int WaitStep = 50;

// The settings every connection of the program runs with, whatever the server's defaults.
const char *const SessionOptions = "-c DateStyle=ISO,YMD -c standard_conforming_strings=on -c lock_timeout=5s "
                                   "-c idle_in_transaction_session_timeout=60s -c search_path=public";

// The server's notices (a table that already exists, say) are not the user's concern.
void ignoreNotice(void *, const char *)
{
}

} // namespace

PGconn *Pg::connectTo(const PgEngine::Server &server)
{
    const QByteArray host = server.host.toUtf8(), port = server.port.toUtf8(), database = server.database.toUtf8(),
                     user = server.user.toUtf8(), sslMode = server.sslMode.toUtf8(),
                     password = server.password.toUtf8();
    // An empty password is left out, so that libpq looks in .pgpass.
    const char *const keywords[] = {"host",           "port",           "dbname",          "user",
                                    "sslmode",        "client_encoding", "application_name", "connect_timeout",
                                    "keepalives_idle", "options",        "password",       nullptr};
    const char *const values[] = {host.constData(),  port.constData(), database.constData(), user.constData(),
                                  sslMode.constData(), "UTF8",         "kalvora",            "5",
                                  "30",              SessionOptions,   password.isEmpty() ? nullptr : password.constData(),
                                  nullptr};
    PGconn *conn = PQconnectdbParams(keywords, values, 0);
    PQsetNoticeProcessor(conn, &ignoreNotice, nullptr);
    return conn;
}

namespace Pg {

Link::Link(PGconn *conn, PgEngine::Server server, BooksWait wait)
    : m_conn(conn)
    , m_server(std::move(server))
    , m_cancel(PQgetCancel(conn))
    , m_wait(std::move(wait))
{
}

Link::~Link()
{
    PQfreeCancel(m_cancel);
    PQfinish(m_watcher);
    PQfinish(m_conn);
}

void Link::traceSent(const QByteArray &statement, PgEngine::Protocol protocol, int count,
                     const char *const *values) const
{
    if (!m_trace)
        return;
    QList<QByteArray> sent;
    for (int i = 0; i < count; ++i)
        sent.append(values[i] ? QByteArray(values[i]) : QByteArray());
    m_trace(statement, sent, protocol);
}

bool Link::setOperator(const QString &role, EngineError *error)
{
    m_operator = role;
    return static_cast<bool>(query(QStringLiteral("SELECT set_config('kalvora.operator', $1, false)"), {role}, error));
}

bool Link::begin(BooksConnection::Intent intent, EngineError *error)
{
    static const QHash<BooksConnection::Intent, QString> begins{
        {BooksConnection::Intent::Read, QStringLiteral("BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY")},
        {BooksConnection::Intent::Write, QStringLiteral("BEGIN")},
        // Its writes go to the connection's temporary scratch tables, which no one else touches,
        // so the snapshot never meets a serialization failure.
        {BooksConnection::Intent::Report, QStringLiteral("BEGIN ISOLATION LEVEL REPEATABLE READ")}};
    // Sent outside a transaction, so on a connection found lost it goes again, once, on the
    // connection opened again.
    bool begun = run(begins.value(intent), error);
    if (!begun && m_transaction == Transaction::None && PQstatus(m_conn) == CONNECTION_BAD)
        begun = run(begins.value(intent), error);
    if (!begun)
        return false;
    m_transaction = Transaction::Open;
    return true;
}

void Link::rollback()
{
    if (std::exchange(m_transaction, Transaction::None) == Transaction::Broken)
        return;
    EngineError ignored;
    run(QStringLiteral("ROLLBACK"), &ignored);
}

bool Link::readyForAnother()
{
    if (inTransaction() || m_streaming || !isOpenAndIdle())
        return false;
    EngineError ignored;
    if (m_lockTimeout >= 0 && !run(QStringLiteral("RESET lock_timeout"), &ignored))
        return false;
    m_lockTimeout = -1;
    return true;
}

bool Link::isOpenAndIdle()
{
    pollfd socket{PQsocket(m_conn), POLLIN, 0};
    if (poll(&socket, 1, 0) != 0)
        return false;
    return PQstatus(m_conn) == CONNECTION_OK && PQtransactionStatus(m_conn) == PQTRANS_IDLE && !PQisBusy(m_conn);
}

void Link::interrupt()
{
    const QMutexLocker lock(&m_cancelLock);
    char ignored[256];
    if (m_cancel)
        PQcancel(m_cancel, ignored, sizeof ignored);
}

void Link::waitQuietly(int milliseconds)
{
    m_wait = {};
    m_lockTimeout = milliseconds;
    EngineError ignored;
    run(QStringLiteral("SET lock_timeout = %1").arg(milliseconds), &ignored);
}

bool Link::reconnect(EngineError *error)
{
    m_streaming = nullptr;
    {
        const QMutexLocker lock(&m_cancelLock);
        PQfreeCancel(m_cancel);
        m_cancel = nullptr;
        PQreset(m_conn);
        if (PQstatus(m_conn) != CONNECTION_OK) {
            *error = connectFailure(m_conn, m_server);
            return false;
        }
        m_cancel = PQgetCancel(m_conn);
    }
    return startSession(error);
}

bool Link::settle(EngineError *error)
{
    if (m_streaming) {
        PgCursor *cursor = std::exchange(m_streaming, nullptr);
        cursor->takeRest();
    }
    if (m_transaction == Transaction::Open && PQstatus(m_conn) != CONNECTION_OK)
        m_transaction = Transaction::Broken;
    if (m_transaction == Transaction::Broken) {
        *error = {0, LostConnectionSentence, EngineError::Kind::Found};
        return false;
    }
    if (PQstatus(m_conn) == CONNECTION_OK)
        return true;
    return reconnect(error);
}

bool Link::run(const QString &statements, EngineError *error)
{
    if (!settle(error))
        return false;
    const QByteArray text = statements.toUtf8();
    traceSent(text, PgEngine::Protocol::Simple);
    if (!PQsendQuery(m_conn, text.constData())) {
        *error = errorOf(m_conn, nullptr);
        return false;
    }
    return bool(resultOf(Waiting::ForBooks, text, error));
}

bool Link::runTogether(const QString &statements, EngineError *error)
{
    if (begin(BooksConnection::Intent::Write, error) && run(statements, error) && commit(error))
        return true;
    rollback();
    return false;
}

Result Link::query(const QString &statement, const QVariantList &values, EngineError *error, Waiting waiting)
{
    if (!settle(error))
        return wrap(nullptr);
    const Parameters parameters(values);
    const QByteArray text = statement.toUtf8();
    traceSent(text, PgEngine::Protocol::Extended, parameters.count(), parameters.data());
    if (!PQsendQueryParams(m_conn, text.constData(), parameters.count(), nullptr, parameters.data(), nullptr,
                           nullptr, 0)) {
        *error = errorOf(m_conn, nullptr);
        return wrap(nullptr);
    }
    return resultOf(waiting, text, error);
}

// The result of the statements sent: the last one's, or the first that failed, with *error set and null
// then. A statement that may wait for the books and waits for a lock longer than the user lets it is
// cancelled, and fails as the books being in use.
Result Link::resultOf(Waiting waiting, const QByteArray &statement, EngineError *error)
{
    bool gaveUp = false;
    Result kept = wrap(nullptr);
    for (;;) {
        if (waiting == Waiting::ForBooks && m_wait && !gaveUp && !awaitResult()) {
            gaveUp = true;
            interrupt();
        }
        PGresult *next = PQgetResult(m_conn);
        if (!next)
            break;
        if (kept && !succeeded(kept.get()))
            PQclear(next);
        else
            kept = wrap(next);
    }
    if (kept && succeeded(kept.get()))
        return kept;
    *error = errorOf(m_conn, kept.get(), statement);
    // Given up as the server gives up at its own lock timeout, and told alike.
    if (gaveUp && stateOf(kept.get()) == "57014") {
        error->kind = EngineError::Kind::InUse;
        error->text = QStringLiteral("canceling statement due to lock timeout");
    }
    return wrap(nullptr);
}

// Waits on the socket in short steps until the statement sent has its results. While it waits for a
// lock another connection holds, each step asks m_wait whether to go on: false when it said no.
bool Link::awaitResult()
{
    pollfd socket{PQsocket(m_conn), POLLIN, 0};
    while (PQconsumeInput(m_conn) && PQisBusy(m_conn)) {
        if (poll(&socket, 1, WaitStep) == 0 && waitsForLock() && !m_wait())
            return false;
    }
    return true; // the results are in, or the connection broke, which reading them tells
}

// Whether the statement running on the connection waits for a lock: a change that is merely slow is let
// run. Asked on a second connection, since this one is busy; when that cannot be had, the server's
// lock_timeout still ends a wait.
bool Link::waitsForLock()
{
    if (!m_watcher) {
        m_watcher = connectTo(m_server);
        if (PQstatus(m_watcher) != CONNECTION_OK) {
            PQfinish(std::exchange(m_watcher, nullptr));
            return false;
        }
    }
    const QByteArray pid = QByteArray::number(PQbackendPID(m_conn));
    const char *const values[] = {pid.constData()};
    const Result found = wrap(PQexecParams(m_watcher,
                                           "SELECT 1 FROM pg_catalog.pg_stat_activity WHERE pid = $1 "
                                           "AND wait_event_type = 'Lock'",
                                           1, nullptr, values, nullptr, nullptr, 0));
    if (!succeeded(found.get())) {
        PQfinish(std::exchange(m_watcher, nullptr));
        return false;
    }
    return PQntuples(found.get()) > 0;
}

bool Link::startSession(EngineError *error)
{
    if (m_lockTimeout >= 0 && !run(QStringLiteral("SET lock_timeout = %1").arg(m_lockTimeout), error))
        return false;
    if (!m_operator.isEmpty() && !setOperator(m_operator, error))
        return false;
    return run(QStringLiteral("BEGIN;") + QString::fromUtf8(ScratchTables) + QStringLiteral("COMMIT;"), error);
}

bool Link::commit(EngineError *error)
{
    if (!settle(error))
        return false;
    traceSent("COMMIT", PgEngine::Protocol::Simple);
    if (!PQsendQuery(m_conn, "COMMIT")) {
        *error = errorOf(m_conn, nullptr);
        return false;
    }
    const Result result = resultOf(Waiting::ForBooks, "COMMIT", error);
    if (!result)
        return false;
    m_transaction = Transaction::None;
    // A transaction that failed part way ends in a rollback, which COMMIT answers without an error.
    if (qstrcmp(PQcmdStatus(result.get()), "COMMIT") != 0) {
        *error = {0, QStringLiteral("事务中有一步失败，所有改动都已撤销，没有保存。"), EngineError::Kind::Found};
        return false;
    }
    return true;
}

const Link::Table &Link::tableOf(Oid table)
{
    const auto found = m_tables.constFind(table);
    if (found != m_tables.cend())
        return *found;
    Table entry;
    EngineError ignored;
    const Result result = query(QStringLiteral("SELECT c.relname, a.attnum, a.attname FROM pg_catalog.pg_class c "
                                               "JOIN pg_catalog.pg_attribute a ON a.attrelid = c.oid "
                                               "WHERE c.oid = $1 AND a.attnum > 0 AND NOT a.attisdropped"),
                                {qint64(table)}, &ignored);
    for (int row = 0; result && row < PQntuples(result.get()); ++row) {
        entry.name = spelled(QString::fromUtf8(PQgetvalue(result.get(), row, 0)));
        entry.columns.insert(QByteArray(PQgetvalue(result.get(), row, 1)).toInt(),
                             spelled(QString::fromUtf8(PQgetvalue(result.get(), row, 2))));
    }
    // A failed look-up leaves the columns without their table (not writable) this once, and is asked
    // again next time rather than kept.
    if (!result) {
        static const Table none;
        return none;
    }
    return *m_tables.insert(table, entry);
}

QString Link::tableName(Oid table)
{
    return table == InvalidOid ? QString() : tableOf(table).name;
}

QString Link::columnName(Oid table, int column)
{
    return table == InvalidOid || column <= 0 ? QString() : tableOf(table).columns.value(column);
}

bool Link::keyOf(const QString &table, QString *key, EngineError *error)
{
    const QString name = table.toLower();
    const auto found = m_keys.constFind(name);
    if (found != m_keys.cend()) {
        *key = *found;
        return true;
    }
    const Result result = query(QStringLiteral("SELECT a.attname FROM pg_catalog.pg_index i "
                                               "JOIN pg_catalog.pg_attribute a ON a.attrelid = i.indrelid "
                                               "AND a.attnum = i.indkey[0] "
                                               "WHERE i.indrelid = to_regclass($1) AND i.indisprimary "
                                               "AND i.indnatts = 1"),
                                {table}, error);
    if (!result)
        return false;
    *key = PQntuples(result.get()) == 1 ? spelled(QString::fromUtf8(PQgetvalue(result.get(), 0, 0))) : QString();
    m_keys.insert(name, *key);
    return true;
}

bool firstValue(Link &link, const QString &statement, QByteArray *value, EngineError *error)
{
    const Result result = link.query(statement, {}, error);
    if (!result)
        return false;
    *value = PQntuples(result.get()) > 0 && !PQgetisnull(result.get(), 0, 0)
        ? QByteArray(PQgetvalue(result.get(), 0, 0))
        : QByteArray();
    return true;
}


} // namespace Pg
