#pragma once
#include <QByteArray>
#include <QString>

#include <libpq-fe.h>

#include "data/Failure.h"
#include "data/postgres/PgEngine.h"

// What the server says went wrong, in the program's terms and in Chinese where the user acts on it.
namespace Pg {

// The SQLSTATE of a failed result; empty when there is none.
QByteArray stateOf(const PGresult *result);
// What the server said went wrong with `statement`, given its result (none when it could not be sent).
EngineError errorOf(PGconn *conn, const PGresult *result, const QByteArray &statement = {});
// Why connecting to `server` failed, with what the user can check.
EngineError connectFailure(PGconn *conn, const PgEngine::Server &server);

} // namespace Pg
