#pragma once
#include <QString>

// The ODBC data source through which the books are found, kept as a unixODBC user data source in the
// file unixODBC itself reads, so that ODBC clients open the same books.
namespace DataSource {
inline constexpr const char *Name = "KalvoraCmp";

QString odbcIniPath(); // $ODBCINI, else .odbc.ini in the home folder of the user's password entry
QString databaseOf(const QString &name); // the registered database path, empty when not registered
} // namespace DataSource

bool RegisterDataSource(const QString &name, const QString &path, const QString &description);

// The user's desktop folder (XDG), empty when unknown.
QString DesktopFolder();
