#pragma once
#include <QByteArray>
#include <QList>
#include <QString>
#include <functional>
#include <memory>

#include "data/BooksEngine.h"

struct pg_conn;

// The engine of books kept on a PostgreSQL server that several cashiers share: the data source's driver
// names PostgreSQL.
namespace PgEngine {

// Where the books are, as the data source tells it. The password is never part of it: libpq takes it
// from the user's .pgpass.
struct Server
{
    QString host; // a name, an address, or a folder holding the server's Unix socket
    QString port;
    QString database;
    QString user;
    QString sslMode;
    QString password; // only when the user typed it; otherwise libpq reads .pgpass
};

// The server the data source `name` names.
Server serverOf(const QString &name);

// A connection of its own to `server`, with the settings every connection of the program runs with
// (dates as ISO text, quoting, lock timeout, search path), for work that goes past the engine, such as
// copying the books whole; the caller PQfinish()es it. nullptr with *error set, in Chinese.
pg_conn *connectSession(const Server &server, EngineError *error);

// What the administrator runs to make a database the books can live in.
QString newDatabaseAdvice(const QString &database);

// Connects to the books on `server`. Refuses a database whose text order is not the C locale's, books
// of another version and a database without citext; an empty database gets the books' tables first.
// The month totals' table or a trigger of theirs removed by hand is put back, the totals built afresh
// (`rebuilt`). Books of the version before get the change record, `upgrade` told its progress. Each
// connection gets its own scratch copies of the print tables. A change or commit that waits for a lock
// another connection holds asks `wait` at each step whether to go on, and fails as "in use" when it says
// no; without one it waits until the server's lock timeout. nullptr with *error set, in Chinese.
std::unique_ptr<BooksEngine> open(const Server &server, EngineError *error, bool *rebuilt = nullptr,
                                  BooksWait wait = {}, const BooksFile::Progress &upgrade = {});

// Each statement the program's connection `engine` (made by open()) sends from now on, in the server's
// dialect, with its values as text (a null value as a null QByteArray) and the protocol it goes by: for
// the benchmark's bare comparisons. An empty trace ends the tracing.
enum class Protocol { Simple, Extended };
using Trace = std::function<void(const QByteArray &statement, const QList<QByteArray> &values, Protocol protocol)>;
void trace(BooksEngine &engine, Trace trace);

} // namespace PgEngine
