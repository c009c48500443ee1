#pragma once
#include <QByteArray>
#include <QString>

#include <libpq-fe.h>

// Names as the program writes them. PostgreSQL folds every unquoted name to lower case, and the
// program reads columns and tables by the names it wrote.
namespace Pg {

// The spelling `statement` gives the name the server folded, where it first stands; empty when the
// statement does not write it.
QString spellingIn(const QString &statement, const QString &folded);
// The spelling of a name as the schema writes it, or the name as the server gave it.
QString spelled(const QString &name);
// A name of the books as an identifier: a plain word goes as it is, folded by the server like every name
// the program writes; anything else is quoted.
QByteArray identifier(PGconn *conn, const QString &name);

} // namespace Pg
