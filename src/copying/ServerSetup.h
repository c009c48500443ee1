#pragma once
#include <QString>

#include "data/postgres/PgEngine.h"

// Pointing this desk at books on a server, or back at its books file: the data source KalvoraCmp that
// the program and ODBC clients read, and the password in .pgpass, never in the data source.

// The server named by libpq keywords ("host=… port=… dbname=… user=… sslmode=… password=…"); false
// with *error for a text libpq cannot read or one without a database.
bool ParseConninfo(const QString &conninfo, PgEngine::Server *server, QString *error);

// Whether the server asks a password that neither the keywords nor .pgpass give.
bool ServerWantsPassword(const PgEngine::Server &server);

// Whether the books on `server` are ones this program reads: the books' tables there, of its version,
// in a database it accepts. False with *error, in Chinese.
bool CheckServerBooks(const PgEngine::Server &server, QString *error);

// Writes the data source KalvoraCmp of this user for the books on `server` (psqlODBC's keys too, so
// that ODBC clients read texts whole), and marks it registered in the settings file `settingsPath`
// so that the program's start leaves it be.
bool RegisterServerDataSource(const PgEngine::Server &server, const QString &settingsPath, QString *error);

// Keeps `server.password` in the user's .pgpass (mode 0600), under the host as libpq looks it up (a
// socket folder by its path): a line for the same server, port, database and user is replaced, every
// other line kept.
bool KeepServerPassword(const PgEngine::Server &server, QString *error);
// The .pgpass libpq reads: $PGPASSFILE, else .pgpass in the home folder.
QString PasswordFilePath();
