#pragma once
#include <QList>
#include <QString>
#include <QStringList>

#include "data/BooksFile.h"

struct pg_conn;
struct sqlite3;

// The books' tables as a file and a server hold them, and the rows carried between the two. The server's
// schema decides each column's type; the file's tables give the fields, so neither schema is written
// out again here.
namespace CopyTables {

enum class Kind { Integer, Real, Date, Boolean, Text };

struct Column
{
    QString name;
    Kind kind = Kind::Text;
    bool fromRowId = false; // a key only the server has, numbered as the file's rows are
};

struct Table
{
    QString name;
    QString key; // the server's one-column key
    QList<Column> columns;
};

// Every table that holds the books' own data, in the order of the schema, with the server's columns
// that the file has too, and the server's key; last the change record's entries, when the server
// keeps them.
bool plan(pg_conn *server, QList<Table> *tables, QString *error);

// Whether `table` is the change record's, whose entries are carried as they are: not recorded again.
bool isChangeLog(const Table &table);

// Empties the server's tables and loads the rows of every table of the file `file` into them, inside
// the caller's transaction: record numbers kept, every value checked (a bad one is refused naming
// table, row and field), month totals built, numbering set past every number used, and finally the
// rows counted and the amounts summed per account on both sides. The change record's entries come
// over as the file holds them, its numbers going on after the last; books of a file without them
// get their baseline entries, as at an upgrade. Lines for the report go to `report`.
bool load(pg_conn *server, sqlite3 *file, const QList<Table> &tables, QStringList *report, QString *error,
          const BooksFile::Progress &progress);

// Statements without rows on the server; false with the server's text.
bool run(pg_conn *server, const QString &statements, QString *error);

// The values of the first row of a statement on the server, as text (a null for NULL); empty with
// *error when it fails, empty too when it gives no row.
QStringList firstRow(pg_conn *server, const QString &sql, QString *error);

// A table or field name quoted for the file's engine.
QString quotedName(const QString &name);

// A connection to the server, closed when it goes.
struct ServerHold
{
    pg_conn *conn = nullptr;
    ~ServerHold();
};

// A connection to a books file, its transaction rolled back and the file closed when it goes.
struct FileHold
{
    sqlite3 *db = nullptr;
    ~FileHold();
};

} // namespace CopyTables
