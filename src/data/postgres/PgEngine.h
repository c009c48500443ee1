#pragma once
#include <QString>
#include <memory>

#include "data/BooksEngine.h"

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
};

// Connects to the books on `server`. Refuses a database whose text order is not the C locale's, books
// of another version and a database without citext; an empty database gets the books' tables first.
// The month totals' table or a trigger of theirs removed by hand is put back, the totals built afresh
// (`rebuilt`). Books of the version before get the change record, `upgrade` told its progress. Each
// connection gets its own scratch copies of the print tables. nullptr with *error set, in Chinese.
std::unique_ptr<BooksEngine> open(const Server &server, EngineError *error, bool *rebuilt = nullptr,
                                  const BooksFile::Progress &upgrade = {});

} // namespace PgEngine
