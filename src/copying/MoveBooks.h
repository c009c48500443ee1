#pragma once
#include <QString>
#include <QStringList>

#include "data/BooksFile.h"

// What a move of the books to a server did, in lines the user reads: rows per table, the amounts
// per account, and anything worth noticing.
struct MoveReport
{
    QStringList lines;
};

// Moves the books file `booksFile` into the empty server database `conninfo` (libpq keywords: host,
// port, dbname, user, sslmode, password), in one server transaction, while the file is held so no one
// writes to it. False with *error (Chinese; a bad value named by table, row and field) and the server
// left as it was; the file is never changed.
bool MoveBooksToServer(const QString &booksFile, const QString &conninfo, MoveReport *report, QString *error,
                       const BooksFile::Progress &progress = {});
