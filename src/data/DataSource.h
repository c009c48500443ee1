#pragma once
#include <QString>

// The ODBC data source through which the books are found, kept as a unixODBC user data source in the
// file unixODBC itself reads, so that ODBC clients open the same books.
namespace DataSource {
inline constexpr const char *Name = "KalvoraCmp";
// The driver Debian's SQLite ODBC package registers: the books are a file, opened by the program itself.
inline constexpr const char *SqliteDriver = "SQLite3";

QString odbcIniPath(); // $ODBCINI, else .odbc.ini in the home folder of the user's password entry
QString databaseOf(const QString &name); // the registered database path, empty when not registered
QString driverOf(const QString &name);   // the registered driver, which decides the engine; empty when none
// Whether the registered driver is the PostgreSQL one: the books are on a server, not a file.
bool isServer(const QString &name);
// A key of the data source's entry, such as the server's Servername, Port, Database, Username, SSLmode.
QString entryOf(const QString &name, const QString &key);
} // namespace DataSource

bool RegisterDataSource(const QString &name, const QString &path, const QString &description);

// The user's desktop folder (XDG), empty when unknown.
QString DesktopFolder();
