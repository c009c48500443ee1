#pragma once
// The bare side of a figure: the books in use opened through the engine's own library alone, sqlite3
// for a books file or libpq for server books, with nothing of the program between. A figure states its
// statements once, in SQL both engines read, with ?1, ?2... or ? for its values.
#include <QByteArray>
#include <QList>
#include <QString>
#include <QVariant>
#include <climits>
#include <memory>

#include "data/MonthTotals.h"

// A statement the program ran, in the engine's dialect, with its values as text (none when they are
// written into the statement), how many rows it stepped through and, on a server, whether it went by
// the extended protocol (one statement, parsed and run in separate steps) rather than the simple one.
struct Traced
{
    QByteArray sql;
    QList<QByteArray> values;
    int rows = 0;
    bool extended = false;
};

// One statement prepared on the bare connection, run again and again.
class BareStatement
{
public:
    virtual ~BareStatement() = default;
    // Binds `values` in order, reads every column of the first `rows` rows (the first column of each
    // into *firstColumn when given) and finishes; the first column of the last row read, 0 without one.
    virtual double run(const QVariantList &values = {}, int rows = INT_MAX, QList<qint64> *firstColumn = nullptr) = 0;
};

class Bare
{
public:
    virtual ~Bare() = default;

    // The file's or the server's bare connection on the books the program uses.
    static std::unique_ptr<Bare> onFile(const QString &path);
    static std::unique_ptr<Bare> onServer(const QString &host, const QString &database);

    virtual std::unique_ptr<BareStatement> prepare(const QByteArray &sql) = 0;
    double read(const QByteArray &sql, const QVariantList &values = {}, int rows = INT_MAX,
                QList<qint64> *firstColumn = nullptr)
    {
        return prepare(sql)->run(values, rows, firstColumn);
    }
    // A transaction that writes, taking the write lock at once where the engine has one.
    virtual void begin() = 0;
    void commit() { read("COMMIT"); }

    // The engine's dialect of a statement the program writes in Jet.
    virtual QString dialect(const QString &jet) const = 0;
    virtual Dialect engine() const = 0;
    // The column that names a row of `table` in a statement.
    virtual QByteArray rowIdOf(const QByteArray &table) const = 0;

    // Runs each statement as the program did, reading as many rows as it read (and one step more,
    // which ends a statement the program read to its end).
    virtual void replay(const QList<Traced> &statements) = 0;
};
