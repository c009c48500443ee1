#pragma once
#include <QHash>
#include <QList>
#include <QString>
#include <QVariant>
#include <functional>
#include <memory>
#include <utility>

#include "data/BooksFile.h"
#include "data/Dialect.h"
#include "data/Failure.h"

class RowStore;

// What an engine of the books does for the data layer. ShareDataModule opens the engine its data
// source names; Query, WindowedQuery and Transaction work through these classes only, so that nothing
// above them names an engine's library.

// The data layer's own words for what an engine finds wrong with a statement or a row.
// The name of the hidden column that carries a row's version.
inline constexpr char RowVersionName[] = "kalvora_version";

namespace EngineText {
inline const QString ExtraStatement = QStringLiteral("语句后面有多余的内容");
inline const QString RowGone = QStringLiteral("该记录已不存在，可能已被删除");
inline const QString RowChanged = QStringLiteral("该记录已被其他用户修改，请重新打开");
} // namespace EngineText

// One prepared statement, run a row at a time; the current row is read column by column.
class BooksCursor
{
public:
    enum class Step { Row, Done, Failed };

    virtual ~BooksCursor() = default;

    virtual Step step() = 0; // Failed: error() says why
    virtual EngineError error() const = 0;
    // Back to before the first row; the values bound stay.
    virtual void reset() = 0;
    virtual void bindInteger(int parameter, qint64 value) = 0; // the first parameter is 1

    virtual int columnCount() const = 0;
    virtual QString columnName(int column) const = 0;
    // The table and the field of it a column reads; empty for a computed column.
    virtual QString baseTable(int column) const = 0;
    virtual QString baseColumn(int column) const = 0;

    virtual qint64 integer(int column) const = 0;
    virtual double real(int column) const = 0;
    // Appends the current row, every column of it, as the engine gave it.
    virtual void appendRow(RowStore &rows) const = 0;
};

// A connection to the books.
class BooksConnection
{
public:
    // Read: the statements until commit() see one state of the books. Write: the write lock is taken
    // at the start, so the changes that follow never meet another writer half way. Report: the
    // statements see one state of the books, as other programs go on storing, and write the
    // connection's own scratch rows only.
    enum class Intent { Read, Write, Report };

    virtual ~BooksConnection() = default;

    // Exactly one statement, in the engine's dialect: text after it other than ';' and blanks is refused,
    // since it would otherwise be dropped without a word. nullptr with *error set.
    virtual std::unique_ptr<BooksCursor> prepare(const QString &statement, EngineError *error) = 0;
    // A statement that only reads and takes no values, run at once: its rows follow with step(). A
    // server does in one round trip what prepare() and the first step() do in three. A failure may show
    // here or at a step, as with prepare().
    virtual std::unique_ptr<BooksCursor> start(const QString &statement, EngineError *error)
    {
        return prepare(statement, error);
    }

    virtual bool begin(Intent intent, EngineError *error) = 0;
    virtual bool commit(EngineError *error) = 0;
    virtual void rollback() = 0;
    virtual bool inTransaction() const = 0;

    // Stops the statement running on this connection; callable from any thread.
    virtual void interrupt() = 0;
    // From now on a wait for books another program holds tells nothing and gives up after `milliseconds`.
    virtual void waitQuietly(int milliseconds) = 0;
};

// Asked each time a statement finds the books held by another program: whether to go on waiting.
using BooksWait = std::function<bool()>;

// The program's connection to the books, and the work on them that only the engine knows how to do.
// The books' own features (the change record, the month totals) are not part of it: each engine keeps
// them in modules beside it, which BooksUpkeep reaches by the engine's dialect().
class BooksEngine : public BooksConnection
{
public:
    // Which engine keeps the books.
    virtual Dialect dialect() const = 0;

    // Runs statements that return no rows, in the engine's own dialect: for the data layer and tests.
    virtual bool execute(const QString &statements, EngineError *error) = 0;

    // The engine's dialect of a statement the program writes in Jet; empty with *error when it cannot be
    // turned.
    virtual QString fromJet(const QString &jet, QString *error) const = 0;

    // What a Select of `table` adds to its select list to name the row each result row comes from;
    // empty when rows of that table cannot be named, so cannot be written through a result.
    virtual QString rowIdExpression(const QString &table) = 0;
    // What a Select of one table adds after the row id to tell the version of each row, empty when the
    // engine keeps none: a row changed by someone else since it was read is then not overwritten.
    virtual QString rowVersionExpression() const = 0;

    // Each field written: its base column in lower case and the value.
    using Fields = QList<std::pair<QString, QVariant>>;
    // A row as stored: each column's value by the column's name in lower case.
    using StoredRow = QHash<QString, QVariant>;
    // Writes of one row of `table`, named by its row id and, where the engine keeps them, the version it
    // was read in. Each gives back the row as it is stored now, with its version under RowVersionName; a
    // row that is no longer there fails with EngineText::RowGone, one changed since with RowChanged.
    virtual bool insertRow(const QString &table, const Fields &fields, qint64 *rowId, StoredRow *stored,
                           EngineError *error) = 0;
    virtual bool updateRow(const QString &table, qint64 rowId, const QVariant &version, const Fields &fields,
                           StoredRow *stored, EngineError *error) = 0;
    virtual bool deleteRow(const QString &table, qint64 rowId, const QVariant &version, EngineError *error) = 0;

    // The role the change record names for this connection's writes from now on.
    virtual bool setOperator(const QString &role, EngineError *error) = 0;

    // Whether changes can be stored, without waiting: true also while another program holds the books
    // just now; false with *why when the books cannot take changes at all.
    virtual bool acceptsChanges(EngineError *why) = 0;

    // A second, read-only connection to the same books, waiting for them as this one does.
    virtual std::unique_ptr<BooksConnection> openReader(EngineError *error) = 0;

    // Copies the books to the file `target` (see BooksFile::copyOpenBooks).
    virtual bool copyTo(const QString &target, BooksFile::Failure *failure, const BooksFile::Progress &progress) = 0;
};
