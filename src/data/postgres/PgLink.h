#pragma once
#include <QByteArray>
#include <QHash>
#include <QMutex>
#include <QString>
#include <QVariant>

#include <libpq-fe.h>

#include "data/BooksEngine.h"
#include "data/postgres/PgEngine.h"
#include "data/postgres/PgValues.h"

namespace Pg {

class PgCursor;

// A new connection to `server` with the settings every connection of the program runs with; check its
// PQstatus().
PGconn *connectTo(const PgEngine::Server &server);

// Whether a statement may wait for rows or tables another connection holds, telling the user: changes
// and commits may; reads never wait for a row another cashier changes, so a long report is only long.
enum class Waiting { Quietly, ForBooks };

// One connection to the server. libpq runs one statement per connection at a time, so before any other
// statement goes out the cursor still reading its rows takes the rest of them in.
class Link
{
public:
    Link(PGconn *conn, PgEngine::Server server, BooksWait wait = {});
    ~Link();
    Link(const Link &) = delete;
    Link &operator=(const Link &) = delete;

    PGconn *conn() const { return m_conn; }
    const PgEngine::Server &server() const { return m_server; }
    void setTrace(PgEngine::Trace trace) { m_trace = std::move(trace); }
    // Tells the trace, if any, of a statement about to be sent and the protocol it goes by.
    void traceSent(const QByteArray &statement, PgEngine::Protocol protocol, int count = 0,
                   const char *const *values = nullptr) const;

    void setStreaming(PgCursor *cursor) { m_streaming = cursor; }
    void stopStreaming(const PgCursor *cursor)
    {
        if (m_streaming == cursor)
            m_streaming = nullptr;
    }
    // Makes the connection free for the next statement; a connection found lost is opened again, once,
    // unless a transaction was open on it: its changes are gone, so the transaction is broken and every
    // statement and the commit fail as lost until it is rolled back.
    bool settle(EngineError *error);

    // Statements of the engine's own, without rows to read: false with the error. They may wait for
    // the books.
    bool run(const QString &statements, EngineError *error);
    // The same in a write transaction of their own: all of them or nothing.
    bool runTogether(const QString &statements, EngineError *error);
    Result query(const QString &statement, const QVariantList &values, EngineError *error,
                 Waiting waiting = Waiting::Quietly);
    // The session's settings that are not part of the connection string: the wait for locks and
    // the scratch tables.
    bool startSession(EngineError *error);
    // The role the change record names for this session's writes, kept for a connection opened again.
    bool setOperator(const QString &role, EngineError *error);

    bool begin(BooksConnection::Intent intent, EngineError *error);
    // Ends the transaction when it was stored; otherwise it stays for the caller to roll back.
    bool commit(EngineError *error);
    // Ends the transaction; one broken by a lost connection was ended by the server already, and the
    // connection is opened again at the next statement.
    void rollback();
    bool inTransaction() const { return m_transaction != Transaction::None; }
    // Whether the connection can serve another reader as a new one would: open, idle, with the
    // program's wait for locks. One stopped from outside serves too: the server drops a stop that
    // finds no statement running, so it never meets the next reader's.
    bool readyForAnother();
    // Whether the server still holds the connection open and idle. The server says nothing unasked to an
    // idle connection but that it is closing it (its last words and the close may come apart), so
    // anything waiting on the socket counts as closed.
    bool isOpenAndIdle();

    void interrupt();
    void waitQuietly(int milliseconds);

    // The base table's name and its columns' by their attribute numbers; cached per table.
    QString tableName(Oid table);
    QString columnName(Oid table, int column);
    // The one column of the table's primary key, empty when it has none or more; false with *error when
    // it could not be read.
    bool keyOf(const QString &table, QString *key, EngineError *error);

private:
    struct Table
    {
        QString name;
        QHash<int, QString> columns;
    };
    const Table &tableOf(Oid table);
    bool reconnect(EngineError *error);
    Result resultOf(Waiting waiting, const QByteArray &statement, EngineError *error);
    bool awaitResult();
    bool waitsForLock();

    PGconn *m_conn;
    const PgEngine::Server m_server;
    QMutex m_cancelLock;
    PGcancel *m_cancel;
    BooksWait m_wait; // asked while a statement waits for the books; none: wait quietly
    PGconn *m_watcher = nullptr; // tells whether a statement on m_conn waits for a lock, opened at need
    PgEngine::Trace m_trace;
    PgCursor *m_streaming = nullptr;
    // Broken: the connection was lost inside the transaction, whose changes the server threw away.
    enum class Transaction { None, Open, Broken } m_transaction = Transaction::None;
    int m_lockTimeout = -1;
    QString m_operator;
    QHash<Oid, Table> m_tables;
    QHash<QString, QString> m_keys;
};

// The first value of a statement of the engine's own, as text; null when it gave no row.
bool firstValue(Link &link, const QString &statement, QByteArray *value, EngineError *error);

} // namespace Pg
