#include "data/sqlite/SqliteEngine.h"

#include <QDate>
#include <QDateTime>
#include <QFile>
#include <QStringList>

#include <sqlite3.h>

#include "data/DeliveredBooks.h"
#include "data/JetSql.h"
#include "data/RowStore.h"
#include "data/sqlite/SqliteCalls.h"
#include "data/sqlite/SqliteFiles.h"
#include "data/sqlite/SqliteChangeRecord.h"
#include "data/sqlite/SqliteMonthTotals.h"
#include "data/ChangeRecord.h"

namespace {

// Why the books file could not be used when it holds no books, with the way back to a copy.
const QString NoBooksReason = QStringLiteral(
    "帐簿文件 KalvoraCmp.mdb 是空的，或者不是本软件的帐簿。请关闭软件，把程序文件夹下 Backup 文件夹里最近的一份"
    "自动备份（KalvoraCmp-年-月-日.mdb）复制到程序文件夹，改名为 KalvoraCmp.mdb 替换现在的文件，再启动软件。");

// Latin capitals A to Z as small letters, every other character as it is: the folding of the books'
// NOCASE comparison, so that InStr and = never disagree about a name.
QString foldedLikeNocase(const QString &text)
{
    QString folded = text;
    for (QChar &c : folded)
        if (c >= u'A' && c <= u'Z')
            c = QChar(c.unicode() + (u'a' - u'A'));
    return folded;
}

QString textArgument(sqlite3_value *value)
{
    const auto *text = reinterpret_cast<const char *>(sqlite3_value_text(value));
    return QString::fromUtf8(text, sqlite3_value_bytes(value));
}

// InStr as the books compare text: Latin letters match regardless of case, like every text comparison.
void caseBlindInstr(sqlite3_context *context, int, sqlite3_value **argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL || sqlite3_value_type(argv[1]) == SQLITE_NULL) {
        sqlite3_result_null(context);
        return;
    }
    const auto found = foldedLikeNocase(textArgument(argv[0])).indexOf(foldedLikeNocase(textArgument(argv[1])));
    sqlite3_result_int64(context, found + 1);
}

// The books file at `path`, with InStr comparing as the books do; nullptr with *error set.
sqlite3 *openFile(const QString &path, int flags, EngineError *error)
{
    sqlite3 *db = nullptr;
    if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db, flags, nullptr) != SQLITE_OK) {
        *error = db ? Sqlite::errorOf(db)
                    : EngineError{SQLITE_CANTOPEN, QStringLiteral("unable to open database file"),
                                  EngineError::Kind::Unreachable};
        sqlite3_close(db);
        return nullptr;
    }
    sqlite3_create_function(db, "instr", 2, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr, caseBlindInstr, nullptr,
                            nullptr);
    return db;
}

// A file without the books' tables is told as such, not as the first table a statement missed.
bool hasBooks(sqlite3 *db, EngineError *error)
{
    if (Sqlite::holdsBooks(db))
        return true;
    *error = {SQLITE_OK, NoBooksReason};
    return false;
}

// Books made before the report centre's amount order had its index get it now, once; books that
// cannot be written to go on without it, only slower in that order.
void addAmountIndex(sqlite3 *db)
{
    sqlite3_stmt *statement = nullptr;
    sqlite3_prepare_v2(db, "SELECT 1 FROM sqlite_schema WHERE type = 'index' AND name = ?", -1, &statement, nullptr);
    sqlite3_bind_text(statement, 1, DeliveredBooks::AmountIndexName, -1, SQLITE_STATIC);
    const bool present = sqlite3_step(statement) == SQLITE_ROW;
    sqlite3_finalize(statement);
    if (!present)
        sqlite3_exec(db, DeliveredBooks::amountIndexStatement().toUtf8().constData(), nullptr, nullptr, nullptr);
}

int userVersion(sqlite3 *db)
{
    sqlite3_stmt *statement = nullptr;
    sqlite3_prepare_v2(db, "PRAGMA user_version", -1, &statement, nullptr);
    const int version = sqlite3_step(statement) == SQLITE_ROW ? sqlite3_column_int(statement, 0) : 0;
    sqlite3_finalize(statement);
    return version;
}

QVariant columnValue(sqlite3_stmt *stmt, int column)
{
    switch (sqlite3_column_type(stmt, column)) {
    case SQLITE_INTEGER:
        return QVariant(qint64(sqlite3_column_int64(stmt, column)));
    case SQLITE_FLOAT:
        return QVariant(sqlite3_column_double(stmt, column));
    case SQLITE_TEXT:
        return QVariant(QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(stmt, column)),
                                          sqlite3_column_bytes(stmt, column)));
    case SQLITE_BLOB:
        return QVariant(QByteArray(static_cast<const char *>(sqlite3_column_blob(stmt, column)),
                                   sqlite3_column_bytes(stmt, column)));
    default:
        return {};
    }
}

// Dates are stored as ISO text so that date literals compare as text.
int bindValue(sqlite3_stmt *stmt, int index, const QVariant &value)
{
    if (!value.isValid() || value.isNull())
        return sqlite3_bind_null(stmt, index);
    switch (value.typeId()) {
    case QMetaType::QDate:
        return sqlite3_bind_text(stmt, index, JetSql::dateText(value.toDate()).toUtf8().constData(), -1,
                                 SQLITE_TRANSIENT);
    case QMetaType::QDateTime:
        return sqlite3_bind_text(stmt, index,
                                 value.toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")).toUtf8().constData(),
                                 -1, SQLITE_TRANSIENT);
    case QMetaType::Bool:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
        return sqlite3_bind_int64(stmt, index, value.toLongLong());
    case QMetaType::Double:
    case QMetaType::Float:
        return sqlite3_bind_double(stmt, index, value.toDouble());
    default: {
        const QByteArray text = value.toString().toUtf8();
        return sqlite3_bind_text(stmt, index, text.constData(), int(text.size()), SQLITE_TRANSIENT);
    }
    }
}

bool isBlankTail(QByteArrayView tail)
{
    for (const char c : tail)
        if (c != ';' && !QChar::isSpace(uchar(c)))
            return false;
    return true;
}

QString quotedName(const QString &name)
{
    QString doubled = name;
    doubled.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + doubled + QLatin1Char('"');
}

QStringList columnsOf(const BooksEngine::Fields &fields)
{
    QStringList columns;
    for (const auto &field : fields)
        columns.append(quotedName(field.first));
    return columns;
}

QVariantList valuesOf(const BooksEngine::Fields &fields)
{
    QVariantList values;
    for (const auto &field : fields)
        values.append(field.second);
    return values;
}

// One statement of the engine's own (a row written, read back or deleted): prepared with its values
// bound, finished when it goes out of scope.
class Statement
{
public:
    Statement(sqlite3 *db, const QString &sql, const QVariantList &values)
    {
        if (sqlite3_prepare_v2(db, sql.toUtf8().constData(), -1, &m_stmt, nullptr) != SQLITE_OK) {
            sqlite3_finalize(m_stmt);
            m_stmt = nullptr;
            return;
        }
        for (int i = 0; i < values.size(); ++i)
            bindValue(m_stmt, i + 1, values[i]);
    }
    ~Statement() { sqlite3_finalize(m_stmt); }
    Statement(const Statement &) = delete;
    Statement &operator=(const Statement &) = delete;

    int step() { return m_stmt ? sqlite3_step(m_stmt) : SQLITE_ERROR; }
    sqlite3_stmt *handle() const { return m_stmt; }

private:
    sqlite3_stmt *m_stmt = nullptr;
};

class SqliteCursor final : public BooksCursor
{
public:
    explicit SqliteCursor(sqlite3_stmt *statement)
        : m_stmt(statement)
    {
    }
    ~SqliteCursor() override { sqlite3_finalize(m_stmt); }
    SqliteCursor(const SqliteCursor &) = delete;
    SqliteCursor &operator=(const SqliteCursor &) = delete;

    Step step() override
    {
        switch (sqlite3_step(m_stmt)) {
        case SQLITE_ROW:
            return Step::Row;
        case SQLITE_DONE:
            return Step::Done;
        default:
            return Step::Failed;
        }
    }
    EngineError error() const override { return Sqlite::errorOf(sqlite3_db_handle(m_stmt)); }
    void reset() override { sqlite3_reset(m_stmt); }
    void bindInteger(int parameter, qint64 value) override { sqlite3_bind_int64(m_stmt, parameter, value); }

    int columnCount() const override { return sqlite3_column_count(m_stmt); }
    QString columnName(int column) const override { return QString::fromUtf8(sqlite3_column_name(m_stmt, column)); }
    QString baseTable(int column) const override
    {
        return QString::fromUtf8(sqlite3_column_table_name(m_stmt, column));
    }
    QString baseColumn(int column) const override
    {
        return QString::fromUtf8(sqlite3_column_origin_name(m_stmt, column));
    }

    qint64 integer(int column) const override { return sqlite3_column_int64(m_stmt, column); }
    double real(int column) const override { return sqlite3_column_double(m_stmt, column); }
    void appendRow(RowStore &rows) const override;

private:
    sqlite3_stmt *m_stmt;
};

void SqliteCursor::appendRow(RowStore &rows) const
{
    rows.startRow();
    for (int column = 0, columns = sqlite3_column_count(m_stmt); column < columns; ++column) {
        switch (sqlite3_column_type(m_stmt, column)) {
        case SQLITE_INTEGER:
            rows.putInteger(sqlite3_column_int64(m_stmt, column));
            break;
        case SQLITE_FLOAT:
            rows.putReal(sqlite3_column_double(m_stmt, column));
            break;
        case SQLITE_TEXT:
            rows.putText(reinterpret_cast<const char *>(sqlite3_column_text(m_stmt, column)),
                         sqlite3_column_bytes(m_stmt, column));
            break;
        case SQLITE_BLOB:
            rows.putBlob(static_cast<const char *>(sqlite3_column_blob(m_stmt, column)),
                         sqlite3_column_bytes(m_stmt, column));
            break;
        default:
            rows.putEmpty();
        }
    }
}

// A connection on the books file, as the program's own connection (Interface = BooksEngine) or as a
// reader beside it (Interface = BooksConnection). It waits for the books through `wait` until told to
// wait quietly.
template <class Interface>
class SqliteConnection : public Interface
{
public:
    SqliteConnection(sqlite3 *db, BooksWait wait)
        : m_db(db)
        , m_wait(std::move(wait))
    {
        Sqlite::waitWith(m_db, &m_wait);
    }
    ~SqliteConnection() override { sqlite3_close_v2(m_db); }
    SqliteConnection(const SqliteConnection &) = delete;
    SqliteConnection &operator=(const SqliteConnection &) = delete;

    std::unique_ptr<BooksCursor> prepare(const QString &statement, EngineError *error) override
    {
        const QByteArray text = statement.toUtf8();
        sqlite3_stmt *prepared = nullptr;
        const char *rest = nullptr;
        if (sqlite3_prepare_v2(m_db, text.constData(), int(text.size()), &prepared, &rest) != SQLITE_OK) {
            *error = Sqlite::errorOf(m_db);
            sqlite3_finalize(prepared);
            return nullptr;
        }
        auto cursor = std::make_unique<SqliteCursor>(prepared);
        if (!isBlankTail(QByteArrayView(rest, text.constData() + text.size() - rest))) {
            *error = {SQLITE_OK, EngineText::ExtraStatement};
            return nullptr;
        }
        return cursor;
    }

    bool begin(BooksConnection::Intent intent, EngineError *error) override
    {
        // One writer at a time: a write lock taken at the start gives the report its one state too.
        const bool writing = intent != BooksConnection::Intent::Read;
        return Sqlite::run(m_db, writing ? QStringLiteral("BEGIN IMMEDIATE") : QStringLiteral("BEGIN"), error);
    }
    bool commit(EngineError *error) override { return Sqlite::run(m_db, QStringLiteral("COMMIT"), error); }
    void rollback() override
    {
        EngineError ignored;
        Sqlite::run(m_db, QStringLiteral("ROLLBACK"), &ignored);
    }
    bool inTransaction() const override { return !sqlite3_get_autocommit(m_db); }

    void interrupt() override { sqlite3_interrupt(m_db); }
    void waitQuietly(int milliseconds) override { sqlite3_busy_timeout(m_db, milliseconds); }

protected:
    sqlite3 *const m_db;
    BooksWait m_wait;
};

using Reader = SqliteConnection<BooksConnection>;

// The program's connection on the books file. Rows are written by their rowid.
class SqliteBooks final : public SqliteConnection<BooksEngine>
{
public:
    SqliteBooks(sqlite3 *db, const QString &path, BooksWait wait)
        : SqliteConnection(db, std::move(wait))
        , m_path(path)
    {
    }

    sqlite3 *handle() const { return m_db; }
    const QString &operatorName() const { return m_operator; }

    Dialect dialect() const override { return Dialect::Sqlite; }

    bool execute(const QString &statements, EngineError *error) override
    {
        return Sqlite::run(m_db, statements, error);
    }

    QString fromJet(const QString &jet, QString *error) const override { return JetSql::toSqlite(jet, error); }
    QString rowIdExpression(const QString &) override { return QStringLiteral("rowid"); }
    QString rowVersionExpression() const override { return {}; }
    bool insertRow(const QString &table, const Fields &fields, qint64 *rowId, StoredRow *stored,
                   EngineError *error) override;
    bool updateRow(const QString &table, qint64 rowId, const QVariant &version, const Fields &fields,
                   StoredRow *stored, EngineError *error) override;
    bool deleteRow(const QString &table, qint64 rowId, const QVariant &version, EngineError *error) override;

    // A write transaction names the operator in the books' operator table from its start, and empties
    // it again just before the commit: another writer, who never fills it, is told as an outside program.
    bool begin(BooksConnection::Intent intent, EngineError *error) override
    {
        if (!SqliteConnection::begin(intent, error))
            return false;
        m_named = intent == BooksConnection::Intent::Write;
        if (m_named && !nameOperator(m_operator, error)) {
            rollback();
            return false;
        }
        return true;
    }
    bool commit(EngineError *error) override
    {
        if (std::exchange(m_named, false) && !nameOperator({}, error))
            return false;
        return SqliteConnection::commit(error);
    }
    void rollback() override
    {
        m_named = false;
        SqliteConnection::rollback();
    }

    bool setOperator(const QString &role, EngineError *) override
    {
        m_operator = role;
        return true;
    }

    bool acceptsChanges(EngineError *why) override;

    std::unique_ptr<BooksConnection> openReader(EngineError *error) override
    {
        sqlite3 *db = openFile(m_path, SQLITE_OPEN_READONLY | SQLITE_OPEN_FULLMUTEX, error);
        return db ? std::make_unique<Reader>(db, m_wait) : nullptr;
    }

    bool copyTo(const QString &target, BooksFile::Failure *failure, const BooksFile::Progress &progress) override
    {
        return Sqlite::copyDatabase(m_db, target, failure, progress);
    }

private:
    bool nameOperator(const QString &role, EngineError *error);
    bool written(const std::function<bool()> &write, EngineError *error);
    bool changeRow(const QString &sql, const QVariantList &values, EngineError *error);
    bool readBack(const QString &table, qint64 rowId, StoredRow *stored, EngineError *error);

    const QString m_path;
    QString m_operator = ChangeRecord::ProgramItself;
    bool m_named = false;
};

bool SqliteBooks::nameOperator(const QString &role, EngineError *error)
{
    Statement statement(m_db, QStringLiteral("UPDATE ChangeOperator SET Operator=?"),
                        {role.isEmpty() ? QVariant() : QVariant(role)});
    if (statement.step() == SQLITE_DONE)
        return true;
    *error = Sqlite::errorOf(m_db);
    return false;
}

// A row written outside a transaction is written in one of its own, so that the operator is named.
bool SqliteBooks::written(const std::function<bool()> &write, EngineError *error)
{
    if (inTransaction())
        return write();
    if (!begin(BooksConnection::Intent::Write, error))
        return false;
    if (write() && commit(error))
        return true;
    rollback();
    return false;
}

// Runs one write of a row; false with the reason, also when no row was there to change.
bool SqliteBooks::changeRow(const QString &sql, const QVariantList &values, EngineError *error)
{
    Statement statement(m_db, sql, values);
    if (statement.step() != SQLITE_DONE) {
        *error = Sqlite::errorOf(m_db);
        return false;
    }
    if (sqlite3_changes(m_db) == 0) {
        *error = {SQLITE_OK, EngineText::RowGone};
        return false;
    }
    return true;
}

bool SqliteBooks::readBack(const QString &table, qint64 rowId, StoredRow *stored, EngineError *error)
{
    Statement statement(m_db, QStringLiteral("SELECT * FROM %1 WHERE rowid=?").arg(quotedName(table)), {rowId});
    const int rc = statement.step();
    if (rc != SQLITE_ROW) {
        *error = rc == SQLITE_DONE ? EngineError{SQLITE_OK, EngineText::RowGone} : Sqlite::errorOf(m_db);
        return false;
    }
    stored->clear();
    for (int c = 0; c < sqlite3_column_count(statement.handle()); ++c)
        stored->insert(QString::fromUtf8(sqlite3_column_name(statement.handle(), c)).toLower(),
                       columnValue(statement.handle(), c));
    return true;
}

bool SqliteBooks::insertRow(const QString &table, const Fields &fields, qint64 *rowId, StoredRow *stored,
                            EngineError *error)
{
    const QString sql = fields.isEmpty()
        ? QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(quotedName(table))
        : QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
              .arg(quotedName(table), columnsOf(fields).join(QLatin1Char(',')),
                   QStringList(fields.size(), QStringLiteral("?")).join(QLatin1Char(',')));
    return written(
        [&] {
            if (!changeRow(sql, valuesOf(fields), error))
                return false;
            *rowId = sqlite3_last_insert_rowid(m_db);
            return readBack(table, *rowId, stored, error);
        },
        error);
}

bool SqliteBooks::updateRow(const QString &table, qint64 rowId, const QVariant &, const Fields &fields,
                            StoredRow *stored, EngineError *error)
{
    return written(
        [&] {
            return changeRow(QStringLiteral("UPDATE %1 SET %2=? WHERE rowid=?")
                                 .arg(quotedName(table), columnsOf(fields).join(QStringLiteral("=?,"))),
                             valuesOf(fields) << rowId, error)
                && readBack(table, rowId, stored, error);
        },
        error);
}

bool SqliteBooks::deleteRow(const QString &table, qint64 rowId, const QVariant &, EngineError *error)
{
    return written(
        [&] { return changeRow(QStringLiteral("DELETE FROM %1 WHERE rowid=?").arg(quotedName(table)), {rowId}, error); },
        error);
}

bool SqliteBooks::acceptsChanges(EngineError *why)
{
    if (!Sqlite::run(m_db, QStringLiteral("BEGIN IMMEDIATE"), why))
        return (why->code & 0xff) == SQLITE_BUSY;
    // Setting the version the books have writes their first page, which also creates the journal
    // beside the file; the rollback undoes it.
    const bool writable = Sqlite::run(m_db, QStringLiteral("PRAGMA user_version = %1").arg(userVersion(m_db)), why);
    rollback();
    return writable;
}

} // namespace

std::unique_ptr<BooksEngine> SqliteEngine::open(const QString &path, BooksWait wait, bool *rebuilt, EngineError *error,
                                                const BooksFile::Progress &upgrade)
{
    sqlite3 *db = openFile(path, SQLITE_OPEN_READWRITE, error);
    if (!db)
        return nullptr;
    auto books = std::make_unique<SqliteBooks>(db, path, std::move(wait));
    // SQLite opens any file; reading the schema is what tells a database from something else.
    if (!Sqlite::run(db, QStringLiteral("PRAGMA synchronous=FULL; SELECT count(*) FROM sqlite_master;"), error)
        || !hasBooks(db, error) || !SqliteMonthTotals::prepare(db, rebuilt, error)
        || !SqliteChangeRecord::prepare(db, upgrade, error))
        return nullptr;
    addAmountIndex(db);
    return books;
}

sqlite3 *SqliteEngine::handleOf(BooksEngine &engine)
{
    return dynamic_cast<SqliteBooks &>(engine).handle();
}

QString SqliteEngine::operatorOf(BooksEngine &engine)
{
    return dynamic_cast<SqliteBooks &>(engine).operatorName();
}
